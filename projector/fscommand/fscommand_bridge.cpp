#include "fscommand/fscommand_bridge.h"

namespace projector {

bool FSCommandBridge::Dispatch(const CommandSource& source, const std::wstring& command, const std::wstring& args) {
  if (!source.movie || released_) return false;
  if (builtIns_ && builtIns_->HandleBuiltIn(source, command, args)) return true;
  return registry_.Dispatch(*source.movie, command, args, &log_);
}

void FSCommandBridge::Release() {
  if (released_) return;
  released_ = true;
  registry_.FreeLibraries();
  imageWindows_.clear();
  log_.FreeResourceLibrary();
}

}  // namespace projector
