#include "content_view.h"

#include <mmsystem.h>

#include <cwctype>

#include "common/text.h"
#include "common/unique_name.h"

namespace projector {

namespace {

constexpr wchar_t kImageClass[] = L"ProjectorImageView";
constexpr wchar_t kViewClass[] = L"ProjectorContentView";

// The Flash host takes colours as 0x00RRGGBB (it hands the control their exchange); the view keeps a COLORREF.
long HostColour(int colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::iswspace(s[b])) ++b;
  while (e > b && std::iswspace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool RegisterViewClass(const wchar_t* name, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return framework::RegisterWindowClass(wc, framework::RefusedAsExisting::kFails);
}

}  // namespace

bool ImageChild::OnEraseBkgnd(HDC, LRESULT* result) {
  *result = 1;
  return true;
}

bool ImageChild::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  renderer_.Draw(dc, client);
  ::EndPaint(m_hWnd, &ps);
  return true;
}

ContentView::ContentView() = default;

ContentView::~ContentView() {
  flashHost_.Destroy();
  DestroyImageChild();
  DestroyHtmlView();
}

bool ContentView::Create(HWND owner, const RECT& rect, bool transparent) {
  owner_ = owner;
  transparent_ = transparent;
  if (!RegisterViewClass(kViewClass, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)))) return false;
  return CreateEx(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, owner, nullptr);
}

void ContentView::DestroyImageChild() {
  if (imageChild_ && imageChild_->m_hWnd) imageChild_->DestroyWindow();
  imageChild_.reset();
}

void ContentView::DestroyHtmlView() {
  if (htmlView_ && htmlView_->m_hWnd) htmlView_->DestroyWindow();
  htmlView_.reset();
}

void ContentView::SetFit(bool fit) {
  fit_ = fit;
  image_.SetFit(!fit_);
}

void ContentView::FitImage() {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  image_.SetTargetSize(client.right, client.bottom);
  if (imageChild_ && imageChild_->m_hWnd) {
    ::MoveWindow(imageChild_->m_hWnd, 0, 0, client.right, client.bottom, FALSE);
    ::InvalidateRect(imageChild_->m_hWnd, nullptr, FALSE);
  }
}

bool ContentView::Load(const player::PlayItem& item) {
  std::wstring path = Trim(ToWide(item.path));
  if (!PathExists(path)) return true;
  itemPath_ = path;
  ::PlaySoundW(nullptr, nullptr, SND_PURGE);
  stopped_ = false;
  switch (player::KindOf(item.path)) {
    case player::ItemKind::Movie:
      kind_ = kFlash;
      break;
    case player::ItemKind::Page:
      kind_ = kHtml;
      break;
    default:
      kind_ = kImage;
      break;
  }
  if (kind_ == kImage) {
    flashHost_.Destroy();
    DestroyHtmlView();
    if (!imageChild_) {
      RegisterViewClass(kImageClass, nullptr);
      imageChild_ = std::make_unique<ImageChild>(image_);
      RECT client;
      ::GetClientRect(m_hWnd, &client);
      imageChild_->CreateEx(0, kImageClass, L"", WS_CHILD | WS_VISIBLE, client, m_hWnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kImageChildId)));
    }
    image_.Load(path);
    image_.SetFit(!fit_);
    SIZE size = image_.pixelSize();
    zoomRect_ = {0, 0, size.cx, size.cy};
    image_.SetZoomRect(zoomRect_);
    FitImage();
    if (transparent_ && owner_) {
      RECT client;
      ::GetClientRect(m_hWnd, &client);
      HRGN outline = image_.OutlineRegion(client);
      // The system owns a region once it is set.
      if (outline && !::SetWindowRgn(owner_, outline, TRUE)) ::DeleteObject(outline);
    }
  } else if (kind_ == kFlash) {
    DestroyImageChild();
    DestroyHtmlView();
    image_.Unload();
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!flashHost_.created) {
      if (transparent_) {
        RECT screen = client;
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&screen), 2);
        flashHost_.Create(this, true, screen);
      } else {
        if (backgroundColor_ >= 0) flashHost_.SetBackgroundColor(HostColour(backgroundColor_));
        RECT initial = {0, 0, 400, 400};
        if (flashHost_.Create(this, false, initial)) flashHost_.MoveTo(client);
      }
      flashHost_.SetAllowScale(allowScale_);
    }
    flashHost_.LoadMovie(path);
    if (item.quality != 3) flashHost_.SetQuality(item.quality);
    if (fit_) flashHost_.FitMovieToView(item.width, item.height);
  } else {
    flashHost_.Destroy();
    DestroyImageChild();
    image_.Unload();
    if (!htmlView_) {
      htmlView_ = std::make_unique<HtmlHolder>();
      if (!htmlView_->Create(this)) DestroyHtmlView();
    }
    if (htmlView_) htmlView_->control().Navigate(path);
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return true;
}

