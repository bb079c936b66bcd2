// Byte sources and sinks the archive reader and writer work over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace format {

// A forward-only supply of bytes.
class ByteSource {
 public:
  virtual ~ByteSource();
  // Returns the number of bytes read; fewer than n means end of data or failure.
  virtual size_t Read(void* dst, size_t n) = 0;
  // The most bytes the source can still deliver, when it knows; lengths and counts read from the
  // stream are checked against it before anything is reserved for them.
  virtual std::optional<uint64_t> RemainingBound() const { return std::nullopt; }
};

// A forward-only destination for bytes.
class ByteSink {
 public:
  virtual ~ByteSink();
  virtual bool Write(const void* src, size_t n) = 0;
};

// A sink whose earlier bytes can be rewritten, for headers whose sizes are
// known only after the body has been written.
class PatchableSink : public ByteSink {
 public:
  virtual uint64_t Position() const = 0;
  virtual bool Patch(uint64_t position, const void* src, size_t n) = 0;
};

// Reads a byte range in memory; never reads outside it.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size);
  size_t Read(void* dst, size_t n) override;
  size_t Remaining() const { return size_ - pos_; }
  std::optional<uint64_t> RemainingBound() const override { return Remaining(); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Collects everything written into a vector.
class VectorSink final : public PatchableSink {
 public:
  bool Write(const void* src, size_t n) override;
  uint64_t Position() const override { return bytes.size(); }
  bool Patch(uint64_t position, const void* src, size_t n) override;

  std::vector<uint8_t> bytes;
};

// Counts bytes and hands them on to another sink (or drops them).
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(ByteSink* next = nullptr) : next_(next) {}
  bool Write(const void* src, size_t n) override;
  uint64_t Count() const { return count_; }

 private:
  ByteSink* next_;
  uint64_t count_ = 0;
};

// Copies a source into a sink in bounded chunks; false when the sink refuses,
// or when limit is given and the source does not deliver exactly limit bytes.
bool CopyStream(ByteSource& in, ByteSink& out, uint64_t* copied, const uint64_t* limit = nullptr);

}  // namespace format
