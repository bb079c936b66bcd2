// Windows, frame windows and dialogs, bound to their HWND when the system creates them.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

class CFile;
class COleControlContainer;
class COleControlSite;
class Variant;
struct EventSinkEntry;

// How a registration that Windows refuses because the class exists counts: the class turned up between the
// look-up and the registration.
enum class RefusedAsExisting { kSucceeds, kFails };

// Registers a window class of this program unless one of that name is already there. cbSize is filled in, and
// hInstance when it is null. True when the class is there afterwards.
bool RegisterWindowClass(WNDCLASSEXW wc, RefusedAsExisting refused = RefusedAsExisting::kSucceeds);

// A window object bound to one HWND; a virtual window procedure dispatches to OnXxx handlers.
class CWnd {
  friend LRESULT AfxCallWndProc(CWnd* wnd, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  HWND GetSafeHwnd() const { return m_hWnd; }
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Creates a window of a class registered by the framework or by name; binds it at WM_NCCREATE.
  bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                HWND parent, HMENU menuOrId);
  virtual BOOL DestroyWindow();

  // Binds an existing window (a dialog's control) by subclassing its window procedure.
  bool SubclassWindow(HWND hwnd);
  HWND UnsubclassWindow();

  // Returns TRUE when the message was consumed and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg);

  LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
  BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageW(m_hWnd, msg, wp, lp); }
  void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
  std::wstring GetWindowText() const;
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  // Moves the window, or the control this object wraps through its site.
  BOOL MoveWindow(const RECT& rect, BOOL repaint = TRUE);

  // Control containment (occ.h): this object becomes the wrapper of an ActiveX control made in parent.
  BOOL CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                     UINT id, CFile* persist = nullptr, BOOL storage = FALSE, BSTR licenseKey = nullptr);
  BOOL CreateControl(const wchar_t* progId, const wchar_t* windowName, DWORD style, const RECT& rect,
                     CWnd* parent, UINT id, CFile* persist = nullptr, BOOL storage = FALSE,
                     BSTR licenseKey = nullptr);
  // Dispatch calls on the wrapped control; failures come back as HRESULTs, never as exceptions.
  template <typename... Args>
  HRESULT InvokeHelper(DISPID id, WORD flags, Variant* result, Args&&... args);
  HRESULT InvokeHelperV(DISPID id, WORD flags, Variant* result, Variant* args, size_t count);
  HRESULT GetProperty(DISPID id, Variant* value);
  HRESULT SetProperty(DISPID id, const Variant& value);
  COleControlSite* GetControlSite() const { return m_pCtrlSite; }
  COleControlContainer* GetControlContainer() const { return m_pCtrlCont; }
  // A control event: the event sink table of this window is searched for the control id and DISPID.
  virtual bool OnEvent(UINT controlId, DISPID dispid, DISPPARAMS* params);

  HWND m_hWnd = nullptr;
  // The site of the control this object wraps, and the container of the controls made in this window.
  COleControlSite* m_pCtrlSite = nullptr;
  COleControlContainer* m_pCtrlCont = nullptr;
  static constexpr DWORD WF_OLECTLCONTAINER = 0x0100;
  DWORD m_nFlags = 0;

 protected:
  // The virtual window procedure: OnWndMsg first, the default procedure for what it leaves.
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Dispatches to the OnXxx handlers; returns whether the message was handled and sets *result.
  virtual bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);

  // A catch-all for messages without a handler of their own; runs before the specific ones.
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) { return false; }
  virtual bool OnCreate(CREATESTRUCTW* cs) { return false; }
  virtual bool OnDestroy() { return false; }
  virtual bool OnClose() { return false; }
  virtual bool OnTimer(UINT_PTR id) { return false; }
  virtual bool OnSize(UINT type, int cx, int cy) { return false; }
  virtual bool OnMove(int x, int y) { return false; }
  virtual bool OnPaint() { return false; }
  virtual bool OnEraseBkgnd(HDC dc, LRESULT* result) { return false; }
  virtual bool OnCommand(WPARAM wp, LPARAM lp) { return false; }
  virtual bool OnSysCommand(UINT id, LPARAM lp) { return false; }
  virtual bool OnQueryDragIcon(LRESULT* result) { return false; }
  virtual bool OnExitSizeMove() { return false; }
  // Called after the window has been destroyed and unbound.
  virtual void PostNcDestroy() {}
  // The event sink table: handlers by control id and DISPID (see occ.h).
  virtual const EventSinkEntry* GetEventSinkMap(size_t* count) const {
    *count = 0;
    return nullptr;
  }
  // Closes the controls made in this window and the control this object wraps.
  void ReleaseContainment();

  void Bind(HWND hwnd);
  void Unbind();

  static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  WNDPROC previousProc_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DispatchBound(UINT msg, WPARAM wp, LPARAM lp);
};

// The framework's own handling of a message for a bound window object, as its window procedure would do it;
// for window procedures that take a framework window over and hand back what they leave.
LRESULT AfxCallWndProc(CWnd* wnd, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// A top-level frame window; with no class name it uses the framework's own frame class.
class CFrameWnd : public CWnd {
 public:
  static const RECT rectDefault;
  bool Create(const wchar_t* className, const wchar_t* title, DWORD style = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, HWND parent = nullptr, HMENU menu = nullptr, DWORD exStyle = 0);
};

class CDialog;

// Moves values between a dialog's controls and its members, in one direction per exchange.
struct CDataExchange {
  CDialog* dialog;
  bool saveAndValidate;
};
void DDX_Check(CDataExchange* dx, int id, BOOL& value);
void DDX_Text(CDataExchange* dx, int id, std::wstring& value);

// A dialog made from a template of the program's resources, run modally with its own message loop.
class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, HWND parent = nullptr) : templateId_(templateId), parent_(parent) {}

  // Runs the dialog modally; PreTranslateMessage sees every message first. Returns EndDialog's value, -1 on failure.
  virtual INT_PTR DoModal();
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  BOOL PreTranslateMessage(MSG* msg) override;
  UINT templateId() const { return templateId_; }
  HWND parent() const { return parent_; }

 protected:
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx) {}
  bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  UINT templateId_;
  HWND parent_;
  bool modalEnded_ = false;
  int modalResult_ = -1;
  bool inModalLoop_ = false;
};

}  // namespace framework
