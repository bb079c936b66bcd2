// The control site that lets a control be in-place active without a window of its own.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "framework/com.h"
#include "framework/occ.h"

namespace projector {

class COleControlContainerEx;

// One control, windowed or windowless: a windowless one is keyed by a pseudo handle, gets its input from the
// container window and draws into the DCs it is given.
class COleControlSiteEx : public framework::COleControlSite {
 public:
  explicit COleControlSiteEx(framework::COleControlContainer* container);
  ~COleControlSiteEx() override;

  // Called by the control manager right after it made the site.
  virtual void OnSiteCreated() {}
  // Passes a message to the windowless control; TRUE when the control answered S_OK.
  virtual BOOL OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  virtual void OnAmbientPropertyChange(DISPID dispid);
  // Creates the control in this site, windowless when the control chooses to be.
  virtual HRESULT CreateControlEx(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                                  const RECT& rect, UINT id, framework::CFile* persist = nullptr,
                                  BOOL storage = FALSE, BSTR licenseKey = nullptr);
  // Draws a visible windowless control into dc at the site's rectangle.
  virtual void Draw(HDC dc);
  virtual HDC GetDC(const RECT* rect, DWORD flags);
  virtual void ReleaseDC(HDC dc);
  virtual void InvalidateRect(const RECT* rect, BOOL erase);
  virtual void InvalidateRgn(HRGN rgn, BOOL erase);
  virtual void ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip);
  virtual void AdjustRect(RECT* rect) {}
  // What the container does with a message the windowless control left unhandled; FALSE leaves it to the control.
  virtual BOOL OnDefWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  // Mouse capture and keyboard focus as the windowless site interface asks for them.
  HRESULT GetCaptureState() const;
  HRESULT SetCaptureState(BOOL capture);
  HRESULT GetFocusState() const;
  HRESULT SetFocusState(BOOL focus);

  HRESULT CreateControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                        const RECT& rect, UINT id, framework::CFile* persist = nullptr, BOOL storage = FALSE,
                        BSTR licenseKey = nullptr) override;
  DWORD GetStyle() const override;
  DWORD GetExStyle() const override;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags) override;
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags) override;
  BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL ShowWindow(int command) override;
  framework::CWnd* SetFocus() override;
  void SetWindowText(const wchar_t* text) override;
  void* GetInterface(REFIID iid) override;

  // A pseudo handle (bit 0 set) marks a windowless site; it is a key, never a window.
  static bool IsPseudoHandle(HWND key) { return (reinterpret_cast<UINT_PTR>(key) & 1) != 0; }
  bool IsWindowless() const { return IsPseudoHandle(m_hWnd); }
  bool IsWindowed() const { return m_hWnd && !IsWindowless(); }
  COleControlContainerEx* ContainerEx() const;

  DWORD activateFlags = 0;
  framework::ComPtr<IOleInPlaceObjectWindowless> windowlessObject;

 protected:
  // The in-place site a windowless control talks to.
  struct XOleIPSiteWindowless : IOleInPlaceSiteWindowless {
    COleControlSiteEx* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override;
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL noRedraw) override;
    STDMETHODIMP RequestUIActivate() override;
    STDMETHODIMP CanWindowlessActivate() override;
    STDMETHODIMP GetCapture() override;
    STDMETHODIMP SetCapture(BOOL capture) override;
    STDMETHODIMP GetFocus() override;
    STDMETHODIMP SetFocus(BOOL focus) override;
    STDMETHODIMP GetDC(LPCRECT rect, DWORD flags, HDC* dc) override;
    STDMETHODIMP ReleaseDC(HDC dc) override;
    STDMETHODIMP InvalidateRect(LPCRECT rect, BOOL erase) override;
    STDMETHODIMP InvalidateRgn(HRGN rgn, BOOL erase) override;
    STDMETHODIMP ScrollRect(INT dx, INT dy, LPCRECT scroll, LPCRECT clip) override;
    STDMETHODIMP AdjustRect(LPRECT rect) override;
    STDMETHODIMP OnDefWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  };
  XOleIPSiteWindowless m_xOleIPSiteWindowless;

 private:
  // Writes a control property of type VT_BOOL or VT_I2; true when the control took it.
  bool SetStockProperty(DISPID dispid, VARTYPE type, long value);
  // Reads a control property coerced to VT_BOOL or VT_I2 into value; false when it cannot be read.
  bool GetStockProperty(DISPID dispid, VARTYPE type, long* value) const;
};

}  // namespace projector
