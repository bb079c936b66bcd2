#include "picture_renderer.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <cstring>
#include <vector>

namespace projector {

namespace {

bool IsMetafile(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring ext = path.substr(dot + 1);
  for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext == L"wmf" || ext == L"emf";
}

bool IsWindowsMetafile(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  return IsMetafile(path) && std::towlower(path[dot + 1]) == L'w';
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(Word(b, at)) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
}

// The window extent a metafile sets for itself, looked for among its records; (0, 0) when it sets none.
SIZE WindowExtent(const std::vector<uint8_t>& bits) {
  constexpr uint16_t kSetWindowExt = 0x020C;
  size_t at = 18;
  for (int records = 0; records < 100000 && at + 6 <= bits.size(); ++records) {
    uint32_t words = Dword(bits, at);
    uint16_t function = Word(bits, at + 4);
    if (words < 3 || function == 0 || words > (bits.size() - at) / 2) break;
    if (function == kSetWindowExt && words >= 5) {
      auto height = static_cast<int16_t>(Word(bits, at + 6)), width = static_cast<int16_t>(Word(bits, at + 8));
      return {std::abs(width), std::abs(height)};
    }
    at += static_cast<size_t>(words) * 2;
  }
  return {0, 0};
}

// A Windows metafile, with the 22-byte placeable header in front or without it: GDI+ is given the records and a
// header either way, made from the window extent (one unit a pixel) when the file has none.
std::unique_ptr<Gdiplus::Image> LoadWindowsMetafile(const std::wstring& path) {
  constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
  constexpr size_t kPlaceableSize = 22;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  std::vector<uint8_t> bytes;
  if (::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (256 << 20)) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
      bytes.clear();
  }
  ::CloseHandle(file);
  if (bytes.size() < 18) return nullptr;
  Gdiplus::WmfPlaceableFileHeader header{};
  header.Key = kPlaceableKey;
  size_t skip = 0;
  if (Dword(bytes, 0) == kPlaceableKey) {
    if (bytes.size() < kPlaceableSize + 18) return nullptr;
    header.Hmf = static_cast<INT16>(Word(bytes, 4));
    header.BoundingBox.Left = static_cast<INT16>(Word(bytes, 6));
    header.BoundingBox.Top = static_cast<INT16>(Word(bytes, 8));
    header.BoundingBox.Right = static_cast<INT16>(Word(bytes, 10));
    header.BoundingBox.Bottom = static_cast<INT16>(Word(bytes, 12));
    header.Inch = Word(bytes, 14);
    skip = kPlaceableSize;
  } else {
    SIZE extent = WindowExtent(bytes);
    if (extent.cx <= 0 || extent.cy <= 0) extent = {1000, 1000};
    header.BoundingBox.Right = static_cast<INT16>(std::min<LONG>(extent.cx, 32767));
    header.BoundingBox.Bottom = static_cast<INT16>(std::min<LONG>(extent.cy, 32767));
    header.Inch = 96;
  }
  if (header.Inch == 0) header.Inch = 96;
  HMETAFILE records = ::SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - skip), bytes.data() + skip);
  if (!records) return nullptr;
  return std::make_unique<Gdiplus::Metafile>(records, &header, TRUE);
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

std::unique_ptr<Gdiplus::Image> LoadPictureImage(const std::wstring& path) {
  if (IsWindowsMetafile(path)) return LoadWindowsMetafile(path);
  if (IsMetafile(path)) return std::make_unique<Gdiplus::Metafile>(path.c_str());
  return std::unique_ptr<Gdiplus::Image>(Gdiplus::Image::FromFile(path.c_str(), FALSE));
}

PictureRenderer::PictureRenderer() = default;
PictureRenderer::~PictureRenderer() = default;

void PictureRenderer::Unload() {
  prepared_.reset();
  image_.reset();
  size_ = {0, 0};
  path_.clear();
}

bool PictureRenderer::Load(const std::wstring& path) {
  Unload();
  metafile_ = IsMetafile(path);
  std::unique_ptr<Gdiplus::Image> image = LoadPictureImage(path);
  if (!image || image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0 || image->GetHeight() == 0)
    return false;
  image_ = std::move(image);
  size_ = {static_cast<LONG>(image_->GetWidth()), static_cast<LONG>(image_->GetHeight())};
  zoom_ = {0, 0, size_.cx, size_.cy};
  path_ = path;
  return true;
}

