// Writes the seed corpus of the fuzz targets: small containers and document
// streams at several format versions. Run: format_fuzz_corpus OUTPUT_DIR
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "format/container.h"
#include "format/document.h"
#include "format/inflate.h"
#include "format/region.h"

namespace {

using format::ByteSource;
using format::EmbeddedFile;
using format::MemorySource;

class TextProvider final : public format::EmbeddedContentProvider {
 public:
  bool Open(const EmbeddedFile& file, uint64_t* size, std::unique_ptr<ByteSource>* content) override {
    keep_.emplace_back(file.path.begin(), file.path.end());
    const std::string& s = keep_.back();
    *size = s.size();
    *content = std::make_unique<MemorySource>(s.data(), s.size());
    return true;
  }

 private:
  std::vector<std::string> keep_;
};

EmbeddedFile File(std::u16string path) { return {path, path, 0, false}; }

format::MovieDocumentData Sample() {
  format::MovieDocumentData d;
  format::PlaylistEntry e;
  e.sourcePath = u"C:\\a.swf";
  e.displayTime = 3.0f;
  e.movie = File(u"C:\\a.swf");
  e.assets.resize(2);
  e.assets[0].name = u"pic";
  e.assets[0].file = File(u"C:\\p.png");
  e.assets[1].embedded = 0;
  e.assets[1].path = u"x";
  d.playlist.entries.push_back(e);
  d.aboutTexts.productName = u"Demo";
  d.window.title = u"Title";
  d.window.icon = File(u"C:\\i.ico");
  d.window.customRegion = format::MakeRegionData({{0, 0, 4, 4}});
  d.overlay.font.assign(92, 1);
  d.overlay.picture = File(u"C:\\o.bmp");
  d.sound.file = File(u"C:\\s.wav");
  return d;
}

void Save(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Container(uint32_t version, bool compress, bool withBlocks) {
  format::VectorSink out;
  format::ContainerWriter writer(out);
  std::string stub = "MZ seed stub";
  MemorySource stubSource(stub.data(), stub.size());
  TextProvider provider;
  writer.WriteStub(stubSource);
  writer.WriteDocument(version, Sample(), provider, compress);
  if (withBlocks) {
    std::string lib = "library content library content";
    const std::u16string markers[] = {format::FsCommandMarker(), format::FsCommandMarker(), format::InstallerMarker(),
                                      format::ResourceMarker(), format::ToolPackageMarker()};
    bool packed = true;
    for (const auto& marker : markers) {
      MemorySource src(lib.data(), lib.size());
      writer.WriteFileBlock(marker, u"file.bin", src, lib.size(), packed);
      packed = !packed;
    }
  }
  return out.bytes;
}

std::vector<uint8_t> Body(uint32_t version) {
  format::VectorSink out;
  TextProvider provider;
  format::WriteDocumentBody(out, version, Sample(), provider);
  return out.bytes;
}

std::vector<uint8_t> Prefixed(uint8_t selector, std::vector<uint8_t> rest) {
  rest.insert(rest.begin(), selector);
  return rest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: format_fuzz_corpus OUTPUT_DIR\n";
    return 2;
  }
  std::filesystem::path root(argv[1]);
  std::filesystem::create_directories(root / "payload");
  std::filesystem::create_directories(root / "document");
  Save(root / "payload" / "full-140", Container(140, true, true));
  Save(root / "payload" / "stored-100", Container(100, false, true));
  auto flagWord = Container(120, true, true);
  Save(root / "payload" / "truncated", std::vector<uint8_t>(flagWord.begin(), flagWord.end() - 20));

  // The first byte selects the reading path (see fuzz_document.cpp); the
  // version for raw bodies is 100 + selector % 41.
  Save(root / "document" / "image-140", Prefixed(0, Container(140, true, false)));
  Save(root / "document" / "image-stored-100", Prefixed(4, Container(100, false, false)));
  auto stored = Container(130, false, false);
  Save(root / "document" / "stream-130", Prefixed(1, std::vector<uint8_t>(stored.begin() + 12, stored.end())));
  for (uint32_t version : {100u, 120u, 130u, 140u}) {
    uint8_t deflated = 2, raw = 3;
    while (100u + deflated % 41u != version) deflated = static_cast<uint8_t>(deflated + 4);
    while (100u + raw % 41u != version) raw = static_cast<uint8_t>(raw + 4);
    auto body = Body(version);
    format::VectorSink packed;
    format::DeflatingSink deflater(packed);
    deflater.Write(body.data(), body.size());
    deflater.Finish();
    Save(root / "document" / ("deflated-" + std::to_string(version)), Prefixed(deflated, packed.bytes));
    Save(root / "document" / ("raw-" + std::to_string(version)), Prefixed(raw, body));
  }
  return 0;
}
