// The player's right-button menu, with its texts from the resource library.
#pragma once

#include <windows.h>

#include <string>

#include "context_menu_model.h"

namespace projector {

// Builds the pop-up menu the document's switches allow and shows it at the cursor; the choice reaches the owner
// as WM_COMMAND.
class PlayerContextMenu {
 public:
  void SetResourceLibrary(HMODULE library) { resourceLibrary_ = library; }
  HMODULE resourceLibrary() const { return resourceLibrary_; }

  void Show(HWND owner, const player::MenuInput& input) const;
  std::wstring Text(unsigned id) const;

 private:
  HMODULE resourceLibrary_ = nullptr;
};

}  // namespace projector
