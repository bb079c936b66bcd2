#include "format/container.h"

#include <limits>

#include "format/inflate.h"

namespace format {

FileSink::FileSink(const std::filesystem::path& path) {
  out_.open(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  failed_ = !out_.is_open();
}

bool FileSink::Write(const void* src, size_t n) {
  if (failed_) return false;
  out_.write(static_cast<const char*>(src), static_cast<std::streamsize>(n));
  if (!out_) {
    failed_ = true;
    return false;
  }
  position_ += n;
  return true;
}

bool FileSink::Patch(uint64_t position, const void* src, size_t n) {
  if (failed_ || position > position_ || n > position_ - position) return false;
  out_.seekp(static_cast<std::streamoff>(position));
  out_.write(static_cast<const char*>(src), static_cast<std::streamsize>(n));
  out_.seekp(static_cast<std::streamoff>(position_));
  if (!out_) failed_ = true;
  return !failed_;
}

bool FileSink::Close() {
  if (!out_.is_open()) return !failed_;
  out_.flush();
  if (!out_) failed_ = true;
  out_.close();
  return !failed_;
}

FileSource::FileSource(const std::filesystem::path& path) { in_.open(path, std::ios::binary); }

size_t FileSource::Read(void* dst, size_t n) {
  if (!in_.is_open() || n == 0) return 0;
  in_.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
  return static_cast<size_t>(in_.gcount());
}

// Passes bytes on and reports the running total of the container.
class ContainerWriter::ProgressSink final : public ByteSink {
 public:
  ProgressSink(PatchableSink& out, const std::function<void(uint64_t)>& progress)
      : out_(out), progress_(progress) {}
  bool Write(const void* src, size_t n) override {
    if (!out_.Write(src, n)) return false;
    count_ += n;
    if (progress_) progress_(out_.Position());
    return true;
  }
  uint64_t Count() const { return count_; }

 private:
  PatchableSink& out_;
  const std::function<void(uint64_t)>& progress_;
  uint64_t count_ = 0;
};

namespace {
constexpr uint64_t kMaxField = std::numeric_limits<uint32_t>::max();
}  // namespace

bool ContainerWriter::WriteStub(ByteSource& stub) {
  ProgressSink sink(out_, progress_);
  return CopyStream(stub, sink, nullptr);
}

bool ContainerWriter::WriteDocument(uint32_t version, const MovieDocumentData& doc,
                                    EmbeddedContentProvider& provider, bool compress) {
  DocumentHeader header;
  header.marker = DocumentMarker();
  header.version = version;
  header.compressed = compress ? 1 : 0;
  uint64_t at = out_.Position();
  auto placeholder = header.Serialize();
  if (!placeholder || !out_.Write(placeholder->data(), placeholder->size())) return false;

  ProgressSink body(out_, progress_);
  uint64_t uncompressed = 0;
  if (compress) {
    DeflatingSink deflater(body);
    CountingSink counter(&deflater);
    if (!WriteDocumentBody(counter, version, doc, provider) || !deflater.Finish()) return false;
    uncompressed = counter.Count();
  } else {
    if (!WriteDocumentBody(body, version, doc, provider)) return false;
    uncompressed = body.Count();
  }
  if (uncompressed > kMaxField || body.Count() > kMaxField) return false;
  header.uncompressedSize = static_cast<uint32_t>(uncompressed);
  header.compressedSize = static_cast<uint32_t>(body.Count());
  auto final = header.Serialize();
  return final && out_.Patch(at, final->data(), final->size());
}

bool ContainerWriter::WriteFileBlock(std::u16string_view marker, std::u16string_view name, ByteSource& content,
                                     uint64_t size, bool compress) {
  if (size > kMaxField) return false;
  FileBlockHeader header;
  header.marker = std::u16string(marker);
  header.version = kFileBlockVersion;
  header.name = std::u16string(name);
  header.storedSize = static_cast<uint32_t>(size);
  header.compressed = compress;
  uint64_t at = out_.Position();
  auto placeholder = header.Serialize();
  if (!placeholder || !out_.Write(placeholder->data(), placeholder->size())) return false;

  ProgressSink body(out_, progress_);
  if (compress) {
    DeflatingSink deflater(body);
    if (!CopyStream(content, deflater, nullptr, &size) || !deflater.Finish()) return false;
  } else if (!CopyStream(content, body, nullptr, &size)) {
    return false;
  }
  if (body.Count() > kMaxField) return false;
  header.compressedSize = compress ? static_cast<uint32_t>(body.Count()) : 0;
  auto final = header.Serialize();
  return final && out_.Patch(at, final->data(), final->size());
}

}  // namespace format
