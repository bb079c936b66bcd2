// The framework's HTML view: a window that holds the web browser control and forwards its navigation events.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>

#include "framework/com.h"
#include "framework/wnd.h"

namespace framework {

// Hosts the web browser control through control containment; the browser always fills the view.
class CHtmlView : public CWnd {
 public:
  static constexpr UINT kBrowserId = 0xE900;

  CHtmlView() = default;
  ~CHtmlView() override;

  // Makes the view window in parent and the browser control inside it; false when either cannot be made.
  bool Create(const RECT& rect, CWnd* parent, UINT id, DWORD style = WS_CHILD | WS_VISIBLE);

  HRESULT Navigate2(const std::wstring& url);
  HRESULT Stop();
  std::wstring GetLocationURL() const;
  IWebBrowser2* GetBrowser() const { return browser_.get(); }
  HWND GetBrowserWindow() const { return browserWindow_.m_hWnd; }

 protected:
  // Before a navigation starts; setting *cancel stops it.
  virtual void OnBeforeNavigate2(const std::wstring& url, DWORD flags, const std::wstring& targetFrame,
                                 bool* cancel);
  virtual void OnNavigateComplete2(const std::wstring& url) {}

  bool OnSize(UINT type, int cx, int cy) override;
  bool OnDestroy() override;
  const EventSinkEntry* GetEventSinkMap(size_t* count) const override;

 private:
  static HRESULT InvokeBeforeNavigate2(CWnd* target, DISPPARAMS* params);
  static HRESULT InvokeNavigateComplete2(CWnd* target, DISPPARAMS* params);
  void ReleaseBrowser();

  CWnd browserWindow_;
  ComPtr<IWebBrowser2> browser_;
};

}  // namespace framework
