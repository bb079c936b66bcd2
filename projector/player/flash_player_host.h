// The process's one Flash control host: creates the control, loads movies, scales, zooms, plays, switches
// full screen and passes FSCommand events on to the FSCommand bridge.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/extension_answer.h"
#include "player/full_screen.h"
#include "player/shockwave_flash.h"

namespace projector {

class TranspFrameWnd;
class TranspFlashOcx;
class DragListener;
class FSCommandBridge;

// The movie variables of a Flash control, written through its SetVariable.
class FlashMovieVariables : public MovieVariables {
 public:
  explicit FlashMovieVariables(CShockwaveFlash& control) : control_(control) {}
  void SetVariable(const std::wstring& name, const std::wstring& value) override;

 private:
  CShockwaveFlash& control_;
};

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
  // Where the control's FSCommand events go; none: they are dropped.
  void SetBridge(FSCommandBridge* bridge);
  // The receiver of the transparent view's mouse messages, kept for the layered player.
  void SetDragListener(DragListener* listener);
  // The windowless control of the layered player; none in window mode or before it exists.
  TranspFlashOcx* transparentControl() const;

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
  std::unique_ptr<TranspFrameWnd> transparentPlayer;
  DragListener* dragListener = nullptr;
  FullScreenState fullScreen;

 private:
  bool CreateControl(const RECT& rect);
  // The layered player could not be made: the movie plays windowed in the parent at the same place.
  bool FallBackToWindow(const RECT& screenRect);
  void RunInstaller();

  FlashPlayerHost* previous_;
  FSCommandBridge* bridge_ = nullptr;
};

// Free functions on the process's host; they do nothing while there is none.
void SetAllowScale(bool allow);
void EnterFullScreen(framework::CWnd* window = nullptr);
void LeaveFullScreen();

}  // namespace projector
