#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "format/payload.h"
#include "shell/movie_document.h"
#include "common/payload.h"
#include "shell/projector_app.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "shell/stale_folder_sweep.h"
#include "stale_folders.h"
#include "test_support.h"

using namespace testing_support;
using projector::MovieDocument;

namespace {

// What a document extracted: the folder's files but the marker naming its owner.
std::vector<std::wstring> ExtractedFiles(const MovieDocument& doc) {
  auto names = ListFolder(doc.ExtractionFolder());
  std::erase(names, std::wstring(L"projector.run"));
  return names;
}

TEST(MovieDocument, TheFolderCarriesAMarkerNamingItAndThisProcess) {
  MovieDocument doc;
  ASSERT_TRUE(doc.ownsExtractionFolder());
  Bytes text = ReadFileBytes(doc.ExtractionFolder() + L"\\projector.run");
  auto marker = shell::ParseOwnerMarker(std::string(text.begin(), text.end()));
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->processId, ::GetCurrentProcessId());
  EXPECT_EQ(marker->processStart, projector::ProcessStartTime(::GetCurrentProcess()));
  const std::wstring& folder = doc.ExtractionFolder();
  EXPECT_EQ(projector::ToWide(marker->folderName), folder.substr(folder.find_last_of(L'\\') + 1));
  // A running owner's folder is never swept, not even by itself.
  projector::RemoveStaleExtractionFolders(L"");
  EXPECT_TRUE(projector::FolderExists(folder));
}

// The application object of this test program; it lets a test choose what the system offers for transparency.
class TestApp : public projector::ProjectorApp {
 public:
  int support = 1;
  int TransparencySupport() override { return support; }
  // The Flash Player check has tests of its own; these tests are about what follows it.
  bool EnsureFlashPlayer() override { return true; }
};
TestApp theApp;

Bytes Stub() { return Bytes(4096, 0x90); }

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 31 + i / 7);
  return b;
}

format::PlaylistEntry Entry(MemoryContent& content, const std::u16string& source, Bytes bytes, float seconds) {
  format::PlaylistEntry e;
  e.sourcePath = source;
  e.displayTime = seconds;
  e.movie = Embed(content, source, std::move(bytes));
  return e;
}

// The image the last document was loaded from, mapped as start-up maps the executable; closed before the next
// file is written.
projector::MappedImage& LoadedImage() {
  static projector::MappedImage image;
  return image;
}

// Writes a file and loads the document it carries.
bool LoadFile(const std::wstring& path, const Bytes& image, MovieDocument* doc) {
  LoadedImage().Close();
  if (!WriteFileBytes(path, image)) return false;
  return LoadedImage().Open(path) != 0 && doc->Load(LoadedImage());
}

// Writes stub + document to a file and loads it into a fresh document.
bool LoadImage(const ScratchFolder& scratch, const Bytes& image, MovieDocument* doc, const wchar_t* name = L"p.exe") {
  return LoadFile(scratch / name, image, doc);
}

TEST(MovieDocument, VersionRulesDecideWhichFieldsAreStored) {
  ScratchFolder scratch(L"ver");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"C:\\movies\\intro.swf", Pattern(100, 1), 2.5f));
  data.window.taskbarCommand = 5;
  data.window.taskbarCommandAtClose = 6;
  data.size.useWorkArea = 0;
  data.about.noAbout = 0;
  data.about.webExtra = u"extra";
  data.window.title = u"Title";

  MovieDocument v140;
  ASSERT_TRUE(LoadImage(scratch, PackImage(Stub(), data, content, 140), &v140, L"a.exe"));
  EXPECT_EQ(v140.formatVersion(), 140u);
  EXPECT_EQ(v140.data().window.taskbarCommand, 5u);
  EXPECT_EQ(v140.data().window.taskbarCommandAtClose, 6u);
  EXPECT_EQ(v140.data().size.useWorkArea, 0u);
  EXPECT_EQ(v140.data().about.noAbout, 0u);
  EXPECT_EQ(v140.data().about.webExtra, u"extra");
  EXPECT_EQ(v140.data().window.title, u"Title");

  MovieDocument v100;
  ASSERT_TRUE(LoadImage(scratch, PackImage(Stub(), data, content, 100), &v100, L"b.exe"));
  EXPECT_EQ(v100.formatVersion(), 100u);
  EXPECT_EQ(v100.data().window.taskbarCommand, 0u);
  EXPECT_EQ(v100.data().window.taskbarCommandAtClose, 0u);
  EXPECT_EQ(v100.data().size.useWorkArea, 1u);
  EXPECT_EQ(v100.data().about.noAbout, 1u);
  EXPECT_EQ(v100.data().about.webExtra, u"");
  EXPECT_EQ(v100.data().window.title, u"Title");
  ASSERT_EQ(v100.EntryCount(), 1u);
  EXPECT_FLOAT_EQ(v100.DisplayTime(0), 2.5f);
}

