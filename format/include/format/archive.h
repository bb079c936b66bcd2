// The archive stream primitives of the movie document (the MFC CArchive
// format, little-endian): integers, floats, strings and byte arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "format/stream.h"

namespace format {

// Largest piece read from a stream at once: lengths and counts come from the
// stream itself and are believed only as far as the data really arrives.
inline constexpr size_t kArchiveChunk = 64 * 1024;

// Reads archive primitives from a source; any short read makes it fail for good.
class ArchiveReader {
 public:
  explicit ArchiveReader(ByteSource& source) : source_(source) {}

  bool ReadBytes(void* dst, size_t n);
  bool ReadU8(uint8_t* v);
  bool ReadU16(uint16_t* v);
  bool ReadU32(uint32_t* v);
  bool ReadFloat(float* v);  // a 32-bit float held in a u32
  // Narrow strings are widened byte for byte (Latin-1).
  bool ReadString(std::u16string* s);
  // The length prefix of a string: units and whether they are UTF-16.
  bool ReadStringLength(uint64_t* units, bool* wide);
  // The count of a byte array: u16, or 0xFFFF then u32.
  bool ReadCount(uint64_t* count);
  bool ReadByteArray(std::vector<uint8_t>* bytes);
  // Hands n bytes to sink in chunks of at most kArchiveChunk; a sink returning
  // false stops passing data on but the bytes are still consumed.
  bool ReadChunks(uint64_t n, const std::function<bool(const uint8_t*, size_t)>& sink, bool* sinkOk = nullptr);
  bool Skip(uint64_t n);

  // Fails for good, before anything is reserved, when the source cannot still deliver that many
  // bytes; Overclaim() then tells the length that did not fit.
  bool CanHold(uint64_t bytes);

  bool Failed() const { return failed_; }
  uint64_t Position() const { return position_; }
  uint64_t Overclaim() const { return overclaim_; }

 private:
  ByteSource& source_;
  uint64_t overclaim_ = 0;
  bool failed_ = false;
  uint64_t position_ = 0;
};

// Writes archive primitives into a sink; strings always in the wide form with
// the shortest length prefix.
class ArchiveWriter {
 public:
  explicit ArchiveWriter(ByteSink& sink) : sink_(sink) {}

  bool WriteBytes(const void* src, size_t n);
  bool WriteU8(uint8_t v);
  bool WriteU16(uint16_t v);
  bool WriteU32(uint32_t v);
  bool WriteFloat(float v);
  bool WriteString(std::u16string_view s);
  // The narrow form, for producing documents of older writers.
  bool WriteNarrowString(std::string_view s);
  bool WriteCount(uint64_t count);
  bool WriteByteArray(const std::vector<uint8_t>& bytes);

  bool Failed() const { return failed_; }
  uint64_t Position() const { return position_; }

 private:
  bool WriteLength(uint64_t n);

  ByteSink& sink_;
  bool failed_ = false;
  uint64_t position_ = 0;
};

}  // namespace format
