// The FSCommands the player answers itself: scaling, full screen, the drag area and image windows.
#pragma once

#include <functional>
#include <string>

#include "core/extension_answer.h"

namespace projector {

class CShockwaveFlash;

// What a built-in command acts on besides the process's drag region, Flash host and image windows.
struct BuiltInTarget {
  MovieVariables* movie = nullptr;      // where "fscmd_ret" goes
  CShockwaveFlash* control = nullptr;   // the control that sent the command; its scale mode is switched
  bool transparent = false;
  std::wstring programPath;             // the running executable; empty: asked of the system
};

// Offers a command to the built-in ones; true when it is one of them (answered and logged).
bool HandleBuiltInCommand(const BuiltInTarget& target, const std::wstring& command, const std::wstring& args);

// True when the program runs as the authoring tool, which keeps the scale and full-screen settings for itself.
bool IsAuthoringTool(const std::wstring& programPath);

// Where the built-in commands record what they did (command, argument text, "1" or "0").
using BuiltInLogger = std::function<void(const std::wstring& command, const std::wstring& args,
                                         const std::wstring& result)>;
void SetBuiltInLogger(BuiltInLogger logger);

}  // namespace projector
