// Documents encoded here by hand, one field after the other in stream order:
// reading them must put every value into its own field, and the writer must
// give back exactly these bytes. Round trips through our own reader and writer
// cannot see two fields swapped on both sides; these tests can.
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "format/document.h"
#include "test_support.h"

namespace format {
namespace {

using testing::MemoryProvider;
using testing::ExpectSameBlocks;

// Appends archive primitives byte by byte: little-endian integers, strings in
// the wide form (0xFF, 0xFFFE, then a one-byte length and UTF-16 units) and
// byte arrays behind a 16-bit count. Only short strings and arrays are needed.
class Encoder {
 public:
  Encoder& U32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Encoder& Float(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(bits);
  }
  Encoder& Str(std::u16string_view s) {
    EXPECT_LT(s.size(), 0xFFu);
    bytes.insert(bytes.end(), {0xFF, 0xFE, 0xFF, static_cast<uint8_t>(s.size())});
    for (char16_t c : s) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return *this;
  }
  Encoder& Array(const std::vector<uint8_t>& data) {
    EXPECT_LT(data.size(), 0xFFFFu);
    bytes.push_back(static_cast<uint8_t>(data.size() & 0xFF));
    bytes.push_back(static_cast<uint8_t>(data.size() >> 8));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  // An embedded file record: its source path and its content.
  Encoder& File(std::u16string_view sourcePath, std::string_view content) {
    return Str(sourcePath).Array({content.begin(), content.end()});
  }
  // A record without a file: an empty path and one placeholder byte.
  Encoder& NoFile() { return Str(u"").Array({0}); }

  std::vector<uint8_t> bytes;
};

const std::vector<uint8_t> kRegion = {0x20, 0, 0, 0, 1, 0, 0, 0, 0xA1, 0xA2, 0xA3};
const std::vector<uint8_t> kFont = {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC};

// Within a block every value differs from the others and from its default, so
// that a value read into the wrong field shows.
// Text D is written at every version; documents below 120 are also found without it.
std::vector<uint8_t> GoldenBytes(uint32_t version, uint32_t reservedSizeValue = 0, bool textD = true) {
  Encoder e;
  // Playlist: count, reserved, then one entry with an embedded and a linked asset.
  e.U32(1).U32(7);
  e.Str(u"C:\\show\\intro.swf").Float(2.5f).File(u"C:\\show\\intro.swf", "FWS").Str(u"entry options");
  e.U32(2);
  e.Str(u"logo").U32(1).File(u"C:\\show\\logo.png", "PNG");
  e.Str(u"readme").U32(0).Str(u"D:\\readme.txt");
  // About texts.
  e.Str(u"Product").Str(u"second").Str(u"third").Str(u"Notice").Str(u"fifth").Str(u"sixth").Str(u"1.2");
  // Size settings; the second value is reserved, written as 0.
  e.U32(3).U32(reservedSizeValue).U32(201).U32(2).U32(203).U32(204).U32(5).U32(640).U32(480).U32(75);
  e.U32(210).U32(211).U32(212).U32(213);
  if (version >= 140) e.U32(0);
  // Window settings.
  e.Str(u"Title").U32(301).Str(u"window text").File(u"C:\\app.ico", "ICO").U32(2).U32(302).Array(kRegion);
  e.U32(0).U32(306).U32(307).U32(308).U32(303).U32(1).U32(0x00302010).U32(310).U32(311).U32(312);
  if (version >= 130) e.U32(304).U32(305);
  // Control settings.
  e.U32(2).U32(403).U32(401).U32(0).U32(402);
  // Playlist options.
  e.U32(0).U32(1).U32(501).U32(2).U32(502).U32(503).U32(504).Str(u"A").U32(505).Str(u"B").U32(506).Str(u"#");
  if (textD) e.Str(u"D");
  // About settings.
  e.U32(601).U32(602).U32(603).U32(604).U32(605);
  e.Str(u"Web").Str(u"http://example.invalid/").Str(u"Mail").Str(u"me@example.invalid");
  e.U32(606).Str(u"about text");
  if (version >= 101) {
    e.Str(u"web extra").Str(u"mail extra");
    for (uint32_t v = 607; v <= 615; ++v) e.U32(v);
    e.U32(0);
  }
  e.File(u"C:\\about.bmp", "BMa");
  // Overlay settings.
  e.U32(8).U32(2).U32(701).Str(u"overlay").U32(0x0000FF).U32(0x00FF00).Array(kFont).U32(702).Str(u"overlay 2");
  e.NoFile();
  // Quality, second quality and debug settings.
  e.U32(2).U32(801).U32(1).U32(802).U32(1).U32(901);
  // Sound settings: the file follows only when the embedded flag is set.
  if (version >= 130) {
    e.U32(1).U32(1002).U32(1003).Str(u"C:\\music.wav").Str(u"music.wav").File(u"C:\\music.wav", "RIFF");
  } else {
    e.U32(0).U32(1002).U32(1003).Str(u"C:\\music.wav").Str(u"D:\\music.wav");
  }
  return e.bytes;
}

// The same document by field name; what the version does not store keeps its default.
MovieDocumentData GoldenDocument(uint32_t version, MemoryProvider& provider) {
  MovieDocumentData d;
  d.playlist.reserved = 7;
  PlaylistEntry entry;
  entry.sourcePath = u"C:\\show\\intro.swf";
  entry.displayTime = 2.5f;
  entry.movie = provider.Add(u"C:\\show\\intro.swf", testing::Bytes("FWS"));
  entry.options = u"entry options";
  Asset logo;
  logo.name = u"logo";
  logo.embedded = 1;
  logo.file = provider.Add(u"C:\\show\\logo.png", testing::Bytes("PNG"));
  Asset readme;
  readme.name = u"readme";
  readme.embedded = 0;
  readme.path = u"D:\\readme.txt";
  entry.assets = {logo, readme};
  d.playlist.entries = {entry};

  AboutTexts& t = d.aboutTexts;
  t.productName = u"Product";
  t.keptText2 = u"second";
  t.keptText3 = u"third";
  t.notice = u"Notice";
  t.keptText5 = u"fifth";
  t.keptText6 = u"sixth";
  t.version = u"1.2";

  SizeSettings& s = d.size;
  s.sizeMode = 3;
  s.initialState = 201;
  s.scaleFlags = 2;
  s.horizontalPlacement = 203;
  s.verticalPlacement = 204;
  s.alignment = 5;
  s.fixedWidth = 640;
  s.fixedHeight = 480;
  s.percentage = 75;
  s.horizontalOffset = 210;
  s.keptValue12 = 211;
  s.verticalOffsetMovieSize = 212;
  s.verticalOffsetFixedSize = 213;
  if (version >= 140) s.useWorkArea = 0;

  WindowSettings& w = d.window;
  w.title = u"Title";
  w.keptValue1 = 301;
  w.keptText1 = u"window text";
  w.icon = provider.Add(u"C:\\app.ico", testing::Bytes("ICO"));
  w.shapeKind = 2;
  w.shapeIndex = 302;
  w.customRegion = kRegion;
  w.captionStyle = 0;
  w.maximizeBox = 306;
  w.minimizeBox = 307;
  w.systemMenu = 308;
  w.keptValue2 = 303;
  w.displayMode = 1;
  w.backgroundColor = 0x00302010;
  w.showInTaskbar = 310;
  w.trayIcon = 311;
  w.alwaysOnTop = 312;
  if (version >= 130) {
    w.taskbarCommand = 304;
    w.taskbarCommandAtClose = 305;
  }

  ControlSettings& c = d.control;
  c.leftButtonMode = 2;
  c.rightButtonMode = 403;
  c.keyMode = 401;
  c.escCloses = 0;
  c.anyKeyCloses = 402;

  PlaylistOptions& o = d.playlistOptions;
  o.timer = 0;
  o.loop = 1;
  o.keptValue3 = 501;
  o.options = 2;
  o.keptValue5 = 502;
  o.keptValue6 = 503;
  o.keptValue7 = 504;
  o.keptTextA = u"A";
  o.keptValue8 = 505;
  o.keptTextB = u"B";
  o.keptValue9 = 506;
  o.keptTextC = u"#";
  o.keptTextD = u"D";

  AboutSettings& a = d.about;
  a.menuMaximize = 601;
  a.menuMinimize = 602;
  a.menuRestore = 603;
  a.menuAlwaysOnTop = 604;
  a.menuExit = 605;
  a.webLabel = u"Web";
  a.webAddress = u"http://example.invalid/";
  a.mailLabel = u"Mail";
  a.mailAddress = u"me@example.invalid";
  a.keptValue6 = 606;
  a.keptText1 = u"about text";
  if (version >= 101) {
    a.webExtra = u"web extra";
    a.mailExtra = u"mail extra";
    a.menuZoomIn = 607;
    a.menuZoomOut = 608;
    a.menuShowAll = 609;
    a.menuQuality = 610;
    a.menuPlay = 611;
    a.menuLoop = 612;
    a.menuRewind = 613;
    a.menuForward = 614;
    a.menuBack = 615;
    a.noAbout = 0;
  }
  a.picture = provider.Add(u"C:\\about.bmp", testing::Bytes("BMa"));

  OverlaySettings& v = d.overlay;
  v.position = 8;
  v.textAlignment = 2;
  v.keptValue3 = 701;
  v.text = u"overlay";
  v.textColor = 0x0000FF;
  v.textBackgroundColor = 0x00FF00;
  v.font = kFont;
  v.keptValue7 = 702;
  v.keptText2 = u"overlay 2";

  d.quality.quality = 2;
  d.quality.keptValue2 = 801;
  d.quality2.quality = 1;
  d.quality2.keptValue2 = 802;
  d.debug.showLog = 1;
  d.debug.keptValue2 = 901;

  SoundSettings& z = d.sound;
  if (version >= 130) {
    z.embedded = 1;
    z.play = 1002;
    z.loop = 1003;
    z.sourcePath = u"C:\\music.wav";
    z.path = u"music.wav";
    z.file = provider.Add(u"C:\\music.wav", testing::Bytes("RIFF"));
  } else {
    z.embedded = 0;
    z.play = 1002;
    z.loop = 1003;
    z.sourcePath = u"C:\\music.wav";
    z.path = u"D:\\music.wav";
  }
  return d;
}

class GoldenDocuments : public ::testing::TestWithParam<uint32_t> {};

TEST_P(GoldenDocuments, ReadEveryValueIntoItsField) {
  uint32_t version = GetParam();
  MemoryProvider provider;
  MovieDocumentData expected = GoldenDocument(version, provider);
  std::vector<uint8_t> golden = GoldenBytes(version);
  MemorySource source(golden.data(), golden.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(source, version, &back));
  EXPECT_EQ(source.Remaining(), 0u);
  ExpectSameBlocks(back, expected);
}

TEST_P(GoldenDocuments, AreWhatTheWriterProduces) {
  uint32_t version = GetParam();
  MemoryProvider provider;
  MovieDocumentData d = GoldenDocument(version, provider);
  VectorSink sink;
  ASSERT_TRUE(WriteDocumentBody(sink, version, d, provider));
  std::vector<uint8_t> golden = GoldenBytes(version);
  ASSERT_EQ(sink.bytes.size(), golden.size());
  for (size_t k = 0; k < golden.size(); ++k) ASSERT_EQ(sink.bytes[k], golden[k]) << "first difference at byte " << k;
}

INSTANTIATE_TEST_SUITE_P(Formats, GoldenDocuments, ::testing::Values(100u, 130u, 140u));

TEST(GoldenDocuments, TheReservedSizeValueIsReadAndDropped) {
  std::vector<uint8_t> odd = GoldenBytes(140, 0x5A5A5A5A);
  MemorySource source(odd.data(), odd.size());
  MovieDocumentData back;
  ASSERT_TRUE(ReadDocumentBody(source, 140, &back));
  MemoryProvider provider;
  EXPECT_EQ(back.size, GoldenDocument(140, provider).size);
}

// Below 120 the same body is found with text D (as shipped documents carry it) and without it; either reads into
// the same fields, and embedded files are written once whichever reading is taken.
TEST(OldDocuments, AreReadWithAndWithoutTextD) {
  for (uint32_t version : {100u, 101u, 119u}) {
    for (bool textD : {true, false}) {
      MemoryProvider provider;
      MovieDocumentData expected = GoldenDocument(version, provider);
      if (!textD) expected.playlistOptions.keptTextD.clear();
      std::vector<uint8_t> golden = GoldenBytes(version, 0, textD);
      MemorySource source(golden.data(), golden.size());
      testing::MemoryExtraction extraction;
      ReadOptions options;
      options.sink = &extraction;
      size_t progressCalls = 0;
      options.progress = [&](size_t) { ++progressCalls; };
      MovieDocumentData back;
      ASSERT_TRUE(ReadDocumentBody(source, version, &back, options)) << version << " " << textD;
      EXPECT_EQ(back.playlistOptions.keptTextD, expected.playlistOptions.keptTextD) << version << " " << textD;
      EXPECT_EQ(back.about.keptText1, u"about text") << version << " " << textD;
      EXPECT_EQ(back.sound.path, expected.sound.path) << version << " " << textD;
      EXPECT_EQ(extraction.sources.size(), 4u) << version << " " << textD;
      EXPECT_EQ(progressCalls, 3u) << version << " " << textD;
    }
  }
}

// A stored document in an executable is followed by other blocks: its end is where its header says.
std::vector<uint8_t> Image(uint32_t version, const std::vector<uint8_t>& body, bool compress) {
  DocumentHeader header;
  header.marker = DocumentMarker();
  header.version = version;
  header.compressed = compress ? 1 : 0;
  header.uncompressedSize = static_cast<uint32_t>(body.size());
  std::vector<uint8_t> stored = compress ? testing::Deflate(body) : body;
  header.compressedSize = compress ? static_cast<uint32_t>(stored.size()) : 0;
  std::vector<uint8_t> image = testing::Bytes("MZ stub");
  auto raw = header.Serialize();
  EXPECT_TRUE(raw);
  if (raw) image.insert(image.end(), raw->begin(), raw->end());
  image.insert(image.end(), stored.begin(), stored.end());
  std::vector<uint8_t> behind = testing::Bytes("a file block follows the document");
  image.insert(image.end(), behind.begin(), behind.end());
  return image;
}

TEST(OldDocuments, InExecutablesAreReadWithAndWithoutTextD) {
  for (bool compress : {false, true}) {
    for (bool textD : {true, false}) {
      std::vector<uint8_t> image = Image(100, GoldenBytes(100, 0, textD), compress);
      MovieDocumentData back;
      ASSERT_TRUE(ReadDocumentFromImage(image.data(), image.size(), &back)) << compress << textD;
      EXPECT_EQ(back.playlistOptions.keptTextD, textD ? u"D" : u"") << compress << textD;
      EXPECT_EQ(back.playlistOptions.keptTextC, u"#") << compress << textD;
      EXPECT_EQ(back.about.menuMaximize, 601u) << compress << textD;
      EXPECT_EQ(back.sound.path, u"D:\\music.wav") << compress << textD;
    }
  }
}

TEST(OldDocuments, TextDIsWrittenAtEveryVersion) {
  for (uint32_t version : {100u, 119u, 120u, 140u}) {
    MemoryProvider provider;
    MovieDocumentData d = GoldenDocument(version, provider);
    d.playlistOptions.keptTextD = u"written";
    VectorSink sink;
    ASSERT_TRUE(WriteDocumentBody(sink, version, d, provider));
    MemorySource source(sink.bytes.data(), sink.bytes.size());
    MovieDocumentData back;
    ASSERT_TRUE(ReadDocumentBody(source, version, &back)) << version;
    EXPECT_EQ(back.playlistOptions.keptTextD, u"written") << version;
  }
}

}  // namespace
}  // namespace format
