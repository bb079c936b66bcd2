#pragma once
// The tag walk of a SWF file: fills the character dictionary and the frames of the timelines.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "record_reader.h"
#include "text.h"
#include "swfplayer/engine/movie.h"

namespace swf {

// Inflates at most maxOut bytes, growing the output a chunk at a time. Returns
// false only when the stream is damaged before yielding anything useful.
bool InflateBounded(std::span<const uint8_t> in, size_t maxOut, std::vector<uint8_t>& out);
// An action block as frames, buttons and clip events keep it.
std::shared_ptr<const std::vector<uint8_t>> CodeOf(std::span<const uint8_t> bytes);

// Walks tag streams and fills the movie definition.
class TagLoader {
 public:
  explicit TagLoader(MovieDef& movie) : movie_(movie) {}

  void WalkTimeline(BitReader& r, TimelineDef& timeline, bool isSprite);

 private:
  void Tag(uint16_t code, std::span<const uint8_t> body, Frame& frame, bool isSprite);
  void Define(uint16_t id, Character c);

  void ReadPlace1(RecordReader& rr, PlaceTag& p);
  void ReadPlace2(RecordReader& rr, PlaceTag& p, bool v3);
  void ReadClipActions(BitReader& r, PlaceTag& p);
  static uint32_t MapClipEvents(uint32_t raw, bool wide);
  static void SkipFilters(BitReader& r);

  void ReadFont1(std::span<const uint8_t> body);
  void ReadFont2(std::span<const uint8_t> body, bool v3);
  static void ReadGlyphs(std::span<const uint8_t> table, const std::vector<size_t>& offsets, FontDef& font,
                         size_t endOffset);
  void ReadText(RecordReader& rr, bool withAlpha);
  static std::string FontName(std::span<const uint8_t> name);
  void ReadButton(RecordReader& rr, bool v2);
  void ReadEditText(RecordReader& rr);

  void ReadLossless(RecordReader& rr, bool withAlpha);
  void ReadJpeg(RecordReader& rr, bool withAlpha);
  void ReadJpegWithTables(RecordReader& rr);
  static void JpegSize(const std::vector<uint8_t>& j, uint32_t& w, uint32_t& h);

  MovieDef& movie_;
  std::vector<uint8_t> jpegTables_;
};

}  // namespace swf
