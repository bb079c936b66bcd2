#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "format/document.h"
#include "format/payload.h"
#include "pack.h"
#include "swfplayer/asm/movie_builder.h"
#include "text.h"

namespace pack {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// The smallest file the packer takes for a stub: an MZ header pointing at a PE signature.
std::string FakeStub(const std::string& text = "fake stub") {
  std::string stub(0x48, '\0');
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[0x3C] = 0x40;
  stub.replace(0x40, 4, std::string("PE\0\0", 4));
  return stub + text;
}

// A scratch folder with a stub, some content files and block files.
class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("pack_test_" + std::to_string(rd()));
    fs::create_directories(dir_);
    WriteBytes(dir_ / "win32" / "projector.exe", FakeStub());
    WriteBytes(dir_ / "win32" / "InstallFlashPlayer.exe", "installer bytes");
    WriteBytes(dir_ / "content" / "one.swf", "FWS one");
    WriteBytes(dir_ / "content" / "two.png", std::string("\x89PNG\r\n\x1a\n two", 13));
    WriteBytes(dir_ / "content" / "asset.txt", "asset");
    WriteBytes(dir_ / "content" / "empty.bmp", "");
    WriteBytes(dir_ / "content" / "app.ico", "icon");
    WriteBytes(dir_ / "content" / "about.bmp", "BM about");
    WriteBytes(dir_ / "content" / "sound.wav", "RIFF sound");
    WriteBytes(dir_ / "libs" / "VantraFSCmd.dll", "MZ library one");
    WriteBytes(dir_ / "libs" / "OtherFSCmd.dll", "MZ library two");
    WriteBytes(dir_ / "libs" / "Mardenkit.dll", "MZ resources");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path Manifest(const std::string& text, const std::string& name = "m.toml") {
    fs::path p = dir_ / name;
    WriteBytes(p, text);
    return p;
  }

  int BuildExe(const fs::path& manifest, const fs::path& out, std::string* err = nullptr,
               std::optional<uint32_t> version = {}, bool noCompress = false) {
    BuildOptions o;
    o.manifest = manifest;
    o.output = out;
    o.stub = dir_ / "win32" / "projector.exe";
    o.formatVersion = version;
    o.noCompress = noCompress;
    std::ostringstream outText, errText;
    int rc = Build(o, outText, errText);
    if (err) *err = errText.str();
    return rc;
  }

  std::string BuildError(const std::string& manifestText) {
    std::string err;
    EXPECT_EQ(BuildExe(Manifest(manifestText), dir_ / "bad.exe", &err), kExitError) << manifestText;
    EXPECT_FALSE(fs::exists(dir_ / "bad.exe"));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    return err;
  }

  fs::path dir_;
};

const char* kFullManifest = R"(
format_version = 140
playlist_reserved = 3

[[playlist]]
file = "content/one.swf"
file_source_path = 'C:\Authoring\one.swf'
source_path = 'C:\Authoring\one.swf'
display_time = 2.5
options = "opt"

[[playlist.assets]]
name = "asset"
file = "content/asset.txt"

[[playlist.assets]]
name = "linked"
path = 'D:\linked.txt'

[[playlist]]
file = "content/two.png"
display_time = 0.1

[[playlist.assets]]
name = "nothing"
file = "content/empty.bmp"

[about_texts]
product_name = "Product \"quoted\""
notice = "Notice\nline"
version = "1.2"

[size]
mode = 1
width = 640
height = 480
use_work_area = false

[window]
title = "Tïtle"
icon = "content/app.ico"
shape_kind = 2
region = [[0, 0, 100, 50], [10, 50, 90, 80]]
display_mode = 1
background_color = "#102030"
taskbar_command = 3
taskbar_command_at_close = 4

[controls]
right_button_mode = 2

[playlist_options]
loop = true
text_c = "#"
text_d = "D"

[about]
mail_address = "me@example.invalid"
web_extra = "we"
no_about = 0
picture = "content/about.bmp"

[overlay]
position = 4
text = "Overlay"
text_color = 255
font = { face = "Arial", points = 10, weight = 700 }

[quality]
quality = 2

[debug]
show_log = 1

[sound]
play = 1
loop = 1
source_path = 'C:\sound.wav'
file = "content/sound.wav"

[blocks]
fscommand_libraries = ["libs/VantraFSCmd.dll", "libs/OtherFSCmd.dll"]
resource_library = "libs/Mardenkit.dll"
)";

