#include "framework/wnd.h"

#include <cassert>
#include <vector>

#include "framework/app.h"
#include "framework/occ.h"

namespace framework {

namespace {

constexpr wchar_t kBindingProperty[] = L"FrameworkWindowObject";
constexpr wchar_t kFrameClass[] = L"FrameworkFrame";
constexpr wchar_t kWindowClass[] = L"FrameworkWindow";

// Window creation carries the object through lpCreateParams; a thread-local pointer covers
// classes registered by others, whose create parameters are not ours to use.
thread_local CWnd* g_creating = nullptr;

bool EnsureClass(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterWindowClass(wc);
}

}  // namespace

bool RegisterWindowClass(WNDCLASSEXW wc, RefusedAsExisting refused) {
  wc.cbSize = sizeof(wc);
  if (!wc.hInstance) wc.hInstance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing)) return true;
  if (::RegisterClassExW(&wc)) return true;
  return refused == RefusedAsExisting::kSucceeds && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

CWnd::~CWnd() {
  ReleaseContainment();
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    HWND hwnd = m_hWnd;
    Unbind();
    ::DestroyWindow(hwnd);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  return static_cast<CWnd*>(::GetPropW(hwnd, kBindingProperty));
}

void CWnd::Bind(HWND hwnd) {
  assert(hwnd && !m_hWnd);
  m_hWnd = hwnd;
  ::SetPropW(hwnd, kBindingProperty, this);
}

void CWnd::Unbind() {
  if (m_hWnd) ::RemovePropW(m_hWnd, kBindingProperty);
  m_hWnd = nullptr;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                    HWND parent, HMENU menuOrId) {
  if (m_hWnd) return false;
  if (!className) {
    if (!EnsureClass(kWindowClass, StandardWindowProc, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
      return false;
    className = kWindowClass;
  }
  CWnd* outer = g_creating;
  g_creating = this;
  int x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
  if (rect.left == CW_USEDEFAULT) {
    x = y = cx = cy = CW_USEDEFAULT;
  }
  HWND hwnd = ::CreateWindowExW(exStyle, className, title ? title : L"", style, x, y, cx, cy, parent, menuOrId,
                                ::GetModuleHandleW(nullptr), this);
  g_creating = outer;
  if (!hwnd) {
    if (m_hWnd) Unbind();
    return false;
  }
  if (!m_hWnd) {
    // A class of another window procedure: take the window over by subclassing it.
    SubclassWindow(hwnd);
  }
  return true;
}

BOOL CWnd::DestroyWindow() {
  if (m_pCtrlSite) {
    // A control's window belongs to the control: closing it through its site destroys it.
    m_pCtrlSite->m_pCtrlCont->DestroySite(m_pCtrlSite);
    return TRUE;
  }
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

bool CWnd::SubclassWindow(HWND hwnd) {
  if (m_hWnd || !hwnd) return false;
  Bind(hwnd);
  previousProc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
  return true;
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (hwnd && previousProc_) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    previousProc_ = nullptr;
  }
  Unbind();
  return hwnd;
}

std::wstring CWnd::GetWindowText() const {
  int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  int got = ::GetWindowTextW(m_hWnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (previousProc_) return ::CallWindowProcW(previousProc_, m_hWnd, msg, wp, lp);
  return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (!OnWndMsg(msg, wp, lp, &result)) result = DefWindowProc(msg, wp, lp);
  return result;
}

bool CWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  *result = 0;
  if (OnMessage(msg, wp, lp, result)) return true;
  switch (msg) {
    case WM_CREATE:
      if (OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp))) return true;
      break;
    case WM_DESTROY:
      return OnDestroy();
    case WM_CLOSE:
      return OnClose();
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wp));
    case WM_SIZE:
      return OnSize(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
    case WM_MOVE:
      return OnMove(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
    case WM_PAINT:
      return OnPaint();
    case WM_ERASEBKGND:
      return OnEraseBkgnd(reinterpret_cast<HDC>(wp), result);
    case WM_COMMAND:
      return OnCommand(wp, lp);
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wp), lp);
    case WM_QUERYDRAGICON:
      return OnQueryDragIcon(result);
    case WM_EXITSIZEMOVE:
      return OnExitSizeMove();
    default:
      break;
  }
  return false;
}