void ContentView::Stop() {
  if (ShowsMovie()) flashHost_.StopPlay();
  stopped_ = true;
}

void ContentView::Play() {
  if (ShowsMovie()) flashHost_.Play();
  stopped_ = false;
}

bool ContentView::IsPlaying() { return ShowsMovie() ? flashHost_.IsPlaying() : !stopped_; }

int ContentView::CurrentFrame() { return ShowsMovie() ? static_cast<int>(flashHost_.CurrentFrame()) : 1; }

bool ContentView::IsReady() { return ShowsMovie() ? flashHost_.IsReady() : true; }

void ContentView::ResetReady() {
  if (ShowsMovie()) flashHost_.ResetReady();
}

void ContentView::SetQuality(int quality) {
  quality_ = quality;
  if (ShowsMovie()) flashHost_.SetQuality(quality);
}

void ContentView::SetAllowScale(bool allow) {
  allowScale_ = allow;
  if (flashHost_.created) flashHost_.SetAllowScale(allow);
}

void ContentView::SetBackgroundColor(COLORREF colour) {
  backgroundColor_ = static_cast<int>(colour);
  if (flashHost_.created) flashHost_.SetBackgroundColor(backgroundColor_ >= 0 ? HostColour(backgroundColor_) : -1);
}

void ContentView::FitMovie(int width, int height) {
  if (fit_ && ShowsMovie()) flashHost_.FitMovieToView(width, height);
}

void ContentView::SetZoomRect(const RECT& zoom) {
  zoomRect_ = zoom;
  if (ShowsMovie()) flashHost_.SetZoomRect(zoom.left, zoom.top, zoom.right, zoom.bottom);
  if (kind_ == kImage) {
    image_.SetZoomRect(zoom);
    if (imageChild_ && imageChild_->m_hWnd) ::InvalidateRect(imageChild_->m_hWnd, nullptr, FALSE);
  }
}

void ContentView::PumpMessages() {
  MSG msg;
  for (int i = 0; i < 500 && ::PeekMessageW(&msg, nullptr, 0, 3072, PM_NOREMOVE); ++i) {
    if (!::PeekMessageW(&msg, nullptr, 0, 3072, PM_REMOVE)) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool ContentView::OnSize(UINT, int cx, int cy) {
  if (kind_ == kImage) FitImage();
  if (flashHost_.created && !flashHost_.windowless) flashHost_.MoveTo({0, 0, cx, cy});
  if (htmlView_ && htmlView_->m_hWnd) ::MoveWindow(htmlView_->m_hWnd, 0, 0, cx, cy, TRUE);
  return false;
}

bool ContentView::OnEraseBkgnd(HDC dc, LRESULT* result) {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  HBRUSH brush = backgroundColor_ >= 0 ? ::CreateSolidBrush(static_cast<COLORREF>(backgroundColor_))
                                       : static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  ::FillRect(dc, &client, brush);
  if (backgroundColor_ >= 0) ::DeleteObject(brush);
  *result = 1;
  return true;
}

bool ContentView::OnPaint() { return false; }

bool ContentView::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  if (msg == WM_EXITSIZEMOVE) {
    if (kind_ == kImage) FitImage();
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace projector