class PackVersions : public PackTest, public ::testing::WithParamInterface<std::tuple<uint32_t, bool>> {};

TEST_P(PackVersions, BuildExtractBuildGivesTheSameExecutable) {
  auto [version, compress] = GetParam();
  fs::path first = dir_ / "first.exe";
  std::string err;
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), first, &err, version, !compress), kExitOk) << err;

  std::ostringstream listing, errText;
  ASSERT_EQ(Inspect(first, listing, errText), kExitOk) << errText.str();
  std::ostringstream extracted;
  ASSERT_EQ(Extract(first, dir_ / "out", extracted, errText), kExitOk) << errText.str();

  fs::path again = dir_ / "again.exe";
  ASSERT_EQ(BuildExe(dir_ / "out" / "manifest.toml", again, &err), kExitOk) << err;
  EXPECT_EQ(ReadBytes(first), ReadBytes(again));

  // What inspect prints builds the same executable too (with the extracted files beside it).
  WriteBytes(dir_ / "out" / "inspect.toml", listing.str());
  ASSERT_EQ(BuildExe(dir_ / "out" / "inspect.toml", again, &err), kExitOk) << err;
  EXPECT_EQ(ReadBytes(first), ReadBytes(again));
}

INSTANTIATE_TEST_SUITE_P(Formats, PackVersions,
                         ::testing::Combine(::testing::Values(100u, 120u, 130u, 140u), ::testing::Bool()));

TEST_F(PackTest, BuiltDocumentHoldsTheManifest) {
  fs::path exe = dir_ / "out.exe";
  std::string err;
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), exe, &err), kExitOk) << err;
  auto image = ReadBytes(exe);
  EXPECT_EQ(std::string(image.begin(), image.begin() + static_cast<long>(FakeStub().size())), FakeStub());
  format::MovieDocumentData d;
  format::DocumentHeader header;
  ASSERT_TRUE(format::ReadDocumentFromImage(image.data(), image.size(), &d, {}, &header));
  EXPECT_EQ(header.version, 140u);
  EXPECT_EQ(header.compressed, 1u);
  ASSERT_EQ(d.playlist.entries.size(), 2u);
  EXPECT_EQ(d.playlist.reserved, 3u);
  const format::PlaylistEntry& e = d.playlist.entries[0];
  EXPECT_EQ(e.movie.sourcePath, u"C:\\Authoring\\one.swf");
  EXPECT_EQ(e.movie.size, 7u);
  EXPECT_EQ(e.displayTime, 2.5f);
  ASSERT_EQ(e.assets.size(), 2u);
  EXPECT_EQ(e.assets[0].file.sourcePath, u"asset.txt");
  EXPECT_EQ(e.assets[1].embedded, 0u);
  EXPECT_EQ(e.assets[1].path, u"D:\\linked.txt");
  EXPECT_EQ(d.playlist.entries[1].sourcePath, u"two.png");
  EXPECT_EQ(d.aboutTexts.productName, u"Product \"quoted\"");
  EXPECT_EQ(d.aboutTexts.notice, u"Notice\nline");
  EXPECT_EQ(d.size.fixedWidth, 640u);
  EXPECT_EQ(d.size.useWorkArea, 0u);
  EXPECT_EQ(d.window.title, u"T\u00EFtle");
  EXPECT_EQ(d.window.backgroundColor, 0x302010u);
  EXPECT_EQ(d.window.customRegion.size(), 32u + 2 * 16u);
  EXPECT_EQ(d.window.taskbarCommandAtClose, 4u);
  EXPECT_EQ(d.control.rightButtonMode, 2u);
  EXPECT_EQ(d.control.escCloses, 1u);  // omitted: the default
  EXPECT_EQ(d.playlistOptions.loop, 1u);
  EXPECT_EQ(d.playlistOptions.keptValue7, 30u);
  EXPECT_EQ(d.about.noAbout, 0u);
  EXPECT_EQ(d.about.mailAddress, u"me@example.invalid");
  EXPECT_EQ(d.overlay.font.size(), 92u);
  EXPECT_EQ(format::LoadU32(d.overlay.font.data()), static_cast<uint32_t>(-13));
  EXPECT_EQ(format::LoadU32(d.overlay.font.data() + 16), 700u);
  EXPECT_EQ(d.quality.quality, 2u);
  EXPECT_EQ(d.debug.showLog, 1u);
  EXPECT_EQ(d.sound.file.sourcePath, u"sound.wav");

  // The blocks follow in the shipped order: libraries, installer (found beside the stub), resources.
  std::vector<std::pair<size_t, std::u16string>> blocks;
  for (const auto& marker : {format::FsCommandMarker(), format::InstallerMarker(), format::ResourceMarker(),
                             format::ToolPackageMarker()}) {
    format::FileBlockScanner scan(image.data(), image.size(), marker);
    for (format::FileBlockView v; scan.Next(&v);) {
      EXPECT_TRUE(v.Extractable());
      blocks.emplace_back(v.offset, v.header.name);
    }
  }
  ASSERT_EQ(blocks.size(), 4u);
  std::sort(blocks.begin(), blocks.end());
  EXPECT_EQ(blocks[0].second, u"VantraFSCmd.dll");
  EXPECT_EQ(blocks[1].second, u"OtherFSCmd.dll");
  EXPECT_EQ(blocks[2].second, u"InstallFlashPlayer.exe");
  EXPECT_EQ(blocks[3].second, u"Mardenkit.dll");
}

