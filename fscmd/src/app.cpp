#include <windows.h>
#include <ole2.h>

#include "library.h"

namespace fscmd {

void LibraryApp::EnsureStarted() {
  if (started_) return;
  started_ = true;
  // Brought up on the first call rather than at load, where the loader lock forbids OLE start-up.
  HRESULT hr = ::OleInitialize(nullptr);
  oleReady_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
  controlHosting_ = true;
}

LibraryApp& TheApp() {
  static LibraryApp app;
  return app;
}

SharedState& State() {
  static SharedState state;
  return state;
}

}  // namespace fscmd
