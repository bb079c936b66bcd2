// The child of the player window that shows the current play-list item.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "flash_player_host.h"
#include "html_view.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "picture_renderer.h"
#include "play_sequence.h"

namespace projector {

// Draws the picture of an image item in its own child window.
class ImageChild : public framework::CWnd {
 public:
  explicit ImageChild(PictureRenderer& renderer) : renderer_(renderer) {}

 protected:
  bool OnPaint() override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;

 private:
  PictureRenderer& renderer_;
};

// Switches between the movie, picture and page views as the play list moves on.
class ContentView : public framework::CWnd, public player::PlayView {
 public:
  enum Kind { kFlash = 0, kImage = 1, kHtml = 2 };
  static constexpr int kImageChildId = 23415;

  ContentView();
  ~ContentView() override;

  bool Create(HWND owner, const RECT& rect, bool transparent);

  bool HasWindow() const override { return m_hWnd != nullptr; }
  bool Load(const player::PlayItem& item) override;
  void Stop() override;
  void Play();
  bool IsPlaying() override;
  int CurrentFrame() override;
  bool IsReady() override;
  void ResetReady() override;
  void PumpMessages() override;

  const std::wstring& GetPath() const { return itemPath_; }
  void SetQuality(int quality);
  void SetZoomRect(const RECT& zoom);
  void SetAllowScale(bool allow);
  void SetFit(bool fit);
  void SetBackgroundColor(COLORREF colour);
  int kind() const { return kind_; }
  // A movie the layered popup shows (the host made it windowless).
  bool ShowsLayeredPlayer() const { return kind_ == kFlash && flashHost_.created && flashHost_.windowless; }
  PictureRenderer& image() { return image_; }
  FlashPlayerHost& flashHost() { return flashHost_; }
  // The page holder while a page is shown, else null.
  HtmlHolder* htmlView() { return htmlView_.get(); }
  // The outline the transparent view draws within: a copy of the player window's region.
  void SetRegionCopy(HRGN region) { regionCopy_.reset(region); }
  HRGN regionCopy() const { return regionCopy_.get(); }
  // Stretches the movie over the view when fitting is on.
  void FitMovie(int width, int height);

 protected:
  bool OnSize(UINT type, int cx, int cy) override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
  bool OnPaint() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  void DestroyImageChild();
  void DestroyHtmlView();
  void FitImage();
  bool ShowsMovie() const { return kind_ == kFlash && flashHost_.created; }

  framework::UniqueRegion regionCopy_;
  HWND owner_ = nullptr;
  std::unique_ptr<ImageChild> imageChild_;
  bool transparent_ = false;
  bool fit_ = false;
  bool allowScale_ = true;
  bool stopped_ = false;
  int kind_ = kImage;
  PictureRenderer image_;
  std::wstring itemPath_;
  int backgroundColor_ = -1;
  int quality_ = 3;
  RECT zoomRect_{0, 0, 0, 0};
  FlashPlayerHost flashHost_;
  std::unique_ptr<HtmlHolder> htmlView_;
};

}  // namespace projector