TEST_F(PackTest, OlderFormatVersionsDropTheNewerFields) {
  fs::path exe = dir_ / "old.exe";
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), exe, nullptr, 100), kExitOk);
  auto image = ReadBytes(exe);
  format::MovieDocumentData d;
  format::DocumentHeader header;
  ASSERT_TRUE(format::ReadDocumentFromImage(image.data(), image.size(), &d, {}, &header));
  EXPECT_EQ(header.version, 100u);
  EXPECT_EQ(d.window.taskbarCommand, 0u);
  EXPECT_EQ(d.size.useWorkArea, 1u);
  EXPECT_EQ(d.about.noAbout, 1u);
  EXPECT_EQ(d.about.webExtra, u"");
  EXPECT_EQ(d.playlistOptions.keptTextD, u"D");  // written at every version
}

TEST_F(PackTest, ExtractWritesEveryFile) {
  fs::path exe = dir_ / "out.exe";
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), exe), kExitOk);
  std::ostringstream out, err;
  ASSERT_EQ(Extract(exe, dir_ / "x", out, err), kExitOk) << err.str();
  fs::path x = dir_ / "x";
  EXPECT_EQ(ReadBytes(x / "document" / "01-one.swf"), ReadBytes(dir_ / "content" / "one.swf"));
  EXPECT_EQ(ReadBytes(x / "document" / "02-asset.txt"), ReadBytes(dir_ / "content" / "asset.txt"));
  EXPECT_EQ(ReadBytes(x / "document" / "03-two.png"), ReadBytes(dir_ / "content" / "two.png"));
  EXPECT_TRUE(fs::exists(x / "document" / "04-empty.bmp"));
  EXPECT_EQ(fs::file_size(x / "document" / "04-empty.bmp"), 0u);
  EXPECT_EQ(ReadBytes(x / "document" / "05-app.ico"), ReadBytes(dir_ / "content" / "app.ico"));
  EXPECT_EQ(ReadBytes(x / "document" / "07-sound.wav"), ReadBytes(dir_ / "content" / "sound.wav"));
  EXPECT_EQ(ReadBytes(x / "blocks" / "VantraFSCmd.dll"), ReadBytes(dir_ / "libs" / "VantraFSCmd.dll"));
  EXPECT_EQ(ReadBytes(x / "blocks" / "InstallFlashPlayer.exe"), ReadBytes(dir_ / "win32" / "InstallFlashPlayer.exe"));
  EXPECT_EQ(ReadBytes(x / "blocks" / "Mardenkit.dll"), ReadBytes(dir_ / "libs" / "Mardenkit.dll"));
  size_t documentFiles = 0;
  for (auto& e : fs::directory_iterator(x / "document")) documentFiles += e.is_regular_file();
  EXPECT_EQ(documentFiles, 7u);  // no temporary files left
}

