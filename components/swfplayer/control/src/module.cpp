// The DLL's entry points: class object, unloading, and self-registration for regsvr32.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "components/class_factory.h"
#include "components/registration.h"
#include "flash_object.h"

namespace swfcontrol {

namespace {

HMODULE g_module = nullptr;
components::ServerCounts g_counts;
ITypeLib* g_typeLib = nullptr;

constexpr wchar_t kClsidKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kProgId[] = L"ShockwaveFlash.ShockwaveFlash";
constexpr wchar_t kVersionedProgId[] = L"ShockwaveFlash.ShockwaveFlash.10";
constexpr wchar_t kLibidText[] = L"{D27CDB6B-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kClsidText[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kDescription[] = L"Shockwave Flash Object";

std::wstring ModulePath() { return components::ModuleFilePath(g_module); }

constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

using components::DeleteClassesRootTree;
bool SetKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return components::SetClassesRootText(key, name, value);
}

components::SingleClassFactory<FlashObject> g_factory(g_counts);

}  // namespace

HMODULE ModuleHandle() { return g_module; }
void ModuleAddRef() { g_counts.AddObject(); }
void ModuleRelease() { g_counts.RemoveObject(); }

ITypeLib* TypeLibrary() {
  if (!g_typeLib) ::LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &g_typeLib);
  return g_typeLib;
}

}  // namespace swfcontrol

using namespace swfcontrol;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return components::GetClassObject(g_factory, kClsidShockwaveFlash, clsid, iid, out);
}

// GDI+ is started for the process by the first control and cannot be shut down from here, so the DLL stays.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  try {
    std::wstring path = ModulePath();
    std::wstring clsid = kClsidKey;
    bool ok = SetKey(clsid, nullptr, kDescription) && SetKey(clsid + L"\\InprocServer32", nullptr, path) &&
              SetKey(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetKey(clsid + L"\\ProgID", nullptr, kVersionedProgId) &&
              SetKey(clsid + L"\\VersionIndependentProgID", nullptr, kProgId) &&
              SetKey(clsid + L"\\TypeLib", nullptr, kLibidText) && SetKey(clsid + L"\\Version", nullptr, L"1.0") &&
              SetKey(clsid + L"\\Control", nullptr, L"") && SetKey(clsid + L"\\MiscStatus", nullptr, L"0") &&
              SetKey(clsid + L"\\MiscStatus\\1", nullptr, L"131473") &&
              SetKey(kProgId, nullptr, kDescription) && SetKey(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
              SetKey(std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId) &&
              SetKey(kVersionedProgId, nullptr, kDescription) &&
              SetKey(std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, kClsidText);
    if (!ok) return SELFREG_E_CLASS;
    ITypeLib* lib = nullptr;
    if (FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &lib))) return SELFREG_E_TYPELIB;
    lib->Release();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllUnregisterServer() {
  try {
    ::UnRegisterTypeLib(kLibidShockwaveFlash, 1, 0, LOCALE_NEUTRAL, kOwnSysKind);
    DeleteClassesRootTree(kClsidKey);
    DeleteClassesRootTree(kProgId);
    DeleteClassesRootTree(kVersionedProgId);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
