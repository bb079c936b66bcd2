#include <gtest/gtest.h>

#include "format/payload.h"
#include "common/unique_name.h"
#include "test_support.h"

using namespace testing_support;

namespace {

format::MovieDocumentData OnePicture(MemoryContent& content, float seconds) {
  format::MovieDocumentData data;
  format::PlaylistEntry e;
  e.sourcePath = u"C:\\author\\still.bmp";
  e.displayTime = seconds;
  e.movie = Embed(content, e.sourcePath, TinyBitmap());
  data.playlist.entries.push_back(e);
  data.window.title = u"Run test";
  return data;
}

class PackedProjector : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first"; }

  int Run(const Bytes& image, const wchar_t* name = L"Packed.exe") {
    std::wstring exe = scratch_ / name;
    if (!WriteFileBytes(exe, image)) return -3;
    projector::CreateFolderPath(temp());
    return RunAndClose(exe, temp());
  }
  std::wstring temp() const { return scratch_ / L"temp"; }

  ScratchFolder scratch_{L"run"};
};

TEST_F(PackedProjector, PlaysAndLeavesNoExtractionFolderBehind) {
  MemoryContent content;
  EXPECT_EQ(Run(PackImage(BuiltStub(), OnePicture(content, 0.3f), content)), 0);
  EXPECT_TRUE(ListFolder(temp()).empty());
}

TEST_F(PackedProjector, ExtractsIntoItsOwnFolderWhileRunning) {
  MemoryContent content;
  for (bool compress : {true, false}) {
    std::wstring exe = scratch_ / (compress ? L"Compressed.exe" : L"Stored.exe");
    ASSERT_TRUE(WriteFileBytes(exe, PackImage(BuiltStub(), OnePicture(content, 3.0f), content, 140, compress)));
    projector::CreateFolderPath(temp());
    HANDLE process = nullptr;
    ASSERT_EQ(RunWithTemp(exe, temp(), 0, &process), 0);
    std::vector<std::wstring> names;
    for (int i = 0; i < 200; ++i) {
      names = ListFolder(temp());
      if (!names.empty() && ListFolder(temp() + L"\\" + names[0]).size() >= 2) break;
      ::Sleep(50);
    }
    // One extraction folder and nothing else: the document is never copied out to be read.
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].substr(names[0].size() - 4), L".tmp");
    // The picture, and the marker that tells later runs whose folder this is.
    auto inside = ListFolder(temp() + L"\\" + names[0]);
    std::erase(inside, std::wstring(L"projector.run"));
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0].substr(inside[0].size() - 4), L".bmp");
    EXPECT_EQ(ReadFileBytes(temp() + L"\\" + names[0] + L"\\" + inside[0]), TinyBitmap());
    HWND window = WaitForProcessWindow(::GetProcessId(process), process, 20000);
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(ListFolder(temp()).empty());
  }
}

TEST_F(PackedProjector, BadDocumentsEndWithExitCodeOne) {
  MemoryContent content;
  Bytes good = PackImage(BuiltStub(), OnePicture(content, 0.2f), content);
  const size_t at = BuiltStub().size();
  std::vector<std::pair<const char*, Bytes>> cases;
  cases.push_back({"no payload", BuiltStub()});
  cases.push_back({"truncated header", Bytes(good.begin(), good.begin() + at + 60)});
  cases.push_back({"truncated body", Bytes(good.begin(), good.end() - 20)});
  Bytes lie = good;
  format::StoreU32(&lie[at + 76], 8);
  cases.push_back({"size that lies", lie});
  Bytes v141 = good;
  format::StoreU32(&v141[at + 68], 141);
  cases.push_back({"version 141", v141});
  Bytes damaged = good;
  for (size_t i = at + 160; i < at + 190 && i < damaged.size(); ++i) damaged[i] ^= 0xA5;
  cases.push_back({"damaged zlib stream", damaged});
  for (auto& [what, image] : cases) {
    EXPECT_EQ(Run(image), 1) << what;
    EXPECT_TRUE(ListFolder(temp()).empty()) << what;
  }
}

TEST_F(PackedProjector, StubHoldsNoJoinedMarker) {
  for (auto marker : {format::DocumentMarker(), format::FsCommandMarker(), format::InstallerMarker(),
                      format::ResourceMarker(), format::ToolPackageMarker()}) {
    format::MarkerSearch search;
    ASSERT_TRUE(search.SetPattern(marker));
    EXPECT_EQ(search.Find(BuiltStub().data(), BuiltStub().size()), nullptr);
  }
}

}  // namespace