TEST_F(PackTest, BadManifestsGetOneLineNamingTheLine) {
  EXPECT_NE(BuildError("[window]\ntitel = \"x\"\n").find("m.toml:2:1: unknown key 'titel' in [window]"),
            std::string::npos);
  EXPECT_NE(BuildError("[size]\nwidth = \"wide\"\n").find("m.toml:2:9: 'size.width' must be an integer"),
            std::string::npos);
  EXPECT_NE(BuildError("[size]\nwidth = -1\n").find("m.toml:2:9: 'size.width' must be between 0 and 4294967295"),
            std::string::npos);
  EXPECT_NE(BuildError("\n[[playlist]]\nfile = \"missing.swf\"\n").find("m.toml:3:8: file not found:"),
            std::string::npos);
  EXPECT_NE(BuildError("[window\ntitle = 1\n").find("m.toml:1:"), std::string::npos);
  EXPECT_NE(BuildError("format_version = 141\n").find("m.toml:1:18: 'format_version' must be between 100 and 140"),
            std::string::npos);
  EXPECT_NE(BuildError("[blocks]\ninstaller = \"nowhere.exe\"\n").find("m.toml:2:13: file not found:"),
            std::string::npos);
  EXPECT_NE(BuildError("[[playlist]]\nfile = \"content/one.swf\"\ndisplay_time = \"long\"\n")
                .find("m.toml:3:16: 'playlist[0].display_time' must be a number"),
            std::string::npos);
  EXPECT_NE(BuildError("[window]\nbackground_color = \"red\"\n").find("must be \"#RRGGBB\""), std::string::npos);
  EXPECT_NE(BuildError("[overlay]\nfont = { face = \"" + std::string(40, 'f') + "\" }\n").find("at most 31"),
            std::string::npos);
  EXPECT_NE(BuildError("[window]\nregion = [[1, 2, 3]]\n").find("m.toml:2:11:"), std::string::npos);
}

// These messages are made from the block's table name and the field's key.
TEST_F(PackTest, FieldMessagesNameTheirTableAndKey) {
  EXPECT_NE(BuildError("[sound]\nembedded = 0\nfile = \"content/sound.wav\"\n")
                .find("m.toml:3:8: 'sound.file' needs 'sound.embedded' other than 0"),
            std::string::npos);
  EXPECT_NE(BuildError("[window]\nregion = []\nregion_data = \"00\"\n")
                .find("m.toml:3:15: give 'region' or 'region_data', not both"),
            std::string::npos);
  EXPECT_NE(BuildError("[window]\nregion_data = \"zz\"\n").find("'window.region_data' must be a string of hex digits"),
            std::string::npos);
  EXPECT_NE(BuildError("[window]\nregion = [[1, 2, 3]]\n").find("each 'window.region' rectangle must be"),
            std::string::npos);
  EXPECT_NE(BuildError("[overlay]\nfont_data = \"x\"\n").find("'overlay.font_data' must be a string of hex digits"),
            std::string::npos);
  EXPECT_NE(BuildError("[overlay]\nfont = { points = -1 }\n").find("'overlay.font.points' must be a size in points"),
            std::string::npos);
  EXPECT_NE(BuildError("[overlay.font]\nbold = 1\n").find("unknown key 'bold' in [overlay.font]"), std::string::npos);
}

TEST_F(PackTest, MissingOrUsedStubsAreRefused) {
  fs::path m = Manifest("");
  BuildOptions o;
  o.manifest = m;
  o.output = dir_ / "o.exe";
  o.selfPath = dir_ / "host" / "projector-pack";  // default stub: host/../win32/projector.exe
  std::ostringstream out, err;
  EXPECT_EQ(Build(o, out, err), kExitOk) << err.str();
  o.selfPath = dir_ / "nowhere" / "deeper" / "projector-pack";
  EXPECT_EQ(Build(o, out, err), kExitError);
  EXPECT_NE(err.str().find("stub not found"), std::string::npos);
  o.stub = dir_ / "o.exe";  // already packed
  o.output = dir_ / "p.exe";
  err.str("");
  EXPECT_EQ(Build(o, out, err), kExitError);
  EXPECT_NE(err.str().find("already carries a payload"), std::string::npos);
  o.stub = dir_ / "win32" / "projector.exe";
  o.output = *o.stub;
  err.str("");
  EXPECT_EQ(Build(o, out, err), kExitError);
  EXPECT_NE(err.str().find("overwrite an input"), std::string::npos);
}

TEST_F(PackTest, LargePayloadsReportProgress) {
  std::mt19937 rng(1);
  std::string big(5u << 20, '\0');
  for (auto& c : big) c = static_cast<char>(rng());
  WriteBytes(dir_ / "content" / "big.swf", big);
  std::string err;
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/big.swf\"\n"), dir_ / "big.exe", &err), kExitOk);
  EXPECT_NE(err.find("packing 100% of 5.0 MB"), std::string::npos) << err;
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/one.swf\"\n"), dir_ / "small.exe", &err), kExitOk);
  EXPECT_EQ(err.find("packing"), std::string::npos) << err;
}

