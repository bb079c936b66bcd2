// The page view of the content view: a holder window with the web browser control inside.
#pragma once

#include <windows.h>

#include <string>

#include "framework/htmlview.h"
#include "framework/wnd.h"

namespace projector {

// The framework's HTML view used as a plain child control; "app:" targets are commands, not pages.
class CHtmlCtrl : public framework::CHtmlView {
 public:
  static constexpr UINT kControlId = 12121;

  // Stops the current navigation and goes to the path.
  HRESULT Navigate(const std::wstring& path);
  // The last target the browser asked about, whether it loaded or was cancelled.
  const std::wstring& lastTarget() const { return lastTarget_; }

 protected:
  void OnBeforeNavigate2(const std::wstring& url, DWORD flags, const std::wstring& targetFrame,
                         bool* cancel) override;
  // The text after "app:" of a cancelled target.
  virtual void OnAppCmd(const std::wstring& command) {}

 private:
  std::wstring lastTarget_;
};

// Holds the page control over the content view and keeps it one pixel larger than its client area.
class HtmlHolder : public framework::CWnd {
 public:
  static constexpr wchar_t kClassName[] = L"ProjectorHtmlHolder";

  bool Create(framework::CWnd* parent);
  CHtmlCtrl& control() { return control_; }

 protected:
  bool OnSize(UINT type, int cx, int cy) override;

 private:
  CHtmlCtrl control_;
};

// True when a navigation target is an application command ("app:" in any case).
bool IsAppCommand(const std::wstring& target, std::wstring* command);

}  // namespace projector
