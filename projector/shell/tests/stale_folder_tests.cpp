// Packed projectors started for real: the extraction folders that killed runs leave behind are swept at the next
// start, and nothing else is.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <functional>
#include <iterator>

#include "common/text.h"
#include "common/unique_name.h"
#include "stale_folder_sweep.h"
#include "stale_folders.h"
#include "test_support.h"

using namespace testing_support;

namespace {

Bytes PackedPicture(float seconds) {
  MemoryContent content;
  format::MovieDocumentData data;
  format::PlaylistEntry e;
  e.sourcePath = u"C:\\author\\still.bmp";
  e.displayTime = seconds;
  e.movie = Embed(content, e.sourcePath, TinyBitmap());
  data.playlist.entries.push_back(e);
  return PackImage(BuiltStub(), data, content);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Text(const std::wstring& path) {
  Bytes b = ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

void WriteText(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(WriteFileBytes(path, Bytes(text.begin(), text.end()))) << "cannot write the test's own file";
}

// A marker naming a folder and this test process; `startOffset` other than 0 makes it a process that is gone
// (its id now belongs to another one).
std::string MarkerFor(const std::wstring& folderName, uint64_t startOffset) {
  shell::OwnerMarker m;
  m.folderName = projector::ToU16(folderName);
  m.processId = ::GetCurrentProcessId();
  m.processStart = projector::ProcessStartTime(::GetCurrentProcess()) + startOffset;
  return shell::FormatOwnerMarker(m);
}

// A junction (a mount point reparse point) at `link` to the folder `target`.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE dir = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  std::wstring substitute = L"\\??\\" + target;
  const size_t subBytes = substitute.size() * 2, printBytes = target.size() * 2;
  // The mount point layout: tag, length, reserved, four name offsets and lengths, then both names with NULs.
  std::vector<uint8_t> buffer(8 + 8 + subBytes + 2 + printBytes + 2);
  auto put16 = [&](size_t at, size_t v) {
    buffer[at] = static_cast<uint8_t>(v);
    buffer[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  const DWORD kMountPoint = 0xA0000003;
  std::memcpy(buffer.data(), &kMountPoint, 4);
  put16(4, buffer.size() - 8);
  put16(8, 0);
  put16(10, subBytes);
  put16(12, subBytes + 2);
  put16(14, printBytes);
  std::memcpy(buffer.data() + 16, substitute.data(), subBytes);
  std::memcpy(buffer.data() + 16 + subBytes + 2, target.data(), printBytes);
  DWORD returned = 0;
  BOOL ok = ::DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                              0, &returned, nullptr);
  ::CloseHandle(dir);
  if (!ok) ::RemoveDirectoryW(link.c_str());
  return ok != FALSE;
}

// A link to a folder the way this system allows: a junction, else a directory symbolic link.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  if (MakeJunction(link, target)) return true;
  const DWORD kDirectory = 0x1, kUnprivileged = 0x2;
  return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), kDirectory | kUnprivileged) ||
         ::CreateSymbolicLinkW(link.c_str(), target.c_str(), kDirectory);
}

class StaleFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first";
    ASSERT_TRUE(projector::CreateFolderPath(temp()));
  }
  std::wstring temp() const { return scratch_ / L"temp"; }
  std::wstring Write(const wchar_t* name, float seconds) {
    std::wstring exe = scratch_ / name;
    EXPECT_TRUE(WriteFileBytes(exe, PackedPicture(seconds)));
    return exe;
  }
  // Starts a projector and waits until its window shows, by then its folder is complete.
  HANDLE Start(const std::wstring& exe, HWND* window) {
    HANDLE process = nullptr;
    if (RunWithTemp(exe, temp(), 0, &process) != 0 || !process) return nullptr;
    *window = WaitForProcessWindow(::GetProcessId(process), process, 20000);
    return process;
  }
  static DWORD Close(HANDLE process, HWND window) {
    ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    DWORD code = 99;
    if (::WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return code;
  }
  // The extraction folders in the temporary folder.
  std::vector<std::wstring> Folders() const {
    std::vector<std::wstring> out;
    for (const auto& name : ListFolder(temp()))
      if (shell::IsExtractionFolderName(projector::ToU16(name))) out.push_back(name);
    return out;
  }

  ScratchFolder scratch_{L"stale"};
};

