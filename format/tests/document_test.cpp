#include <gtest/gtest.h>

#include <vector>

#include "format/container.h"
#include "format/document.h"
#include "format/region.h"
#include "test_support.h"

namespace format {
namespace {

using testing::ExpectSameBlocks;
using testing::Bytes;
using testing::MemoryExtraction;
using testing::MemoryProvider;

// A document in which every field differs from its default.
MovieDocumentData Sample(MemoryProvider& provider) {
  MovieDocumentData d;
  d.playlist.reserved = 7;
  PlaylistEntry e;
  e.sourcePath = u"C:\\movies\\intro.swf";
  e.displayTime = 2.5f;
  e.movie = provider.Add(u"C:\\movies\\intro.swf", Bytes("FWS movie bytes"));
  e.options = u"opt";
  Asset embedded;
  embedded.name = u"logo";
  embedded.embedded = 1;
  embedded.file = provider.Add(u"C:\\movies\\logo.png", Bytes("png"));
  Asset linked;
  linked.name = u"readme";
  linked.embedded = 0;
  linked.path = u"D:\\readme.txt";
  e.assets = {embedded, linked};
  d.playlist.entries.push_back(e);
  PlaylistEntry second;
  second.sourcePath = u"pic.jpg";
  second.displayTime = 0.25f;
  second.movie = provider.Add(u"pic.jpg", Bytes("jpeg"));
  d.playlist.entries.push_back(second);

  d.aboutTexts = {u"Product", u"t2", u"t3", u"Notice", u"t5", u"t6", u"1.0"};
  d.size = {2, 1, 1, 3, 4, 7, 640, 480, 75, 11, 12, 13, 14, 0};
  WindowSettings& w = d.window;
  w.title = u"Title \u00E9";
  w.keptValue1 = 5;
  w.keptText1 = u"text1";
  w.icon = provider.Add(u"C:\\app.ico", Bytes("icon"));
  w.shapeKind = 2;
  w.shapeIndex = 3;
  w.customRegion = MakeRegionData({{0, 0, 10, 10}, {5, 5, 20, 30}});
  w.captionStyle = 0;
  w.maximizeBox = 0;
  w.minimizeBox = 0;
  w.systemMenu = 0;
  w.keptValue2 = 9;
  w.displayMode = 1;
  w.backgroundColor = 0x00123456;
  w.showInTaskbar = 0;
  w.trayIcon = 1;
  w.alwaysOnTop = 1;
  w.taskbarCommand = 4;
  w.taskbarCommandAtClose = 5;
  d.control = {2, 2, 1, 0, 1};
  PlaylistOptions& o = d.playlistOptions;
  o = {0, 1, 3, 2, 5, 6, 31, u"A", 8, u"B", 9, u"#", u"D"};
  AboutSettings& a = d.about;
  a.menuMaximize = 0;
  a.menuMinimize = 2;
  a.menuRestore = 3;
  a.menuAlwaysOnTop = 4;
  a.menuExit = 5;
  a.webLabel = u"Web";
  a.webAddress = u"http://example.invalid/";
  a.mailLabel = u"Mail";
  a.mailAddress = u"me@example.invalid";
  a.keptValue6 = 6;
  a.keptText1 = u"about";
  a.webExtra = u"we";
  a.mailExtra = u"me";
  a.menuZoomIn = 0;
  a.menuZoomOut = 2;
  a.menuShowAll = 0;
  a.menuQuality = 3;
  a.menuPlay = 0;
  a.menuLoop = 4;
  a.menuRewind = 0;
  a.menuForward = 5;
  a.menuBack = 0;
  a.noAbout = 0;
  a.picture = provider.Add(u"C:\\about.bmp", Bytes("BMabout"));
  OverlaySettings& ov = d.overlay;
  ov.position = 8;
  ov.textAlignment = 2;
  ov.keptValue3 = 3;
  ov.text = u"overlay";
  ov.textColor = 0x0000FF;
  ov.textBackgroundColor = 0x00FF00;
  ov.font.assign(92, 0x11);
  ov.keptValue7 = 7;
  ov.keptText2 = u"o2";
  ov.picture = provider.Add(u"C:\\overlay.bmp", Bytes("BMoverlay"));
  d.quality = {2, 0};
  d.quality2 = {1, 5};
  d.debug = {1, 2};
  SoundSettings& s = d.sound;
  s.embedded = 1;
  s.play = 1;
  s.loop = 1;
  s.sourcePath = u"C:\\music.mp3";
  s.path = u"music.mp3";
  s.file = provider.Add(u"C:\\music.mp3", Bytes("ID3 sound"));
  return d;
}

// What a document written at this version reads back as: the fields the
// version does not store keep their defaults.
MovieDocumentData AsStoredAt(MovieDocumentData d, uint32_t version) {
  MovieDocumentData defaults;
  if (version <= 139) d.size.useWorkArea = defaults.size.useWorkArea;
  if (version < 130) {
    d.window.taskbarCommand = defaults.window.taskbarCommand;
    d.window.taskbarCommandAtClose = defaults.window.taskbarCommandAtClose;
  }
  if (version <= 100) {
    d.about.webExtra = defaults.about.webExtra;
    d.about.mailExtra = defaults.about.mailExtra;
    d.about.menuZoomIn = defaults.about.menuZoomIn;
    d.about.menuZoomOut = defaults.about.menuZoomOut;
    d.about.menuShowAll = defaults.about.menuShowAll;
    d.about.menuQuality = defaults.about.menuQuality;
    d.about.menuPlay = defaults.about.menuPlay;
    d.about.menuLoop = defaults.about.menuLoop;
    d.about.menuRewind = defaults.about.menuRewind;
    d.about.menuForward = defaults.about.menuForward;
    d.about.menuBack = defaults.about.menuBack;
    d.about.noAbout = defaults.about.noAbout;
  }
  return d;
}

std::vector<uint8_t> WriteBody(uint32_t version, const MovieDocumentData& d, MemoryProvider& provider) {
  VectorSink sink;
  EXPECT_TRUE(WriteDocumentBody(sink, version, d, provider));
  return sink.bytes;
}

class DocumentVersions : public ::testing::TestWithParam<uint32_t> {};

TEST_P(DocumentVersions, EveryBlockRoundTrips) {
  uint32_t version = GetParam();
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  auto body = WriteBody(version, d, provider);
  MemorySource src(body.data(), body.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(src, version, &back));
  EXPECT_EQ(src.Remaining(), 0u);
  MovieDocumentData expected = AsStoredAt(d, version);
  ExpectSameBlocks(back, expected);
}

TEST_P(DocumentVersions, DefaultsRoundTrip) {
  MemoryProvider provider;
  MovieDocumentData d;
  auto body = WriteBody(GetParam(), d, provider);
  MemorySource src(body.data(), body.size());
  MovieDocumentData back;
  back.window.title = u"overwritten";
  ASSERT_TRUE(ReadDocumentBody(src, GetParam(), &back));
  EXPECT_EQ(back, d);
}

TEST_P(DocumentVersions, EveryTruncationFailsAndResets) {
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  auto body = WriteBody(GetParam(), d, provider);
  for (size_t n = 0; n < body.size(); ++n) {
    MemorySource src(body.data(), n);
    MovieDocumentData back;
    ASSERT_FALSE(ReadDocumentBody(src, GetParam(), &back)) << n;
    ASSERT_EQ(back, MovieDocumentData{}) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DocumentVersions, ::testing::Values(100u, 120u, 130u, 139u, 140u));

TEST(DocumentVersionRules, StoredFieldsDifferByVersion) {
  MemoryProvider provider;
  MovieDocumentData d;
  size_t s100 = WriteBody(100, d, provider).size();
  size_t s101 = WriteBody(101, d, provider).size();
  size_t s120 = WriteBody(120, d, provider).size();
  size_t s130 = WriteBody(130, d, provider).size();
  size_t s140 = WriteBody(140, d, provider).size();
  EXPECT_EQ(s101 - s100, 2 * 4 + 10 * 4u);  // two empty strings, ten values
  EXPECT_EQ(s120, s101);                     // text D is written at every version
  EXPECT_EQ(s130 - s120, 8u);                // two taskbar commands
  EXPECT_EQ(s140 - s130, 4u);                // work-area flag
  VectorSink sink;
  EXPECT_FALSE(WriteDocumentBody(sink, 141, d, provider));
  EXPECT_FALSE(WriteDocumentBody(sink, 99, d, provider));
}

TEST(DocumentVersionRules, Version141IsRefusedBeforeAnythingIsExtracted) {
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  auto body = WriteBody(140, d, provider);
  MemorySource src(body.data(), body.size());
  MemoryExtraction extraction;
  ReadOptions options;
  options.sink = &extraction;
  MovieDocumentData back;
  EXPECT_FALSE(ReadDocumentBody(src, 141, &back, options));
  EXPECT_TRUE(extraction.sources.empty());
}

TEST(DocumentDefaults, MatchTheDocumentedValues) {
  MovieDocumentData d;
  d.size.fixedWidth = 1;
  d.about.noAbout = 0;
  d.Reset();
  EXPECT_EQ(d.size.scaleFlags, 3u);
  EXPECT_EQ(d.size.alignment, 1u);
  EXPECT_EQ(d.size.fixedWidth, 800u);
  EXPECT_EQ(d.size.fixedHeight, 600u);
  EXPECT_EQ(d.size.percentage, 100u);
  EXPECT_EQ(d.size.useWorkArea, 1u);
  EXPECT_EQ(d.window.captionStyle, 1u);
  EXPECT_EQ(d.window.backgroundColor, 0xFFFFFFu);
  EXPECT_EQ(d.window.showInTaskbar, 1u);
  EXPECT_EQ(d.control.rightButtonMode, 1u);
  EXPECT_EQ(d.control.escCloses, 1u);
  EXPECT_EQ(d.playlistOptions.timer, 1u);
  EXPECT_EQ(d.playlistOptions.keptValue7, 30u);
  EXPECT_EQ(d.about.menuMaximize, 1u);
  EXPECT_EQ(d.about.keptValue6, 0u);
  EXPECT_EQ(d.about.noAbout, 1u);
  for (uint32_t v : {d.about.menuZoomIn, d.about.menuZoomOut, d.about.menuShowAll, d.about.menuQuality,
                     d.about.menuPlay, d.about.menuLoop, d.about.menuRewind, d.about.menuForward, d.about.menuBack}) {
    EXPECT_EQ(v, 1u);
  }
  EXPECT_EQ(d.overlay.textBackgroundColor, 0xFFFFFFu);
  EXPECT_EQ(d.quality.keptValue2, 1u);
  EXPECT_EQ(d.quality2.keptValue2, 1u);
  EXPECT_EQ(d.sound.embedded, 1u);
}

TEST(DocumentReading, ExtractsEmbeddedFilesThroughTheSink) {
  MemoryProvider provider;
  MovieDocumentData d;
  PlaylistEntry a;
  a.movie = provider.Add(u"C:\\one\\same.swf", Bytes("first"));
  PlaylistEntry b;
  b.movie = provider.Add(u"C:\\two\\same.swf", Bytes("second"));
  b.assets.resize(2);
  b.assets[0].file = provider.Add(u"C:\\asset.png", Bytes("asset"));
  b.assets[1].file = {};  // an empty path: a placeholder byte, nothing extracted
  d.playlist.entries = {a, b};
  d.sound.embedded = 0;
  d.sound.path = u"kept.wav";
  auto body = WriteBody(140, d, provider);

  MemoryExtraction extraction;
  std::vector<size_t> progress;
  ReadOptions options;
  options.sink = &extraction;
  options.progress = [&](size_t i) { progress.push_back(i); };
  MemorySource src(body.data(), body.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(src, 140, &back, options));
  EXPECT_EQ(progress, (std::vector<size_t>{0, 1, 2, 3}));
  ASSERT_EQ(extraction.files.size(), 3u);
  const EmbeddedFile& first = back.playlist.entries[0].movie;
  const EmbeddedFile& second = back.playlist.entries[1].movie;
  EXPECT_TRUE(first.extracted);
  EXPECT_NE(first.path, second.path);
  EXPECT_EQ(first.sourcePath, u"C:\\one\\same.swf");
  EXPECT_EQ(extraction.files[first.path], Bytes("first"));
  EXPECT_EQ(extraction.files[second.path], Bytes("second"));
  const EmbeddedFile& empty = back.playlist.entries[1].assets[1].file;
  EXPECT_FALSE(empty.extracted);
  EXPECT_TRUE(empty.path.empty());
  EXPECT_EQ(back.sound.EffectivePath(), u"kept.wav");
}

TEST(DocumentReading, AFailedWriteKeepsTheSourcePath) {
  MemoryProvider provider;
  MovieDocumentData d;
  d.window.icon = provider.Add(u"C:\\app.ico", Bytes("icon"));
  d.sound.file = provider.Add(u"C:\\s.wav", Bytes("RIFF"));
  auto body = WriteBody(140, d, provider);
  MemoryExtraction extraction;
  extraction.failWrites = true;
  ReadOptions options;
  options.sink = &extraction;
  MemorySource src(body.data(), body.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(src, 140, &back, options));
  EXPECT_EQ(back.window.icon.path, u"C:\\app.ico");
  EXPECT_FALSE(back.window.icon.extracted);
  EXPECT_EQ(back.sound.EffectivePath(), u"");
  EXPECT_TRUE(extraction.files.empty());
}

TEST(DocumentReading, EmptyContentIsNotExtracted) {
  MemoryProvider provider;
  MovieDocumentData d;
  d.about.picture = provider.Add(u"C:\\empty.bmp", {});
  auto body = WriteBody(140, d, provider);
  MemoryExtraction extraction;
  ReadOptions options;
  options.sink = &extraction;
  MemorySource src(body.data(), body.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(src, 140, &back, options));
  EXPECT_TRUE(extraction.sources.empty());
  EXPECT_EQ(back.about.picture.path, u"C:\\empty.bmp");
}

TEST(DocumentReading, HugeCountsInASmallStreamFail) {
  // A playlist announcing four billion entries and an icon array of 0xFFFFFFFF bytes.
  std::vector<uint8_t> manyEntries = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  manyEntries.resize(1024, 0);
  MemorySource a(manyEntries.data(), manyEntries.size());
  MovieDocumentData back;
  EXPECT_FALSE(ReadDocumentBody(a, 140, &back));

  MemoryProvider provider;
  MovieDocumentData d;
  d.window.icon = provider.Add(u"i.ico", Bytes("x"));
  auto body = WriteBody(140, d, provider);
  // Find the icon's count (u16 1) behind its path and make it the 32-bit maximum.
  std::vector<uint8_t> pathBytes = {0xFF, 0xFE, 0xFF, 5, 'i', 0, '.', 0, 'i', 0, 'c', 0, 'o', 0};
  auto at = std::search(body.begin(), body.end(), pathBytes.begin(), pathBytes.end());
  ASSERT_NE(at, body.end());
  size_t countAt = static_cast<size_t>(at - body.begin()) + pathBytes.size();
  std::vector<uint8_t> bad(body.begin(), body.begin() + static_cast<long>(countAt));
  for (uint8_t b : {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) bad.push_back(b);
  bad.resize(bad.size() + 1000, 0);
  MemorySource src(bad.data(), bad.size());
  EXPECT_FALSE(ReadDocumentBody(src, 140, &back));
}

std::vector<uint8_t> Pack(const MovieDocumentData& d, MemoryProvider& provider, uint32_t version, bool compress) {
  VectorSink out;
  ContainerWriter writer(out);
  auto stub = Bytes("MZ fake stub");
  MemorySource stubSource(stub.data(), stub.size());
  EXPECT_TRUE(writer.WriteStub(stubSource));
  EXPECT_TRUE(writer.WriteDocument(version, d, provider, compress));
  auto lib = Bytes("library");
  MemorySource libSource(lib.data(), lib.size());
  EXPECT_TRUE(writer.WriteFileBlock(FsCommandMarker(), u"VantraFSCmd.dll", libSource, lib.size()));
  return out.bytes;
}

TEST(DocumentImage, ReadsCompressedAndStoredDocuments) {
  for (bool compress : {true, false}) {
    for (uint32_t version : {100u, 140u}) {
      MemoryProvider provider;
      MovieDocumentData d = Sample(provider);
      auto image = Pack(d, provider, version, compress);
      MovieDocumentData back;
      DocumentHeader header;
      ASSERT_TRUE(ReadDocumentFromImage(image.data(), image.size(), &back, {}, &header)) << compress << version;
      EXPECT_EQ(header.version, version);
      EXPECT_EQ(header.compressed, compress ? 1u : 0u);
      EXPECT_EQ(back, AsStoredAt(d, version));

      auto block = FindDocumentBlock(image.data(), image.size());
      ASSERT_TRUE(block);
      EXPECT_EQ(block->offset, 12u);
      FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
      FileBlockView v;
      ASSERT_TRUE(scan.Next(&v));
      EXPECT_TRUE(v.Extractable());
      // The file block follows the document body without a gap.
      uint32_t docBody = compress ? block->header.compressedSize : block->header.uncompressedSize;
      EXPECT_EQ(v.offset, 12 + DocumentHeader::kSize + docBody);
    }
  }
}

TEST(DocumentImage, StoredDocumentsAreReadThroughTheHeader) {
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  auto image = Pack(d, provider, 130, false);
  auto block = FindDocumentBlock(image.data(), image.size());
  ASSERT_TRUE(block);
  MemorySource src(image.data() + block->offset, image.size() - block->offset);
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocument(src, &back));
  EXPECT_EQ(back, AsStoredAt(d, 130));
}

TEST(DocumentImage, WriteDocumentGivesAStoredDocument) {
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  VectorSink sink;
  ASSERT_TRUE(WriteDocument(sink, 120, d, provider));
  auto header = DocumentHeader::Parse(sink.bytes.data(), sink.bytes.size());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->version, 120u);
  EXPECT_EQ(header->compressed, 0u);
  MemorySource src(sink.bytes.data(), sink.bytes.size());
  MovieDocumentData back;
  DocumentHeader read;
  ASSERT_TRUE(ReadDocument(src, &back, {}, &read));
  EXPECT_EQ(read.version, 120u);
  EXPECT_EQ(back, AsStoredAt(d, 120));
  std::vector<uint8_t> image = testing::Bytes("stub");
  image.insert(image.end(), sink.bytes.begin(), sink.bytes.end());
  ASSERT_TRUE(ReadDocumentFromImage(image.data(), image.size(), &back));
  EXPECT_EQ(back, AsStoredAt(d, 120));

  auto wrongMarker = sink.bytes;
  wrongMarker[0] = 'x';
  MemorySource bad(wrongMarker.data(), wrongMarker.size());
  EXPECT_FALSE(ReadDocument(bad, &back));
  EXPECT_FALSE(WriteDocument(sink, 141, d, provider));
}

TEST(DocumentImage, BadImagesFailCleanly) {
  MemoryProvider provider;
  MovieDocumentData d = Sample(provider);
  auto good = Pack(d, provider, 140, true);
  auto block = FindDocumentBlock(good.data(), good.size());
  ASSERT_TRUE(block);
  MovieDocumentData back;

  auto stubOnly = Bytes("MZ fake stub with no payload");
  EXPECT_FALSE(ReadDocumentFromImage(stubOnly.data(), stubOnly.size(), &back));

  auto tooNew = good;
  StoreU32(tooNew.data() + block->offset + 68, 141);
  EXPECT_FALSE(ReadDocumentFromImage(tooNew.data(), tooNew.size(), &back));

  auto lyingSize = good;  // claims less than the stream holds
  StoreU32(lyingSize.data() + block->offset + 76, block->header.uncompressedSize - 1);
  EXPECT_FALSE(ReadDocumentFromImage(lyingSize.data(), lyingSize.size(), &back));

  auto hugeSize = good;  // a 4 GB claim changes nothing: nothing is allocated from it
  StoreU32(hugeSize.data() + block->offset + 76, 0xFFFFFFFF);
  EXPECT_TRUE(ReadDocumentFromImage(hugeSize.data(), hugeSize.size(), &back));
  // Unless the reader is asked to refuse sizes zlib could never reach from the bytes there are.
  ReadOptions strict;
  strict.refuseImpossibleSize = true;
  EXPECT_FALSE(ReadDocumentFromImage(hugeSize.data(), hugeSize.size(), &back, strict));
  EXPECT_TRUE(ReadDocumentFromImage(good.data(), good.size(), &back, strict));

  auto damaged = good;
  for (size_t k = 10; k < 40; ++k) damaged[block->offset + DocumentHeader::kSize + k] ^= 0xA5;
  EXPECT_FALSE(ReadDocumentFromImage(damaged.data(), damaged.size(), &back));

  std::vector<uint8_t> truncatedBody(good.begin(), good.begin() + static_cast<long>(block->offset + 160));
  EXPECT_FALSE(ReadDocumentFromImage(truncatedBody.data(), truncatedBody.size(), &back));

  std::vector<uint8_t> truncatedHeader(good.begin(), good.begin() + static_cast<long>(block->offset + 100));
  EXPECT_FALSE(ReadDocumentFromImage(truncatedHeader.data(), truncatedHeader.size(), &back));

  auto uncompressedFlagLies = good;  // a zlib stream read as if stored
  StoreU32(uncompressedFlagLies.data() + block->offset + 72, 0);
  EXPECT_FALSE(ReadDocumentFromImage(uncompressedFlagLies.data(), uncompressedFlagLies.size(), &back));
  EXPECT_EQ(back, MovieDocumentData{});
}

TEST(Region, RectanglesRoundTripAndEmptyIsAHeader) {
  auto empty = MakeRegionData({});
  EXPECT_EQ(empty.size(), kRegionHeaderSize);
  std::vector<RegionRect> rects;
  EXPECT_TRUE(ParseRegionData(empty, &rects));
  EXPECT_TRUE(rects.empty());
  std::vector<RegionRect> in = {{0, 0, 10, 10}, {-5, 2, 3, 40}};
  auto data = MakeRegionData(in);
  EXPECT_EQ(LoadU32(data.data() + 16), static_cast<uint32_t>(-5));
  EXPECT_EQ(LoadU32(data.data() + 28), 40u);
  EXPECT_TRUE(ParseRegionData(data, &rects));
  EXPECT_EQ(rects, in);
  data.pop_back();
  EXPECT_FALSE(ParseRegionData(data, &rects));
}

}  // namespace
}  // namespace format
