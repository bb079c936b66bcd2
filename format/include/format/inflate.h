// zlib streaming in bounded chunks: never allocates from a size read from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "format/stream.h"

namespace format {

inline constexpr size_t kInflateChunk = 256 * 1024;

// Inflates one zlib stream from in[0, inLen) into sink in chunks. Fails when
// the stream is damaged, ends before its end marker, would produce more than
// maxOut bytes, or the sink refuses. A stream that ends early of maxOut is
// fine: produced tells how much came out. Bytes behind the stream are ignored.
bool InflateTo(const uint8_t* in, size_t inLen, uint64_t maxOut,
               const std::function<bool(const uint8_t*, size_t)>& sink, uint64_t* produced = nullptr);

// Inflates a zlib stream held in memory as it is read, at most maxOut bytes.
class InflatingSource final : public ByteSource {
 public:
  InflatingSource(const uint8_t* in, size_t inLen, uint64_t maxOut);
  ~InflatingSource() override;
  InflatingSource(const InflatingSource&) = delete;
  InflatingSource& operator=(const InflatingSource&) = delete;

  size_t Read(void* dst, size_t n) override;
  // The stream was damaged (as opposed to merely ended).
  bool Failed() const;
  uint64_t Produced() const;
  // The stated size not yet produced, and never more than zlib can make of the input that is left.
  std::optional<uint64_t> RemainingBound() const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Deflates everything written into another sink; Finish ends the stream.
class DeflatingSink final : public ByteSink {
 public:
  explicit DeflatingSink(ByteSink& out, int level = 9);
  ~DeflatingSink() override;
  DeflatingSink(const DeflatingSink&) = delete;
  DeflatingSink& operator=(const DeflatingSink&) = delete;

  bool Write(const void* src, size_t n) override;
  bool Finish();
  uint64_t BytesIn() const;
  uint64_t BytesOut() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace format
