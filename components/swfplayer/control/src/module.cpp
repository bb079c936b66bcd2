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

const components::ControlClassKeys kKeys{L"{D27CDB6E-AE6D-11CF-96B8-444553540000}", L"ShockwaveFlash.ShockwaveFlash",
                                         L"ShockwaveFlash.ShockwaveFlash.10", L"Shockwave Flash Object", L"131473"};
constexpr wchar_t kClsidKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kLibidText[] = L"{D27CDB6B-AE6D-11CF-96B8-444553540000}";

std::wstring ModulePath() { return components::ModuleFilePath(g_module); }

constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

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
  components::OnModuleAttach(instance, reason, &g_module);
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
    bool ok = components::RegisterControlClass(kKeys, path) && SetKey(clsid + L"\\TypeLib", nullptr, kLibidText) &&
              SetKey(clsid + L"\\Version", nullptr, L"1.0");
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
    components::UnregisterControlClass(kKeys);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
