#include "probe_movie.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "format/inflate.h"
#include "format/payload.h"
#include "framework/app.h"
#include "player/shockwave_flash.h"
#include "common/payload.h"

namespace projector {

namespace {

// The header needs the signature, the rectangle (at most 17 bytes), frame rate and frame count.
constexpr size_t kHeaderBytes = 8 + 17 + 4;

MovieInfo Defaults(uint32_t fileSize) {
  MovieInfo info;
  info.fileLength = fileSize;
  return info;
}

// Bits of a byte string, most significant first.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Read(int bits, uint32_t* out) {
    uint32_t v = 0;
    for (int i = 0; i < bits; ++i) {
      size_t byte = pos_ >> 3;
      if (byte >= size_) return false;
      v = (v << 1) | ((data_[byte] >> (7 - (pos_ & 7))) & 1u);
      ++pos_;
    }
    *out = v;
    return true;
  }
  size_t ByteEnd() const { return (pos_ + 7) >> 3; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

int Decimal(const std::optional<std::wstring>& text) {
  if (!text) return 0;
  return static_cast<int>(std::wcstol(text->c_str(), nullptr, 10));
}

bool MeasureWithControl(const std::wstring& path, uint32_t fileSize, MovieInfo* info) {
  framework::CWinApp* app = framework::AfxGetApp();
  framework::CWnd* owner = app ? app->m_pMainWnd : nullptr;
  framework::CWnd fallback;
  if (!owner || !owner->m_hWnd) {
    // Without a main window the control still needs a container window to live in.
    if (!fallback.CreateEx(0, nullptr, nullptr, WS_OVERLAPPEDWINDOW, RECT{0, 0, 600, 400}, nullptr, nullptr))
      return false;
    owner = &fallback;
  }
  CShockwaveFlash probe;
  if (!probe.Create(nullptr, 0, RECT{0, 0, 600, 400}, owner, 0)) return false;
  probe.SetMovie(path);
  probe.StopPlay();
  int width = Decimal(probe.TGetProperty(L"/", 8));
  int height = Decimal(probe.TGetProperty(L"/", 9));
  *info = Defaults(fileSize);
  info->xMin = 0;
  info->yMin = 0;
  info->xMax = width;
  info->yMax = height;
  info->frameRate = 0;
  info->frameCount = static_cast<int>(probe.GetTotalFrames().value_or(1));
  probe.DestroyWindow();
  return true;
}

}  // namespace

bool ParseMovieHeader(const uint8_t* data, size_t size, MovieInfo* info) {
  if (size < 9) return false;
  BitReader bits(data + 8, size - 8);
  uint32_t n, xMin, xMax, yMin, yMax;
  if (!bits.Read(5, &n) || !bits.Read(static_cast<int>(n), &xMin) || !bits.Read(static_cast<int>(n), &xMax) ||
      !bits.Read(static_cast<int>(n), &yMin) || !bits.Read(static_cast<int>(n), &yMax))
    return false;
  size_t at = 8 + bits.ByteEnd();
  if (at + 4 > size) return false;
  info->version = data[3];
  info->fileLength = format::LoadU32(data + 4);
  info->xMin = static_cast<int>(xMin / 20);
  info->xMax = static_cast<int>(xMax / 20);
  info->yMin = static_cast<int>(yMin / 20);
  info->yMax = static_cast<int>(yMax / 20);
  info->frameRate = data[at + 1];
  info->frameCount = data[at + 2] | (data[at + 3] << 8);
  return true;
}

bool ProbeMovie(const std::wstring& path, MovieInfo* info) {
  MappedImage file;
  size_t size = file.Open(path);
  auto fileSize = static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX));
  *info = Defaults(fileSize);
  if (size <= 8 || !file.base()) return false;
  const uint8_t* data = file.base();
  // Movies whose stated length is wrong (larger than the file, or a compressed body that ends early) play
  // elsewhere: the header is read whenever its own bytes are there, and nothing beyond it is trusted.
  if (data[0] == 'F' && data[1] == 'W' && data[2] == 'S') return ParseMovieHeader(data, size, info);
  if (data[0] == 'C' && data[1] == 'W' && data[2] == 'S') {
    std::vector<uint8_t> head(data, data + 8);
    format::InflateTo(
        data + 8, size - 8, kHeaderBytes - 8,
        [&head](const uint8_t* d, size_t n) {
          head.insert(head.end(), d, d + n);
          return true;
        });
    head[0] = 'F';
    return ParseMovieHeader(head.data(), head.size(), info);
  }
  return MeasureWithControl(path, fileSize, info);
}

}  // namespace projector
