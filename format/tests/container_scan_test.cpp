// Where blocks are found, which names are written, and how far a document's
// counts are believed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/archive.h"
#include "format/container.h"
#include "format/document.h"
#include "format/inflate.h"
#include "format/payload.h"
#include "test_support.h"

namespace format {
namespace {

using testing::Bytes;
using testing::Deflate;
using testing::MemoryProvider;

struct BlockSpec {
  std::u16string marker;
  std::u16string name;
  std::vector<uint8_t> content;
};

// A packed projector: stub, document (one picture entry with the given asset), then the blocks.
std::vector<uint8_t> Projector(const std::string& stub, const std::vector<uint8_t>& asset,
                               const std::vector<BlockSpec>& blocks, bool compress) {
  MemoryProvider provider;
  MovieDocumentData d;
  PlaylistEntry e;
  e.sourcePath = u"pic.png";
  e.movie = provider.Add(u"pic.png", Bytes("png"));
  if (!asset.empty()) {
    Asset a;
    a.name = u"nested";
    a.file = provider.Add(u"Nested.exe", asset);
    e.assets.push_back(a);
  }
  d.playlist.entries.push_back(e);
  VectorSink out;
  ContainerWriter writer(out);
  auto stubBytes = Bytes(stub);
  MemorySource stubSource(stubBytes.data(), stubBytes.size());
  EXPECT_TRUE(writer.WriteStub(stubSource));
  EXPECT_TRUE(writer.WriteDocument(140, d, provider, compress));
  for (const BlockSpec& b : blocks) {
    MemorySource content(b.content.data(), b.content.size());
    EXPECT_TRUE(writer.WriteFileBlock(b.marker, b.name, content, b.content.size(), compress));
  }
  return out.bytes;
}

std::vector<std::u16string> Names(const std::vector<uint8_t>& image, const std::u16string& marker) {
  std::vector<std::u16string> names;
  FileBlockScanner scan(image.data(), image.size(), marker);
  for (FileBlockView v; scan.Next(&v);) names.push_back(v.header.name);
  return names;
}

TEST(FileBlockScanner, BlocksInsideAnEmbeddedProjectorAreNotOurs) {
  auto inner = Projector("MZ inner stub", {},
                         {{FsCommandMarker(), u"InnerFSCmd.dll", Bytes("inner library")},
                          {InstallerMarker(), u"InnerInstaller.exe", Bytes("inner installer")},
                          {ResourceMarker(), u"InnerKit.dll", Bytes("inner resources")}},
                         false);
  // Stored without compression, the inner markers appear verbatim in the document body and in the
  // body of the tool package block, which carries the inner projector a second time.
  auto outer = Projector("MZ outer stub", inner,
                         {{FsCommandMarker(), u"VantraFSCmd.dll", Bytes("our library")},
                          {ToolPackageMarker(), u"Tools.dat", inner},
                          {ResourceMarker(), u"Mardenkit.dll", Bytes("our resources")}},
                         false);
  MarkerSearch raw;
  raw.SetPattern(InstallerMarker());
  ASSERT_NE(raw.Find(outer.data(), outer.size()), nullptr) << "the inner installer marker must be in the image";

  EXPECT_EQ(Names(outer, FsCommandMarker()), std::vector<std::u16string>{u"VantraFSCmd.dll"});
  EXPECT_TRUE(Names(outer, InstallerMarker()).empty());
  EXPECT_EQ(Names(outer, ResourceMarker()), std::vector<std::u16string>{u"Mardenkit.dll"});
  EXPECT_EQ(Names(outer, ToolPackageMarker()), std::vector<std::u16string>{u"Tools.dat"});

  // The document is still the first match, and it reads back with the inner projector as its asset.
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentFromImage(outer.data(), outer.size(), &back));
  EXPECT_EQ(back.playlist.entries.at(0).assets.at(0).file.size, inner.size());
}

TEST(FileBlockScanner, FallsBackBehindTheHeaderWhenTheDocumentSizesDoNotFit) {
  auto image = Projector("MZ stub", {}, {{FsCommandMarker(), u"VantraFSCmd.dll", Bytes("library")}}, true);
  auto document = FindDocumentBlock(image.data(), image.size());
  ASSERT_TRUE(document);
  FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
  FileBlockView first;
  ASSERT_TRUE(scan.Next(&first));
  EXPECT_EQ(document->BlocksStart(), first.offset);
  StoreU32(image.data() + document->offset + 80, 0xFFFFFFF0u);
  document = FindDocumentBlock(image.data(), image.size());
  EXPECT_EQ(document->BlocksStart(), document->offset + DocumentHeader::kSize);
  EXPECT_EQ(Names(image, FsCommandMarker()), std::vector<std::u16string>{u"VantraFSCmd.dll"});
}

TEST(IsSafeFileName, RefusesNamesWindowsReadsAsAnotherFile) {
  for (std::u16string_view good : {u"VantraFSCmd.dll", u"console.dll", u"CONX.txt", u"COM10", u"LPT0.dat",
                                   u"nul_file.bin", u"a. b"}) {
    EXPECT_TRUE(IsSafeFileName(good)) << std::string(good.begin(), good.end());
  }
  for (std::u16string_view bad : {u"VantraFSCmd.dll.", u"VantraFSCmd.dll ", u"x.dll. .", u"CON", u"con",
                                  u"Nul.txt", u"aux.dll", u"PRN .txt", u"COM1", u"com9.log", u"LPT3.dat",
                                  u"CONIN$", u"conout$.x", u"COM\u00B9", u"lpt\u00B2.txt"}) {
    EXPECT_FALSE(IsSafeFileName(bad)) << std::string(bad.begin(), bad.end());
  }
}

// A document body that starts with the given playlist count and entry.
std::vector<uint8_t> Body(uint32_t count, uint32_t assets, size_t padding) {
  VectorSink sink;
  ArchiveWriter ar(sink);
  ar.WriteU32(count);
  ar.WriteU32(0);
  ar.WriteString(u"a.png");
  ar.WriteFloat(1);
  ar.WriteString(u"");
  ar.WriteCount(1);
  ar.WriteU8(0);
  ar.WriteString(u"");
  ar.WriteU32(assets);
  sink.bytes.resize(sink.bytes.size() + padding);
  return sink.bytes;
}

std::vector<uint8_t> Image(const std::vector<uint8_t>& body, bool compress, uint32_t statedSize) {
  DocumentHeader h;
  h.marker = DocumentMarker();
  h.version = 140;
  h.compressed = compress ? 1 : 0;
  std::vector<uint8_t> stored = compress ? Deflate(body) : body;
  h.uncompressedSize = statedSize;
  h.compressedSize = static_cast<uint32_t>(stored.size());
  auto image = Bytes("MZ stub");
  auto raw = h.Serialize();
  image.insert(image.end(), raw->begin(), raw->end());
  image.insert(image.end(), stored.begin(), stored.end());
  return image;
}

TEST(DocumentCounts, ClaimsBeyondTheBytesLeftAreRefusedBeforeReading) {
  struct Case {
    uint32_t entries, assets;
    const char* block;
  } cases[] = {{0x80000000u, 0, "playlist"}, {1, 0x40000000u, "playlist"}};
  for (const Case& c : cases) {
    for (bool compress : {false, true}) {
      // Two megabytes of zeros would be read as that many empty entries if the count were believed.
      auto image = Image(Body(c.entries, c.assets, 2u << 20), compress, 0xFFFFFFFFu);
      MovieDocumentData doc;
      std::string error;
      ReadOptions options;
      options.error = &error;
      EXPECT_FALSE(ReadDocumentFromImage(image.data(), image.size(), &doc, options));
      EXPECT_NE(error.find(std::string("block \"") + c.block + "\""), std::string::npos) << error;
      EXPECT_NE(error.find("more than the document holds"), std::string::npos) << error;
      EXPECT_TRUE(doc.playlist.entries.empty());
    }
  }
}

TEST(DocumentCounts, LengthsBeyondTheBytesLeftAreRefused) {
  VectorSink sink;
  ArchiveWriter ar(sink);
  ar.WriteU32(1);
  ar.WriteU32(0);
  ar.WriteU8(0xFF);
  ar.WriteU16(0xFFFF);
  ar.WriteU32(0x7FFFFFFFu);  // a narrow string of 2 GB
  sink.bytes.resize(sink.bytes.size() + 1000);
  MemorySource source(sink.bytes.data(), sink.bytes.size());
  MovieDocumentData doc;
  std::string error;
  ReadOptions options;
  options.error = &error;
  EXPECT_FALSE(ReadDocumentBody(source, 140, &doc, options));
  EXPECT_NE(error.find("claims 2147483647 bytes"), std::string::npos) << error;
}

TEST(DocumentCounts, ADamagedDocumentSaysWhereItStopped) {
  MemoryProvider provider;
  MovieDocumentData d;
  d.aboutTexts.productName = u"Product";
  VectorSink sink;
  ASSERT_TRUE(WriteDocumentBody(sink, 140, d, provider));
  auto cut = sink.bytes;
  cut.resize(60);
  MemorySource source(cut.data(), cut.size());
  std::string error;
  ReadOptions options;
  options.error = &error;
  MovieDocumentData back;
  EXPECT_FALSE(ReadDocumentBody(source, 140, &back, options));
  EXPECT_NE(error.find("block \"size\" at byte 60: the document ends early"), std::string::npos) << error;

  auto image = Image(sink.bytes, true, static_cast<uint32_t>(sink.bytes.size()));
  image.resize(image.size() - (image.size() - 7 - DocumentHeader::kSize) / 2);
  error.clear();
  EXPECT_FALSE(ReadDocumentFromImage(image.data(), image.size(), &back, options));
  EXPECT_NE(error.find("the compressed stream is damaged"), std::string::npos) << error;
}

}  // namespace
}  // namespace format
