// The document reader over arbitrary images (stored and inflated bodies) and
// over raw archive streams.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "format/document.h"
#include "format/inflate.h"

namespace {

class CheckingWriter final : public format::EmbeddedFileWriter {
 public:
  bool Write(const uint8_t* data, size_t n) override {
    for (size_t k = 0; k < n; k += 512) sum_ += data[k];
    return n > 0;
  }
  std::optional<std::u16string> Finish() override { return u"x"; }

 private:
  uint64_t sum_ = 0;
};

class CheckingSink final : public format::EmbeddedFileSink {
 public:
  std::unique_ptr<format::EmbeddedFileWriter> Begin(std::u16string_view, uint64_t) override {
    return std::make_unique<CheckingWriter>();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace format;
  CheckingSink sink;
  ReadOptions options;
  options.sink = &sink;
  MovieDocumentData doc;
  // The first byte picks how the rest is read, so one corpus covers all ways.
  if (size == 0) return 0;
  const uint8_t* rest = data + 1;
  size_t n = size - 1;
  switch (data[0] % 4) {
    case 0:
      ReadDocumentFromImage(rest, n, &doc, options);
      break;
    case 1: {
      MemorySource src(rest, n);
      ReadDocument(src, &doc, options);
      break;
    }
    case 2: {
      InflatingSource src(rest, n, 64u << 20);
      ReadDocumentBody(src, 100 + data[0] % 41, &doc, options);
      break;
    }
    default: {
      MemorySource src(rest, n);
      ReadDocumentBody(src, 100 + data[0] % 41, &doc, options);
      break;
    }
  }
  return 0;
}
