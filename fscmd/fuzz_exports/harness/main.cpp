// fscmd_fuzz_exports --scratch FOLDER --run FOLDER [--library PATH] [--calls N] [--seed S] [--hang-seconds N]
// Loads the extension library and calls every export N times, in an order and with argument texts drawn from the
// seed, the way the projector calls them; checks every answer, ends a hung call, names the call behind a crash,
// and watches the drive for writes outside the scratch folder. It refuses to run outside a confined prefix
// (scripts/fuzz-exports makes one). Exit code 0: no fault; 1: faults (listed in the run folder's faults.txt);
// 2: not confined or not started; 3: a crash; 4: a hang.
#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "fuzz_exports/answer_check.h"
#include "fuzz_exports/generator.h"
#include "fuzz_exports/shapes.h"
#include "guards.h"
#include "testing_support/database.h"
#include "testing_support/top_windows.h"

namespace fuzz_exports {
namespace {

using ExportFunction = BSTR(__stdcall*)(const wchar_t*);

#define FSCMD_COMMAND(name) "FS" #name,
constexpr const char* kExportNames[] = {
#include "command_list.h"
};
#undef FSCMD_COMMAND

struct Options {
  std::wstring scratch;
  std::wstring run;
  std::wstring library;
  size_t calls = 10000;
  uint64_t seed = 1;
  DWORD hangSeconds = 120;
};

struct ExportUnderTest {
  std::string name;
  ExportFunction function = nullptr;
  ExportShape shape;
  size_t calls = 0;
  double totalMs = 0;
  double maxMs = 0;
  size_t faults = 0;
  long long windowsLeft = 0;  // the change in this process's top-level windows over its calls
};

void Print(const std::string& text) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void AppendFile(const std::wstring& path, const std::string& text) {
  framework::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.rfind(L'\\'));
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Inside the scratch root and at least three folders below its drive's root, so two climbs stay inside.
bool DeepInside(const std::wstring& path, const std::wstring& scratch) {
  std::wstring p = Lower(path);
  std::wstring s = Lower(scratch);
  if (p.compare(0, s.size(), s) != 0 || (p.size() > s.size() && p[s.size()] != L'\\')) return false;
  size_t depth = 0;
  for (size_t i = 3; i < p.size(); ++i)
    if (p[i] == L'\\') ++depth;
  return p.size() > 3 && depth >= 2;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::wstring name = argv[i];
    std::wstring value = argv[i + 1];
    if (name == L"--scratch") options->scratch = value;
    else if (name == L"--run") options->run = value;
    else if (name == L"--library") options->library = value;
    else if (name == L"--calls") options->calls = std::wcstoull(value.c_str(), nullptr, 10);
    else if (name == L"--seed") options->seed = std::wcstoull(value.c_str(), nullptr, 10);
    else if (name == L"--hang-seconds") options->hangSeconds = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
    else return false;
  }
  return argc % 2 == 1 && !options->scratch.empty() && !options->run.empty();
}

// Every path the library can reach on its own, checked before the first call; the first one outside, if any.
std::string ConfinementProblem(const std::wstring& scratch) {
  wchar_t drive[] = L"A:\\";
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (letter == L'C') continue;
    drive[0] = letter;
    if (::GetDriveTypeW(drive) == DRIVE_NO_ROOT_DIR) continue;
    // A drive of the run carries the marker the set-up put into its folder inside the scratch root.
    std::wstring marker = std::wstring(drive) + L".fuzz-drive";
    if (::GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES)
      return "drive " + Utf8(drive) + " is not a folder of the scratch root";
  }
  struct Folder {
    int csidl;
    const char* name;
  };
  const Folder folders[] = {{CSIDL_DESKTOP, "Desktop"},     {CSIDL_PERSONAL, "MyDocuments"},
                            {CSIDL_MYPICTURES, "MyPictures"}, {CSIDL_STARTMENU, "StartMenu"},
                            {CSIDL_PROGRAMS, "Programs"},     {CSIDL_STARTUP, "StartUp"}};
  for (const Folder& folder : folders) {
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, folder.csidl, FALSE) || !DeepInside(path, scratch))
      return std::string("the shell folder ") + folder.name + " is " + Utf8(path);
  }
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring tempFolder = temp;
  while (!tempFolder.empty() && tempFolder.back() == L'\\') tempFolder.pop_back();
  if (!DeepInside(tempFolder, scratch)) return "the temporary folder is " + Utf8(temp);
  if (!DeepInside(ProgramFolder(), scratch)) return "the harness runs from " + Utf8(ProgramFolder());
  wchar_t current[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, current);
  if (!DeepInside(current, scratch)) return "the current folder is " + Utf8(current);
  return {};
}

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

