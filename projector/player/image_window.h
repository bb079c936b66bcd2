// A window of its own for a picture a movie shows with ShowImage.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "builtin_rules.h"
#include "framework/handles.h"
#include "framework/wnd.h"

namespace Gdiplus {
class Bitmap;
}  // namespace Gdiplus

namespace projector {

// Loads a file and keeps it as a bitmap that fits inside a target size; files that are no pictures get a
// picture standing for their type.
class ImagePicture {
 public:
  ImagePicture();
  ~ImagePicture();
  ImagePicture(const ImagePicture&) = delete;
  ImagePicture& operator=(const ImagePicture&) = delete;

  static bool PixelSize(const std::wstring& path, SIZE* size);
  void SetTargetSize(int width, int height);
  bool Load(const std::wstring& path);
  // Prepares the bitmap again for the current target size.
  void Refit();
  // The bitmap's size; 0 x 0 when nothing is loaded.
  SIZE size() const;
  // Draws the bitmap with its top-left corner at (x, y).
  void Draw(HDC dc, int x, int y) const;

 private:
  std::wstring path_;
  SIZE target_{100, 100};
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// Shows one picture in a resizable popup, fitted to the screen when asked, on a white ground with a grey frame.
class ImageWindow : public framework::CWnd {
 public:
  ImageWindow();
  ~ImageWindow() override;

  // Unset sides are player::kUnset.
  bool Create(int left, int top, int right, int bottom);
  void SetIcon(HICON icon);
  void SetTitle(const std::wstring& title);
  void Open(const std::wstring& path, bool fit);

  const std::wstring& path() const { return path_; }
  const std::wstring& title() const { return title_; }
  const ImagePicture& picture() const { return picture_; }

 protected:
  bool OnPaint() override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
  bool OnSize(UINT type, int cx, int cy) override;
  bool OnExitSizeMove() override;

 private:
  player::Frame FrameThickness() const;
  RECT AllowedArea() const;

  ImagePicture picture_;
  std::wstring path_;
  std::wstring title_;
  player::Rect requestedRect_;
  HICON icon_ = nullptr;
};

}  // namespace projector
