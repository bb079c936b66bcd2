// The player window and its context menu.
#pragma once

#include <windows.h>

#include "framework/handles.h"
#include "framework/wnd.h"

namespace projector {

class MovieDocument;

// The player's right-button menu; the application hands it to the player.
class PlayerContextMenu {
 public:
  void SetResourceLibrary(HMODULE library) { resourceLibrary_ = library; }

 private:
  HMODULE resourceLibrary_ = nullptr;
};

// Shows the document's play list in the program's one visible window, then closes itself.
class PlayerDialog : public framework::CDialog {
 public:
  PlayerDialog(MovieDocument& document, HWND owner);
  ~PlayerDialog() override;

  void SetContextMenu(PlayerContextMenu* menu) { contextMenu_ = menu; }

 protected:
  BOOL OnInitDialog() override;
  bool OnTimer(UINT_PTR id) override;
  bool OnPaint() override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;

 private:
  void LoadFirstPicture();

  MovieDocument& document_;
  PlayerContextMenu* contextMenu_ = nullptr;
  HICON icon_ = nullptr;
  void* picture_ = nullptr;
};

}  // namespace projector
