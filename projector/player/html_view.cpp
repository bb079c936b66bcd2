#include "html_view.h"

#include <cwctype>

namespace projector {

namespace {

bool RegisterHolderClass() {
  WNDCLASSEXW wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.lpszClassName = HtmlHolder::kClassName;
  return framework::RegisterWindowClass(wc, framework::RefusedAsExisting::kFails);
}

}  // namespace

bool IsAppCommand(const std::wstring& target, std::wstring* command) {
  static constexpr wchar_t kPrefix[] = L"app:";
  if (target.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (std::towlower(target[i]) != kPrefix[i]) return false;
  }
  if (command) *command = target.substr(4);
  return true;
}

HRESULT CHtmlCtrl::Navigate(const std::wstring& path) {
  Stop();
  return Navigate2(path);
}

void CHtmlCtrl::OnBeforeNavigate2(const std::wstring& url, DWORD, const std::wstring&, bool* cancel) {
  lastTarget_ = url;
  std::wstring command;
  if (IsAppCommand(url, &command)) {
    *cancel = true;
    OnAppCmd(command);
  }
}

bool HtmlHolder::Create(framework::CWnd* parent) {
  if (!RegisterHolderClass()) return false;
  RECT rect = {2, 2, 202, 202};
  if (parent->m_hWnd) ::GetClientRect(parent->m_hWnd, &rect);
  if (!CreateEx(WS_EX_STATICEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE, rect, parent->m_hWnd, nullptr))
    return false;
  // Without the browser the holder still covers the previous item, as the page would.
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  control_.Create(client, this, CHtmlCtrl::kControlId);
  return true;
}

bool HtmlHolder::OnSize(UINT, int cx, int cy) {
  if (control_.m_hWnd)
    ::SetWindowPos(control_.m_hWnd, nullptr, 0, 0, cx + 1, cy + 1,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
  return false;
}

}  // namespace projector
