#include "warning_dialog.h"

#include "common/resource.h"

namespace projector {

WarningDialog::WarningDialog(HWND parent) : framework::CDialog(IDD_WARNING, parent) {}

void WarningDialog::SetMessage(const std::wstring& text) {
  message_ = text;
  if (m_hWnd) ::SetDlgItemTextW(m_hWnd, IDC_WARNING_TEXT, message_.c_str());
}

BOOL WarningDialog::OnInitDialog() {
  framework::CDialog::OnInitDialog();
  ::SetDlgItemTextW(m_hWnd, IDC_WARNING_TEXT, message_.c_str());
  HICON icon = ::LoadIconW(nullptr, IDI_EXCLAMATION);
  ::SendDlgItemMessageW(m_hWnd, IDC_WARNING_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  return TRUE;
}

void WarningDialog::DoDataExchange(framework::CDataExchange* dx) {
  framework::DDX_Check(dx, IDC_WARNING_TICK, dontShowAgain);
}

}  // namespace projector