TEST_F(PackTest, CommandLineExitCodes) {
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "projector-pack");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    return RunCommandLine(static_cast<int>(argv.size()), argv.data(), dir_ / "host" / "projector-pack", out, err);
  };
  fs::path m = Manifest("[[playlist]]\nfile = \"content/one.swf\"\n");
  std::string mp = PathToUtf8(m), exe = PathToUtf8(dir_ / "cli.exe");
  EXPECT_EQ(run({}), kExitUsage);
  EXPECT_EQ(run({"frobnicate"}), kExitUsage);
  EXPECT_EQ(run({"build", mp}), kExitUsage);
  EXPECT_EQ(run({"build", mp, "-o", exe, "--format-version", "141"}), kExitUsage);
  EXPECT_EQ(run({"build", mp, "-o", exe, "--format-version", "120", "--no-compress"}), kExitOk);
  EXPECT_EQ(run({"inspect", exe}), kExitOk);
  EXPECT_EQ(run({"inspect", PathToUtf8(dir_ / "win32" / "projector.exe")}), kExitError);
  EXPECT_EQ(run({"inspect", PathToUtf8(dir_ / "nothing.exe")}), kExitError);
  EXPECT_EQ(run({"extract", exe, PathToUtf8(dir_ / "cli")}), kExitOk);
  EXPECT_EQ(run({"--help"}), kExitOk);
  // --arch picks the tree beside the packer's own folder, and its companion files with it.
  EXPECT_EQ(run({"build", mp, "-o", exe, "--arch", "win64"}), kExitError);  // no 64-bit stub yet
  WriteBytes(dir_ / "win64" / "projector.exe", FakeStub("wide stub"));
  WriteBytes(dir_ / "win64" / "InstallFlashPlayer.exe", "64-bit installer bytes");
  EXPECT_EQ(run({"build", mp, "-o", exe, "--arch", "win64", "--no-compress"}), kExitOk);
  auto image = ReadBytes(dir_ / "cli.exe");
  EXPECT_EQ(std::string(image.begin(), image.begin() + static_cast<long>(FakeStub("wide stub").size())),
            FakeStub("wide stub"));
  std::string text(image.begin(), image.end());
  EXPECT_NE(text.find("64-bit installer bytes"), std::string::npos);
  EXPECT_EQ(run({"build", mp, "-o", exe, "--arch", "win16"}), kExitUsage);
  EXPECT_EQ(run({"build", mp, "-o", exe, "--arch", "win64", "--stub", PathToUtf8(dir_ / "win64" / "projector.exe")}),
            kExitUsage);
  // The packer of the 64-bit tree packs the stub beside it.
  BuildOptions o;
  o.manifest = m;
  o.output = dir_ / "beside.exe";
  o.noCompress = true;
  o.selfPath = dir_ / "win64" / "projector-pack.exe";
  std::ostringstream out, err;
  ASSERT_EQ(Build(o, out, err), kExitOk) << err.str();
  image = ReadBytes(dir_ / "beside.exe");
  EXPECT_EQ(std::string(image.begin(), image.begin() + static_cast<long>(FakeStub("wide stub").size())),
            FakeStub("wide stub"));
}

TEST_F(PackTest, InspectRefusesDamagedDocuments) {
  fs::path exe = dir_ / "out.exe";
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), exe), kExitOk);
  auto image = ReadBytes(exe);
  format::StoreU32(image.data() + format::FindDocumentBlock(image.data(), image.size())->offset + 68, 141);
  WriteBytes(dir_ / "new.exe", std::string(image.begin(), image.end()));
  std::ostringstream out, err;
  EXPECT_EQ(Inspect(dir_ / "new.exe", out, err), kExitError);
  EXPECT_NE(err.str().find("141"), std::string::npos) << err.str();
}

