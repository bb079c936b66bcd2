#include "extension_registry.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdlib>

#include "framework/program_path.h"

namespace projector {

namespace {

using ExportFunction = BSTR(__stdcall*)(const wchar_t*);

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The answer copied up to its first NUL; the caller's copy of the text is released at once.
std::wstring TakeAnswer(BSTR answer) {
  if (!answer) return {};
  std::wstring text(answer);
  ::SysFreeString(answer);
  return text;
}

}  // namespace

std::vector<std::wstring> ReadExportNames(const std::wstring& path) {
  framework::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart == 0 || size.QuadPart > 0x7FFFFFFF) return {};
  framework::UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return {};
  framework::UniqueMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return {};
  return ReadExportNames(static_cast<const uint8_t*>(view.get()), static_cast<size_t>(size.QuadPart));
}

std::wstring ProgramFolder() {
  std::wstring path = framework::ExecutablePath();
  std::replace(path.begin(), path.end(), L'/', L'\\');
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void ExtensionRegistry::RegisterExtensionLibraries(const std::wstring& folder) {
  std::wstring base = folder;
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW entry;
  framework::UniqueFind find(::FindFirstFileW((base + L"\\*FSCmd*.dll").c_str(), &entry));
  if (!find) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(entry.cFileName);
  } while (::FindNextFileW(find.get(), &entry));
  std::sort(files.begin(), files.end(),
            [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
  for (const std::wstring& file : files) RegisterLibrary(base + L"\\" + file);
}

bool ExtensionRegistry::RegisterLibrary(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  std::vector<std::wstring> names = ReadExportNames(path);
  if (names.empty()) return false;
  libraries_.push_back({path, framework::UniqueModule()});
  for (std::wstring& name : names) exports_.push_back({std::move(name), libraries_.size() - 1});
  return true;
}

bool ExtensionRegistry::CallExport(const std::wstring& exportName, const std::wstring& args, std::wstring* answer,
                                   bool* matched, const std::function<void(size_t library)>& beforeCall) {
  bool noted = false;
  for (const ExtensionExport& entry : exports_) {
    if (entry.name != exportName) continue;
    noted = true;
    ExtensionLibrary& owner = libraries_[entry.library];
    if (!owner.module) {
      owner.module.reset(::LoadLibraryW(owner.path.c_str()));
      if (!owner.module) continue;
    }
    char narrow[256] = {};
    size_t length = std::wcstombs(narrow, exportName.c_str(), sizeof(narrow));
    FARPROC address = (length == static_cast<size_t>(-1) || length >= sizeof(narrow))
                          ? nullptr
                          : ::GetProcAddress(owner.module.get(), narrow);
    if (!address) {
      noted = false;
      continue;
    }
    if (matched) *matched = true;
    if (beforeCall) beforeCall(entry.library);
    *answer = TakeAnswer(reinterpret_cast<ExportFunction>(reinterpret_cast<void*>(address))(args.c_str()));
    return true;
  }
  if (matched) *matched = noted;
  return false;
}

bool ExtensionRegistry::Dispatch(MovieVariables& movie, const std::wstring& command, const std::wstring& args,
                                 DispatchObserver* observer) {
  if (libraries_.empty()) RegisterExtensionLibraries(ProgramFolder());
  std::wstring exportName = L"FS" + command;
  if (observer) observer->OnCommand(command, args);
  std::wstring answer;
  bool matched = false;
  auto found = [&](size_t library) {
    if (observer) observer->OnFound(FileNameOf(libraries_[library].path));
  };
  if (!CallExport(exportName, args, &answer, &matched, found)) {
    if (observer && !matched) observer->OnNotFound();
    return false;
  }
  ExtensionAnswer interpreted = InterpretAnswer(answer, args);
  if (observer) observer->OnResult(interpreted.result);
  ApplyAnswer(movie, interpreted);
  return true;
}

void ExtensionRegistry::FreeLibraries() {
  for (ExtensionLibrary& library : libraries_) library.module.reset();
}

}  // namespace projector
