// The transparent player control as the layered player sees it: a typed wrapper of its dispatch methods.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "transparent/windowless_control.h"

namespace projector {

// Thin wrapper of the control's methods, each a DISPATCH_METHOD call through its site; each reports whether the
// control answered.
class TranspFlashOcx : public CWindowlessControl {
 public:
  static const CLSID clsid;
  static constexpr const wchar_t* kProgId = L"saxwrapper.orvatool";
  static constexpr const char* kRuntimeClassName = "TranspFlashOcx";

  std::optional<long> GetTotalFrames();
  bool SetScaleMode(long mode);
  std::optional<bool> GetLoop();
  bool SetLoop(bool loop);
  std::optional<std::wstring> GetMovie();
  bool SetMovie(const std::wstring& path);
  bool SetZoomRect(long left, long top, long right, long bottom);
  bool Play();
  bool Back();
  bool Forward();
  bool Rewind();
  bool StopPlay();
  std::optional<long> CurrentFrame();
  std::optional<bool> IsPlaying();
  std::optional<long> FlashVersion();
  bool SetVariable(const std::wstring& name, const std::wstring& value);
  bool TSetProperty(const std::wstring& target, long property, const std::wstring& value);
  std::optional<std::wstring> TGetProperty(const std::wstring& target, long property);

 private:
  bool Method(DISPID id);
  std::optional<long> LongResult(DISPID id);
  std::optional<bool> BoolResult(DISPID id);
};

}  // namespace projector
