#include "background_sound.h"

#include <mmsystem.h>
#include <vfw.h>

namespace projector {

BackgroundSound::~BackgroundSound() {
  Close();
  if (m_hWnd) DestroyWindow();
}

void BackgroundSound::Close() {
  if (mci_ && ::IsWindow(mci_)) ::SendMessageW(mci_, WM_CLOSE, 0, 0);
  mci_ = nullptr;
  playing_ = false;
}

bool BackgroundSound::Start(const std::wstring& path, bool loop) {
  if (!m_hWnd) {
    RECT r = {0, 0, 10, 10};
    if (!CreateEx(0, nullptr, L"", WS_POPUP, r, nullptr, nullptr)) return false;
  }
  Close();
  loop_ = loop;
  mci_ = ::MCIWndCreateW(m_hWnd, ::GetModuleHandleW(nullptr),
                         WS_CHILD | MCIWNDF_NOMENU | MCIWNDF_NOTIFYPOS | MCIWNDF_NOERRORDLG | MCIWNDF_NOOPEN,
                         path.c_str());
  if (!mci_) return false;
  end_ = MCIWndGetEnd(mci_);
  lastPlayResult_ = MCIWndPlay(mci_);

  playing_ = lastPlayResult_ == 0;
  return playing_;
}

void BackgroundSound::Pause() {
  if (mci_) MCIWndPause(mci_);
}

void BackgroundSound::Resume() {
  if (mci_) MCIWndResume(mci_);
}

bool BackgroundSound::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg != MCIWNDM_NOTIFYPOS || reinterpret_cast<HWND>(wp) != mci_) return false;
  if (loop_ && mci_ && lp >= end_) {
    // At its end the device plays nothing more until it is sent back to the start.
    MCIWndHome(mci_);
    MCIWndPlay(mci_);
  }
  *result = 0;
  return true;
}

}  // namespace projector
