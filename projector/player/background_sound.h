// The document's background sound, played by an MCI window in a hidden pop-up.
#pragma once

#include <windows.h>

#include <string>

#include "framework/wnd.h"

namespace projector {

// Holds the MCI window; loops the sound when its end position is reported and the document asks for looping.
class BackgroundSound : public framework::CWnd {
 public:
  BackgroundSound() = default;
  ~BackgroundSound() override;

  // Opens the file and plays it from the start; any earlier sound is closed first.
  bool Start(const std::wstring& path, bool loop);
  void Pause();
  void Resume();
  void Close();
  HWND mciWindow() const { return mci_; }
  bool playing() const { return playing_; }
  long lastPlayResult() const { return lastPlayResult_; }

 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  HWND mci_ = nullptr;
  bool loop_ = false;
  long end_ = 0;
  bool playing_ = false;
  long lastPlayResult_ = -1;
};

}  // namespace projector
