#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "library_access.h"
#include "testing_support/files.h"

namespace fscmd_tests {

using BstrExport = BSTR(__stdcall*)(const wchar_t*);

LoadedLibrary::LoadedLibrary(const std::wstring& copyFolder) {
  std::wstring path = LibraryPath();
  if (!copyFolder.empty()) {
    std::wstring copy = copyFolder + L"\\CopyFSCmd.dll";
    if (!::CopyFileW(path.c_str(), copy.c_str(), FALSE)) return;
    path = copy;
  }
  module_ = ::LoadLibraryW(path.c_str());
}

LoadedLibrary::~LoadedLibrary() {
  if (module_) ::FreeLibrary(module_);
}

std::wstring LoadedLibrary::Call(const char* exportName, const std::wstring& args) const {
  auto function = reinterpret_cast<BstrExport>(reinterpret_cast<void*>(::GetProcAddress(module_, exportName)));
  if (!function) return L"<missing>";
  BSTR answer = function(args.c_str());
  if (!answer) return L"<null>";
  std::wstring text(answer, ::SysStringLen(answer));
  ::SysFreeString(answer);
  return text;
}

const LoadedLibrary& Library() {
  static LoadedLibrary library;
  return library;
}

std::wstring LibraryPath() { return testing_support::BuildTreePath(L"fscmd\\VantraFSCmd.dll"); }
std::wstring ProbePath() { return testing_support::BuildTreePath(L"fscmd\\tests\\fscmd_shell_probe.exe"); }

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full = path;
  return full.substr(0, full.rfind(L'\\'));
}

DialogCloser::DialogCloser(std::wstring caption, int buttonId) : caption_(std::move(caption)), buttonId_(buttonId) {
  // Watches until the test is done with it: a box that comes late on a busy machine still gets closed
  // instead of holding the test until its time runs out.
  watcher_ = std::thread([this] {
    while (!stop_) {
      HWND box = ::FindWindowW(L"#32770", caption_.c_str());
      if (box && ::IsWindowVisible(box)) {
        wchar_t text[2048] = {};
        HWND label = ::GetDlgItem(box, 0xFFFF);
        if (label) ::GetWindowTextW(label, text, 2048);
        text_ = text;
        // Said before the click: the box may close and the test read this before the watcher runs again.
        pressed_ = true;
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId_, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, buttonId_)));
        return;
      }
      ::Sleep(50);
    }
  });
}

DialogCloser::~DialogCloser() {
  stop_ = true;
  watcher_.join();
}

std::string Utf8(const std::wstring& text) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring ReadTextFile(const std::wstring& path) {
  std::vector<uint8_t> bytes = testing_support::ReadFileBytes(path);
  std::string text(bytes.begin(), bytes.end());
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool WriteTextFile(const std::wstring& path, const std::string& bytes) {
  return testing_support::WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

namespace {

TEST(Exports, EveryExportAnswersAFreshTextWithItsSeparator) {
  std::wstring answer = Call("FSHtmlSafe", L"x");
  EXPECT_EQ(answer, L",x");
  EXPECT_EQ(Call("FSAppGetCmdLine", L""), L",");
  EXPECT_EQ(Call("FSBeep", L""), L",-99");
  // Exports are found by their plain names only.
  EXPECT_EQ(Call("FSBeep@4", L""), L"<missing>");
  EXPECT_EQ(Call("_FSBeep@4", L""), L"<missing>");
  EXPECT_EQ(Call("FSMailto", L""), L"<missing>");
}

TEST(Exports, ANullArgumentReadsAsEmpty) {
  ASSERT_TRUE(Library().loaded());
  auto function = reinterpret_cast<BstrExport>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"VantraFSCmd.dll"), "FSHtmlSafe")));
  ASSERT_TRUE(function);
  BSTR answer = function(nullptr);
  ASSERT_TRUE(answer);
  EXPECT_STREQ(answer, L",-101");
  ::SysFreeString(answer);
}

TEST(WindowSetHandle, SetsTheHostWindowOnlyForNonZeroHandles) {
  testing_support::ScratchFolder folder(L"fscmd-host");
  LoadedLibrary fresh(folder.path());
  ASSERT_TRUE(fresh.loaded());
  EXPECT_EQ(fresh.Call("FSQuit", L""), L",-99");

  HWND window = ::CreateWindowExW(0, L"STATIC", L"fscmd host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
  ASSERT_TRUE(window);
  EXPECT_EQ(fresh.Call("FSWindowSetHandle", std::to_wstring(reinterpret_cast<intptr_t>(window))), L",-99");
  EXPECT_EQ(fresh.Call("FSWindowSetHandle", L"0"), L",-99");
  EXPECT_EQ(fresh.Call("FSWindowSetHandle", L""), L",-99");
  // The handle given first is still the host: closing it destroys the window.
  EXPECT_EQ(fresh.Call("FSQuit", L""), L",1");
  EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
}  // namespace fscmd_tests
