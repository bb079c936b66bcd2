#include "guards.h"

#include <cstdio>
#include <cwctype>

#include "testing_support/top_windows.h"

namespace fuzz_exports {

namespace {

Watchdog* g_watchdog = nullptr;

uint64_t Now() { return ::GetTickCount64(); }

bool HasPrefixNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  return true;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                          nullptr);
  return out;
}

CallRecord::CallRecord(const std::wstring& path)
    : file_(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void CallRecord::Write(const std::string& text) {
  // Written through to the system at once: what the process wrote survives the process, whatever ends it.
  ::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
  DWORD written = 0;
  ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::SetEndOfFile(file_.get());
}

Watchdog::Watchdog(std::wstring faultPath, DWORD limitMilliseconds)
    : faultPath_(std::move(faultPath)), limit_(limitMilliseconds) {
  g_watchdog = this;
  ::SetUnhandledExceptionFilter(&Watchdog::OnUnhandledException);
  thread_ = std::thread([this] {
    while (!stop_) {
      ::Sleep(250);
      uint64_t started = started_;
      if (started != 0 && Now() - started > limit_) {
        std::string call;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          call = call_;
        }
        WriteFault("hang: no answer after " + std::to_string(limit_ / 1000) + " s from " + call + "\n");
        ::TerminateProcess(::GetCurrentProcess(), 4);
      }
    }
  });
}

Watchdog::~Watchdog() {
  stop_ = true;
  thread_.join();
  ::SetUnhandledExceptionFilter(nullptr);
  g_watchdog = nullptr;
}

void Watchdog::Begin(const std::string& call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    call_ = call;
  }
  started_ = Now();
}

void Watchdog::End() { started_ = 0; }

void Watchdog::WriteFault(const std::string& text) {
  HANDLE file = ::CreateFileW(faultPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

LONG WINAPI Watchdog::OnUnhandledException(EXCEPTION_POINTERS* info) {
  if (!g_watchdog) return EXCEPTION_CONTINUE_SEARCH;
  char text[160] = {};
  void* address = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionAddress : nullptr;
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
  wchar_t moduleName[MAX_PATH] = {};
  if (module) ::GetModuleFileNameW(module, moduleName, MAX_PATH);
  std::snprintf(text, sizeof text, "crash: exception 0x%08lX at %s+0x%llx in ",
                info && info->ExceptionRecord ? static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode) : 0ul,
                Utf8(moduleName).c_str(),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address) -
                                                reinterpret_cast<uintptr_t>(module)));
  std::string call;
  {
    std::lock_guard<std::mutex> lock(g_watchdog->mutex_);
    call = g_watchdog->call_;
  }
  g_watchdog->WriteFault(text + call + "\n");
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::atomic<size_t> BoxCloser::closed_{0};

BoxCloser::BoxCloser() {
  hook_ = ::SetWindowsHookExW(WH_CBT, &BoxCloser::OnCbt, nullptr, ::GetCurrentThreadId());
  thread_ = std::thread([this] {
    while (!stop_) {
      ::Sleep(100);
      try {
        for (HWND window : testing_support::ProcessWindows(::GetCurrentProcessId())) Close(window);
      } catch (...) {
      }
    }
  });
}

BoxCloser::~BoxCloser() {
  stop_ = true;
  thread_.join();
  if (hook_) ::UnhookWindowsHookEx(hook_);
}

bool BoxCloser::Close(HWND box) {
  wchar_t className[16] = {};
  if (!::GetClassNameW(box, className, 16) || std::wstring(className) != L"#32770") return false;
  // A box without any of these (a help button alone) has nothing that closes it; WM_CLOSE is the last try.
  static const int kButtons[] = {IDOK, IDCANCEL, IDNO, IDABORT, IDIGNORE, IDCONTINUE, IDYES, IDCLOSE};
  for (int id : kButtons) {
    HWND button = ::GetDlgItem(box, id);
    if (button && ::IsWindowEnabled(button)) {
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      ++closed_;
      return true;
    }
  }
  ::PostMessageW(box, WM_CLOSE, 0, 0);
  ++closed_;
  return true;
}

LRESULT CALLBACK BoxCloser::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  try {
    if (code == HCBT_ACTIVATE) Close(reinterpret_cast<HWND>(wParam));
  } catch (...) {
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

WriteWatcher::WriteWatcher(std::wstring root, std::vector<std::wstring> allowed)
    : root_(std::move(root)), allowed_(std::move(allowed)) {
  directory_.reset(::CreateFileW(root_.c_str(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (directory_) {
    thread_.reset(::CreateThread(nullptr, 0, &WriteWatcher::ThreadStart, this, 0, nullptr));
  }
  watching_ = static_cast<bool>(thread_);
}

WriteWatcher::~WriteWatcher() {
  stop_ = true;
  if (!thread_) return;
  ::CancelSynchronousIo(thread_.get());
  ::CancelIoEx(directory_.get(), nullptr);
  // Where a cancel does not reach the watch, a change of our own wakes it.
  std::wstring wake = allowed_.empty() ? root_ : allowed_.front() + L"\\.watch-end";
  HANDLE file = ::CreateFileW(wake.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  if (::WaitForSingleObject(thread_.get(), 5000) != WAIT_OBJECT_0) ::TerminateThread(thread_.get(), 0);
}

DWORD WINAPI WriteWatcher::ThreadStart(void* self) {
  static_cast<WriteWatcher*>(self)->Run();
  return 0;
}

bool WriteWatcher::Allowed(const std::wstring& path) const {
  for (const std::wstring& folder : allowed_) {
    if (HasPrefixNoCase(path, folder) && (path.size() == folder.size() || path[folder.size()] == L'\\'))
      return true;
  }
  return false;
}

void WriteWatcher::Run() {
  std::vector<DWORD> buffer(16384);
  while (!stop_) {
    DWORD got = 0;
    if (!::ReadDirectoryChangesW(directory_.get(), buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                 TRUE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                     FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
                                 &got, nullptr, nullptr))
      return;
    if (stop_) return;
    uint64_t call = call_;
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
    if (got == 0) {
      // The buffer overflowed and these changes are lost; the run's closing scan of the drive still sees them.
      ++overflows_;
      continue;
    }
    for (DWORD offset = 0; offset < got;) {
      const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + offset);
      std::wstring path = root_;
      if (!path.empty() && path.back() != L'\\') path += L'\\';
      path.append(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (!Allowed(path)) {
        std::lock_guard<std::mutex> lock(mutex_);
        strays_.push_back({path, entry->Action, call});
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
  }
}

std::vector<StrayWrite> WriteWatcher::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(strays_, {});
}

}  // namespace fuzz_exports
