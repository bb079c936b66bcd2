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

const components::ControlClassKeys kKeys{L"{7DABBC7F-9EF1-47F9-9513-2C7E3623D306}", L"saxwrapper.orvatool",
                                         L"saxwrapper.orvatool.1", L"Orvatool transparent movie player", L"131473"};

components::SingleClassFactory<OrvatoolObject> g_factory(g_counts);

}  // namespace

HMODULE ModuleHandle() { return g_module; }
void ModuleAddRef() { g_counts.AddObject(); }
void ModuleRelease() { g_counts.RemoveObject(); }

}  // namespace orvatool

using namespace orvatool;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  components::OnModuleAttach(instance, reason, &g_module);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return components::GetClassObject(g_factory, kClsidOrvatool, clsid, iid, out);
}

// GDI+ is started for the process by the first control and cannot be shut down from here, so the DLL stays.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() { return components::RegisterServer(kKeys, g_module); }

STDAPI DllUnregisterServer() { return components::UnregisterServer(kKeys); }
