// Class keys of a self-registering in-process control, in the registry view of the control's own word size.
#pragma once

#include <windows.h>
#include <olectl.h>

#include <string>

namespace components {

// A 64-bit control is found by 64-bit hosts only, a 32-bit one by 32-bit hosts only, whichever regsvr32 loads it.
constexpr REGSAM kOwnRegistryView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// The full path of the module (DLL) the address lies in.
inline std::wstring ModuleFilePath(HMODULE module) {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, n);
}

// Writes one text value under HKEY_CLASSES_ROOT; a null name writes the key's default value.
inline bool SetClassesRootText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE | kOwnRegistryView, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = ::RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(h);
  return rc == ERROR_SUCCESS;
}

// Removes a key of HKEY_CLASSES_ROOT with everything below it; a missing key is no failure.
inline void DeleteClassesRootTree(const std::wstring& key) {
  HKEY h = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS | kOwnRegistryView, &h) == ERROR_SUCCESS) {
    ::RegDeleteTreeW(h, nullptr);
    ::RegCloseKey(h);
  }
  ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), kOwnRegistryView, 0);
}

// The names under which a control is created by class and by ProgID.
struct ControlClassKeys {
  const wchar_t* clsidText;
  const wchar_t* progId;
  const wchar_t* versionedProgId;
  const wchar_t* description;
  // The control's misc status for its content aspect, written when it has one.
  const wchar_t* contentMiscStatus = nullptr;
};

// Writes the class key (server file, threading model, ProgIDs, control marks) and both ProgID keys.
inline bool RegisterControlClass(const ControlClassKeys& keys, const std::wstring& modulePath) {
  std::wstring clsid = std::wstring(L"CLSID\\") + keys.clsidText;
  std::wstring progId = keys.progId, versioned = keys.versionedProgId;
  return SetClassesRootText(clsid, nullptr, keys.description) &&
         SetClassesRootText(clsid + L"\\InprocServer32", nullptr, modulePath) &&
         SetClassesRootText(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
         SetClassesRootText(clsid + L"\\ProgID", nullptr, versioned) &&
         SetClassesRootText(clsid + L"\\VersionIndependentProgID", nullptr, progId) &&
         SetClassesRootText(clsid + L"\\Control", nullptr, L"") &&
         SetClassesRootText(clsid + L"\\MiscStatus", nullptr, L"0") &&
         (!keys.contentMiscStatus || SetClassesRootText(clsid + L"\\MiscStatus\\1", nullptr, keys.contentMiscStatus)) &&
         SetClassesRootText(progId, nullptr, keys.description) &&
         SetClassesRootText(progId + L"\\CLSID", nullptr, keys.clsidText) &&
         SetClassesRootText(progId + L"\\CurVer", nullptr, versioned) &&
         SetClassesRootText(versioned, nullptr, keys.description) &&
         SetClassesRootText(versioned + L"\\CLSID", nullptr, keys.clsidText);
}

// Removes what RegisterControlClass wrote.
inline void UnregisterControlClass(const ControlClassKeys& keys) {
  DeleteClassesRootTree(std::wstring(L"CLSID\\") + keys.clsidText);
  DeleteClassesRootTree(keys.progId);
  DeleteClassesRootTree(keys.versionedProgId);
}

// DllRegisterServer of a control whose keys are all RegisterControlClass writes.
inline HRESULT RegisterServer(const ControlClassKeys& keys, HMODULE module) {
  try {
    return RegisterControlClass(keys, ModuleFilePath(module)) ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// DllUnregisterServer of such a control.
inline HRESULT UnregisterServer(const ControlClassKeys& keys) {
  try {
    UnregisterControlClass(keys);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// DllMain's work for a control DLL: remember the module, skip thread notifications.
inline void OnModuleAttach(HINSTANCE instance, DWORD reason, HMODULE* module) {
  if (reason != DLL_PROCESS_ATTACH) return;
  *module = instance;
  ::DisableThreadLibraryCalls(instance);
}

}  // namespace components
