// The player window: the program's one visible window, shaped and sized by the movie document.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include <cstdint>
#include <optional>

#include "background_sound.h"
#include "builtin_commands.h"
#include "content_view.h"
#include "common/drag_region.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "fscommand/fscommand_bridge.h"
#include "play_sequence.h"
#include "player_context_menu.h"
#include "player_frame.h"
#include "player_geometry.h"
#include "player_mouse.h"
#include "player/player_overlay.h"
#include "preloader_notice.h"
#include "print_screen_blocker.h"
#include "transparent/drag_notify.h"
#include "tray_icon.h"

namespace projector {

class MovieDocument;

// Runs the play list in its content view and brings the window's parts together: its frame, size and outline,
// keys and mouse rules, context menu, tray icon, taskbar commands and the FSCommand bridge.
class PlayerDialog : public framework::CDialog {
 public:
  static constexpr UINT_PTR kTimerId = 5228;
  static constexpr UINT kTimerInterval = 40;
  static constexpr UINT kTrayIconId = TrayIcon::kId;
  static constexpr UINT kAboutCommand = 0xE140;
  static constexpr UINT kMinimizeAll = 419;
  static constexpr UINT kUndoMinimizeAll = 416;

  // `displayMode` is the one start-up settled on; none: the document's.
  PlayerDialog(const MovieDocument& document, HWND owner, std::optional<uint32_t> displayMode = {});
  ~PlayerDialog() override;

  void SetContextMenu(PlayerContextMenu* menu) { contextMenu_ = menu; }
  BOOL PreTranslateMessage(MSG* msg) override;

  ContentView& contentView() { return contentView_; }
  FSCommandBridge& bridge() { return bridge_; }
  DragRegion& dragRegion() { return bridge_.dragRegion(); }
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
  void StartTimer();
  void StartSound();
  void ShowContextMenu();
  void SendTaskbarCommand(UINT command) const;
  void MoveOffScreen();
  // A movie in the layered popup: not when the popup could not be made and the movie plays in this window.
  bool ShowsTransparentMovie() const { return transparent_ && contentView_.ShowsLayeredPlayer(); }
  bool OnMenuCommand(player::MenuCommand command);
  void Zoom(player::MenuCommand command);
  void PlayOrPause();

  // Answers the transparent view for the player window.
  class Listener : public DragListener {
   public:
    explicit Listener(PlayerDialog& owner) : owner_(owner) {}
    void OnDragNotify(DragNotify* notify) override;

   private:
    PlayerDialog& owner_;
  };

  const MovieDocument& document_;
  HICON icon_ = nullptr;
  bool transparent_ = false;
  player::ZoomState zoom_;
  player::PlaySequence playSequence_;
  player::PlayItem currentItem_;
  FSCommandBridge bridge_;
  BuiltInCommands builtIns_{bridge_};
  ContentView contentView_;
  PlayerFrame frame_;
  PlayerMouse mouse_;
  TrayIcon trayIcon_;
  PrintScreenBlocker printScreenBlocker_;
  PreloaderNotice preloader_;
  bool timerRunning_ = false;
  PlayerContextMenu* contextMenu_ = nullptr;
  framework::UniqueModule resourceLibrary_;
  RECT windowRect_{0, 0, 0, 0};
  RECT layeredRect_{0, 0, 0, 0};
  // Between WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE: the user moves or sizes the window by its frame.
  bool userSizing_ = false;
  HWND layeredWindow_ = nullptr;
  Listener dragListener_{*this};
  player::ScaleBehaviour scale_;
  PlayerOverlay overlay_;
  BackgroundSound sound_;
  int quality_ = 2;
};

}  // namespace projector
