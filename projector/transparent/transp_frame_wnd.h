// The layered popup of transparent playback: a frameless top-level window the view renders into.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/wnd.h"
#include "transparent/flash_cview.h"

namespace projector {

// Owns the popup window and its view; gives the host the control and the view's loaded state.
class TranspFrameWnd : public framework::CWnd {
 public:
  TranspFrameWnd();
  ~TranspFrameWnd() override;

  // Creates the popup at the screen rectangle, its view and the windowless control; false at the first failure
  // (a popup made before it stays).
  bool Create(const RECT& rect);
  TranspFlashOcx* GetControl() const { return view ? view->control : nullptr; }
  void ResetLoaded();
  bool IsLoaded() const { return view && view->loaded; }
  void SetDragListener(DragListener* listener);
  void SetBridge(FSCommandBridge* bridge);

  std::unique_ptr<FlashCView> view;
  TranspFlashOcx* control = nullptr;

 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

}  // namespace projector