TEST(MovieDocument, EmbeddedFilesExtractUnderNewNamesInTheFolder) {
  ScratchFolder scratch(L"ext");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"D:\\a\\same.swf", Pattern(3000, 2), 1));
  data.playlist.entries.push_back(Entry(content, u"D:\\b\\same.swf", Pattern(5000, 3), 1));
  format::PlaylistEntry none;
  none.sourcePath = u"";
  none.movie.sourcePath = u"";
  data.playlist.entries.push_back(none);

  MovieDocument doc;
  ASSERT_TRUE(doc.ownsExtractionFolder());
  ASSERT_TRUE(LoadImage(scratch, PackImage(Stub(), data, content, 140), &doc));
  ASSERT_EQ(doc.EntryCount(), 3u);
  std::wstring first = doc.ExtractedPath(0), second = doc.ExtractedPath(1);
  EXPECT_NE(first, second);
  for (const auto& path : {first, second}) {
    EXPECT_EQ(path.rfind(doc.ExtractionFolder() + L"\\", 0), 0u) << projector::ToU16(path).size();
    EXPECT_EQ(path.substr(path.size() - 4), L".swf");
  }
  EXPECT_EQ(ReadFileBytes(first), Pattern(3000, 2));
  EXPECT_EQ(ReadFileBytes(second), Pattern(5000, 3));
  EXPECT_EQ(doc.ExtractedPath(2), L"");
  EXPECT_EQ(ExtractedFiles(doc).size(), 2u);
}

TEST(MovieDocument, EmptyPathWithOneByteExtractsNothing) {
  ScratchFolder scratch(L"one");
  MemoryContent content;
  format::MovieDocumentData data;
  format::PlaylistEntry e;
  e.movie.sourcePath = u"";
  e.movie.path = u"zero";
  content.Add(u"zero", Bytes{0});
  e.movie.size = 1;
  data.playlist.entries.push_back(e);
  MovieDocument doc;
  ASSERT_TRUE(LoadImage(scratch, PackImage(Stub(), data, content, 140), &doc));
  EXPECT_EQ(doc.ExtractedPath(0), L"");
  EXPECT_TRUE(ExtractedFiles(doc).empty());
}

// Points the temporary folder at a folder of the test's own while it lives, so that files other tests make
// and remove at the same time do not count.
class PrivateTemporaryFolder {
 public:
  explicit PrivateTemporaryFolder(const std::wstring& folder) : tmp_(Get(L"TMP")), temp_(Get(L"TEMP")) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"TMP", folder.c_str());
    ::SetEnvironmentVariableW(L"TEMP", folder.c_str());
  }
  ~PrivateTemporaryFolder() {
    ::SetEnvironmentVariableW(L"TMP", tmp_.c_str());
    ::SetEnvironmentVariableW(L"TEMP", temp_.c_str());
  }
  PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
  PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

 private:
  static std::wstring Get(const wchar_t* name) {
    wchar_t value[32768] = {};
    DWORD n = ::GetEnvironmentVariableW(name, value, 32768);
    return std::wstring(value, n < 32768 ? n : 0);
  }
  std::wstring tmp_;
  std::wstring temp_;
};

