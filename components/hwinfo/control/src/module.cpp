// The HardWareInfo DLL's entry points: class object, unloading, and self-registration for regsvr32.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "components/class_factory.h"
#include "components/registration.h"
#include "hardware_object.h"

namespace hwinfo {

namespace {

HMODULE g_module = nullptr;
components::ServerCounts g_counts;

constexpr wchar_t kClsidKey[] = L"CLSID\\" HWINFO_CLSID_TEXT;
constexpr wchar_t kProgId[] = L"HardWareInfo.HardWareInfoCtrl";
constexpr wchar_t kVersionedProgId[] = L"HardWareInfo.HardWareInfoCtrl.1";
constexpr wchar_t kDescription[] = L"HardWareInfo Control";

components::SingleClassFactory<HardwareObject> g_factory(g_counts);

}  // namespace

HMODULE ModuleHandle() { return g_module; }
void ModuleAddRef() { g_counts.AddObject(); }
void ModuleRelease() { g_counts.RemoveObject(); }

}  // namespace hwinfo

using namespace hwinfo;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return components::GetClassObject(g_factory, kClsidHardwareInfo, clsid, iid, out);
}

// Objects hold windows of a class registered from this module, so it stays while any lives.
STDAPI DllCanUnloadNow() { return g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  try {
    using components::SetClassesRootText;
    std::wstring path = components::ModuleFilePath(g_module);
    std::wstring clsid = kClsidKey;
    bool ok = SetClassesRootText(clsid, nullptr, kDescription) &&
              SetClassesRootText(clsid + L"\\InprocServer32", nullptr, path) &&
              SetClassesRootText(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetClassesRootText(clsid + L"\\ProgID", nullptr, kVersionedProgId) &&
              SetClassesRootText(clsid + L"\\VersionIndependentProgID", nullptr, kProgId) &&
              SetClassesRootText(clsid + L"\\Control", nullptr, L"") &&
              SetClassesRootText(clsid + L"\\MiscStatus", nullptr, L"0") &&
              SetClassesRootText(kProgId, nullptr, kDescription) &&
              SetClassesRootText(std::wstring(kProgId) + L"\\CLSID", nullptr, HWINFO_CLSID_TEXT) &&
              SetClassesRootText(std::wstring(kProgId) + L"\\CurVer", nullptr, kVersionedProgId) &&
              SetClassesRootText(kVersionedProgId, nullptr, kDescription) &&
              SetClassesRootText(std::wstring(kVersionedProgId) + L"\\CLSID", nullptr, HWINFO_CLSID_TEXT);
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDAPI DllUnregisterServer() {
  try {
    components::DeleteClassesRootTree(kClsidKey);
    components::DeleteClassesRootTree(kProgId);
    components::DeleteClassesRootTree(kVersionedProgId);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
