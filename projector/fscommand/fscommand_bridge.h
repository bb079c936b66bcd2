// The road of an FSCommand from a Flash control: the player's own commands first, then the extension libraries.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/drag_region.h"
#include "core/extension_answer.h"
#include "extension_registry.h"
#include "fscommand_log.h"
#include "framework/wnd.h"

namespace projector {

class CShockwaveFlash;

// Where a command came from: the movie whose variables take the answer, and the control that sent it.
struct CommandSource {
  MovieVariables* movie = nullptr;
  CShockwaveFlash* control = nullptr;  // its scale mode is switched by the player's own commands
  bool transparent = false;
};

// The commands the player answers itself, offered every command before the extension libraries.
class BuiltInCommandHandler {
 public:
  virtual ~BuiltInCommandHandler() = default;
  // True when the command is one of them (then answered and logged).
  virtual bool HandleBuiltIn(const CommandSource& source, const std::wstring& command, const std::wstring& args) = 0;
};

// The FSCommand bridge of one player window: owns the extension registry, the drag region the Drag commands
// shape, the image windows the movie opens and the log window that watches every dispatch.
class FSCommandBridge {
 public:
  FSCommandBridge() = default;
  FSCommandBridge(const FSCommandBridge&) = delete;
  FSCommandBridge& operator=(const FSCommandBridge&) = delete;
  ~FSCommandBridge() { Release(); }

  void SetBuiltIns(BuiltInCommandHandler* builtIns) { builtIns_ = builtIns; }

  // The one entry of every command: true when it was handled, by the player itself or by an extension export.
  bool Dispatch(const CommandSource& source, const std::wstring& command, const std::wstring& args);

  ExtensionRegistry& registry() { return registry_; }
  DragRegion& dragRegion() { return dragRegion_; }
  FSCommandLog& log() { return log_; }

  // The image windows the movie opened; deleted with the player window.
  void AddImageWindow(std::unique_ptr<framework::CWnd> window) { imageWindows_.push_back(std::move(window)); }
  std::vector<std::unique_ptr<framework::CWnd>>& imageWindows() { return imageWindows_; }

  // The player window is going: every loaded extension library is freed, every image window deleted and the
  // log's resource library let go, once. Commands that arrive later are not handled: they would load a
  // library that nothing frees any more.
  void Release();
  bool released() const { return released_; }

 private:
  ExtensionRegistry registry_;
  DragRegion dragRegion_;
  FSCommandLog log_;
  std::vector<std::unique_ptr<framework::CWnd>> imageWindows_;
  BuiltInCommandHandler* builtIns_ = nullptr;
  bool released_ = false;
};

}  // namespace projector
