// The process's one Flash control host: creates the control, loads movies, scales, zooms, plays, switches
// full screen and passes FSCommand events on to the dispatcher.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "player/full_screen.h"
#include "player/shockwave_flash.h"

namespace projector {

class TranspFrameWnd;
class DragListener;

// The dispatcher's entry for FSCommand events; the FSCommand bridge installs it.
using FSCommandHandler = std::function<void(const std::wstring& command, const std::wstring& args,
                                            CShockwaveFlash* control, bool transparent)>;
void SetFSCommandHandler(FSCommandHandler handler);
void DispatchFSCommand(const std::wstring& command, const std::wstring& args, CShockwaveFlash* control,
                       bool transparent);

// Once-per-process decisions of the windowed host.
struct FlashHostFlags {
  bool sendWindowHandle = true;
  bool offerInstaller = true;
};
FlashHostFlags& ProcessFlashFlags();

// Owns the player's Shockwave Flash control (or, in transparent mode, the layered player) and drives it.
class FlashPlayerHost {
 public:
  FlashPlayerHost();
  ~FlashPlayerHost();
  FlashPlayerHost(const FlashPlayerHost&) = delete;
  FlashPlayerHost& operator=(const FlashPlayerHost&) = delete;

  static FlashPlayerHost* Instance();

  bool Create(framework::CWnd* parent, bool windowless, const RECT& rect);
  void Destroy();
  bool LoadMovie(const std::wstring& path);
  void UnloadMovie();
  void SetAllowScale(bool allow);
  void SetBackgroundColor(long rgb);
  void SetQuality(int level);
  void SetZoomRect(int left, int top, int right, int bottom);
  void FitMovieToView(int movieWidth, int movieHeight);
  void Play();
  void Back();
  void Forward();
  void Rewind();
  void StopPlay();
  bool IsPlaying();
  bool GetLoop();
  void SetLoop(bool loop);
  long CurrentFrame();
  long TotalFrames();
  long FlashVersion();
  POINT GetMovieMouse();
  std::wstring GetMoviePath();
  bool IsReady() const;
  void ResetReady();
  void MoveTo(const RECT& rect);
  void EnterFullScreen(framework::CWnd* window);
  void LeaveFullScreen();
  void OnFSCommand(const std::wstring& command, const std::wstring& args);
  // The receiver of the transparent view's mouse messages, kept for the layered player.
  void SetDragListener(DragListener* listener) { dragListener = listener; }

  CPlayerFlash& flash() { return control; }

  bool windowless = false;
  bool movieLoaded = false;
  bool created = false;
  bool allowScale = true;
  long backgroundColor = -1;
  framework::CWnd* parent = nullptr;
  std::wstring moviePath;
  std::wstring installMessage;
  CPlayerFlash control{*this};
  bool readyComplete = false;
  TranspFrameWnd* transparentPlayer = nullptr;
  DragListener* dragListener = nullptr;
  FullScreenState fullScreen;

 private:
  bool CreateControl(const RECT& rect);
  void RunInstaller();

  FlashPlayerHost* previous_;
};

// Free functions on the process's host; they do nothing while there is none.
void SetAllowScale(bool allow);
void EnterFullScreen(framework::CWnd* window = nullptr);
void LeaveFullScreen();

}  // namespace projector