void PictureRenderer::SetTargetSize(int width, int height) {
  target_ = {std::max(1, width), std::max(1, height)};
}

RECT PictureRenderer::DestinationIn(const RECT& where) const {
  int zw = std::max<LONG>(1, zoom_.right - zoom_.left), zh = std::max<LONG>(1, zoom_.bottom - zoom_.top);
  int w = target_.cx, h = target_.cy;
  if (keepAspect_) {
    double scale = std::min(static_cast<double>(target_.cx) / zw, static_cast<double>(target_.cy) / zh);
    w = std::max(1, static_cast<int>(zw * scale + 0.5));
    h = std::max(1, static_cast<int>(zh * scale + 0.5));
  }
  int x = where.left + ((where.right - where.left) - w) / 2;
  int y = where.top + ((where.bottom - where.top) - h) / 2;
  return {x, y, x + w, y + h};
}

void PictureRenderer::Draw(HDC dc, const RECT& where) {
  Gdiplus::Graphics screen(dc);
  Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
  screen.FillRectangle(&white, static_cast<INT>(where.left), static_cast<INT>(where.top),
                       static_cast<INT>(where.right - where.left), static_cast<INT>(where.bottom - where.top));
  if (!image_) return;
  RECT dest = DestinationIn(where);
  int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  int zw = zoom_.right - zoom_.left, zh = zoom_.bottom - zoom_.top;
  if (zw <= 0 || zh <= 0) return;
  Gdiplus::Rect destRect(dest.left, dest.top, dw, dh);
  if (metafile_) {
    screen.DrawImage(image_.get(), destRect, zoom_.left, zoom_.top, zw, zh, Gdiplus::UnitPixel);
    return;
  }
  RECT key = {0, 0, dw, dh};
  if (!prepared_ || !SameRect(key, preparedFor_) || !SameRect(zoom_, preparedZoom_)) {
    prepared_ = std::make_unique<Gdiplus::Bitmap>(dw, dh, PixelFormat24bppRGB);
    Gdiplus::Graphics g(prepared_.get());
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    // Shrinking or mild enlarging wants smoothing; big magnification keeps the pixels sharp.
    bool magnified = dw > 2 * zw && dh > 2 * zh;
    g.SetInterpolationMode(magnified ? Gdiplus::InterpolationModeNearestNeighbor
                                     : Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(image_.get(), Gdiplus::Rect(0, 0, dw, dh), zoom_.left, zoom_.top, zw, zh, Gdiplus::UnitPixel);
    preparedFor_ = key;
    preparedZoom_ = zoom_;
  }
  screen.DrawImage(prepared_.get(), dest.left, dest.top, dw, dh);
}

}  // namespace projector

namespace projector {

HRGN PictureRenderer::OutlineRegion(const RECT& where) const {
  if (!image_) return nullptr;
  RECT dest = DestinationIn(where);
  int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  int zw = zoom_.right - zoom_.left, zh = zoom_.bottom - zoom_.top;
  if (metafile_ || !Gdiplus::IsAlphaPixelFormat(image_->GetPixelFormat()) || zw <= 0 || zh <= 0)
    return ::CreateRectRgn(dest.left, dest.top, dest.right, dest.bottom);
  Gdiplus::Bitmap scaled(dw, dh, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&scaled);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(image_.get(), Gdiplus::Rect(0, 0, dw, dh), zoom_.left, zoom_.top, zw, zh, Gdiplus::UnitPixel);
  }
  Gdiplus::BitmapData data{};
  Gdiplus::Rect all(0, 0, dw, dh);
  if (scaled.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return ::CreateRectRgn(dest.left, dest.top, dest.right, dest.bottom);
  // One rectangle for each run of opaque pixels in a row.
  std::vector<RECT> runs;
  for (int y = 0; y < dh; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride);
    for (int x = 0; x < dw;) {
      while (x < dw && (row[x] >> 24) < 128) ++x;
      int start = x;
      while (x < dw && (row[x] >> 24) >= 128) ++x;
      if (x > start) runs.push_back({dest.left + start, dest.top + y, dest.left + x, dest.top + y + 1});
    }
  }
  scaled.UnlockBits(&data);
  std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(buffer.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(runs.size());
  header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  header->rcBound = dest;
  if (!runs.empty()) std::memcpy(buffer.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
  return ::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), reinterpret_cast<RGNDATA*>(buffer.data()));
}

}  // namespace projector
