#include "player_context_menu.h"

#include "common/text.h"

namespace projector {

std::wstring PlayerContextMenu::Text(unsigned id) const {
  return resourceLibrary_ ? LoadResourceText(resourceLibrary_, id) : std::wstring();
}

void PlayerContextMenu::Show(HWND owner, const player::MenuInput& input) const {
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (const auto& item : player::BuildContextMenu(input)) {
    if (item.separator) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) | (item.greyed ? MF_GRAYED : MF_ENABLED);
    std::wstring text = Text(item.textId);
    ::AppendMenuW(menu, flags, item.command, text.c_str());
  }
  POINT cursor;
  ::GetCursorPos(&cursor);
  // A pop-up menu only closes on a click elsewhere while its owner is the foreground window.
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
  ::PostMessageW(owner, WM_NULL, 0, 0);
  ::DestroyMenu(menu);
}

}  // namespace projector
