#include "common/unique_name.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>

#include "framework/handles.h"
#include "framework/program_path.h"

namespace projector {

namespace {

std::wstring Trim(const std::wstring& text) {
  size_t b = 0, e = text.size();
  while (b < e && std::iswspace(text[b])) ++b;
  while (e > b && std::iswspace(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::wstring NormaliseExtension(const std::wstring& extension) {
  std::wstring ext = Trim(extension);
  if (ext.empty()) return L".tmp";
  if (ext[0] != L'.') ext.insert(ext.begin(), L'.');
  return ext;
}

std::wstring FormName(const std::wstring& folder, const std::wstring& extension) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  unsigned ms = ((now.wHour * 3600u + now.wMinute * 60u + now.wSecond) * 1000u) + now.wMilliseconds;
  wchar_t number[16];
  std::swprintf(number, 16, L"%x", ms);
  return folder + L"\\" + number + extension;
}

std::wstring UniqueIn(const std::wstring& folder, const std::wstring& extension) {
  std::wstring ext = NormaliseExtension(extension);
  std::wstring name = FormName(folder, ext);
  for (int tries = 0; PathExists(name) && tries < 1000; ++tries) {
    ::Sleep(10);
    name = FormName(folder, ext);
  }
  return name;
}

}  // namespace

std::wstring ExecutablePath() { return framework::ExecutablePath(); }

std::wstring ExecutableFolder() {
  std::wstring path = ExecutablePath();
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring TemporaryFolder() {
  wchar_t buffer[260] = {};
  DWORD n = ::GetTempPathW(259, buffer);
  std::wstring folder = (n > 0 && n < 259) ? std::wstring(buffer, n) : std::wstring();
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty() || !PathExists(folder)) {
    wchar_t current[MAX_PATH] = {};
    DWORD c = ::GetCurrentDirectoryW(MAX_PATH, current);
    folder.assign(current, c < MAX_PATH ? c : 0);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  }
  return folder;
}

std::wstring MakeUniqueName(const std::wstring& folder, const std::wstring& extension) {
  std::wstring base = Trim(folder);
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  return UniqueIn(base, extension);
}

std::wstring MakeUniqueTempName(const std::wstring& extension) { return UniqueIn(TemporaryFolder(), extension); }

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPath(const std::wstring& path) {
  if (path.empty()) return false;
  if (FolderExists(path)) return true;
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find(L'\\', pos);
    std::wstring prefix = slash == std::wstring::npos ? path : path.substr(0, slash);
    pos = slash == std::wstring::npos ? path.size() + 1 : slash + 1;
    // Drive roots ("C:") and the empty prefix of a UNC path are not folders to create.
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == L':')) continue;
    std::wstring withSlash = prefix + L"\\";
    if (FolderExists(withSlash)) continue;
    if (!::CreateDirectoryW(withSlash.c_str(), nullptr)) return false;
  }
  return FolderExists(path);
}

bool DeleteFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  std::wstring pattern = path + L"\\*.*";
  framework::UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
  if (find) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteFolderTree(child);
        ::RemoveDirectoryW(child.c_str());
      } else if (!::DeleteFileW(child.c_str())) {
        DWORD attributes = ::GetFileAttributesW(child.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
          ::SetFileAttributesW(child.c_str(), attributes ^ FILE_ATTRIBUTE_READONLY);
          ::DeleteFileW(child.c_str());
        }
      }
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

}  // namespace projector
