// Test access to the built library: calling its exports, closing its message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace fscmd_tests {

// One loaded copy of the library; a fresh copy has fresh shared state.
class LoadedLibrary {
 public:
  // The library of the build tree, or a private copy of it in `copyFolder`.
  explicit LoadedLibrary(const std::wstring& copyFolder = L"");
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // The export's answer; "<missing>" when the export does not exist.
  std::wstring Call(const char* exportName, const std::wstring& args) const;

 private:
  HMODULE module_ = nullptr;
};

// The library shared by most tests.
const LoadedLibrary& Library();
inline std::wstring Call(const char* exportName, const std::wstring& args) { return Library().Call(exportName, args); }

std::wstring LibraryPath();
std::wstring ProbePath();
std::wstring ProgramFolder();

// Presses a button of the first dialog box with the caption that appears within a few seconds.
class DialogCloser {
 public:
  DialogCloser(std::wstring caption, int buttonId);
  ~DialogCloser();
  bool pressed() const { return pressed_; }
  const std::wstring& text() const { return text_; }

 private:
  std::wstring caption_;
  int buttonId_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> pressed_{false};
  std::wstring text_;
  std::thread watcher_;
};

std::string Utf8(const std::wstring& text);
std::wstring ReadTextFile(const std::wstring& path);
bool WriteTextFile(const std::wstring& path, const std::string& bytes);

}  // namespace fscmd_tests
