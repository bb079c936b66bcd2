// The player window: the program's one visible window, shaped and sized by the movie document.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "background_sound.h"
#include "content_view.h"
#include "drag_region.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "play_sequence.h"
#include "player_context_menu.h"
#include "player_geometry.h"
#include "shell/player_overlay.h"
#include "transparent/drag_notify.h"

namespace projector {

class MovieDocument;

// Runs the play list in its content view, with the document's frame, size, place, outline, keys, mouse dragging,
// context menu, tray icon and taskbar behaviour.
class PlayerDialog : public framework::CDialog {
 public:
  static constexpr UINT_PTR kTimerId = 5228;
  static constexpr UINT kTimerInterval = 40;
  static constexpr UINT kTrayIconId = 128;
  static constexpr UINT kTrayCallback = 1284;
  static constexpr UINT kAboutCommand = 0xE140;
  static constexpr int kDragSentinel = static_cast<int>(0x80000000u);
  static constexpr UINT kMinimizeAll = 419;
  static constexpr UINT kUndoMinimizeAll = 416;

  PlayerDialog(MovieDocument& document, HWND owner);
  ~PlayerDialog() override;

  void SetContextMenu(PlayerContextMenu* menu) { contextMenu_ = menu; }
  BOOL PreTranslateMessage(MSG* msg) override;

  ContentView& contentView() { return contentView_; }
  DragRegion& dragRegion() { return *dragRegion_; }
  const player::PlaySequence& playSequence() const { return playSequence_; }
  bool transparent() const { return transparent_; }
  PlayerOverlay& overlay() { return overlay_; }
  BackgroundSound& sound() { return sound_; }
  // What the transparent view is told and tells: mouse modes, context-menu requests, its moves.
  DragListener& dragListener() { return dragListener_; }
  HWND layeredWindow() const { return layeredWindow_; }
  const RECT& layeredRect() const { return layeredRect_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnOK() override {}
  bool OnCommand(WPARAM wp, LPARAM lp) override;
  bool OnSize(UINT type, int cx, int cy) override;
  bool OnMove(int x, int y) override;
  bool OnDestroy() override;
  bool OnPaint() override;
  bool OnSysCommand(UINT id, LPARAM lp) override;
  bool OnQueryDragIcon(LRESULT* result) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  void SetUpWindow();
  void SizeWindow();
  void AddAboutEntry();
  void ApplyOutline();
  player::Size PlacementArea() const;
  player::Size FrameSize() const;
  void ModifyStyle(DWORD remove, DWORD add);
  void ModifyStyleEx(DWORD remove, DWORD add);
  void NotifyPreloader();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void StartTimer();
  void StartSound();
  void ShowContextMenu();
  void SendTaskbarCommand(UINT command) const;
  void MoveOffScreen();
  bool ShowsTransparentMovie() const { return transparent_ && contentView_.kind() == ContentView::kFlash; }

  // Answers the transparent view for the player window.
  class Listener : public DragListener {
   public:
    explicit Listener(PlayerDialog& owner) : owner_(owner) {}
    void OnDragNotify(DragNotify* notify) override;

   private:
    PlayerDialog& owner_;
  };

  // The mouse rules: each returns whether the message is swallowed.
  bool LeftButtonRule(const MSG& msg, bool release);
  bool RightButtonRule(const MSG& msg, bool release);
  bool InsideDragArea() const;
  void Move(const MSG& msg);

  MovieDocument& document_;
  HICON icon_ = nullptr;
  bool transparent_ = false;
  bool dragging_ = false;
  int dragOffsetX_ = kDragSentinel;
  int dragOffsetY_ = kDragSentinel;
  player::ZoomState zoom_;
  player::PlaySequence playSequence_;
  player::PlayItem currentItem_;
  ContentView contentView_;
  bool trayIconAdded_ = false;
  HWND trayWindow_ = nullptr;
  bool timerRunning_ = false;
  PlayerContextMenu* contextMenu_ = nullptr;
  framework::UniqueModule resourceLibrary_;
  RECT windowRect_{0, 0, 0, 0};
  RECT layeredRect_{0, 0, 0, 0};
  HWND layeredWindow_ = nullptr;
  Listener dragListener_{*this};
  HANDLE preloaderMailslot_ = INVALID_HANDLE_VALUE;
  DragRegion* dragRegion_;
  player::ScaleBehaviour scale_;
  PlayerOverlay overlay_;
  BackgroundSound sound_;
  int quality_ = 2;
};

// The drag region every part of the process shapes and consults.
DragRegion& ProcessDragRegion();

}  // namespace projector
