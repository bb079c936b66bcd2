#include "shockwave_flash.h"

#include "flash_player_host.h"
#include "swfplayer/control/flash_dispids.h"

namespace projector {

using framework::Variant;

const CLSID CShockwaveFlash::clsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

bool CShockwaveFlash::Create(const wchar_t* windowName, DWORD style, const RECT& rect, framework::CWnd* parent,
                             UINT id) {
  return CreateControl(clsid, windowName, style, rect, parent, id) != FALSE;
}

bool CShockwaveFlash::Method(DISPID id) { return SUCCEEDED(InvokeHelper(id, DISPATCH_METHOD, nullptr)); }

std::optional<long> CShockwaveFlash::LongResult(DISPID id, WORD flags) {
  Variant result;
  long value;
  if (FAILED(InvokeHelper(id, flags, &result)) || !result.ToLong(&value)) return std::nullopt;
  return value;
}

std::optional<std::wstring> CShockwaveFlash::GetMovie() {
  Variant result;
  std::wstring value;
  if (FAILED(GetProperty(flash::kMovie, &result)) || !result.ToString(&value)) return std::nullopt;
  return value;
}

bool CShockwaveFlash::SetMovie(const std::wstring& path) {
  return SUCCEEDED(SetProperty(flash::kMovie, Variant(path)));
}

std::optional<bool> CShockwaveFlash::GetLoop() {
  Variant result;
  bool value;
  if (FAILED(GetProperty(flash::kLoop, &result)) || !result.ToBool(&value)) return std::nullopt;
  return value;
}

bool CShockwaveFlash::SetLoop(bool loop) { return SUCCEEDED(SetProperty(flash::kLoop, Variant(loop))); }

bool CShockwaveFlash::SetZoomRect(long left, long top, long right, long bottom) {
  return SUCCEEDED(InvokeHelper(flash::kSetZoomRect, DISPATCH_METHOD, nullptr, left, top, right, bottom));
}

bool CShockwaveFlash::Play() { return Method(flash::kPlay); }
bool CShockwaveFlash::Back() { return Method(flash::kBack); }
bool CShockwaveFlash::Forward() { return Method(flash::kForward); }
bool CShockwaveFlash::Rewind() { return Method(flash::kRewind); }
bool CShockwaveFlash::StopPlay() { return Method(flash::kStopPlay); }

bool CShockwaveFlash::SetScaleMode(long mode) { return SUCCEEDED(SetProperty(flash::kScaleMode, Variant(mode))); }
std::optional<long> CShockwaveFlash::GetScaleMode() { return LongResult(flash::kScaleMode, DISPATCH_PROPERTYGET); }

bool CShockwaveFlash::SetBackgroundColor(long color) {
  return SUCCEEDED(SetProperty(flash::kBackgroundColor, Variant(color)));
}
std::optional<long> CShockwaveFlash::GetBackgroundColor() {
  return LongResult(flash::kBackgroundColor, DISPATCH_PROPERTYGET);
}

std::optional<long> CShockwaveFlash::GetTotalFrames() { return LongResult(flash::kTotalFrames, DISPATCH_PROPERTYGET); }
std::optional<long> CShockwaveFlash::CurrentFrame() { return LongResult(flash::kCurrentFrame, DISPATCH_METHOD); }
std::optional<long> CShockwaveFlash::FlashVersion() { return LongResult(flash::kFlashVersion, DISPATCH_METHOD); }

std::optional<bool> CShockwaveFlash::IsPlaying() {
  Variant result;
  bool value;
  if (FAILED(InvokeHelper(flash::kIsPlaying, DISPATCH_METHOD, &result)) || !result.ToBool(&value)) return std::nullopt;
  return value;
}

bool CShockwaveFlash::SetBGColor(const std::wstring& color) {
  return SUCCEEDED(SetProperty(flash::kBGColor, Variant(color)));
}

bool CShockwaveFlash::SetVariable(const std::wstring& name, const std::wstring& value) {
  return SUCCEEDED(InvokeHelper(flash::kSetVariable, DISPATCH_METHOD, nullptr, name, value));
}

std::optional<std::wstring> CShockwaveFlash::GetVariable(const std::wstring& name) {
  Variant result;
  std::wstring value;
  if (FAILED(InvokeHelper(flash::kGetVariable, DISPATCH_METHOD, &result, name)) || !result.ToString(&value))
    return std::nullopt;
  return value;
}

bool CShockwaveFlash::TSetProperty(const std::wstring& target, long property, const std::wstring& value) {
  return SUCCEEDED(InvokeHelper(flash::kTSetProperty, DISPATCH_METHOD, nullptr, target, property, value));
}

std::optional<std::wstring> CShockwaveFlash::TGetProperty(const std::wstring& target, long property) {
  Variant result;
  std::wstring value;
  if (FAILED(InvokeHelper(flash::kTGetProperty, DISPATCH_METHOD, &result, target, property)) ||
      !result.ToString(&value))
    return std::nullopt;
  return value;
}

void CPlayerFlash::OnFSCommand(const std::wstring& command, const std::wstring& args) {
  host_.OnFSCommand(command, args);
}

void CPlayerFlash::OnReadyStateChange(long state) {
  if (state == 4) host_.readyComplete = true;
}

const framework::EventSinkEntry* CPlayerFlash::GetEventSinkMap(size_t* count) const {
  static const framework::EventSinkEntry entries[] = {
      framework::OnEvent<&CPlayerFlash::OnFSCommand>(0, flash::kFSCommand),
      framework::OnEvent<&CPlayerFlash::OnReadyStateChange>(0, flash::kOnReadyStateChange),
  };
  *count = sizeof(entries) / sizeof(entries[0]);
  return entries;
}

}  // namespace projector
