// The view of the layered player: hosts the transparent player control windowless, renders it into the popup
// with per-pixel alpha, moves the popup with the mouse and passes the control's events on.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "transparent/drag_notify.h"
#include "transparent/layered_renderer.h"
#include "transparent/portable/mouse_rules.h"
#include "transparent/transp_flash_ocx.h"

namespace projector {

class FSCommandBridge;

// The control container window inside the layered popup; owns the control's proxy and the render state.
class FlashCView : public framework::CWnd {
 public:
  static constexpr const char* kRuntimeClassName = "FlashCView";
  static constexpr UINT kViewId = 0xE900;

  FlashCView();
  ~FlashCView() override;

  // Creates the view window over the popup's client area.
  bool CreateView(framework::CWnd* popup);
  // Finds the system's layered update and creates the control windowless in (0, 0, width, height) of `rect`.
  bool InitTransparency(framework::CWnd* popup, const RECT& rect);

  BOOL PreTranslateMessage(MSG* msg) override;

  void OnFSCommand(const std::wstring& command, const std::wstring& args);
  void OnReadyStateChange(long state);

  void SetDragListener(DragListener* listener) { this->listener = listener; }
  void SetBridge(FSCommandBridge* bridge) { bridge_ = bridge; }
  // Renders the control into the popup now (what a paint of the view does).
  void OnDraw();

  // Whether the next FSCommand of the process is preceded by "WindowSetHandle"; tests set it again.
  static bool& SendWindowHandle();

  TranspFlashOcx m_ctrl;
  TranspFlashOcx* control = nullptr;
  UpdateLayeredWindowFn updateLayeredWindow = nullptr;
  framework::CWnd* frame = nullptr;
  DragNotify notify;
  DragListener* listener = nullptr;
  POINT dragOffset{kUnsetOffset, kUnsetOffset};
  bool listenerQueried = false;
  bool loaded = false;
  bool captured = false;
  LayeredRenderer renderer;

 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  bool OnPaint() override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
  const framework::EventSinkEntry* GetEventSinkMap(size_t* count) const override;

 private:
  BOOL RouteMessage(MSG* msg);
  BOOL DragCursor();
  bool OverDragArea();
  BOOL DragMove(const MSG& msg);
  void Notify(int kind);
  HWND PopupWindow() const;

  FSCommandBridge* bridge_ = nullptr;
  framework::UniqueModule user32_;
};

}  // namespace projector
