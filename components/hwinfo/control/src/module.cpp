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

const components::ControlClassKeys kKeys{HWINFO_CLSID_TEXT, L"HardWareInfo.HardWareInfoCtrl",
                                         L"HardWareInfo.HardWareInfoCtrl.1", L"HardWareInfo Control"};

components::SingleClassFactory<HardwareObject> g_factory(g_counts);

}  // namespace

HMODULE ModuleHandle() { return g_module; }
void ModuleAddRef() { g_counts.AddObject(); }
void ModuleRelease() { g_counts.RemoveObject(); }

}  // namespace hwinfo

using namespace hwinfo;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  components::OnModuleAttach(instance, reason, &g_module);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return components::GetClassObject(g_factory, kClsidHardwareInfo, clsid, iid, out);
}

// Objects hold windows of a class registered from this module, so it stays while any lives.
STDAPI DllCanUnloadNow() { return g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return components::RegisterServer(kKeys, g_module); }

STDAPI DllUnregisterServer() { return components::UnregisterServer(kKeys); }
