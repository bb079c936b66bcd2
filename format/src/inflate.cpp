#include "format/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace format {

namespace {
// zlib counts input in 32-bit units; larger ranges are fed in slices.
constexpr size_t kMaxSlice = size_t{1} << 30;

void Feed(z_stream& zs, const uint8_t*& next, size_t& left) {
  if (zs.avail_in == 0 && left > 0) {
    size_t slice = std::min(left, kMaxSlice);
    zs.next_in = const_cast<Bytef*>(next);
    zs.avail_in = static_cast<uInt>(slice);
    next += slice;
    left -= slice;
  }
}
}  // namespace

ByteSource::~ByteSource() = default;
ByteSink::~ByteSink() = default;

bool InflateTo(const uint8_t* in, size_t inLen, uint64_t maxOut,
               const std::function<bool(const uint8_t*, size_t)>& sink, uint64_t* produced) {
  if (produced) *produced = 0;
  if (in == nullptr || inLen == 0) return false;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(kInflateChunk, std::max<uint64_t>(maxOut, 1))));
  const uint8_t* next = in;
  size_t left = inLen;
  uint64_t total = 0;
  bool ok = false;
  uint8_t probe = 0;
  for (;;) {
    Feed(zs, next, left);
    uint64_t budget = maxOut - total;
    // With the budget spent, one more byte of output means the stream is too long.
    uint8_t* out = budget ? buffer.data() : &probe;
    uInt room = budget ? static_cast<uInt>(std::min<uint64_t>(buffer.size(), budget)) : 1;
    zs.next_out = out;
    zs.avail_out = room;
    int ret = inflate(&zs, Z_NO_FLUSH);
    size_t got = room - zs.avail_out;
    if (got > 0) {
      if (budget == 0 || !sink(out, got)) break;
      total += got;
    }
    if (ret == Z_STREAM_END) {
      ok = true;
      break;
    }
    if (ret != Z_OK) break;
    if (got == 0 && zs.avail_in == 0 && left == 0) break;
  }
  inflateEnd(&zs);
  if (produced) *produced = total;
  return ok;
}

struct InflatingSource::State {
  z_stream zs{};
  bool initialised = false;
  bool ended = false;
  bool failed = false;
  const uint8_t* next = nullptr;
  size_t left = 0;
  uint64_t maxOut = 0;
  uint64_t produced = 0;
};

InflatingSource::InflatingSource(const uint8_t* in, size_t inLen, uint64_t maxOut)
    : state_(std::make_unique<State>()) {
  state_->next = in;
  state_->left = in ? inLen : 0;
  state_->maxOut = maxOut;
  state_->initialised = inflateInit(&state_->zs) == Z_OK;
  if (!state_->initialised || state_->left == 0) state_->failed = true;
}

InflatingSource::~InflatingSource() {
  if (state_->initialised) inflateEnd(&state_->zs);
}

bool InflatingSource::Failed() const { return state_->failed; }
uint64_t InflatingSource::Produced() const { return state_->produced; }

std::optional<uint64_t> InflatingSource::RemainingBound() const {
  const State& s = *state_;
  // Deflate expands one input byte to at most 1032 output bytes; the slack covers what
  // zlib holds back in its window between calls.
  uint64_t input = static_cast<uint64_t>(s.left) + s.zs.avail_in;
  uint64_t reachable = input * 1032 + 65536;
  return std::min(s.maxOut - s.produced, reachable);
}

size_t InflatingSource::Read(void* dst, size_t n) {
  State& s = *state_;
  size_t done = 0;
  auto* out = static_cast<uint8_t*>(dst);
  while (done < n && !s.ended && !s.failed) {
    uint64_t budget = s.maxOut - s.produced;
    if (budget == 0) break;
    Feed(s.zs, s.next, s.left);
    size_t want = static_cast<size_t>(std::min<uint64_t>({n - done, budget, kMaxSlice}));
    s.zs.next_out = out + done;
    s.zs.avail_out = static_cast<uInt>(want);
    int ret = inflate(&s.zs, Z_NO_FLUSH);
    size_t got = want - s.zs.avail_out;
    done += got;
    s.produced += got;
    if (ret == Z_STREAM_END) {
      s.ended = true;
    } else if (ret != Z_OK || (got == 0 && s.zs.avail_in == 0 && s.left == 0)) {
      s.failed = true;
    }
  }
  return done;
}

