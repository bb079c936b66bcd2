#include "image_window.h"

#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>

#include "framework/app.h"
#include "picture_renderer.h"

namespace projector {

namespace {

constexpr wchar_t kImageWindowClass[] = L"ProjectorImageWindow";
constexpr COLORREF kFrameColour = RGB(0x78, 0x78, 0x78);
constexpr int kTypePictureSize = 32;

bool RegisterImageWindowClass() {
  WNDCLASSEXW wc{};
  wc.style = CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kImageWindowClass;
  return framework::RegisterWindowClass(wc);
}

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsMovieFile(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || path.size() - dot != 4) return false;
  std::wstring ext = path.substr(dot + 1);
  for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext == L"swf";
}

// A white bitmap of the given size with the icon centred in it.
std::unique_ptr<Gdiplus::Bitmap> IconPicture(HICON icon, SIZE size) {
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(size.cx, size.cy, PixelFormat24bppRGB);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(bitmap.get());
  graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
  if (icon) {
    HDC dc = graphics.GetHDC();
    ::DrawIconEx(dc, (size.cx - kTypePictureSize) / 2, (size.cy - kTypePictureSize) / 2, icon, kTypePictureSize,
                 kTypePictureSize, 0, nullptr, DI_NORMAL);
    graphics.ReleaseHDC(dc);
  }
  return bitmap;
}

}  // namespace

ImagePicture::ImagePicture() = default;
ImagePicture::~ImagePicture() = default;

bool ImagePicture::PixelSize(const std::wstring& path, SIZE* size) {
  *size = {0, 0};
  if (!player::IsPictureFile(path)) return false;
  std::unique_ptr<Gdiplus::Image> image = LoadPictureImage(path);
  if (!image || image->GetLastStatus() != Gdiplus::Ok) return false;
  *size = {static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
  return true;
}

void ImagePicture::SetTargetSize(int width, int height) { target_ = {std::max(1, width), std::max(1, height)}; }

bool ImagePicture::Load(const std::wstring& path) {
  path_ = path;
  Refit();
  return bitmap_ != nullptr;
}

void ImagePicture::Refit() {
  bitmap_.reset();
  if (path_.empty()) return;
  if (!player::IsPictureFile(path_)) {
    HICON icon = nullptr;
    framework::UniqueIcon typeIcon;
    if (IsMovieFile(path_)) {
      icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    } else {
      SHFILEINFOW info{};
      if (::SHGetFileInfoW(path_.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON)) {
        typeIcon.reset(info.hIcon);
        icon = info.hIcon;
      }
    }
    bitmap_ = IconPicture(icon, {std::min<LONG>(target_.cx, kTypePictureSize * 2),
                                 std::min<LONG>(target_.cy, kTypePictureSize * 2)});
    return;
  }
  std::unique_ptr<Gdiplus::Image> image = LoadPictureImage(path_);
  if (!image || image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0 || image->GetHeight() == 0) return;
  player::Size fitted = player::PictureSizeInTarget(
      {static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight())},
      {static_cast<int>(target_.cx), static_cast<int>(target_.cy)});
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(fitted.width, fitted.height, PixelFormat24bppRGB);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics graphics(bitmap.get());
  graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.DrawImage(image.get(), 0, 0, fitted.width, fitted.height);
  bitmap_ = std::move(bitmap);
}

SIZE ImagePicture::size() const {
  if (!bitmap_) return {0, 0};
  return {static_cast<LONG>(bitmap_->GetWidth()), static_cast<LONG>(bitmap_->GetHeight())};
}

void ImagePicture::Draw(HDC dc, int x, int y) const {
  if (!bitmap_) return;
  Gdiplus::Graphics graphics(dc);
  graphics.DrawImage(bitmap_.get(), x, y, static_cast<int>(bitmap_->GetWidth()),
                     static_cast<int>(bitmap_->GetHeight()));
}

ImageWindow::ImageWindow() : icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128))) {}

ImageWindow::~ImageWindow() = default;

bool ImageWindow::Create(int left, int top, int right, int bottom) {
  player::Rect r = player::ImageWindowRect({left, top, right, bottom});
  requestedRect_ = r;
  if (!RegisterImageWindowClass()) return false;
  if (!CreateEx(WS_EX_APPWINDOW | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE, kImageWindowClass, L"",
                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, RECT{r.left, r.top, r.right, r.bottom}, nullptr,
                nullptr))
    return false;
  SetIcon(icon_);
  return true;
}

void ImageWindow::SetIcon(HICON icon) {
  icon_ = icon;
  if (!m_hWnd) return;
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void ImageWindow::SetTitle(const std::wstring& title) {
  if (title.empty()) return;
  title_ = title;
  if (m_hWnd) SetWindowText(title);
}

player::Frame ImageWindow::FrameThickness() const {
  RECT window, client;
  ::GetWindowRect(m_hWnd, &window);
  ::GetClientRect(m_hWnd, &client);
  ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return {static_cast<int>(client.left - window.left), static_cast<int>(client.top - window.top),
          static_cast<int>(window.right - client.right), static_cast<int>(window.bottom - client.bottom)};
}

RECT ImageWindow::AllowedArea() const {
  RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  framework::CWinApp* app = framework::AfxGetApp();
  HWND main = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
  if (main) {
    RECT r;
    ::GetWindowRect(main, &r);
    if (r.right - r.left >= screen.right && r.bottom - r.top >= screen.bottom) return screen;
  }
  RECT work = screen;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void ImageWindow::Open(const std::wstring& path, bool fit) {
  path_ = path;
  if (!m_hWnd || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  SetWindowText(title_.empty() ? FileName(path) : title_);
  SIZE pixels;
  if (fit && ImagePicture::PixelSize(path, &pixels) && pixels.cx > 0 && pixels.cy > 0) {
    RECT a = AllowedArea();
    player::Rect r = player::FitImageWindow({static_cast<int>(pixels.cx), static_cast<int>(pixels.cy)},
                                            FrameThickness(), {a.left, a.top, a.right, a.bottom},
                                            {requestedRect_.left, requestedRect_.top});
    MoveWindow(RECT{r.left, r.top, r.right, r.bottom}, TRUE);
  }
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  picture_.SetTargetSize(client.right, client.bottom);
  picture_.Load(path);
  ::ShowWindow(m_hWnd, SW_SHOW);
}

bool ImageWindow::OnEraseBkgnd(HDC, LRESULT* result) {
  *result = 1;
  return true;
}

bool ImageWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  framework::UniqueBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
  ::FillRect(dc, &client, white.get());
  SIZE size = picture_.size();
  if (size.cx > 0 && size.cy > 0) {
    int x = (client.right - size.cx) / 2, y = (client.bottom - size.cy) / 2;
    picture_.Draw(dc, x, y);
    framework::UniqueBrush frame(::CreateSolidBrush(kFrameColour));
    RECT around{x, y, x + size.cx, y + size.cy};
    ::FrameRect(dc, &around, frame.get());
  }
  ::EndPaint(m_hWnd, &ps);
  return true;
}

bool ImageWindow::OnSize(UINT, int, int) {
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return false;
}

bool ImageWindow::OnExitSizeMove() {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  picture_.SetTargetSize(client.right, client.bottom);
  picture_.Refit();
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return false;
}

}  // namespace projector
