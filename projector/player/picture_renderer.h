// Decodes a picture file and draws it fitted into a rectangle, keeping a prepared bitmap between paints.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Gdiplus {
class Image;
class Bitmap;
}  // namespace Gdiplus

namespace projector {

// Decodes a picture file by its extension; Windows metafiles with or without their placeable header. Null or a
// failed status when the file is no such picture.
std::unique_ptr<Gdiplus::Image> LoadPictureImage(const std::wstring& path);

// One picture: GDI+ decodes bitmaps, and metafiles are played as vector pictures.
class PictureRenderer {
 public:
  PictureRenderer();
  ~PictureRenderer();
  PictureRenderer(const PictureRenderer&) = delete;
  PictureRenderer& operator=(const PictureRenderer&) = delete;

  bool Load(const std::wstring& path);
  void Unload();
  bool loaded() const { return image_ != nullptr; }
  SIZE pixelSize() const { return size_; }
  void SetFit(bool keepAspect) { keepAspect_ = keepAspect; }
  // The size the picture is drawn at; the picture is scaled into it.
  void SetTargetSize(int width, int height);
  // The part of the picture shown, in its own pixels.
  void SetZoomRect(const RECT& zoom) { zoom_ = zoom; }
  // Draws the picture centred in the rectangle on a white ground.
  void Draw(HDC dc, const RECT& where);
  // The outline of the picture as drawn into the rectangle: its opaque pixels when it has an alpha channel, else
  // the rectangle it covers. Null when nothing is loaded; the caller owns the region.
  HRGN OutlineRegion(const RECT& where) const;

 private:
  RECT DestinationIn(const RECT& where) const;

  std::unique_ptr<Gdiplus::Image> image_;
  std::unique_ptr<Gdiplus::Bitmap> prepared_;
  bool metafile_ = false;
  std::wstring path_;
  SIZE size_{0, 0};
  SIZE target_{100, 100};
  RECT zoom_{0, 0, 0, 0};
  bool keepAspect_ = true;
  RECT preparedFor_{0, 0, 0, 0};
  RECT preparedZoom_{0, 0, 0, 0};
};

}  // namespace projector
