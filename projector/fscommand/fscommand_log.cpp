#include "fscommand/fscommand_log.h"

#include <cstddef>

#include "core/log_rules.h"
#include "framework/app.h"

namespace projector {

namespace {

constexpr wchar_t kLogClass[] = L"ProjectorFSCommandLog";
constexpr wchar_t kLogTitle[] = L"FSCommand Log";
constexpr wchar_t kProfileSection[] = L"DebugDlg";
constexpr wchar_t kProfileEntry[] = L"Rect";
constexpr DWORD kLogStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kLogExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                             ES_AUTOHSCROLL | ES_WANTRETURN;
static_assert(kLogStyle == 0x86CC0000u, "the log window's style");
// The metrics record as systems before Vista know it; newer ones accept it too.
constexpr UINT kMetricsSize = 500;
static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == kMetricsSize, "the classic metrics record");

LogRect ToLogRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

FSCommandLog::~FSCommandLog() = default;

bool FSCommandLog::CreateLogWindow(HWND owner) {
  if (m_hWnd) return false;
  WNDCLASSEXW wc{};
  wc.style = CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = &CWnd::StandardWindowProc;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLogClass;
  if (!framework::RegisterWindowClass(wc, framework::RefusedAsExisting::kFails)) return false;
  if (!CreateEx(kLogExStyle, kLogClass, kLogTitle, kLogStyle, RECT{0, 0, 350, 200}, owner, nullptr)) return false;

  RECT client;
  ::GetClientRect(m_hWnd, &client);
  if (edit_.CreateEx(0, L"EDIT", L"", kEditStyle, client, m_hWnd, reinterpret_cast<HMENU>(1))) {
    // Only typing is limited by default; the log grows to its own cut.
    edit_.SendMessage(EM_SETLIMITTEXT, 0, 0);
    ::ShowWindow(edit_.m_hWnd, SW_SHOW);
  }

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = kMetricsSize;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) {
    font_.reset(::CreateFontIndirectW(&metrics.lfMenuFont));
    if (font_ && edit_.m_hWnd) edit_.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }

  PlaceWindow(owner);
  Show(false);
  // The player has made the extraction folder, which holds the library, the current directory.
  resourceLibrary_.reset(::LoadLibraryW(L"Mardenkit.dll"));
  std::wstring title = LoadLogText(kTitleText);
  if (!title.empty()) SetWindowText(title);
  imageIcon_ = nullptr;
  return true;
}

void FSCommandLog::PlaceWindow(HWND owner) {
  framework::CWinApp* app = framework::AfxGetApp();
  std::wstring stored = app ? app->GetProfileString(kProfileSection, kProfileEntry, L"") : std::wstring();
  std::optional<LogRect> place = ParseLogRect(stored);
  if (!place) {
    RECT around{};
    if (!owner || !::GetWindowRect(owner, &around)) ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    place = CentredLogRect(ToLogRect(around));
  }
  ::MoveWindow(m_hWnd, place->left, place->top, place->right - place->left, place->bottom - place->top, FALSE);
}

bool FSCommandLog::IsShown() const { return shown_ && m_hWnd && ::IsWindowVisible(m_hWnd); }

void FSCommandLog::Show(bool show) {
  shown_ = show;
  if (!m_hWnd) return;
  HWND focus = ::GetFocus();
  ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE);
  if (focus && ::IsWindow(focus)) ::SetFocus(focus);
}

std::wstring FSCommandLog::Text() const {
  if (!edit_.m_hWnd) return {};
  return edit_.GetWindowText();
}

void FSCommandLog::AppendLine(const std::wstring& text, bool newline) {
  if (!edit_.m_hWnd || !::IsWindow(edit_.m_hWnd)) return;
  edit_.SendMessage(WM_SETREDRAW, FALSE, 0);
  int lines = static_cast<int>(edit_.SendMessage(EM_GETLINECOUNT, 0, 0));
  std::wstring log = CutLogText(edit_.GetWindowText(), lines);
  log += text;
  if (newline) log += L"\r\n";
  edit_.SetWindowText(log);
  edit_.SendMessage(EM_LINESCROLL, 0, kScrollLines);
  edit_.SendMessage(WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(edit_.m_hWnd, nullptr, TRUE);
}

std::wstring FSCommandLog::LoadLogText(UINT id) const {
  HMODULE library = resourceLibrary_.get();
  if (!library) return {};
  if (!::FindResourceW(library, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6))) return {};
  std::wstring buffer(4095, L'\0');
  int n = ::LoadStringW(library, id, buffer.data(), static_cast<int>(buffer.size()));
  buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return buffer;
}

void FSCommandLog::LogCommand(const std::wstring& command, const std::wstring& args, const std::wstring& result) {
  if (!IsShown()) return;
  AppendBlankLine();
  AppendLine(FormatLogLine(LoadLogText(kCommandLine), {command, args}));
  AppendLine(FormatLogLine(LoadLogText(kResultLine), {result}));
}

void FSCommandLog::OnCommand(const std::wstring& command, const std::wstring& args) {
  if (!IsShown()) return;
  AppendBlankLine();
  AppendLine(FormatLogLine(LoadLogText(kCommandLine), {command, args}));
}

void FSCommandLog::OnFound(const std::wstring& libraryFileName) {
  if (IsShown()) AppendLine(FormatLogLine(LoadLogText(kFoundLine), {libraryFileName}));
}

void FSCommandLog::OnResult(const std::wstring& result) {
  if (IsShown()) AppendLine(FormatLogLine(LoadLogText(kResultLine), {result}));
}

void FSCommandLog::OnNotFound() {
  if (IsShown()) AppendLine(LoadLogText(kNotFoundLine));
}

bool FSCommandLog::OnSize(UINT, int cx, int cy) {
  if (edit_.m_hWnd) ::MoveWindow(edit_.m_hWnd, 0, 0, cx, cy, TRUE);
  return false;
}

bool FSCommandLog::OnSysCommand(UINT id, LPARAM) {
  if ((id & 0xFFF0) != SC_CLOSE) return false;
  // The log lives as long as the player window; its close box only hides it.
  ::ShowWindow(m_hWnd, SW_HIDE);
  return true;
}

bool FSCommandLog::OnEraseBkgnd(HDC, LRESULT* result) {
  // The edit covers the whole client area.
  *result = 1;
  return true;
}

bool FSCommandLog::OnDestroy() {
  RECT r;
  framework::CWinApp* app = framework::AfxGetApp();
  if (app && ::GetWindowRect(m_hWnd, &r))
    app->WriteProfileString(kProfileSection, kProfileEntry, FormatLogRect(ToLogRect(r)).c_str());
  return false;
}

}  // namespace projector