TEST(MovieDocument, UncompressedDocumentIsReadInPlace) {
  ScratchFolder scratch(L"raw");
  PrivateTemporaryFolder temporary(scratch / L"tmp");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"x.bmp", Pattern(700, 9), 1));
  data.window.title = u"in place";
  ASSERT_EQ(projector::TemporaryFolder(), scratch / L"tmp");
  auto before = ListFolder(projector::TemporaryFolder());
  MovieDocument doc;
  ASSERT_TRUE(LoadImage(scratch, PackImage(Stub(), data, content, 140, false), &doc));
  EXPECT_EQ(doc.data().window.title, u"in place");
  EXPECT_EQ(ReadFileBytes(doc.ExtractedPath(0)), Pattern(700, 9));
  auto after = ListFolder(projector::TemporaryFolder());
  // Only the document's own extraction folder is new.
  EXPECT_EQ(after.size(), before.size() + 1);
}

TEST(MovieDocument, DamagedDocumentsFailAndLeaveTheDefaults) {
  ScratchFolder scratch(L"bad");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"x.png", Pattern(20000, 4), 1));
  data.window.title = u"T";
  Bytes good = PackImage(Stub(), data, content, 140);
  const size_t at = Stub().size();

  std::vector<std::pair<const char*, Bytes>> cases;
  cases.push_back({"truncated header", Bytes(good.begin(), good.begin() + at + 100)});
  cases.push_back({"truncated body", Bytes(good.begin(), good.end() - 4000)});
  Bytes v141 = good;
  format::StoreU32(&v141[at + 68], 141);
  cases.push_back({"version 141", v141});
  Bytes small = good;
  format::StoreU32(&small[at + 76], 100);
  cases.push_back({"uncompressed size too small", small});
  Bytes huge = good;
  huge.resize(at + 1024);
  format::StoreU32(&huge[at + 76], 0xFFFFFFFFu);
  cases.push_back({"4 GB in a 1 KB file", huge});
  Bytes damaged = good;
  for (size_t i = at + 400; i < at + 480; ++i) damaged[i] ^= 0x5A;
  cases.push_back({"damaged zlib stream", damaged});

  for (auto& [what, image] : cases) {
    MovieDocument doc;
    EXPECT_FALSE(LoadFile(scratch / L"bad.exe", image, &doc)) << what;
    EXPECT_EQ(doc.EntryCount(), 0u) << what;
    EXPECT_EQ(doc.data().window.title, u"") << what;
  }
}

