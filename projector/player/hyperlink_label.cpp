#include "hyperlink_label.h"

#include <commctrl.h>
#include <shellapi.h>


#include "about_rules.h"

namespace projector {

namespace {

constexpr UINT kMetricsSize = 500;  // the metrics record as every system since Windows 95 knows it

// The default value of a key of HKEY_CLASSES_ROOT; false when it cannot be read.
bool ReadClassesValue(const std::wstring& path, std::wstring* value) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
  framework::UniqueRegKey key(raw);
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
      ERROR_SUCCESS)
    return false;
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  if (type == REG_EXPAND_SZ) {
    DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    std::wstring expanded(n, L'\0');
    if (n && ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), n) == n) {
      expanded.resize(n - 1);
      text = expanded;
    }
  }
  *value = text;
  return true;
}

}  // namespace

HyperlinkLabel::~HyperlinkLabel() {
  if (tip_ && ::IsWindow(tip_)) ::DestroyWindow(tip_);
}

void HyperlinkLabel::SetColours(COLORREF normal, COLORREF visited, COLORREF hover) {
  normalColour_ = normal;
  visitedColour_ = visited;
  hoverColour_ = hover == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void HyperlinkLabel::SetUnderline(bool underline) {
  underline_ = underline;
  if (m_hWnd) {
    MakeFont();
    if (autoSize_) FitToText();
  }
}

void HyperlinkLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (m_hWnd && autoSize_) FitToText();
}

void HyperlinkLabel::SetTipText(const std::wstring& text) {
  tipText_ = text;
  if (tip_) {
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = m_hWnd;
    info.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    info.lpszText = tipText_.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

void HyperlinkLabel::SetVisited(bool visited) {
  visited_ = visited;
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

COLORREF HyperlinkLabel::TextColour() const {
  if (hover_) return hoverColour_;
  return visited_ ? visitedColour_ : normalColour_;
}

bool HyperlinkLabel::SubclassDlgItem(int id, HWND parent) {
  HWND control = ::GetDlgItem(parent, id);
  if (!control || !SubclassWindow(control)) return false;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(GetStyle() | SS_NOTIFY));
  std::wstring text = GetWindowText();
  if (target_.empty()) target_ = text;
  if (text.empty()) SetWindowText(target_);
  MakeFont();
  if (autoSize_) FitToText();
  if (!cursor_) {
    wchar_t windows[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      framework::UniqueModule help(::LoadLibraryW((std::wstring(windows) + L"\\winhlp32.exe").c_str()));
      HCURSOR hand = help ? ::LoadCursorW(help.get(), MAKEINTRESOURCEW(kHandCursor)) : nullptr;
      // The copy outlives the program it came from.
      if (hand) ownedCursor_.reset(::CopyIcon(hand));
    }
    cursor_ = ownedCursor_ ? ownedCursor_.get() : ::LoadCursorW(nullptr, IDC_HAND);
  }
  return true;
}

void HyperlinkLabel::MakeFont() {
  LOGFONTW logFont{};
  HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(m_hWnd), WM_GETFONT, 0, 0));
  if (!parentFont || ::GetObjectW(parentFont, sizeof(logFont), &logFont) != sizeof(logFont)) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = kMetricsSize;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) return;
    logFont = metrics.lfMessageFont;
  }
  logFont.lfUnderline = underline_ ? TRUE : FALSE;
  framework::UniqueFont made(::CreateFontIndirectW(&logFont));
  if (!made) return;
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), TRUE);
  // The old font is released only once the control has let go of it.
  font_ = std::move(made);
}

void HyperlinkLabel::FitToText() {
  std::wstring text = GetWindowText();
  framework::ScreenDC dc(m_hWnd);
  if (!dc.get()) return;
  HGDIOBJ old = ::SelectObject(dc.get(), font_ ? static_cast<HGDIOBJ>(font_.get())
                                                : reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc.get(), old);
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
  DWORD style = GetStyle();
  player::LabelAlignment alignment;
  alignment.centreVertically = (style & SS_CENTERIMAGE) != 0;
  alignment.centre = (style & SS_TYPEMASK) == SS_CENTER;
  alignment.right = (style & SS_TYPEMASK) == SS_RIGHT;
  player::Rect fitted = player::FitLabel({r.left, r.top, r.right, r.bottom}, {extent.cx, extent.cy}, alignment);
  ::SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, fitted.Width(), fitted.Height(), SWP_NOZORDER);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void HyperlinkLabel::Redraw() { ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE); }

void HyperlinkLabel::ShowTip() {
  if (tipText_.empty()) return;
  if (!tip_) {
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ::GetParent(m_hWnd), nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
    if (!tip_) return;
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = m_hWnd;
    info.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    info.lpszText = tipText_.data();
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
  // The tip sits just below the label.
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(r.left, r.bottom + 2));
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = m_hWnd;
  info.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  ::SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void HyperlinkLabel::HideTip() {
  if (!tip_) return;
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = m_hWnd;
  info.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  ::SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

void HyperlinkLabel::OnMouseMove(POINT at) {
  if (!hover_) {
    ShowTip();
    hover_ = true;
    Redraw();
    ::SetCapture(m_hWnd);
    return;
  }
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  if (::PtInRect(&client, at)) {
    ShowTip();
    return;
  }
  HideTip();
  hover_ = false;
  ::ReleaseCapture();
  Redraw();
}

void HyperlinkLabel::OnClicked() {
  HideTip();
  INT_PTR result = OpenTarget(target_, SW_SHOW);
  if (result > 32) {
    visited_ = true;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  } else {
    ::MessageBeep(MB_ICONEXCLAMATION);
  }
  HideTip();
  hover_ = false;
  // Without the hover there is no reason to keep the mouse.
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

INT_PTR HyperlinkLabel::OpenTarget(const std::wstring& target, int show) {
  INT_PTR result = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, show));
  if (result > 32) return result;
  std::wstring handlerClass, command;
  if (!ReadClassesValue(L".htm", &handlerClass) || handlerClass.empty()) return result;
  if (!ReadClassesValue(handlerClass + L"\\shell\\open\\command", &command)) return result;
  std::wstring line = player::HandlerCommandLine(command, target);
  char narrow[1024] = {};
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, line.c_str(), -1, narrow, sizeof(narrow), nullptr, nullptr);
  // A command line cut short would start something else than asked for.
  if (bytes <= 0) return result;
  return static_cast<INT_PTR>(::WinExec(narrow, static_cast<UINT>(show)));
}

bool HyperlinkLabel::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg != WM_CTLCOLORSTATIC && msg != WM_COMMAND) return false;
  HWND child = reinterpret_cast<HWND>(lp);
  if (!child || !dynamic_cast<HyperlinkLabel*>(CWnd::FromHandlePermanent(child))) return false;
  *result = ::SendMessageW(child, kReflectBase + msg, wp, lp);
  return true;
}

bool HyperlinkLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case kReflectBase + WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetTextColor(dc, TextColour());
      ::SetBkMode(dc, TRANSPARENT);
      *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
      return true;
    }
    case kReflectBase + WM_COMMAND:
      if (HIWORD(wp) == STN_CLICKED) OnClicked();
      *result = 0;
      return true;
    case WM_SETCURSOR:
      if (!cursor_) return false;
      ::SetCursor(cursor_);
      *result = TRUE;
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove({static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
      return false;
    default:
      return false;
  }
}

bool HyperlinkLabel::OnDestroy() {
  if (tip_ && ::IsWindow(tip_)) ::DestroyWindow(tip_);
  tip_ = nullptr;
  return false;
}

}  // namespace projector
