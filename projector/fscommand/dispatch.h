// The road of an FSCommand from the Flash control: the player's own commands first, then the extension libraries.
#pragma once

#include <string>

#include "core/extension_answer.h"
#include "extension_registry.h"

namespace projector {

class CShockwaveFlash;

// The movie variables of a Flash control, written through its SetVariable.
class FlashMovieVariables : public MovieVariables {
 public:
  explicit FlashMovieVariables(CShockwaveFlash& control) : control_(control) {}
  void SetVariable(const std::wstring& name, const std::wstring& value) override;

 private:
  CShockwaveFlash& control_;
};

// The process's extension registry (held by the FSCommand log object) and the observer of its dispatches.
ExtensionRegistry& ProcessExtensionRegistry();
void SetDispatchObserver(DispatchObserver* observer);

// True when the command was handled, by the player itself or by an extension export.
bool DispatchFSCommand(CShockwaveFlash* control, const std::wstring& command, const std::wstring& args,
                       bool transparent);
// The same with the movie's variables given; `programPath` names the running executable (empty: the real one).
bool DispatchFSCommand(MovieVariables& movie, CShockwaveFlash* control, const std::wstring& command,
                       const std::wstring& args, bool transparent, const std::wstring& programPath = {});

// Makes the Flash host's FSCommand events go to DispatchFSCommand.
void ConnectFSCommandDispatcher();
// The player window is going: every loaded extension library is freed and every image window deleted.
void ReleaseFSCommandBridge();

}  // namespace projector
