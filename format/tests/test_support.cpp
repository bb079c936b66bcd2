#include "test_support.h"

#include <gtest/gtest.h>

#include "format/inflate.h"

namespace format::testing {

namespace {
// An owning memory source, so the provider can hand out independent readers.
class OwnedSource final : public ByteSource {
 public:
  explicit OwnedSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), source_(bytes_.data(), bytes_.size()) {}
  size_t Read(void* dst, size_t n) override { return source_.Read(dst, n); }

 private:
  std::vector<uint8_t> bytes_;
  MemorySource source_;
};

class MemoryWriter final : public EmbeddedFileWriter {
 public:
  MemoryWriter(MemoryExtraction& owner, std::u16string name) : owner_(owner), name_(std::move(name)) {}
  bool Write(const uint8_t* data, size_t n) override {
    if (owner_.failWrites) return false;
    bytes_.insert(bytes_.end(), data, data + n);
    return true;
  }
  std::optional<std::u16string> Finish() override {
    owner_.files[name_] = std::move(bytes_);
    return name_;
  }

 private:
  MemoryExtraction& owner_;
  std::u16string name_;
  std::vector<uint8_t> bytes_;
};
}  // namespace

EmbeddedFile MemoryProvider::Add(const std::u16string& sourcePath, std::vector<uint8_t> content) {
  EmbeddedFile f;
  f.sourcePath = sourcePath;
  f.path = sourcePath;
  f.size = content.size();
  contents_[sourcePath] = std::move(content);
  return f;
}

bool MemoryProvider::Open(const EmbeddedFile& file, uint64_t* size, std::unique_ptr<ByteSource>* content) {
  auto it = contents_.find(file.path);
  if (it == contents_.end()) return false;
  *size = it->second.size();
  *content = std::make_unique<OwnedSource>(it->second);
  return true;
}

std::unique_ptr<EmbeddedFileWriter> MemoryExtraction::Begin(std::u16string_view sourcePath, uint64_t) {
  sources.emplace_back(sourcePath);
  std::u16string name = u"x";
  for (char c : std::to_string(sources.size() - 1)) name.push_back(static_cast<char16_t>(c));
  return std::make_unique<MemoryWriter>(*this, name);
}

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
  VectorSink out;
  DeflatingSink deflater(out);
  deflater.Write(raw.data(), raw.size());
  deflater.Finish();
  return out.bytes;
}

void ExpectSameBlocks(const MovieDocumentData& back, const MovieDocumentData& expected) {
  EXPECT_EQ(back.playlist, expected.playlist);
  EXPECT_EQ(back.aboutTexts, expected.aboutTexts);
  EXPECT_EQ(back.size, expected.size);
  EXPECT_EQ(back.window, expected.window);
  EXPECT_EQ(back.control, expected.control);
  EXPECT_EQ(back.playlistOptions, expected.playlistOptions);
  EXPECT_EQ(back.about, expected.about);
  EXPECT_EQ(back.overlay, expected.overlay);
  EXPECT_EQ(back.quality, expected.quality);
  EXPECT_EQ(back.quality2, expected.quality2);
  EXPECT_EQ(back.debug, expected.debug);
  EXPECT_EQ(back.sound, expected.sound);
}

}  // namespace format::testing