TEST_F(StaleFolders, AKilledRunsFolderIsRemovedByTheNextStart) {
  std::wstring exe = Write(L"Killed.exe", 30.0f);
  HWND window = nullptr;
  HANDLE process = Start(exe, &window);
  ASSERT_NE(process, nullptr);
  ASSERT_NE(window, nullptr);
  auto left = Folders();
  ASSERT_EQ(left.size(), 1u);
  std::wstring folder = temp() + L"\\" + left[0];
  auto marker = shell::ParseOwnerMarker(Text(folder + L"\\projector.run"));
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->processId, ::GetProcessId(process));
  EXPECT_EQ(marker->processStart, projector::ProcessStartTime(process));
  EXPECT_EQ(projector::ToWide(marker->folderName), left[0]);

  ASSERT_TRUE(::TerminateProcess(process, 9));
  ASSERT_EQ(::WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  // The killed process's handle is still held here: a process that ended is gone all the same.
  ASSERT_TRUE(Exists(folder));

  EXPECT_EQ(RunAndClose(Write(L"Next.exe", 30.0f), temp()), 0);
  ::CloseHandle(process);
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(ListFolder(temp()).empty());
}

TEST_F(StaleFolders, TwoRunningProjectorsKeepEachOthersFolders) {
  std::wstring exe = Write(L"Both.exe", 30.0f);
  HWND firstWindow = nullptr, secondWindow = nullptr;
  HANDLE first = Start(exe, &firstWindow);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(firstWindow, nullptr);
  auto before = Folders();
  ASSERT_EQ(before.size(), 1u);
  std::wstring firstFolder = temp() + L"\\" + before[0];
  auto firstFiles = ListFolder(firstFolder);

  HANDLE second = Start(exe, &secondWindow);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(secondWindow, nullptr);
  EXPECT_EQ(Folders().size(), 2u);
  EXPECT_EQ(ListFolder(firstFolder), firstFiles);

  EXPECT_EQ(Close(second, secondWindow), 0u);
  EXPECT_EQ(Folders(), before);
  EXPECT_EQ(ListFolder(firstFolder), firstFiles);
  EXPECT_EQ(Close(first, firstWindow), 0u);
  EXPECT_TRUE(ListFolder(temp()).empty());
}

