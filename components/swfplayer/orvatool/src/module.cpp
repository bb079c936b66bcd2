// The DLL's entry points: class object, unloading, and self-registration for regsvr32.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "components/class_factory.h"
#include "components/registration.h"
#include "orvatool_object.h"

namespace orvatool {

namespace {

HMODULE g_module = nullptr;
components::ServerCounts g_counts;

constexpr wchar_t kClsidText[] = L"{7DABBC7F-9EF1-47F9-9513-2C7E3623D306}";
constexpr wchar_t kProgId[] = L"saxwrapper.orvatool";
constexpr wchar_t kVersionedProgId[] = L"saxwrapper.orvatool.1";
constexpr wchar_t kDescription[] = L"Orvatool transparent movie player";

components::SingleClassFactory<OrvatoolObject> g_factory(g_counts);

bool SetKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return components::SetClassesRootText(key, name, value);
}

}  // namespace

HMODULE ModuleHandle() { return g_module; }
void ModuleAddRef() { g_counts.AddObject(); }
void ModuleRelease() { g_counts.RemoveObject(); }

}  // namespace orvatool

using namespace orvatool;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return components::GetClassObject(g_factory, kClsidOrvatool, clsid, iid, out);
}

// GDI+ is started for the process by the first control and cannot be shut down from here, so the DLL stays.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  try {
    std::wstring clsid = std::wstring(L"CLSID\\") + kClsidText;
    bool ok = SetKey(clsid, nullptr, kDescription) &&
              SetKey(clsid + L"\\InprocServer32", nullptr, components::ModuleFilePath(g_module)) &&
              SetKey(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetKey(clsid + L"\\ProgID", nullptr, kVersionedProgId) &&
              SetKey(clsid + L"\\VersionIndependentProgID", nullptr, kProgId) &&
              SetKey(clsid + L"\\Control", nullptr, L"") && SetKey(clsid + L"\\MiscStatus", nullptr, L"0") &&
              SetKey(clsid + L"\\MiscStatus\\1", nullptr, L"131473") && SetKey(kProgId, nullptr, kDescription) &&
              SetKey(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
              SetKey(std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId) &&
              SetKey(kVersionedProgId, nullptr, kDescription) &&
              SetKey(std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, kClsidText);
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllUnregisterServer() {
  try {
    components::DeleteClassesRootTree(std::wstring(L"CLSID\\") + kClsidText);
    components::DeleteClassesRootTree(kProgId);
    components::DeleteClassesRootTree(kVersionedProgId);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
