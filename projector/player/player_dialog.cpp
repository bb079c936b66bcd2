#include "player_dialog.h"

#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "shell/movie_document.h"
#include "shell/resource.h"
#include "shell/unique_name.h"

namespace projector {

namespace {

constexpr UINT_PTR kCloseTimer = 5228;

bool IsPicture(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring ext = path.substr(dot + 1);
  for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  for (const wchar_t* known : {L"bmp", L"jpg", L"jpeg", L"gif", L"png", L"tif", L"tiff", L"wmf", L"emf", L"ico"})
    if (ext == known) return true;
  return false;
}

}  // namespace

PlayerDialog::PlayerDialog(MovieDocument& document, HWND owner)
    : framework::CDialog(IDD_PROJECTOR, owner), document_(document) {
  ::SetCurrentDirectoryW(document_.ExtractionFolder().c_str());
  icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

PlayerDialog::~PlayerDialog() { delete static_cast<Gdiplus::Image*>(picture_); }

void PlayerDialog::LoadFirstPicture() {
  if (document_.EntryCount() == 0) return;
  std::wstring path = document_.ExtractedPath(0);
  if (!IsPicture(path)) return;
  auto* image = Gdiplus::Image::FromFile(path.c_str());
  if (image && image->GetLastStatus() == Gdiplus::Ok) {
    picture_ = image;
  } else {
    delete image;
  }
}

BOOL PlayerDialog::OnInitDialog() {
  framework::CDialog::OnInitDialog();
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  std::wstring title = ExecutablePath();
  size_t slash = title.find_last_of(L"\\/");
  if (slash != std::wstring::npos) title = title.substr(slash + 1);
  size_t dot = title.find_last_of(L'.');
  if (dot != std::wstring::npos) title.resize(dot);
  const auto& window = document_.data().window;
  if (!window.title.empty()) title.assign(window.title.begin(), window.title.end());
  SetWindowText(title);

  if (document_.EntryCount() == 0) {
    PostMessage(WM_CLOSE);
    return TRUE;
  }
  LoadFirstPicture();

  const auto& size = document_.data().size;
  int cx = 640, cy = 480;
  if (size.sizeMode == 1 && size.fixedWidth > 0 && size.fixedHeight > 0 && size.fixedWidth < 10000 &&
      size.fixedHeight < 10000) {
    cx = static_cast<int>(size.fixedWidth);
    cy = static_cast<int>(size.fixedHeight);
  }
  RECT frame = {0, 0, cx, cy};
  ::AdjustWindowRectEx(&frame, GetStyle(), FALSE, GetExStyle());
  ::SetWindowPos(m_hWnd, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  // Shows the play list for as long as its display times add up to, at most ten seconds.
  double seconds = 0;
  for (size_t i = 0; i < document_.EntryCount(); ++i) {
    float t = document_.DisplayTime(i);
    if (std::isfinite(t) && t > 0) seconds += t;
  }
  seconds = std::clamp(seconds, 0.2, 10.0);
  ::SetTimer(m_hWnd, kCloseTimer, static_cast<UINT>(seconds * 1000), nullptr);
  return TRUE;
}

bool PlayerDialog::OnTimer(UINT_PTR id) {
  if (id != kCloseTimer) return false;
  ::KillTimer(m_hWnd, kCloseTimer);
  EndDialog(IDOK);
  return true;
}

bool PlayerDialog::OnEraseBkgnd(HDC, LRESULT* result) {
  *result = 1;
  return true;
}

bool PlayerDialog::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  if (auto* image = static_cast<Gdiplus::Image*>(picture_)) {
    Gdiplus::Graphics graphics(dc);
    double w = image->GetWidth(), h = image->GetHeight();
    double cw = client.right, ch = client.bottom;
    if (w > 0 && h > 0) {
      double scale = std::min(cw / w, ch / h);
      double dw = w * scale, dh = h * scale;
      graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
      graphics.DrawImage(image, static_cast<Gdiplus::REAL>((cw - dw) / 2), static_cast<Gdiplus::REAL>((ch - dh) / 2),
                         static_cast<Gdiplus::REAL>(dw), static_cast<Gdiplus::REAL>(dh));
    }
  }
  ::EndPaint(m_hWnd, &ps);
  return true;
}

}  // namespace projector