TEST_F(StaleFolders, OnlyFoldersProvedOursAndAbandonedGo) {
  auto folder = [&](const wchar_t* name) {
    std::wstring path = temp() + L"\\" + name;
    EXPECT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    WriteText(path + L"\\data.txt", "someone else's");
    return path;
  };
  std::wstring noMarker = folder(L"abc123.tmp");
  std::wstring garbled = folder(L"abc124.tmp");
  WriteText(garbled + L"\\projector.run", "Brindlework projector extraction folder\r\nprocess 1\r\n");
  std::wstring copied = folder(L"abc125.tmp");
  WriteText(copied + L"\\projector.run", MarkerFor(L"abc999.tmp", 1));
  std::wstring markerFolder = folder(L"abc126.tmp");
  ASSERT_TRUE(::CreateDirectoryW((markerFolder + L"\\projector.run").c_str(), nullptr));
  std::wstring running = folder(L"abc127.tmp");
  WriteText(running + L"\\projector.run", MarkerFor(L"abc127.tmp", 0));
  std::wstring notOurName = folder(L"abc128.tmp.old");
  WriteText(notOurName + L"\\projector.run", MarkerFor(L"abc128.tmp.old", 1));
  std::wstring padded = folder(L"abc129.tmp");
  WriteText(padded + L"\\projector.run", MarkerFor(L"abc129.tmp", 1) + " ");
  std::wstring abandoned = folder(L"abc12a.tmp");
  WriteText(abandoned + L"\\projector.run", MarkerFor(L"abc12a.tmp", 1));
  ASSERT_TRUE(::SetFileAttributesW((abandoned + L"\\data.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_EQ(RunAndClose(Write(L"Sweep.exe", 30.0f), temp()), 0);
  const std::wstring kept[] = {noMarker, garbled, copied, markerFolder, running, notOurName, padded};
  for (size_t i = 0; i < std::size(kept); ++i) EXPECT_TRUE(Exists(kept[i] + L"\\data.txt")) << "case " << i;
  EXPECT_EQ(Text(running + L"\\projector.run"), MarkerFor(L"abc127.tmp", 0));
  EXPECT_FALSE(Exists(abandoned));
}

TEST_F(StaleFolders, TheFallbackPlacesAreSweptToo) {
  std::wstring exe = Write(L"Places.exe", 30.0f);
  // Beside the program and in the root of C:, where runs put their folders when the temporary folder refuses.
  std::vector<std::wstring> planted;
  for (const std::wstring& place : {scratch_.path(), std::wstring(L"C:")}) {
    wchar_t name[32];
    std::swprintf(name, 32, L"%lx.tmp", static_cast<unsigned long>(0xabc000 + ::GetCurrentProcessId() % 0xfff));
    std::wstring folder = place + L"\\" + name;
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    WriteText(folder + L"\\projector.run", MarkerFor(name, 1));
    WriteText(folder + L"\\left.bmp", "left behind");
    planted.push_back(folder);
  }
  EXPECT_EQ(RunAndClose(exe, temp()), 0);
  for (const auto& folder : planted) {
    EXPECT_FALSE(Exists(folder));
    projector::DeleteFolderTree(folder);
  }
}

// An abandoned folder holding a link that leads out of the temporary folder, and a link beside it that looks like
// one of ours; `makeLinks` makes both, or they are there already.
void SweepsPastLinks(const std::wstring& temp, const std::wstring& outside, const std::wstring& exe,
                     const std::function<bool(const std::wstring& link)>& makeLinks) {
  projector::CreateFolderPath(outside + L"\\inner");
  WriteText(outside + L"\\precious.txt", "keep me");
  WriteText(outside + L"\\inner\\also.txt", "keep me too");
  // What a walk through the top link would take for ours and sweep.
  WriteText(outside + L"\\projector.run", MarkerFor(L"abc131.tmp", 1));

  std::wstring abandoned = temp + L"\\abc130.tmp";
  projector::CreateFolderPath(abandoned);
  WriteText(abandoned + L"\\projector.run", MarkerFor(L"abc130.tmp", 1));
  WriteText(abandoned + L"\\x.bin", "x");
  if (!makeLinks(abandoned + L"\\link") || !makeLinks(temp + L"\\abc131.tmp") ||
      !Exists(abandoned + L"\\link\\precious.txt") || !Exists(temp + L"\\abc131.tmp\\precious.txt"))
    GTEST_SKIP() << "this system makes no folder links";

  EXPECT_EQ(RunAndClose(exe, temp), 0);
  EXPECT_EQ(Text(outside + L"\\precious.txt"), "keep me");
  EXPECT_EQ(Text(outside + L"\\inner\\also.txt"), "keep me too");
  EXPECT_TRUE(Exists(outside + L"\\projector.run"));
  EXPECT_TRUE(Exists(temp + L"\\abc131.tmp\\precious.txt"));
  // Where the system removes the link by itself, the folder goes with it; where it cannot (a host's symbolic link
  // under Wine), the folder stays whole with its marker for a later run, its link never entered.
  if (Exists(abandoned + L"\\link")) {
    EXPECT_TRUE(Exists(abandoned + L"\\projector.run"));
  } else {
    EXPECT_FALSE(Exists(abandoned));
  }
}

TEST_F(StaleFolders, ALinkOutOfTheTemporaryFolderIsRemovedWithoutTouchingItsTarget) {
  std::wstring outside = scratch_ / L"outside";
  SweepsPastLinks(temp(), outside, Write(L"Links.exe", 30.0f),
                  [&](const std::wstring& link) { return MakeFolderLink(link, outside); });
  ::RemoveDirectoryW((temp() + L"\\abc130.tmp\\link").c_str());
  ::RemoveDirectoryW((temp() + L"\\abc131.tmp").c_str());
}

// stale_links.sh makes the links on the host: PROJECTOR_LINK_TEMP holds abc130.tmp\link and abc131.tmp, both
// leading to PROJECTOR_LINK_OUTSIDE.
TEST_F(StaleFolders, AHostLinkOutOfTheTemporaryFolderIsNeverEntered) {
  const wchar_t* temp = _wgetenv(L"PROJECTOR_LINK_TEMP");
  const wchar_t* outside = _wgetenv(L"PROJECTOR_LINK_OUTSIDE");
  if (!temp || !outside) GTEST_SKIP() << "started without stale_links.sh";
  SweepsPastLinks(temp, outside, Write(L"HostLinks.exe", 30.0f), [](const std::wstring&) { return true; });
}

}  // namespace
