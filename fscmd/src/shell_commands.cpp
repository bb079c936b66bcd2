// Shell and process commands: beeps, message boxes, programs, documents, pages, mail, quitting.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <vector>

#include "library.h"
#include "registry_key.h"

namespace fscmd {

namespace {

long ShellExecuteCode(HINSTANCE result) { return static_cast<long>(reinterpret_cast<intptr_t>(result)); }

// Some shells (Wine's among them) build a handler's command line from its file and parameters in a buffer of
// 1024 characters and overrun it with longer texts, taking the player down; no real path, address or mail link
// comes near this length.
constexpr size_t kLongestShellText = 900;

// ShellExecuteW, or the code of a name too long for the system when the texts would not fit the shell.
long OpenWithShell(HWND window, const wchar_t* verb, const std::wstring& file, const wchar_t* parameters,
                   const wchar_t* folder, int show) {
  if (file.size() + (parameters ? std::wcslen(parameters) : 0) > kLongestShellText)
    return code::FromLastError(ERROR_FILENAME_EXCED_RANGE);
  return ShellExecuteCode(::ShellExecuteW(window, verb, file.c_str(), parameters, folder, show));
}

// The program registered for opening web addresses, when it exists.
std::wstring DefaultBrowser() {
  framework::UniqueRegKey key;
  if (OpenKey(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::wstring command;
  if (!ReadStringValue(key.get(), nullptr, &command) || command.empty()) return {};
  std::wstring browser = BrowserFromOpenCommand(command);
  if (browser.empty() || ::GetFileAttributesW(browser.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return browser;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

namespace commands {

long Beep(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  BeepTone tone = BoundBeep(fields.Number(0, 1000), fields.Number(1, 100));
  ::Beep(tone.frequency, tone.duration);
  return code::kNone;
}

long MessageBox(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  return ::MessageBoxW(HostWindowHandle(), fields[0].c_str(), fields[1].c_str(), static_cast<UINT>(fields.Number(2, 0)));
}

long AfxMessageBox(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  return fscmd::AfxMessageBox(fields[0], static_cast<UINT>(fields.Number(1, 0)), static_cast<UINT>(fields.Number(2, 0)));
}

long Execute(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(fields.Number(0, 0)));
  std::wstring file = ExpandPathAliases(fields[2]);
  std::wstring parameters = ExpandPathAliases(fields[3]);
  std::wstring folder = ExpandPathAliases(fields[4]);
  return OpenWithShell(window, fields[1].c_str(), file, parameters.c_str(), folder.c_str(),
                       static_cast<int>(fields.Number(5, 1)));
}

long Run(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  std::wstring file = ExpandPathAliases(fields[0]);
  std::wstring parameters = ExpandPathAliases(fields[1]);
  return OpenWithShell(HostWindowHandle(), L"open", file, parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

long Exec(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.empty()) return code::kNothingToDo;
  // Web addresses are taken as written: alias expansion would turn their slashes into backslashes.
  bool isWeb = IsWebAddress(fields[0]);
  std::wstring path = isWeb ? fields[0] : ExpandPathAliases(fields[0]);
  bool isPage = IsWebPageName(path);
  if (isPage && isWeb) {
    EnsureInternetConnection();
  } else if (isPage) {
    if (!FileExists(path)) path = OtherPageForm(path);
    if (FileExists(path) && ::PathIsRelativeW(path.c_str())) {
      wchar_t current[260] = {};
      std::wstring folder = ::GetCurrentDirectoryW(259, current) ? current : L".";
      path = TrimTrailingBackslashes(folder) + L"\\" + path;
    }
  }
  if (isPage || isWeb) {
    std::wstring browser = DefaultBrowser();
    if (!browser.empty()) return OpenWithShell(HostWindowHandle(), L"open", browser, path.c_str(), nullptr, SW_SHOWNORMAL);
  }
  return OpenWithShell(HostWindowHandle(), L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

long mailto(const std::wstring& args, CommandResult&) {
  if (IsInsideAuthoringTool()) return code::kNone;
  EnsureInternetConnection();
  return OpenWithShell(nullptr, L"open", L"mailto:" + args, nullptr, nullptr, SW_HIDE);
}

long Quit(const std::wstring&, CommandResult&) {
  HWND host = HostWindowHandle();
  if (!host || IsInsideAuthoringTool()) return code::kNone;
  // A child window (the Flash control itself) would be destroyed inside its own event.
  if (::GetAncestor(host, GA_ROOT) != host || (::GetWindowLongPtrW(host, GWL_STYLE) & WS_CHILD)) return code::kNone;
  // The host may be another program's window, busy or hung; the close goes on reaching it after the bound.
  SendBounded(host, WM_CLOSE, 0, 0);
  return 1;
}

long AppGetCmdLine(const std::wstring&, CommandResult& result) {
  // The library's own application object has no command line, and the projector takes none: the
  // answer stays the empty text rather than exposing the host's raw command line.
  result.SetPrimary(std::wstring());
  return code::kNone;
}

long GetExeDir(const std::wstring&, CommandResult& result) {
  result.SetSeparator(L'|');
  std::wstring folder = TrimTrailingBackslashes(DirectoryPart(ProgramPath())) + L"\\";
  result.SetPrimary(folder);
  result.AddExtra(folder);
  return code::kNone;
}

long HtmlSafe(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  result.SetPrimary(fscmd::HtmlSafe(fields[0]));
  return code::kNone;
}

}  // namespace commands

}  // namespace fscmd
