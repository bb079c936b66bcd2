// The FSCommands the player answers itself: scaling, full screen, the drag area and image windows.
#pragma once

#include <functional>
#include <string>

#include "fscommand/fscommand_bridge.h"

namespace projector {

// True when the program runs as the authoring tool, which keeps the scale and full-screen settings for itself.
bool IsAuthoringTool(const std::wstring& programPath);

// Where the built-in commands record what they did (command, argument text, "1" or "0").
using BuiltInLogger = std::function<void(const std::wstring& command, const std::wstring& args,
                                         const std::wstring& result)>;

// Answers the player's own commands on the bridge's drag region and image windows and the process's Flash host.
class BuiltInCommands : public BuiltInCommandHandler {
 public:
  // Records into the bridge's log unless told otherwise.
  explicit BuiltInCommands(FSCommandBridge& bridge);

  bool HandleBuiltIn(const CommandSource& source, const std::wstring& command, const std::wstring& args) override;

  void SetLogger(BuiltInLogger logger) { logger_ = std::move(logger); }
  // The running executable, whose name tells the authoring tool; empty: asked of the system.
  void SetProgramPath(std::wstring path) { programPath_ = std::move(path); }

 private:
  bool AuthoringTool() const;

  FSCommandBridge& bridge_;
  BuiltInLogger logger_;
  std::wstring programPath_;
};

}  // namespace projector
