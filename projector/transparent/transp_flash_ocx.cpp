#include "transp_flash_ocx.h"

#include "framework/com.h"
#include "swfplayer/control/orvatool_dispids.h"

namespace projector {

using framework::Variant;

namespace ids = orvatool;

const CLSID TranspFlashOcx::clsid = {0x7DABBC7F, 0x9EF1, 0x47F9, {0x95, 0x13, 0x2C, 0x7E, 0x36, 0x23, 0xD3, 0x06}};

bool TranspFlashOcx::Method(DISPID id) { return SUCCEEDED(InvokeHelper(id, DISPATCH_METHOD, nullptr)); }

std::optional<long> TranspFlashOcx::LongResult(DISPID id) {
  Variant result;
  long value;
  if (FAILED(InvokeHelper(id, DISPATCH_METHOD, &result)) || !result.ToLong(&value)) return std::nullopt;
  return value;
}

std::optional<bool> TranspFlashOcx::BoolResult(DISPID id) {
  Variant result;
  bool value;
  if (FAILED(InvokeHelper(id, DISPATCH_METHOD, &result)) || !result.ToBool(&value)) return std::nullopt;
  return value;
}

std::optional<long> TranspFlashOcx::GetTotalFrames() { return LongResult(ids::kTotalFrames); }

bool TranspFlashOcx::SetScaleMode(long mode) {
  return SUCCEEDED(InvokeHelper(ids::kScaleMode, DISPATCH_METHOD, nullptr, mode));
}

std::optional<bool> TranspFlashOcx::GetLoop() { return BoolResult(ids::kGetLoop); }

bool TranspFlashOcx::SetLoop(bool loop) {
  return SUCCEEDED(InvokeHelper(ids::kSetLoop, DISPATCH_METHOD, nullptr, loop));
}

std::optional<std::wstring> TranspFlashOcx::GetMovie() {
  Variant result;
  std::wstring value;
  if (FAILED(InvokeHelper(ids::kGetMovie, DISPATCH_METHOD, &result)) || !result.ToString(&value))
    return std::nullopt;
  return value;
}

bool TranspFlashOcx::SetMovie(const std::wstring& path) {
  return SUCCEEDED(InvokeHelper(ids::kSetMovie, DISPATCH_METHOD, nullptr, path));
}

bool TranspFlashOcx::SetZoomRect(long left, long top, long right, long bottom) {
  return SUCCEEDED(InvokeHelper(ids::kSetZoomRect, DISPATCH_METHOD, nullptr, left, top, right, bottom));
}

bool TranspFlashOcx::Play() { return Method(ids::kPlay); }
bool TranspFlashOcx::Back() { return Method(ids::kBack); }
bool TranspFlashOcx::Forward() { return Method(ids::kForward); }
bool TranspFlashOcx::Rewind() { return Method(ids::kRewind); }
bool TranspFlashOcx::StopPlay() { return Method(ids::kStopPlay); }
std::optional<long> TranspFlashOcx::CurrentFrame() { return LongResult(ids::kCurrentFrame); }
std::optional<bool> TranspFlashOcx::IsPlaying() { return BoolResult(ids::kIsPlaying); }
std::optional<long> TranspFlashOcx::FlashVersion() { return LongResult(ids::kFlashVersion); }

bool TranspFlashOcx::SetVariable(const std::wstring& name, const std::wstring& value) {
  return SUCCEEDED(InvokeHelper(ids::kSetVariable, DISPATCH_METHOD, nullptr, name, value));
}

bool TranspFlashOcx::TSetProperty(const std::wstring& target, long property, const std::wstring& value) {
  return SUCCEEDED(InvokeHelper(ids::kTSetProperty, DISPATCH_METHOD, nullptr, target, property, value));
}

std::optional<std::wstring> TranspFlashOcx::TGetProperty(const std::wstring& target, long property) {
  Variant result;
  std::wstring value;
  if (FAILED(InvokeHelper(ids::kTGetProperty, DISPATCH_METHOD, &result, target, property)) ||
      !result.ToString(&value))
    return std::nullopt;
  return value;
}

}  // namespace projector
