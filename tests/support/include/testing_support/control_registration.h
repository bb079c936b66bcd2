// Registration of the self-registering controls built in this tree, for the tests that host them.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Calls a parameterless export (DllRegisterServer, DllUnregisterServer) of a module of the build tree, given by
// its path relative to the tree; the module stays loaded for the rest of the process. E_FAIL when it cannot be
// loaded or lacks the export.
HRESULT CallBuiltModuleExport(const std::wstring& relative, const char* name);

// Runs regsvr32 with the arguments and waits for it; its exit code, or -1 when it could not be started.
int RunRegsvr32(const std::wstring& arguments, DWORD timeoutMs = 60000);

}  // namespace testing_support
