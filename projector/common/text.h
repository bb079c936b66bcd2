// Conversions between the portable UTF-16 text of the formats and Win32 wide strings.
#pragma once

#include <windows.h>

#include <cwctype>
#include <string>
#include <string_view>

namespace projector {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// A string resource of a module (the program's own for nullptr); empty when it has none.
inline std::wstring LoadResourceText(HMODULE module, UINT id) {
  const wchar_t* text = nullptr;
  int n = ::LoadStringW(module ? module : ::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

// Whether the file name's extension (after its last dot) is the wanted one, without regard to case.
inline bool HasExtension(const std::wstring& path, const wchar_t* wanted) {
  size_t slash = path.find_last_of(L"\\/");
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  std::wstring ext = path.substr(dot + 1), w = wanted;
  if (ext.size() != w.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i)
    if (std::towlower(ext[i]) != std::towlower(w[i])) return false;
  return true;
}

}  // namespace projector