struct DeflatingSink::State {
  z_stream zs{};
  bool initialised = false;
  bool failed = false;
  bool finished = false;
  ByteSink* out = nullptr;
  std::vector<uint8_t> buffer;
};

DeflatingSink::DeflatingSink(ByteSink& out, int level) : state_(std::make_unique<State>()) {
  state_->out = &out;
  state_->buffer.resize(kInflateChunk);
  state_->initialised = deflateInit(&state_->zs, level) == Z_OK;
  state_->failed = !state_->initialised;
}

DeflatingSink::~DeflatingSink() {
  if (state_->initialised) deflateEnd(&state_->zs);
}

namespace {
bool Pump(z_stream& zs, std::vector<uint8_t>& buffer, ByteSink& out, int flush) {
  for (;;) {
    zs.next_out = buffer.data();
    zs.avail_out = static_cast<uInt>(buffer.size());
    int ret = deflate(&zs, flush);
    if (ret == Z_STREAM_ERROR) return false;
    size_t got = buffer.size() - zs.avail_out;
    if (got > 0 && !out.Write(buffer.data(), got)) return false;
    if (flush == Z_FINISH) {
      if (ret == Z_STREAM_END) return true;
    } else if (zs.avail_in == 0 && zs.avail_out != 0) {
      return true;
    }
  }
}
}  // namespace

bool DeflatingSink::Write(const void* src, size_t n) {
  State& s = *state_;
  if (s.failed || s.finished) return false;
  const auto* p = static_cast<const uint8_t*>(src);
  while (n > 0) {
    size_t slice = std::min(n, kMaxSlice);
    s.zs.next_in = const_cast<Bytef*>(p);
    s.zs.avail_in = static_cast<uInt>(slice);
    if (!Pump(s.zs, s.buffer, *s.out, Z_NO_FLUSH)) {
      s.failed = true;
      return false;
    }
    p += slice;
    n -= slice;
  }
  return true;
}

bool DeflatingSink::Finish() {
  State& s = *state_;
  if (s.failed) return false;
  if (s.finished) return true;
  s.zs.next_in = nullptr;
  s.zs.avail_in = 0;
  if (!Pump(s.zs, s.buffer, *s.out, Z_FINISH)) {
    s.failed = true;
    return false;
  }
  s.finished = true;
  return true;
}

uint64_t DeflatingSink::BytesIn() const { return state_->zs.total_in; }
uint64_t DeflatingSink::BytesOut() const { return state_->zs.total_out; }

MemorySource::MemorySource(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

size_t MemorySource::Read(void* dst, size_t n) {
  size_t take = std::min(n, size_ - pos_);
  if (take > 0) std::memcpy(dst, data_ + pos_, take);
  pos_ += take;
  return take;
}

bool VectorSink::Write(const void* src, size_t n) {
  const auto* p = static_cast<const uint8_t*>(src);
  bytes.insert(bytes.end(), p, p + n);
  return true;
}

bool VectorSink::Patch(uint64_t position, const void* src, size_t n) {
  if (position > bytes.size() || n > bytes.size() - position) return false;
  std::memcpy(bytes.data() + position, src, n);
  return true;
}

bool CountingSink::Write(const void* src, size_t n) {
  if (next_ && !next_->Write(src, n)) return false;
  count_ += n;
  return true;
}

bool CopyStream(ByteSource& in, ByteSink& out, uint64_t* copied, const uint64_t* limit) {
  std::vector<uint8_t> buffer(kInflateChunk);
  uint64_t total = 0;
  bool ok = true;
  for (;;) {
    size_t want = buffer.size();
    if (limit) want = static_cast<size_t>(std::min<uint64_t>(want, *limit - total));
    if (want == 0) break;
    size_t got = in.Read(buffer.data(), want);
    if (got > 0 && !out.Write(buffer.data(), got)) {
      ok = false;
      break;
    }
    total += got;
    if (got < want) {
      if (limit) ok = false;
      break;
    }
  }
  if (copied) *copied = total;
  return ok;
}

}  // namespace format