TEST_F(PackTest, TheDemoManifestBuilds) {
  const char* source = std::getenv("PROJECTOR_SOURCE_DIR");
  if (source == nullptr) source = SOURCE_ROOT;
  std::string err;
  // The demo's movie is made at demo time; a copy of the folder gets a small one of its own.
  fs::path demo = dir_ / "demo";
  fs::copy(PathFromUtf8(source) / "examples" / "demo", demo, fs::copy_options::recursive);
  fs::create_directories(demo / "generated");
  swfasm::MovieBuilder movie;
  movie.Main().ShowFrame();
  auto swf = movie.Build();
  WriteBytes(demo / "generated" / "orbit.swf", std::string(swf.begin(), swf.end()));
  fs::path exe = dir_ / "Demo.exe";
  ASSERT_EQ(BuildExe(demo / "demo.toml", exe, &err), kExitOk) << err;
  auto image = ReadBytes(exe);
  format::MovieDocumentData d;
  ASSERT_TRUE(format::ReadDocumentFromImage(image.data(), image.size(), &d));
  EXPECT_EQ(d.playlist.entries.size(), 4u);
  EXPECT_EQ(d.playlistOptions.loop, 1u);
  EXPECT_FALSE(d.window.title.empty());
}

TEST_F(PackTest, ValuesTheProjectorWouldMisreadAreRefused) {
  struct Case {
    const char* manifest;
    const char* message;
  } cases[] = {
      {"[window]\nshape_kind = 1\nshape_index = 9\n", "m.toml:3:15: 'window.shape_index' must be 0 to 6"},
      {"[size]\nmode = 9\n", "m.toml:2:8: 'size.mode' must be 0 to 3 (0 movie size"},
      {"[size]\nalignment = 99\n", "'size.alignment' must be 0 to 9"},
      {"[quality]\nquality = 9\n", "'quality.quality' must be 0 to 2"},
      {"[controls]\nleft_button_mode = 4\n", "'controls.left_button_mode' must be 0 to 3"},
      {"[controls]\nright_button_mode = 7\n", "'controls.right_button_mode' must be 0 to 3"},
      {"[overlay]\nposition = 9\n", "'overlay.position' must be 0 to 8"},
      {"[window]\ndisplay_mode = 3\n", "'window.display_mode' must be 0 to 2"},
      {"[window]\nshape_kind = 2\nregion = [[0, 0, 10, 10], [5, 5, 5, 20]]\n",
       "m.toml:3:27: 'window.region' rectangle [5, 5, 5, 20] is empty or inverted"},
      {"[window]\nregion = [[10, 0, 0, 10]]\n", "rectangle [10, 0, 0, 10] is empty or inverted"},
  };
  for (const Case& c : cases) EXPECT_NE(BuildError(c.manifest).find(c.message), std::string::npos) << c.manifest;
  // The second quality block is kept, not read by the player: any value goes.
  std::string err;
  EXPECT_EQ(BuildExe(Manifest("[quality2]\nquality = 9\n"), dir_ / "q.exe", &err), kExitOk) << err;
}

TEST_F(PackTest, WhatTheProjectorWillLackIsSaid) {
  // Beside the stub there is only the installer: no libraries, no resource library.
  std::string err;
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/one.swf\"\n"), dir_ / "bare.exe", &err), kExitOk);
  EXPECT_NE(err.find("warning: no FSCommand library"), std::string::npos) << err;
  EXPECT_NE(err.find("warning: no resource library (Mardenkit.dll"), std::string::npos) << err;
  EXPECT_NE(err.find("menu"), std::string::npos) << err;
  EXPECT_EQ(err.find("installer"), std::string::npos) << err;
  fs::remove(dir_ / "win32" / "InstallFlashPlayer.exe");
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/one.swf\"\n"), dir_ / "bare.exe", &err), kExitOk);
  EXPECT_NE(err.find("warning: no Flash Player installer"), std::string::npos) << err;

  // A field the chosen version cannot store is named; one left at its default is not.
  ASSERT_EQ(BuildExe(Manifest("[window]\ntaskbar_command = 1\ntaskbar_command_at_close = 0\n"), dir_ / "v.exe",
                     &err, 120),
            kExitOk);
  EXPECT_NE(err.find("warning: format version 120 cannot store 'window.taskbar_command' (it needs 130)"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("taskbar_command_at_close"), std::string::npos) << err;
}