size_t g_trayCommands = 0;

// Stands in for the shell's taskbar, as the probe stands in for programs: it counts the commands it is sent.
LRESULT CALLBACK TrayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) ++g_trayCommands;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeTray() {
  WNDCLASSW trayClass = {};
  trayClass.lpfnWndProc = &TrayProcedure;
  trayClass.hInstance = ::GetModuleHandleW(nullptr);
  trayClass.lpszClassName = L"Shell_TrayWnd";
  ::RegisterClassW(&trayClass);
  return ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1,
                           nullptr, nullptr, trayClass.hInstance, nullptr);
}

// The stand-in must be the taskbar the library finds, ahead of the shell's own.
void KeepTrayFirst(HWND* tray) {
  if (!::IsWindow(*tray)) *tray = MakeTray();
  if (::FindWindowW(L"Shell_TrayWnd", nullptr) != *tray)
    ::SetWindowPos(*tray, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

HWND MakeWindow(const wchar_t* title) {
  return ::CreateWindowExW(0, L"FuzzExportsHost", title, WS_OVERLAPPEDWINDOW, 10, 10, 320, 240, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

std::wstring HandleText(HWND window) { return std::to_wstring(reinterpret_cast<uintptr_t>(window)); }

// The harness's own windows and the system's input window, with room for a few a last call may still show.
constexpr size_t kWindowsAllowed = 16;

size_t OwnTopLevelWindows() { return testing_support::ProcessWindows(::GetCurrentProcessId()).size(); }

// "class xN, ..." of this process's top-level windows: what a run left behind.
std::string OwnWindowClasses() {
  std::map<std::wstring, size_t> classes;
  for (HWND window : testing_support::ProcessWindows(::GetCurrentProcessId()))
    ++classes[testing_support::WindowClass(window)];
  std::string text;
  for (const auto& [name, count] : classes)
    text += (text.empty() ? "" : ", ") + Utf8(name) + " x" + std::to_string(count);
  return text;
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

bool WriteText(const std::wstring& path, const char* text) {
  framework::UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

std::string CallText(uint64_t seed, size_t index, const std::string& name, const std::wstring& args, size_t limit) {
  return "seed " + std::to_string(seed) + " call " + std::to_string(index) + " " + name + " (" +
         std::to_string(args.size()) + " characters) \"" + Printable(args, limit) + "\"";
}

std::wstring CallExport(ExportFunction function, const std::wstring& args, const ExportShape& shape,
                        std::string* problem) {
  BSTR answer = function(args.c_str());
  size_t length = answer ? ::SysStringLen(answer) : 0;
  *problem = AnswerProblem(shape, answer, length);
  std::wstring text = answer ? std::wstring(answer, length) : std::wstring();
  if (answer) ::SysFreeString(answer);
  return text;
}

int Run(const Options& options) {
  std::wstring scratch = options.scratch;
  std::wstring work = scratch + L"\\work\\cwd";
  std::wstring temp = scratch + L"\\temp\\t";
  for (const std::wstring& folder : {scratch + L"\\work", work, scratch + L"\\temp", temp, scratch + L"\\db"})
    ::CreateDirectoryW(folder.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"TMP", temp.c_str());
  ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
  ::SetEnvironmentVariableW(L"FSCMD_PROBE_OUT", (options.run + L"\\probe-starts.txt").c_str());
  ::SetCurrentDirectoryW(work.c_str());
  std::string problem = ConfinementProblem(scratch);
  if (!problem.empty()) {
    Print("fscmd_fuzz_exports: not confined: " + problem + "\n");
    return 2;
  }

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = &HostProcedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FuzzExportsHost";
  ::RegisterClassW(&windowClass);
  HWND host = MakeWindow(L"Fuzz host");
  HWND other = MakeWindow(L"Fuzz other");
  HWND tray = MakeTray();

  std::wstring libraryPath = options.library.empty() ? ProgramFolder() + L"\\VantraFSCmd.dll" : options.library;
  framework::UniqueModule library(::LoadLibraryW(libraryPath.c_str()));
  if (!library || !host || !other) {
    Print("fscmd_fuzz_exports: cannot load " + Utf8(libraryPath) + " or make its windows\n");
    return 2;
  }
  std::vector<ExportUnderTest> exports;
  for (const char* name : kExportNames) {
    ExportUnderTest entry;
    entry.name = name;
    entry.function = reinterpret_cast<ExportFunction>(reinterpret_cast<void*>(::GetProcAddress(library.get(), name)));
    entry.shape = ShapeOf(name);
    if (!entry.function) {
      Print("fscmd_fuzz_exports: the library lacks " + entry.name + "\n");
      return 2;
    }
    exports.push_back(std::move(entry));
  }

  Environment environment;
  environment.writeAnchors = {L"%Temp%",   L"%TempDir%", L"%temp%",    L"%Desktop%", L"%MyDocuments%",
                              L"%MyPictures%", L"%StartMenu%", L"%Programs%", L"%StartUp%", L"%Org%",
                              L".",        L"",          work,        L"\\\\?\\" + work, L"D:\\", L"D:"};
  std::wstring slashed = work;
  for (wchar_t& c : slashed)
    if (c == L'\\') c = L'/';
  environment.writeAnchors.push_back(slashed);
  environment.readAnchors = {L"%WinDir%", L"%SysDir%", L"%System%", L"%ProgramFilesDir%", L"C:\\windows",
                             L"C:\\",     L"C:\\users"};
  environment.probe = scratch + L"\\tools\\probe.exe";
  environment.document = work + L"\\doc.fzd";
  environment.page = work + L"\\page.html";
  environment.connectPrefix = L"DRIVER={SQLite3};Database=" + testing_support::DriverPath(scratch + L"\\db") + L"/";
  environment.hostHandle = HandleText(host);
  environment.otherHandle = HandleText(other);
  environment.registryKey = L"Software\\FuzzExports";
  WriteText(environment.document, "document\r\n");
  WriteText(environment.page, "<html><body>page</body></html>\r\n");
  WriteText(work + L"\\a.txt", "first line\nsecond, with a comma\n\xC3\xA9t\xC3\xA9\n");
  ::CreateDirectoryW((work + L"\\sub").c_str(), nullptr);

  std::wstring faults = options.run + L"\\faults.txt";
  CallRecord record(options.run + L"\\last-call.txt");
  Watchdog watchdog(faults, options.hangSeconds * 1000);
  BoxCloser closer;
  std::wstring scratchRoot = scratch;
  WriteWatcher watcher(scratch.substr(0, 3), {scratchRoot, options.run});
  if (!record.ready()) {
    Print("fscmd_fuzz_exports: cannot write into " + Utf8(options.run) + "\n");
    return 2;
  }

  auto setHost = [&](HWND window) {
    auto setHandle = reinterpret_cast<ExportFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "FSWindowSetHandle")));
    std::string ignored;
    CallExport(setHandle, HandleText(window), ShapeOf("FSWindowSetHandle"), &ignored);
  };
  setHost(host);

  ArgumentGenerator generator(environment, options.seed);
  std::vector<size_t> order = CallOrder(exports.size(), options.calls, options.seed);
  size_t faultCount = 0;
  size_t strayCount = 0;
  size_t hostRemade = 0;
  auto reportStrays = [&] {
    for (const StrayWrite& stray : watcher.Take()) {
      ++strayCount;
      ++faultCount;
      AppendFile(faults, "write outside the scratch folder: " + Utf8(stray.path) + " (change " +
                             std::to_string(stray.action) + ") during or just after call " +
                             std::to_string(stray.call) + "\n");
    }
  };
  // The figures so far: written every tenth of the run, so that a run cut short still has them.
  auto Summary = [&](size_t calls, double seconds) {
    char line[256];
    std::string summary;
    std::snprintf(line, sizeof line,
                  "seed %llu: %zu calls (%zu per export asked, %zu exports) in %.1f s: %.1f calls per second\n",
                  static_cast<unsigned long long>(options.seed), calls, options.calls, exports.size(), seconds,
                  seconds > 0 ? static_cast<double>(calls) / seconds : 0.0);
    summary += line;
    std::snprintf(line, sizeof line,
                  "faults: %zu (writes outside the scratch folder: %zu); dialog boxes closed: %zu; host window made "
                  "again: %zu; taskbar commands: %zu; write watch %s, %zu overflows\n",
                  faultCount, strayCount, closer.closed(), hostRemade, g_trayCommands,
                  watcher.watching() ? "on" : "OFF", watcher.overflows());
    summary += line;
    summary += "windows of the process: " + OwnWindowClasses() + "\n";
    summary += "export                          calls    mean ms     max ms  faults  windows\n";
    for (const ExportUnderTest& entry : exports) {
      std::snprintf(line, sizeof line, "%-30s %6zu %10.3f %10.1f %7zu %+8lld\n", entry.name.c_str(), entry.calls,
                    entry.calls ? entry.totalMs / static_cast<double>(entry.calls) : 0.0, entry.maxMs, entry.faults,
                    entry.windowsLeft);
      summary += line;
    }
    return summary;
  };
  auto started = std::chrono::steady_clock::now();
  for (size_t index = 0; index < order.size(); ++index) {
    ExportUnderTest& entry = exports[order[index]];
    KeepTrayFirst(&tray);
    std::wstring args = generator.Next(entry.shape);
    std::string call = CallText(options.seed, index, entry.name, args, static_cast<size_t>(-1));
    record.Write(call + "\n");
    watcher.SetCall(index);
    watchdog.Begin(CallText(options.seed, index, entry.name, args, 200));
    const size_t windowsBefore = OwnTopLevelWindows();
    auto before = std::chrono::steady_clock::now();
    std::string problem;
    std::wstring answer = CallExport(entry.function, args, entry.shape, &problem);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    watchdog.End();
    ++entry.calls;
    entry.totalMs += ms;
    if (ms > entry.maxMs) entry.maxMs = ms;
    if (!problem.empty()) {
      ++entry.faults;
      ++faultCount;
      AppendFile(faults, "malformed answer: " + problem + "; " + CallText(options.seed, index, entry.name, args, 400) +
                             " answered \"" + Printable(answer, 200) + "\"\n");
    }
    PumpMessages();
    entry.windowsLeft += static_cast<long long>(OwnTopLevelWindows()) - static_cast<long long>(windowsBefore);
    // The library may close its host window (FSQuit); the projector would end there, the harness makes another.
    if (!::IsWindow(host)) {
      host = MakeWindow(L"Fuzz host");
      generator.environment().hostHandle = HandleText(host);
      setHost(host);
      ++hostRemade;
    }
    if (!::IsWindow(other)) {
      other = MakeWindow(L"Fuzz other");
      generator.environment().otherHandle = HandleText(other);
    }
    if (index % 1000 == 999) reportStrays();
    if (order.size() >= 10 && index % (order.size() / 10) == order.size() / 10 - 1)
      Print("fscmd_fuzz_exports: " + std::to_string(index + 1) + " of " + std::to_string(order.size()) + " calls\n");
    if (order.size() >= 100 && index % (order.size() / 100) == order.size() / 100 - 1) {
      double sofar = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      framework::UniqueFile progress(::CreateFileW((options.run + L"\\progress.txt").c_str(), GENERIC_WRITE,
                                                   FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
      std::string text = Summary(index + 1, sofar);
      DWORD written = 0;
      if (progress) ::WriteFile(progress.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // A projector calls the library for hours: windows its calls leave behind pile up until the process can make
  // none. The harness's own are the host, the other window and the taskbar stand-in.
  if (size_t windows = OwnTopLevelWindows(); windows > kWindowsAllowed) {
    ++faultCount;
    std::string growth;
    for (const ExportUnderTest& entry : exports)
      if (entry.windowsLeft > 0) growth += " " + entry.name + " +" + std::to_string(entry.windowsLeft);
    AppendFile(faults, "windows left behind: the process holds " + std::to_string(windows) + " top-level windows (" +
                           OwnWindowClasses() + "); grown after:" + growth + "\n");
  }
  library.reset();
  ::Sleep(500);
  reportStrays();
  std::string summary = Summary(order.size(), seconds);
  AppendFile(options.run + L"\\summary.txt", summary);
  Print(summary);
  return faultCount == 0 ? 0 : 1;
}

}  // namespace
}  // namespace fuzz_exports

int wmain(int argc, wchar_t** argv) {
  try {
    fuzz_exports::Options options;
    if (!fuzz_exports::ParseOptions(argc, argv, &options)) {
      fuzz_exports::Print(
          "usage: fscmd_fuzz_exports --scratch FOLDER --run FOLDER [--library PATH] [--calls N] [--seed S] "
          "[--hang-seconds N]\n");
      return 2;
    }
    return fuzz_exports::Run(options);
  } catch (...) {
    fuzz_exports::Print("fscmd_fuzz_exports: stopped by an exception of its own\n");
    return 2;
  }
}
