#include "about_dialog.h"

#include "about_rules.h"
#include "common/resource.h"

static_assert(projector::AboutDialog::kTemplate == IDD_ABOUT && projector::AboutDialog::kWebLink == IDC_ABOUT_WEB, "the About box template");

namespace projector {

namespace {

std::wstring ProgramText(UINT id) {
  const wchar_t* text = nullptr;
  int n = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

}  // namespace

void AboutDialog::SetProductName(const std::wstring& name, const std::wstring& version) {
  productName_ = player::TrimEnd(name);
  version_ = player::TrimEnd(version);
}

void AboutDialog::SetNotice(const std::wstring& notice) { notice_ = player::TrimEnd(notice); }

void AboutDialog::SetWebLink(const std::wstring& label, const std::wstring& address) {
  webLabel_ = player::TrimBoth(label);
  webAddress_ = player::TrimBoth(address);
}

void AboutDialog::SetMailLink(const std::wstring& label, const std::wstring& address) {
  mailLabel_ = player::TrimBoth(label);
  mailAddress_ = player::MailAddress(player::TrimBoth(address));
}

void AboutDialog::DoDataExchange(framework::CDataExchange* dx) {
  if (!pictureStatic_.m_hWnd) pictureStatic_.SubclassWindow(GetDlgItem(kPicture));
}

BOOL AboutDialog::OnInitDialog() {
  framework::CDialog::OnInitDialog();
  SetWindowText(player::AboutCaption(ProgramText(IDS_ABOUT), productName_));
  ::SetDlgItemTextW(m_hWnd, kTitleLine, player::AboutTitleLine(productName_, version_).c_str());
  ::SetDlgItemTextW(m_hWnd, kNoticeLine, notice_.c_str());
  SetUpLink(webLink_, kWebLink, webLabel_, webAddress_, webExtra_);
  SetUpLink(mailLink_, kMailLink, mailLabel_, mailAddress_, mailExtra_);
  HWND picture = GetDlgItem(kPicture);
  if (picture_) {
    ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
  } else if (picture) {
    ::ShowWindow(picture, SW_HIDE);
  }
  return TRUE;
}

void AboutDialog::SetUpLink(HyperlinkLabel& link, int id, const std::wstring& label, const std::wstring& address,
                            const std::wstring& extra) {
  ::SetDlgItemTextW(m_hWnd, id, label.c_str());
  link.SetColours(HyperlinkLabel::kNormalColour, kLinkVisited, kLinkHover);
  link.SetAutoSize(false);
  link.SetCursor(::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kLinkCursor)));
  link.SetUnderline(true);
  link.SetTarget(address);
  if (!link.SubclassDlgItem(id, m_hWnd)) return;
  ::ShowWindow(link.m_hWnd, SW_SHOW);
  link.SetTipText(extra);
}

bool AboutDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  return HyperlinkLabel::Reflect(msg, wp, lp, result);
}

}  // namespace projector
