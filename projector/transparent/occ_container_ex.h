// The control container that can host windowless controls in its window.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "framework/occ.h"

namespace projector {

class COleControlSiteEx;

// Keeps a window's windowless controls: routes the window's input to them and draws them into any DC.
class COleControlContainerEx : public framework::COleControlContainer {
 public:
  explicit COleControlContainerEx(framework::CWnd* wnd);
  ~COleControlContainerEx() override;

  // Called by the control manager right after it made the container.
  virtual void OnContainerCreated() {}
  // Tells every control that an ambient property changed.
  virtual void NotifyAmbientChange(DISPID dispid);
  // Makes a site through the control manager and creates the control in it; the site joins the table under its
  // window handle, real or pseudo, and the first windowless control subclasses the container window.
  virtual BOOL CreateControlEx(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                               const RECT& rect, UINT id, framework::CFile* persist = nullptr, BOOL storage = FALSE,
                               BSTR licenseKey = nullptr);
  // Draws every visible windowless control into dc, each into its own rectangle.
  virtual void DrawWindowlessControls(HDC dc);
  // Hands a container-window message to the windowless control it is meant for; TRUE when that control took it.
  virtual BOOL OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  // The first visible windowless site whose rectangle holds the point (container client coordinates).
  virtual COleControlSiteEx* SiteFromPoint(int x, int y);

  BOOL CreateControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                     const RECT& rect, UINT id, framework::CFile* persist = nullptr, BOOL storage = FALSE,
                     BSTR licenseKey = nullptr, framework::COleControlSite** siteOut = nullptr) override;
  void* GetInterface(REFIID iid) override;

  // The container window's procedure once a windowless control lives in it.
  static LRESULT CALLBACK WindowlessSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND Window() const { return m_pWnd ? m_pWnd->m_hWnd : nullptr; }

  BOOL allowWindowless = TRUE;
  COleControlSiteEx* captureSite = nullptr;
  COleControlSiteEx* focusSite = nullptr;
  WNDPROC previousWindowProc = nullptr;

 protected:
  // The in-place frame the controls of this container see.
  struct XOleIPFrameEx : IOleInPlaceFrame {
    COleControlContainerEx* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP GetBorder(LPRECT) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override;
    STDMETHODIMP RemoveMenus(HMENU) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override;
  };
  XOleIPFrameEx m_xOleIPFrameEx;

 private:
  BOOL CreateSiteAndControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                            const RECT& rect, UINT id, framework::CFile* persist, BOOL storage, BSTR licenseKey,
                            framework::COleControlSite** siteOut);
  void SubclassContainerWindow();
  // The top-level frame window around the container window, or none.
  HWND ParentFrame() const;
};

}  // namespace projector
