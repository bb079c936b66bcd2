// Our Unicode layer: wide-character entry points carried out through the system's ANSI functions, for systems
// whose own wide functions are stubs. Texts are converted in the system's ANSI code page.
#include <windows.h>

namespace {

// A wide text converted to the ANSI code page, in the process heap: the layer carries no C++ library of its own.
class AnsiText {
 public:
  explicit AnsiText(const wchar_t* text) {
    if (!text) return;
    int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) n = 1;
    text_ = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(n)));
    if (text_) ::WideCharToMultiByte(CP_ACP, 0, text, -1, text_, n, nullptr, nullptr);
  }
  ~AnsiText() {
    if (text_) ::HeapFree(::GetProcessHeap(), 0, text_);
  }
  AnsiText(const AnsiText&) = delete;
  AnsiText& operator=(const AnsiText&) = delete;
  // Null for a null text: several functions give it a meaning of its own.
  const char* get() const { return text_; }

 private:
  char* text_ = nullptr;
};

// Copies an ANSI answer into the caller's wide buffer; the count of characters written without the NUL.
DWORD Widen(const char* text, int length, wchar_t* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  int n = length > 0 ? ::MultiByteToWideChar(CP_ACP, 0, text, length, buffer, static_cast<int>(size) - 1) : 0;
  buffer[n > 0 ? n : 0] = L'\0';
  return n > 0 ? static_cast<DWORD>(n) : 0;
}

}  // namespace

extern "C" {

HANDLE WINAPI LayerCreateFileW(const wchar_t* name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) {
  AnsiText narrow(name);
  return ::CreateFileA(narrow.get(), access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI LayerDeleteFileW(const wchar_t* name) {
  AnsiText narrow(name);
  return ::DeleteFileA(narrow.get());
}

DWORD WINAPI LayerGetFileAttributesW(const wchar_t* name) {
  AnsiText narrow(name);
  return ::GetFileAttributesA(narrow.get());
}

BOOL WINAPI LayerCreateDirectoryW(const wchar_t* name, SECURITY_ATTRIBUTES* security) {
  AnsiText narrow(name);
  return ::CreateDirectoryA(narrow.get(), security);
}

DWORD WINAPI LayerGetModuleFileNameW(HMODULE module, wchar_t* buffer, DWORD size) {
  char path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0) return 0;
  return Widen(path, static_cast<int>(n), buffer, size);
}

HMODULE WINAPI LayerLoadLibraryW(const wchar_t* name) {
  AnsiText narrow(name);
  return ::LoadLibraryA(narrow.get());
}

HMODULE WINAPI LayerGetModuleHandleW(const wchar_t* name) {
  AnsiText narrow(name);
  return ::GetModuleHandleA(narrow.get());
}

int WINAPI LayerMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  AnsiText narrowText(text), narrowCaption(caption);
  return ::MessageBoxA(owner, narrowText.get(), narrowCaption.get(), type);
}

BOOL WINAPI LayerSetWindowTextW(HWND window, const wchar_t* text) {
  AnsiText narrow(text);
  return ::SetWindowTextA(window, narrow.get());
}

int WINAPI LayerGetWindowTextW(HWND window, wchar_t* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  // A wide character takes at most two ANSI bytes.
  DWORD bytes = static_cast<DWORD>(size) * 2;
  char* text = static_cast<char*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
  if (!text) return 0;
  int got = ::GetWindowTextA(window, text, static_cast<int>(bytes));
  int n = static_cast<int>(Widen(text, got, buffer, static_cast<DWORD>(size)));
  ::HeapFree(::GetProcessHeap(), 0, text);
  return n;
}

int WINAPI LayerlstrlenW(const wchar_t* text) {
  if (!text) return 0;
  int n = 0;
  while (text[n]) ++n;
  return n;
}

}  // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}