TEST_F(PackTest, StubsAndOutputFoldersAreChecked) {
  WriteBytes(dir_ / "notes.txt", "MZ but not an executable");
  BuildOptions o;
  o.manifest = Manifest("");
  o.output = dir_ / "o.exe";
  o.stub = dir_ / "notes.txt";
  std::ostringstream out, err;
  EXPECT_EQ(Build(o, out, err), kExitError);
  EXPECT_NE(err.str().find("not a Windows executable"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(o.output));

  o.stub = dir_ / "win32" / "projector.exe";
  o.output = dir_ / "no" / "such" / "folder" / "o.exe";
  err.str("");
  EXPECT_EQ(Build(o, out, err), kExitError);
  EXPECT_NE(err.str().find("no such folder for the output"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(PackTest, PictureShowsLeaveTheInstallerOut) {
  auto blocksOf = [](const fs::path& exe, const std::u16string& marker) {
    auto image = ReadBytes(exe);
    size_t n = 0;
    format::FileBlockScanner scan(image.data(), image.size(), marker);
    for (format::FileBlockView v; scan.Next(&v);) ++n;
    return n;
  };
  std::string err;
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/two.png\"\n"), dir_ / "pictures.exe", &err), kExitOk);
  EXPECT_EQ(blocksOf(dir_ / "pictures.exe", format::InstallerMarker()), 0u);
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/two.png\"\n[[playlist]]\nfile = \"content/one.swf\"\n"),
                     dir_ / "movie.exe", &err),
            kExitOk);
  EXPECT_EQ(blocksOf(dir_ / "movie.exe", format::InstallerMarker()), 1u);
  // Named in the manifest, it stays.
  ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/two.png\"\n[blocks]\ninstaller = "
                              "\"win32/InstallFlashPlayer.exe\"\n"),
                     dir_ / "named.exe", &err),
            kExitOk);
  EXPECT_EQ(blocksOf(dir_ / "named.exe", format::InstallerMarker()), 1u);
}

TEST_F(PackTest, OnlyTransparentMoviesTakeTheToolPackage) {
  WriteBytes(dir_ / "win32" / "Orvatool.ocx", "MZ tool control");
  auto tools = [&](const std::string& text) {
    std::string err;
    EXPECT_EQ(BuildExe(Manifest(text), dir_ / "t.exe", &err), kExitOk) << err;
    auto image = ReadBytes(dir_ / "t.exe");
    std::vector<std::u16string> names;
    format::FileBlockScanner scan(image.data(), image.size(), format::ToolPackageMarker());
    for (format::FileBlockView v; scan.Next(&v);) names.push_back(v.header.name);
    return names;
  };
  const std::string movie = "[[playlist]]\nfile = \"content/one.swf\"\n";
  const std::string picture = "[[playlist]]\nfile = \"content/two.png\"\n";
  EXPECT_EQ(tools(movie + "[window]\ndisplay_mode = 2\n"), std::vector<std::u16string>{u"Orvatool.ocx"});
  EXPECT_TRUE(tools(movie).empty());
  EXPECT_TRUE(tools(movie + "[window]\ndisplay_mode = 1\n").empty());
  EXPECT_TRUE(tools(picture + "[window]\ndisplay_mode = 2\n").empty());
  // Named in the manifest, it stays.
  EXPECT_EQ(tools(picture + "[blocks]\ntool_package = \"win32/Orvatool.ocx\"\n"),
            std::vector<std::u16string>{u"Orvatool.ocx"});
}

TEST_F(PackTest, AboutTextsBringTheAboutEntry) {
  auto noAbout = [&](const std::string& text, std::string* err) {
    EXPECT_EQ(BuildExe(Manifest(text), dir_ / "about.exe", err), kExitOk) << *err;
    auto image = ReadBytes(dir_ / "about.exe");
    format::MovieDocumentData d;
    EXPECT_TRUE(format::ReadDocumentFromImage(image.data(), image.size(), &d));
    return d.about.noAbout;
  };
  std::string err;
  EXPECT_EQ(noAbout("", &err), 1u);
  EXPECT_EQ(noAbout("[about_texts]\nproduct_name = \"Show\"\n", &err), 0u);
  EXPECT_EQ(err.find("About"), std::string::npos) << err;
  EXPECT_EQ(noAbout("[about_texts]\nproduct_name = \"Show\"\n[about]\nno_about = 1\n", &err), 1u);
  EXPECT_EQ(noAbout("[about]\nweb_address = \"http://example.invalid\"\n[window]\ncaption = 0\n", &err), 0u);
  EXPECT_NE(err.find("the About box cannot be opened"), std::string::npos) << err;
  ASSERT_EQ(BuildExe(Manifest("[about_texts]\nproduct_name = \"Show\"\n"), dir_ / "old.exe", &err, 100), kExitOk);
  EXPECT_NE(err.find("format version 100 cannot store 'about.no_about': the projector offers no About entry"),
            std::string::npos)
      << err;
}

