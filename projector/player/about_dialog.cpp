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
    MakeRoomForPicture(picture);
  } else if (picture) {
    ::ShowWindow(picture, SW_HIDE);
  }
  return TRUE;
}

// The picture static takes the bitmap's own size, which may reach over the texts and the button.
void AboutDialog::MakeRoomForPicture(HWND picture) {
  auto clientRect = [this](HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  HWND button = GetDlgItem(IDOK);
  if (!picture || !button) return;
  RECT pic = clientRect(picture);
  RECT title = clientRect(GetDlgItem(kTitleLine));
  RECT gap = {0, 0, 7, 7};
  ::MapDialogRect(m_hWnd, &gap);
  player::AboutShift shift = player::ShiftForPicture({pic.left, pic.top, pic.right, pic.bottom}, title.left,
                                                     clientRect(button).top, gap.right);
  if (shift.right == 0 && shift.down == 0) return;
  for (int id : {kTitleLine, kNoticeLine, kWebLink, kMailLink}) {
    HWND text = GetDlgItem(id);
    RECT r = clientRect(text);
    ::SetWindowPos(text, nullptr, r.left + shift.right, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT b = clientRect(button);
  ::SetWindowPos(button, nullptr, b.left + shift.right, b.top + shift.down, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT window{};
  ::GetWindowRect(m_hWnd, &window);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + shift.right,
                 window.bottom - window.top + shift.down, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