// A raw body built by hand, for lengths no writer would produce.
Bytes RawDocument(const Bytes& body) {
  format::DocumentHeader header;
  header.marker = format::DocumentMarker();
  header.version = 140;
  header.compressed = 0;
  Bytes image = Stub();
  auto bytes = header.Serialize();
  image.insert(image.end(), bytes->begin(), bytes->end());
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

TEST(MovieDocument, LengthsPastTheEndFailWithoutHugeAllocations) {
  ScratchFolder scratch(L"len");
  // One entry whose source path claims 0x7FFFFFFF wide characters.
  Bytes stringPastEnd = {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0};
  // One entry whose movie content claims 0xFFFFFFFF bytes.
  Bytes countPastEnd = {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0, 0, 0, 0x80, 0x3F,
                        0xFF, 0xFE, 0xFF, 5, 'a', 0, '.', 0, 's', 0, 'w', 0, 'f', 0,
                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  for (const Bytes& body : {stringPastEnd, countPastEnd}) {
    MovieDocument doc;
    EXPECT_FALSE(LoadImage(scratch, RawDocument(body), &doc));
    EXPECT_EQ(doc.EntryCount(), 0u);
    EXPECT_TRUE(ExtractedFiles(doc).empty());
  }
}

TEST(MovieDocument, FolderIsRemovedEvenWhenItIsTheCurrentDirectory) {
  std::wstring folder;
  wchar_t before[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, before);
  {
    MovieDocument doc;
    folder = doc.ExtractionFolder();
    ASSERT_TRUE(projector::FolderExists(folder));
    std::wstring locked = folder + L"\\locked.txt";
    ASSERT_TRUE(WriteFileBytes(locked, Bytes{1, 2}));
    ::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(projector::CreateFolderPath(folder + L"\\sub\\deeper"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\sub\\deeper\\f.bin", Bytes{3}));
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  }
  EXPECT_FALSE(projector::PathExists(folder));
  ::SetCurrentDirectoryW(before);
}

TEST(PayloadExtractor, WritesSafeBlocksOnlyAndHonoursAll) {
  ScratchFolder scratch(L"blk");
  MemoryContent content;
  format::MovieDocumentData data;
  const std::u16string lib = format::FsCommandMarker();
  std::vector<FileBlock> blocks = {
      {lib, u"FirstFSCmd.dll", Pattern(10000, 5), true},
      {lib, u"..\\Escaped.dll", Pattern(100, 6), true},
      {lib, u"C:Drive.dll", Pattern(100, 6), false},
      {lib, u"sub/Slash.dll", Pattern(100, 6), false},
      {lib, u"SecondFSCmd.dll", Pattern(3000, 7), false},
      {format::ResourceMarker(), u"Mardenkit.dll", Pattern(500, 8), true},
  };
  std::wstring path = scratch / L"p.exe";
  ASSERT_TRUE(WriteFileBytes(path, PackImage(Stub(), data, content, 140, true, blocks)));
  projector::MappedImage image;
  ASSERT_NE(image.Open(path), 0u);

  ScratchFolder out(L"out");
  projector::PayloadExtractor extractor(image);
  EXPECT_TRUE(extractor.ExtractBlocks(lib, out.path(), true));
  EXPECT_EQ(ListFolder(out.path()), (std::vector<std::wstring>{L"FirstFSCmd.dll", L"SecondFSCmd.dll"}));
  EXPECT_EQ(ReadFileBytes(out / L"FirstFSCmd.dll"), Pattern(10000, 5));
  EXPECT_EQ(ReadFileBytes(out / L"SecondFSCmd.dll"), Pattern(3000, 7));
  EXPECT_EQ(extractor.lastWritten(), out / L"SecondFSCmd.dll");
  EXPECT_FALSE(projector::PathExists(scratch / L"Escaped.dll"));

  ScratchFolder first(L"first");
  EXPECT_TRUE(extractor.ExtractBlocks(lib, first.path(), false));
  EXPECT_EQ(ListFolder(first.path()), (std::vector<std::wstring>{L"FirstFSCmd.dll"}));

  ScratchFolder none(L"none");
  EXPECT_FALSE(extractor.ExtractBlocks(format::InstallerMarker(), none.path(), false));
  EXPECT_TRUE(ListFolder(none.path()).empty());
}

TEST(PayloadExtractor, AProjectorInsideABlockKeepsItsBlocks) {
  ScratchFolder scratch(L"nest");
  MemoryContent content;
  format::MovieDocumentData data;
  const std::u16string lib = format::FsCommandMarker();
  // Stored as is, the inner projector's markers lie verbatim inside the outer tool package's body.
  Bytes inner = PackImage(Stub(), data, content, 140, false,
                          {{lib, u"InnerFSCmd.dll", Pattern(300, 1), false},
                           {format::InstallerMarker(), u"InnerSetup.exe", Pattern(200, 2), false}});
  Bytes outer = PackImage(Stub(), data, content, 140, false,
                          {{lib, u"VantraFSCmd.dll", Pattern(400, 3), false},
                           {format::ToolPackageMarker(), u"Tools.dat", inner, false},
                           {lib, u"VantraFSCmd.dll.", Pattern(50, 4), false},
                           {lib, u"nul.dll", Pattern(50, 5), false},
                           {format::ResourceMarker(), u"Mardenkit.dll", Pattern(500, 6), false}});
  std::wstring path = scratch / L"p.exe";
  ASSERT_TRUE(WriteFileBytes(path, outer));
  projector::MappedImage image;
  ASSERT_NE(image.Open(path), 0u);
  projector::PayloadExtractor extractor(image);

  ScratchFolder out(L"out");
  EXPECT_TRUE(extractor.ExtractBlocks(lib, out.path(), true));
  // The name with a trailing dot would have overwritten the real library; the device name is not written.
  EXPECT_EQ(ListFolder(out.path()), (std::vector<std::wstring>{L"VantraFSCmd.dll"}));
  EXPECT_EQ(ReadFileBytes(out / L"VantraFSCmd.dll"), Pattern(400, 3));
  EXPECT_FALSE(extractor.ExtractBlocks(format::InstallerMarker(), out.path(), false));
  EXPECT_TRUE(extractor.ExtractBlocks(format::ToolPackageMarker(), out.path(), false));
  EXPECT_EQ(ReadFileBytes(out / L"Tools.dat"), inner);
  EXPECT_TRUE(extractor.ExtractBlocks(format::ResourceMarker(), out.path(), false));
  EXPECT_EQ(ReadFileBytes(out / L"Mardenkit.dll"), Pattern(500, 6));
}

TEST(PayloadExtractor, OnlyTheLowByteOfTheFlagWordCounts) {
  ScratchFolder scratch(L"flag");
  MemoryContent content;
  format::MovieDocumentData data;
  Bytes image = PackImage(Stub(), data, content, 140, true,
                          {{format::ResourceMarker(), u"Mardenkit.dll", Pattern(4000, 1), true}});
  MemoryContent unused;
  format::MarkerSearch search;
  search.SetPattern(format::ResourceMarker());
  const uint8_t* hit = search.Find(image.data(), image.size());
  ASSERT_NE(hit, nullptr);
  size_t at = static_cast<size_t>(hit - image.data());
  format::StoreU32(&image[at + 392], 0x004E4401u);
  std::wstring path = scratch / L"p.exe";
  ASSERT_TRUE(WriteFileBytes(path, image));
  projector::MappedImage mapped;
  ASSERT_NE(mapped.Open(path), 0u);
  projector::PayloadExtractor extractor(mapped);
  ASSERT_TRUE(extractor.ExtractBlocks(format::ResourceMarker(), scratch.path(), false));
  EXPECT_EQ(ReadFileBytes(scratch / L"Mardenkit.dll"), Pattern(4000, 1));

  format::StoreU32(&image[at + 392], 0x004E4400u);
  mapped.Close();
  ASSERT_TRUE(WriteFileBytes(path, image));
  ASSERT_NE(mapped.Open(path), 0u);
  // Read as stored, the zlib stream is shorter than the stored size claims: nothing complete is written.
  EXPECT_FALSE(extractor.ExtractBlocks(format::ResourceMarker(), scratch.path(), false));
  EXPECT_TRUE(ReadFileBytes(scratch / L"Mardenkit.dll").empty());
}

TEST(UniqueNames, ExtensionsAreNormalisedAndNamesDoNotRepeat) {
  ScratchFolder scratch(L"names");
  std::wstring a = projector::MakeUniqueName(scratch.path() + L"\\\\ ", L" swf ");
  EXPECT_EQ(a.rfind(scratch.path() + L"\\", 0), 0u);
  EXPECT_EQ(a.substr(a.size() - 4), L".swf");
  ASSERT_TRUE(WriteFileBytes(a, Bytes{1}));
  std::wstring b = projector::MakeUniqueName(scratch.path(), L"swf");
  EXPECT_NE(a, b);
  std::wstring c = projector::MakeUniqueName(scratch.path(), L"");
  EXPECT_EQ(c.substr(c.size() - 4), L".tmp");
}

// Presses the warning's buttons from another thread while the main thread runs the dialog.
class WarningPresser {
 public:
  WarningPresser(bool tick, bool ok) {
    thread_ = std::thread([=, this] {
      for (int i = 0; i < 500 && !stop_; ++i) {
        HWND box = ::FindWindowW(nullptr, L"Warning");
        if (box && ::IsWindowVisible(box)) {
          wchar_t text[512] = {};
          ::GetDlgItemTextW(box, 1008, text, 512);
          message = text;
          if (tick) ::SendMessageW(::GetDlgItem(box, 1007), BM_CLICK, 0, 0);
          if (ok) {
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          } else {
            ::PostMessageW(box, WM_CLOSE, 0, 0);
          }
          shown = true;
          return;
        }
        ::Sleep(20);
      }
    });
  }
  ~WarningPresser() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<bool> shown{false};
  std::wstring message;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(PlaybackPrerequisites, WarningStoresShowMssgOnlyWhenTickedAndClosedWithOk) {
  ScratchFolder scratch(L"warn");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"movie.SWF", Pattern(64, 1), 1));
  data.window.displayMode = 2;
  std::wstring path = scratch / L"p.exe";
  Bytes packed = PackImage(Stub(), data, content, 140);

  theApp.SetRegistryKey(L"ProjectorShellTests\\BrindleworkProjector");
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ProjectorShellTests");
  theApp.support = 3;

  auto run = [&](bool tick, bool ok, bool expectShown) {
    ASSERT_TRUE(LoadFile(path, packed, &theApp.document()));
    WarningPresser presser(tick, ok);
    EXPECT_FALSE(theApp.CheckPlaybackPrerequisites());
    EXPECT_EQ(presser.shown.load(), expectShown);
    if (expectShown) {
      EXPECT_EQ(presser.message.substr(0, 38), L"In order for Flash transparency to wor");
    }
    EXPECT_EQ(theApp.displayMode(), 0u);
  };
  run(true, false, true);
  EXPECT_EQ(theApp.GetProfileInt(L"WarnDialog", L"ShowMssg", 1), 1u);
  run(false, true, true);
  EXPECT_EQ(theApp.GetProfileInt(L"WarnDialog", L"ShowMssg", 1), 1u);
  run(true, true, true);
  EXPECT_EQ(theApp.GetProfileInt(L"WarnDialog", L"ShowMssg", 1), 0u);
  // Switched off: the next run falls back silently.
  run(false, false, false);

  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ProjectorShellTests");
}

// Loads a transparent-mode document with one entry into the application's document.
void LoadTransparentDocument(const ScratchFolder& scratch, const std::u16string& entry) {
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, entry, Pattern(64, 1), 1));
  data.window.displayMode = 2;
  ASSERT_TRUE(LoadFile(scratch / L"p.exe", PackImage(Stub(), data, content, 140), &theApp.document()));
}

TEST(PlaybackPrerequisites, WithoutMoviesTheStoredModeStays) {
  ScratchFolder scratch(L"nomovie");
  LoadTransparentDocument(scratch, u"picture.png");
  theApp.support = 3;
  EXPECT_FALSE(theApp.CheckPlaybackPrerequisites());
  EXPECT_EQ(theApp.displayMode(), 2u);
}

TEST(PlaybackPrerequisites, TransparentModeWithoutToolControlFallsBackToNormal) {
  ScratchFolder scratch(L"notool");
  LoadTransparentDocument(scratch, u"m.swf");
  theApp.support = 1;
  EXPECT_FALSE(theApp.CheckPlaybackPrerequisites());
  EXPECT_EQ(theApp.displayMode(), 0u);
}

TEST(PlaybackPrerequisites, AToolPackageThatHoldsNoControlFallsBackToNormal) {
  // regsvr32 runs and ends whatever the file is: only a control that can then be created makes the movie
  // transparent, or the player would wait off screen for a popup that never shows anything.
  ScratchFolder scratch(L"badtool");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"m.swf", Pattern(64, 1), 1));
  data.window.displayMode = 2;
  std::vector<FileBlock> blocks = {{format::ToolPackageMarker(), u"Orvatool.ocx", Pattern(2000, 7)}};
  ASSERT_TRUE(LoadFile(scratch / L"p.exe", PackImage(Stub(), data, content, 140, true, blocks), &theApp.document()));
  theApp.support = 1;
  theApp.ToolControlPath.clear();
  EXPECT_FALSE(theApp.CheckPlaybackPrerequisites());
  EXPECT_EQ(theApp.displayMode(), 0u);
  // The package was written under a ".dat" name in the extraction folder; leaving removes it.
  std::wstring written = theApp.ToolControlPath;
  ASSERT_GT(written.size(), 4u);
  EXPECT_EQ(written.substr(written.size() - 4), L".dat");
  EXPECT_EQ(written.rfind(theApp.document().ExtractionFolder(), 0), 0u);
  EXPECT_NE(::GetFileAttributesW(written.c_str()), INVALID_FILE_ATTRIBUTES);
  theApp.ExitInstance();
  EXPECT_EQ(::GetFileAttributesW(written.c_str()), INVALID_FILE_ATTRIBUTES);
  theApp.ToolControlPath.clear();
}

}  // namespace
