#include "dispatch.h"

#include "fscommand/fscommand_log.h"
#include "player/builtin_commands.h"
#include "player/flash_player_host.h"
#include "player/shockwave_flash.h"

namespace projector {

namespace {

DispatchObserver* g_observer = nullptr;

}  // namespace

void FlashMovieVariables::SetVariable(const std::wstring& name, const std::wstring& value) {
  control_.SetVariable(name, value);
}

ExtensionRegistry& ProcessExtensionRegistry() { return FSCommandLog::Instance().registry(); }

void SetDispatchObserver(DispatchObserver* observer) { g_observer = observer; }

bool DispatchFSCommand(MovieVariables& movie, CShockwaveFlash* control, const std::wstring& command,
                       const std::wstring& args, bool transparent, const std::wstring& programPath) {
  BuiltInTarget target{&movie, control, transparent, programPath};
  if (HandleBuiltInCommand(target, command, args)) return true;
  return ProcessExtensionRegistry().Dispatch(movie, command, args, g_observer);
}

bool DispatchFSCommand(CShockwaveFlash* control, const std::wstring& command, const std::wstring& args,
                       bool transparent) {
  if (!control) return false;
  FlashMovieVariables movie(*control);
  return DispatchFSCommand(movie, control, command, args, transparent);
}

void ConnectFSCommandDispatcher() {
  SetFSCommandHandler([](const std::wstring& command, const std::wstring& args, CShockwaveFlash* control,
                         bool transparent) { DispatchFSCommand(control, command, args, transparent); });
}

void ReleaseFSCommandBridge() {
  FSCommandLog& log = FSCommandLog::Instance();
  log.registry().FreeLibraries();
  log.DeleteImageWindows();
}

}  // namespace projector
