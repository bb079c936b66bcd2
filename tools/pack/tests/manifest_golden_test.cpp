// A manifest written out by hand with every key of the settings blocks, each
// value different from the others in its table: it must read into the fields
// the keys name, and the manifest writer must print exactly this text for that
// document. Round trips through our own reader and writer would not notice two
// keys swapped on both sides.
#include <gtest/gtest.h>

#include <string>

#include "format/document.h"
#include "format/region.h"
#include "manifest.h"

namespace pack {
namespace {

format::MovieDocumentData GoldenDocument() {
  format::MovieDocumentData d;
  d.playlist.reserved = 3;

  format::AboutTexts& t = d.aboutTexts;
  t.productName = u"Product";
  t.keptText2 = u"second";
  t.keptText3 = u"third";
  t.notice = u"Notice";
  t.keptText5 = u"fifth";
  t.keptText6 = u"sixth";
  t.version = u"1.2";

  format::SizeSettings& s = d.size;
  s.sizeMode = 2;
  s.initialState = 101;
  s.scaleFlags = 1;
  s.horizontalPlacement = 103;
  s.verticalPlacement = 104;
  s.alignment = 5;
  s.fixedWidth = 640;
  s.fixedHeight = 480;
  s.percentage = 75;
  s.horizontalOffset = 110;
  s.keptValue12 = 111;
  s.verticalOffsetMovieSize = 112;
  s.verticalOffsetFixedSize = 113;
  s.useWorkArea = 0;

  format::WindowSettings& w = d.window;
  w.title = u"Title";
  w.keptValue1 = 201;
  w.keptText1 = u"window text";
  w.shapeKind = 2;
  w.shapeIndex = 202;
  w.customRegion = format::MakeRegionData({{0, 0, 100, 50}});
  w.captionStyle = 0;
  w.maximizeBox = 206;
  w.minimizeBox = 207;
  w.systemMenu = 208;
  w.keptValue2 = 203;
  w.displayMode = 1;
  w.backgroundColor = 0x00302010;
  w.showInTaskbar = 210;
  w.trayIcon = 211;
  w.alwaysOnTop = 212;
  w.taskbarCommand = 204;
  w.taskbarCommandAtClose = 205;

  format::ControlSettings& c = d.control;
  c.leftButtonMode = 2;
  c.rightButtonMode = 3;
  c.keyMode = 301;
  c.escCloses = 0;
  c.anyKeyCloses = 302;

  format::PlaylistOptions& o = d.playlistOptions;
  o.timer = 0;
  o.loop = 1;
  o.keptValue3 = 401;
  o.options = 2;
  o.keptValue5 = 402;
  o.keptValue6 = 403;
  o.keptValue7 = 404;
  o.keptTextA = u"A";
  o.keptValue8 = 405;
  o.keptTextB = u"B";
  o.keptValue9 = 406;
  o.keptTextC = u"C";
  o.keptTextD = u"D";

  format::AboutSettings& a = d.about;
  a.menuMaximize = 501;
  a.menuMinimize = 502;
  a.menuRestore = 503;
  a.menuAlwaysOnTop = 504;
  a.menuExit = 505;
  a.webLabel = u"Web";
  a.webAddress = u"http://example.invalid/";
  a.mailLabel = u"Mail";
  a.mailAddress = u"me@example.invalid";
  a.keptValue6 = 506;
  a.keptText1 = u"about text";
  a.webExtra = u"web extra";
  a.mailExtra = u"mail extra";
  a.menuZoomIn = 507;
  a.menuZoomOut = 508;
  a.menuShowAll = 509;
  a.menuQuality = 510;
  a.menuPlay = 511;
  a.menuLoop = 512;
  a.menuRewind = 513;
  a.menuForward = 514;
  a.menuBack = 515;
  a.noAbout = 0;

  format::OverlaySettings& v = d.overlay;
  v.position = 8;
  v.textAlignment = 2;
  v.keptValue3 = 601;
  v.text = u"overlay";
  v.textColor = 0x0000FF;
  v.textBackgroundColor = 0x00FF00;
  LogFont font;
  font.faceName = u"Arial";
  font.weight = 700;
  v.font = SerializeLogFont(font);
  v.keptValue7 = 602;
  v.keptText2 = u"overlay 2";

  d.quality.quality = 2;
  d.quality.keptValue2 = 701;
  d.quality2.quality = 1;
  d.quality2.keptValue2 = 702;
  d.debug.showLog = 1;
  d.debug.keptValue2 = 801;

  format::SoundSettings& z = d.sound;
  z.embedded = 0;
  z.play = 902;
  z.loop = 903;
  z.sourcePath = u"C:\\music.wav";
  z.path = u"D:\\music.wav";
  return d;
}

const char* kGoldenManifest = R"(format_version = 140
compress = true
playlist_reserved = 3

[about_texts]
product_name = 'Product'
text2 = 'second'
text3 = 'third'
notice = 'Notice'
text5 = 'fifth'
text6 = 'sixth'
version = '1.2'

[size]
mode = 2
initial_state = 101
flags = 1
horizontal_placement = 103
vertical_placement = 104
alignment = 5
width = 640
height = 480
percentage = 75
horizontal_offset = 110
kept_value = 111
vertical_offset_movie_size = 112
vertical_offset_fixed_size = 113
use_work_area = 0

[window]
title = 'Title'
value1 = 201
text1 = 'window text'
shape_kind = 2
shape_index = 202
region = [[0, 0, 100, 50]]
caption = 0
maximize_box = 206
minimize_box = 207
system_menu = 208
value2 = 203
display_mode = 1
background_color = "#102030"
show_in_taskbar = 210
tray_icon = 211
always_on_top = 212
taskbar_command = 204
taskbar_command_at_close = 205

[controls]
left_button_mode = 2
right_button_mode = 3
key_mode = 301
esc_closes = 0
any_key_closes = 302

[playlist_options]
timer = 0
loop = 1
value3 = 401
options = 2
value5 = 402
value6 = 403
value7 = 404
text_a = 'A'
value8 = 405
text_b = 'B'
value9 = 406
text_c = 'C'
text_d = 'D'

[about]
value1 = 501
value2 = 502
value3 = 503
value4 = 504
value5 = 505
web_label = 'Web'
web_address = 'http://example.invalid/'
mail_label = 'Mail'
mail_address = 'me@example.invalid'
value6 = 506
text1 = 'about text'
web_extra = 'web extra'
mail_extra = 'mail extra'
value7 = 507
value8 = 508
value9 = 509
value10 = 510
value11 = 511
value12 = 512
value13 = 513
value14 = 514
value15 = 515
no_about = 0

[overlay]
position = 8
alignment = 2
value3 = 601
text = 'overlay'
text_color = "#FF0000"
background_color = "#00FF00"
value7 = 602
text2 = 'overlay 2'

[overlay.font]
face = 'Arial'
height = -13
width = 0
escapement = 0
orientation = 0
weight = 700
italic = 0
underline = 0
strikeout = 0
charset = 1
out_precision = 0
clip_precision = 0
quality = 0
pitch_and_family = 0

[quality]
quality = 2
value2 = 701

[quality2]
quality = 1
value2 = 702

[debug]
show_log = 1
value2 = 801

[sound]
embedded = 0
play = 902
loop = 903
source_path = 'C:\music.wav'
path = 'D:\music.wav'

[blocks]
fscommand_libraries = []
search_stub_folder = false
)";

TEST(GoldenManifest, EveryKeyReadsIntoItsField) {
  Manifest m;
  std::string error;
  ASSERT_TRUE(ParseManifest(kGoldenManifest, "golden.toml", &m, &error)) << error;
  format::MovieDocumentData expected = GoldenDocument();
  const format::MovieDocumentData& d = m.document;
  EXPECT_EQ(d.playlist, expected.playlist);
  EXPECT_EQ(d.aboutTexts, expected.aboutTexts);
  EXPECT_EQ(d.size, expected.size);
  EXPECT_EQ(d.window, expected.window);
  EXPECT_EQ(d.control, expected.control);
  EXPECT_EQ(d.playlistOptions, expected.playlistOptions);
  EXPECT_EQ(d.about, expected.about);
  EXPECT_EQ(d.overlay, expected.overlay);
  EXPECT_EQ(d.quality, expected.quality);
  EXPECT_EQ(d.quality2, expected.quality2);
  EXPECT_EQ(d.debug, expected.debug);
  EXPECT_EQ(d.sound, expected.sound);
}

TEST(GoldenManifest, IsWhatTheWriterPrints) {
  EXPECT_EQ(WriteManifest(GoldenDocument(), 140, true, {}), kGoldenManifest);
}

}  // namespace
}  // namespace pack
