// The Shockwave Flash control as the player sees it: a typed dispatch wrapper and the event-receiving subclass.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/occ.h"
#include "framework/wnd.h"

namespace projector {

class FlashPlayerHost;

// Thin wrapper of the control's dispatch members; each call reports whether the control answered.
class CShockwaveFlash : public framework::CWnd {
 public:
  static const CLSID clsid;
  static constexpr const char* kRuntimeClassName = "CShockwaveFlash";

  bool Create(const wchar_t* windowName, DWORD style, const RECT& rect, framework::CWnd* parent, UINT id);

  std::optional<std::wstring> GetMovie();
  bool SetMovie(const std::wstring& path);
  std::optional<bool> GetLoop();
  bool SetLoop(bool loop);
  bool SetZoomRect(long left, long top, long right, long bottom);
  bool Play();
  bool Back();
  bool Forward();
  bool Rewind();
  bool SetScaleMode(long mode);
  std::optional<long> GetScaleMode();
  bool SetBackgroundColor(long color);
  std::optional<long> GetBackgroundColor();
  std::optional<long> GetTotalFrames();
  bool StopPlay();
  std::optional<long> CurrentFrame();
  std::optional<bool> IsPlaying();
  std::optional<long> FlashVersion();
  bool SetBGColor(const std::wstring& color);
  bool SetVariable(const std::wstring& name, const std::wstring& value);
  std::optional<std::wstring> GetVariable(const std::wstring& name);
  bool TSetProperty(const std::wstring& target, long property, const std::wstring& value);
  std::optional<std::wstring> TGetProperty(const std::wstring& target, long property);

 private:
  bool Method(DISPID id);
  std::optional<long> LongResult(DISPID id, WORD flags);
};

// The control of the player: its FSCommand and ready-state events go to the host.
class CPlayerFlash : public CShockwaveFlash {
 public:
  explicit CPlayerFlash(FlashPlayerHost& host) : host_(host) {}

  void OnFSCommand(const std::wstring& command, const std::wstring& args);
  void OnReadyStateChange(long state);

 protected:
  const framework::EventSinkEntry* GetEventSinkMap(size_t* count) const override;

 private:
  FlashPlayerHost& host_;
};

}  // namespace projector
