#include "player/player_overlay.h"

#include <algorithm>
#include <vector>

namespace projector {

namespace {

constexpr wchar_t kOverlayClass[] = L"ProjectorOverlay";

const wchar_t* OverlayClass() {
  WNDCLASSEXW wc{};
  wc.style = CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kOverlayClass;
  framework::RegisterWindowClass(wc);
  return kOverlayClass;
}

RECT ClientOnScreen(HWND hwnd) {
  RECT r;
  ::GetClientRect(hwnd, &r);
  POINT origin = {0, 0};
  ::ClientToScreen(hwnd, &origin);
  ::OffsetRect(&r, origin.x, origin.y);
  return r;
}

}  // namespace

OverlayTextBox::OverlayTextBox()
    : text_(::GetSysColor(COLOR_WINDOWTEXT)),
      background_(::GetSysColor(COLOR_WINDOW)),
      brush_(::CreateSolidBrush(background_)) {}

bool OverlayTextBox::Create(HWND parent, const RECT& rect, DWORD alignmentStyle) {
  return CreateEx(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | alignmentStyle, rect, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)));
}

void OverlayTextBox::SetColours(COLORREF text, COLORREF background) {
  text_ = text;
  background_ = background;
  brush_.reset(::CreateSolidBrush(background));
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void OverlayTextBox::SetFontIndirect(const LOGFONTW& font) {
  font_.reset(::CreateFontIndirectW(&font));
  if (m_hWnd) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

HBRUSH OverlayTextBox::Colour(HDC dc) const {
  ::SetTextColor(dc, text_);
  ::SetBkColor(dc, background_);
  return brush_.get();
}

bool OverlayPopup::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
  if ((msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC) && textBox) {
    *result = reinterpret_cast<LRESULT>(textBox->Colour(reinterpret_cast<HDC>(wp)));
    return true;
  }
  return false;
}

PlayerOverlay::PlayerOverlay() = default;

PlayerOverlay::~PlayerOverlay() { Destroy(); }

void PlayerOverlay::SetPicture(HBITMAP picture) {
  picture_ = picture;
  pictureShown_ = picture != nullptr;
}

void PlayerOverlay::SetText(HFONT font, const std::wstring& text, int alignment, COLORREF textColour,
                            COLORREF background) {
  hasFont_ = font && ::GetObjectW(font, sizeof(font_), &font_) > 0;
  text_ = text;
  alignment_ = alignment;
  textColour_ = textColour;
  background_ = background;
  textShown_ = hasFont_ && !text_.empty();
}

void PlayerOverlay::Destroy() {
  if (textBox_ && textBox_->m_hWnd) textBox_->DestroyWindow();
  textBox_.reset();
  if (textPopup_ && textPopup_->m_hWnd) textPopup_->DestroyWindow();
  textPopup_.reset();
  if (picturePopup_ && picturePopup_->m_hWnd) picturePopup_->DestroyWindow();
  picturePopup_.reset();
}

bool PlayerOverlay::CreatePicture(const RECT& candidate) {
  BITMAP info{};
  if (!picture_ || !::GetObjectW(picture_, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
    return false;
  int w = std::min<LONG>(info.bmWidth, candidate.right - candidate.left);
  int h = std::min<LONG>(info.bmHeight, candidate.bottom - candidate.top);
  if (w <= 0 || h <= 0) return false;
  auto popup = std::make_unique<OverlayPopup>();
  RECT r = {candidate.left, candidate.top, candidate.left + w, candidate.top + h};
  if (!popup->CreateEx(0, OverlayClass(), L"", WS_POPUP, r, owner_, nullptr)) return false;
  HWND image = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | SS_BITMAP, 0, 0, w, h,
                                 popup->m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(0xFFFF)),
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (image) {
    ::SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    // The static control sizes itself to the bitmap; the pop-up cuts it to the rectangle.
    ::MoveWindow(image, 0, 0, w, h, FALSE);
  }
  RECT client = ClientOnScreen(owner_);
  pictureRect_ = {r.left - client.left, r.top - client.top, r.right - client.left, r.bottom - client.top};
  ::ShowWindow(popup->m_hWnd, SW_SHOWNOACTIVATE);
  ::InvalidateRect(popup->m_hWnd, nullptr, TRUE);
  picturePopup_ = std::move(popup);
  return true;
}

bool PlayerOverlay::CreateText(const RECT& candidate) {
  if (!hasFont_ || text_.empty()) return false;
  auto popup = std::make_unique<OverlayPopup>();
  if (!popup->CreateEx(0, OverlayClass(), L"", WS_POPUP, candidate, owner_, nullptr)) return false;
  auto box = std::make_unique<OverlayTextBox>();
  DWORD align = alignment_ == 2 ? ES_CENTER : alignment_ == 1 ? ES_RIGHT : 0;
  RECT inside = {0, 0, candidate.right - candidate.left, candidate.bottom - candidate.top};
  if (!box->Create(popup->m_hWnd, inside, align)) {
    popup->DestroyWindow();
    return false;
  }
  popup->textBox = box.get();
  box->SetFontIndirect(font_);
  box->SetWindowText(text_);
  box->SetColours(textColour_, background_);

  // The needed size: the widest line (with an "A" of slack) plus the margins, and the lines' heights.
  HDC dc = ::GetDC(box->m_hWnd);
  HGDIOBJ old = ::SelectObject(dc, box->font());
  int lines = static_cast<int>(box->SendMessage(EM_GETLINECOUNT));
  int width = 0, height = 0;
  std::vector<wchar_t> buffer(4097);
  for (int i = 0; i < lines; ++i) {
    *reinterpret_cast<WORD*>(buffer.data()) = 4096;
    int n = static_cast<int>(box->SendMessage(EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data())));
    n = std::clamp(n, 0, 4096);
    std::wstring line(buffer.data(), static_cast<size_t>(n));
    line += L"A";
    SIZE extent{0, 0};
    ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent);
    width = std::max<int>(width, extent.cx);
    height += extent.cy;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(box->m_hWnd, dc);
  LRESULT margins = box->SendMessage(EM_GETMARGINS);
  width += LOWORD(margins) + HIWORD(margins) + 5;
  height += 5;
  width = std::min<int>(width, candidate.right - candidate.left) + ::GetSystemMetrics(SM_CXEDGE);
  height = std::min<int>(height, candidate.bottom - candidate.top) + ::GetSystemMetrics(SM_CYEDGE);
  ::MoveWindow(popup->m_hWnd, candidate.left, candidate.top, width, height, FALSE);
  ::MoveWindow(box->m_hWnd, 0, 0, width, height, FALSE);
  RECT client = ClientOnScreen(owner_);
  textRect_ = {candidate.left - client.left, candidate.top - client.top, candidate.left - client.left + width,
               candidate.top - client.top + height};
  ::ShowWindow(popup->m_hWnd, SW_SHOWNOACTIVATE);
  textPopup_ = std::move(popup);
  textBox_ = std::move(box);
  return true;
}

BOOL PlayerOverlay::Show(HWND player) {
  owner_ = player;
  if (!player || !::IsWindow(player) || (!pictureShown_ && !textShown_)) return FALSE;
  RECT c = ClientOnScreen(player);
  RECT pictureCandidate = {c.left, c.top, c.left + (c.right - c.left) * 3 / 4, c.top + (c.bottom - c.top) * 3 / 4};
  pictureShown_ = pictureShown_ && CreatePicture(pictureCandidate);
  int pictureWidth = pictureShown_ ? pictureRect_.Width() : 0;
  RECT textCandidate = {c.left, c.top, c.right - 12 - pictureWidth, c.bottom - 9};
  textShown_ = textShown_ && CreateText(textCandidate);
  if (!pictureShown_ && !textShown_) {
    Destroy();
    return FALSE;
  }
  Relayout();
  return TRUE;
}

void PlayerOverlay::Relayout() {
  if ((!picturePopup_ && !textPopup_) || !owner_ || !::IsWindow(owner_)) return;
  RECT c = ClientOnScreen(owner_);
  player::Size client{c.right - c.left, c.bottom - c.top};
  player::Size pic = picturePopup_ ? player::Size{pictureRect_.Width(), pictureRect_.Height()} : player::Size{};
  player::Size text = textPopup_ ? player::Size{textRect_.Width(), textRect_.Height()} : player::Size{};
  player::OverlayPlacement p = player::LayOutOverlay(position_, client, pic, text);
  pictureRect_ = p.picture;
  textRect_ = p.text;
  auto place = [&](OverlayPopup* popup, const player::Rect& r) {
    if (!popup || !popup->m_hWnd) return;
    player::Rect shown = player::ClipToClient(r, client);
    ::MoveWindow(popup->m_hWnd, c.left + shown.left, c.top + shown.top, shown.Width(), shown.Height(), TRUE);
  };
  place(picturePopup_.get(), pictureRect_);
  place(textPopup_.get(), textRect_);
}

}  // namespace projector
