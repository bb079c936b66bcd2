// Opening registry keys under an owner, and reading a string value without running past its data.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"

namespace fscmd {

// ERROR_SUCCESS and an owned key, or the error and no key.
inline LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, framework::UniqueRegKey* key) {
  HKEY raw = nullptr;
  LONG error = ::RegOpenKeyExW(root, path.c_str(), 0, access, &raw);
  key->reset(error == ERROR_SUCCESS ? raw : nullptr);
  return error;
}

// A string value read whole; a value stored without its terminating NUL ends with its data.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring* text);

}  // namespace fscmd