LRESULT CWnd::DispatchBound(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = WindowProc(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    if (m_pCtrlCont) {
      delete m_pCtrlCont;
      m_pCtrlCont = nullptr;
    }
    if (previousProc_) {
      ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
      previousProc_ = nullptr;
    }
    Unbind();
    PostNcDestroy();
  }
  return result;
}

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self && msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      self = static_cast<CWnd*>(cs->lpCreateParams);
      if (!self) self = g_creating;
      if (self) self->Bind(hwnd);
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->DispatchBound(msg, wp, lp);
  } catch (...) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->DispatchBound(msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT AfxCallWndProc(CWnd* wnd, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!wnd || wnd->m_hWnd != hwnd) return ::DefWindowProcW(hwnd, msg, wp, lp);
  return wnd->DispatchBound(msg, wp, lp);
}

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

bool CFrameWnd::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, HWND parent,
                       HMENU menu, DWORD exStyle) {
  if (!className) {
    if (!EnsureClass(kFrameClass, StandardWindowProc, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
      return false;
    className = kFrameClass;
  }
  return CreateEx(exStyle, className, title, style, rect, parent, menu);
}

void DDX_Check(CDataExchange* dx, int id, BOOL& value) {
  HWND control = dx->dialog->GetDlgItem(id);
  if (!control) return;
  if (dx->saveAndValidate) {
    value = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  } else {
    ::SendMessageW(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void DDX_Text(CDataExchange* dx, int id, std::wstring& value) {
  HWND control = dx->dialog->GetDlgItem(id);
  if (!control) return;
  if (dx->saveAndValidate) {
    int n = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    int got = ::GetWindowTextW(control, text.data(), n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    value = text;
  } else {
    ::SetWindowTextW(control, value.c_str());
  }
}

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  modalEnded_ = false;
  modalResult_ = -1;
  HWND owner = parent_;
  inModalLoop_ = true;
  HWND created = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                                      &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!created) {
    inModalLoop_ = false;
    return -1;
  }
  bool ownerDisabled = false;
  if (owner && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  bool shown = false;
  MSG msg;
  while (!modalEnded_ && m_hWnd) {
    if (!shown && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // The dialog is shown once its queue first runs dry, after initialisation has settled its state.
      shown = true;
      if (!(GetStyle() & WS_VISIBLE)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
      continue;
    }
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    bool consumed = false;
    for (HWND h = msg.hwnd; h; h = ::GetParent(h)) {
      CWnd* target = CWnd::FromHandlePermanent(h);
      if (target && target->PreTranslateMessage(&msg)) {
        consumed = true;
        break;
      }
      if (h == m_hWnd) break;
    }
    if (!consumed) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  inModalLoop_ = false;
  if (ownerDisabled) ::EnableWindow(owner, TRUE);
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (owner) ::SetActiveWindow(owner);
    ::DestroyWindow(m_hWnd);
  }
  return modalResult_;
}

void CDialog::EndDialog(int result) {
  modalResult_ = result;
  modalEnded_ = true;
  if (!inModalLoop_ && m_hWnd) ::DestroyWindow(m_hWnd);
  // Wakes the modal loop, which may be waiting in GetMessage.
  if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx{this, saveAndValidate != FALSE};
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd) return ::IsDialogMessageW(m_hWnd, msg);
  return FALSE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) {
  // Unhandled dialog messages go back to the dialog manager, which answers them itself.
  return 0;
}

bool CDialog::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (CWnd::OnWndMsg(msg, wp, lp, result)) return true;
  if (msg == WM_COMMAND && (lp == 0 || HIWORD(wp) == BN_CLICKED)) {
    if (LOWORD(wp) == IDOK) {
      OnOK();
      return true;
    }
    if (LOWORD(wp) == IDCANCEL) {
      OnCancel();
      return true;
    }
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    CDialog* self = static_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
    if (msg == WM_INITDIALOG) {
      self = reinterpret_cast<CDialog*>(lp);
      if (!self) return FALSE;
      self->Bind(hwnd);
      return self->OnInitDialog();
    }
    if (!self) return FALSE;
    LRESULT result = 0;
    bool handled = self->OnWndMsg(msg, wp, lp, &result);
    if (msg == WM_NCDESTROY) {
      if (self->m_pCtrlCont) {
        delete self->m_pCtrlCont;
        self->m_pCtrlCont = nullptr;
      }
      self->Unbind();
      self->PostNcDestroy();
      return FALSE;
    }
    if (!handled) return FALSE;
    switch (msg) {
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC:
      case WM_COMPAREITEM:
      case WM_VKEYTOITEM:
      case WM_CHARTOITEM:
      case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
      default:
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
  } catch (...) {
    return FALSE;
  }
}

}  // namespace framework
