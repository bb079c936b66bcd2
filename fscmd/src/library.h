// The library's shared pieces: the command signature, the command table, the shared state and the system helpers.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "fscmd/command_rules.h"
#include "fscmd/text_rules.h"

namespace fscmd {

// A command reads its argument text, fills the result and returns the code that finishes it (-99 for none).
using CommandFunction = long (*)(const std::wstring& args, CommandResult& result);

struct CommandEntry {
  const wchar_t* exportName;
  CommandFunction function;
};

namespace commands {
#define FSCMD_COMMAND(name) long name(const std::wstring& args, CommandResult& result);
#include "command_list.h"
#undef FSCMD_COMMAND
}  // namespace commands

// The one table of commands, in export order.
std::span<const CommandEntry> CommandTable();
const CommandEntry* FindCommand(const std::wstring& exportName);

// Runs a command for an export: never throws, always answers a text allocated for the caller.
BSTR CallCommand(CommandFunction function, const wchar_t* args) noexcept;
// The answer text alone, for callers inside the library and its tests.
std::wstring RunCommand(CommandFunction function, const std::wstring& args);

// The library's application object: OLE and control hosting, brought up by the first call.
class LibraryApp {
 public:
  void EnsureStarted();
  bool oleReady() const { return oleReady_; }
  bool controlHosting() const { return controlHosting_; }
  const std::wstring& commandLine() const { return commandLine_; }

 private:
  bool started_ = false;
  bool oleReady_ = false;
  bool controlHosting_ = false;
  std::wstring commandLine_;
};
LibraryApp& TheApp();

// One open stream of the runtime library.
class FileSlot {
 public:
  FileSlot() = default;
  FileSlot(const FileSlot&) = delete;
  FileSlot& operator=(const FileSlot&) = delete;
  ~FileSlot() { Close(); }
  void Reset(FILE* stream) {
    Close();
    stream_ = stream;
  }
  void Close() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
  }
  FILE* get() const { return stream_; }

 private:
  FILE* stream_ = nullptr;
};

// The folder listing handed out by FSFileFindFirst and FSFileFindNext.
struct FileSearch {
  std::wstring folder;
  bool ascending = true;
  std::vector<std::wstring> names;
  size_t next = 0;
};

// One icon of the desktop, in the list view's client coordinates.
struct DesktopItem {
  RECT bounds = {};
  RECT icon = {};
  RECT label = {};
  std::wstring text;
};

// The desktop's icons, read from the shell's list view once and then kept.
struct DesktopItemList {
  HWND listView = nullptr;
  std::vector<DesktopItem> items;
  bool loaded = false;

  void FindListView();
  void ReadItems();
};

// Everything the library keeps between calls, from load to unload.
struct SharedState {
  static constexpr int kFileSlots = 10;
  HWND hostWindow = nullptr;
  FileSlot files[kFileSlots];
  FileSearch search;
  DesktopItemList desktop;
  // The hardware information control has been created; until then every hardware command tries again.
  bool hardwareReady = false;
};
SharedState& State();

// System helpers shared by the command families.
std::wstring ExpandPathAliases(const std::wstring& text);
bool IsInsideAuthoringTool();
void EnsureInternetConnection();
HWND HostWindowHandle();
// Sends to a window that may belong to another thread or process (the shell's, a host handed over by the
// movie); false when it did not answer within the bound or has gone. A window of the calling thread is
// called directly, as SendMessage would.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer = nullptr);
// The running program's executable (not the library).
std::wstring ProgramPath();
// The application message box: owned by the host window, captioned with the library's name.
int AfxMessageBox(const std::wstring& text, UINT style, UINT helpId);

}  // namespace fscmd