TEST_F(PackTest, AProjectorAsAnAssetKeepsItsBlocksToItself) {
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress);
    fs::path inner = dir_ / "content" / "Inner.exe";
    WriteBytes(dir_ / "inner" / "InnerFSCmd.dll", "MZ inner library");
    WriteBytes(dir_ / "inner" / "InnerSetup.exe", "MZ inner installer");
    std::string err;
    ASSERT_EQ(BuildExe(Manifest("[[playlist]]\nfile = \"content/one.swf\"\n[blocks]\nfscommand_libraries = "
                                "[\"inner/InnerFSCmd.dll\"]\ninstaller = \"inner/InnerSetup.exe\"\n",
                                "inner.toml"),
                       inner, &err, {}, true),
              kExitOk)
        << err;
    // The asset table has to follow its playlist entry, so it goes before [about_texts].
    std::string text = kFullManifest;
    size_t at = text.find("[about_texts]");
    text.insert(at, "[[playlist.assets]]\nname = \"nested\"\nfile = \"content/Inner.exe\"\n\n");
    text += "tool_package = \"content/Inner.exe\"\n";
    fs::path first = dir_ / "outer.exe";
    ASSERT_EQ(BuildExe(Manifest(text, "outer.toml"), first, &err, {}, !compress), kExitOk) << err;

    std::ostringstream listing, errText;
    ASSERT_EQ(Inspect(first, listing, errText), kExitOk) << errText.str();
    EXPECT_EQ(listing.str().find("InnerFSCmd.dll"), std::string::npos) << listing.str();
    EXPECT_EQ(listing.str().find("InnerSetup.exe"), std::string::npos) << listing.str();
    std::ostringstream extracted;
    fs::remove_all(dir_ / "out");
    ASSERT_EQ(Extract(first, dir_ / "out", extracted, errText), kExitOk) << errText.str();
    EXPECT_EQ(ReadBytes(dir_ / "out" / "blocks" / "InstallFlashPlayer.exe"),
              ReadBytes(dir_ / "win32" / "InstallFlashPlayer.exe"));
    EXPECT_EQ(ReadBytes(dir_ / "out" / "blocks" / "Inner.exe"), ReadBytes(inner));
    fs::path again = dir_ / "again.exe";
    ASSERT_EQ(BuildExe(dir_ / "out" / "manifest.toml", again, &err), kExitOk) << err;
    EXPECT_EQ(ReadBytes(first), ReadBytes(again));
  }
}

TEST_F(PackTest, DamagedDocumentsSayWhereTheyStopped) {
  fs::path exe = dir_ / "out.exe";
  std::string err;
  ASSERT_EQ(BuildExe(Manifest(kFullManifest), exe, &err, {}, true), kExitOk) << err;
  auto image = ReadBytes(exe);
  size_t at = format::FindDocumentBlock(image.data(), image.size())->offset + format::DocumentHeader::kSize;
  format::StoreU32(image.data() + at, 0x7FFFFFFFu);  // the play list's count
  WriteBytes(dir_ / "bad.exe", std::string(image.begin(), image.end()));
  std::ostringstream out, errText;
  EXPECT_EQ(Inspect(dir_ / "bad.exe", out, errText), kExitError);
  EXPECT_NE(errText.str().find("is damaged: block \"playlist\" at byte 8: it claims"), std::string::npos)
      << errText.str();
}

TEST(PackerBinary, CarriesNoJoinedMarker) {
  auto image = ReadBytes(PathFromUtf8(PACKER_PATH));
  ASSERT_GT(image.size(), 1000u);
  for (const std::u16string& marker : {format::DocumentMarker(), format::FsCommandMarker(), format::InstallerMarker(),
                                       format::ResourceMarker(), format::ToolPackageMarker()}) {
    std::string narrow(marker.begin(), marker.end());
    format::MarkerSearch wide;
    ASSERT_TRUE(wide.SetPattern(marker));
    EXPECT_EQ(wide.Find(image.data(), image.size()), nullptr) << narrow;
    format::MarkerSearch ascii;
    ASSERT_TRUE(ascii.SetPatternBytes(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size()));
    EXPECT_EQ(ascii.Find(image.data(), image.size()), nullptr) << narrow;
  }
}

}  // namespace
}  // namespace pack
