// The About box: the product, its version and notice, a picture and two links.
#pragma once

#include <windows.h>

#include <string>

#include "framework/wnd.h"
#include "hyperlink_label.h"

namespace projector {

// Shows the document's product name, version, notice and picture with a web and an e-mail link.
class AboutDialog : public framework::CDialog {
 public:
  static constexpr UINT kTemplate = 129;
  static constexpr int kTitleLine = 1000;
  static constexpr int kNoticeLine = 1001;
  static constexpr int kWebLink = 1002;
  static constexpr int kMailLink = 1003;
  static constexpr int kPicture = 1004;
  static constexpr int kLinkCursor = 130;
  static constexpr COLORREF kLinkVisited = 0xEB00FF;
  static constexpr COLORREF kLinkHover = 0x0000FF;

  explicit AboutDialog(HWND owner) : framework::CDialog(kTemplate, owner) {}

  void SetProductName(const std::wstring& name, const std::wstring& version);
  void SetNotice(const std::wstring& notice);
  void SetWebLink(const std::wstring& label, const std::wstring& address);
  void SetWebExtra(const std::wstring& extra) { webExtra_ = extra; }
  void SetMailLink(const std::wstring& label, const std::wstring& address);
  void SetMailExtra(const std::wstring& extra) { mailExtra_ = extra; }
  void SetPicture(HBITMAP picture) { picture_ = picture; }

  const std::wstring& productName() const { return productName_; }
  const std::wstring& version() const { return version_; }
  const std::wstring& notice() const { return notice_; }
  const std::wstring& webAddress() const { return webAddress_; }
  const std::wstring& webLabel() const { return webLabel_; }
  const std::wstring& mailAddress() const { return mailAddress_; }
  const std::wstring& mailLabel() const { return mailLabel_; }
  HyperlinkLabel& webLink() { return webLink_; }
  HyperlinkLabel& mailLink() { return mailLink_; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange* dx) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  void MakeRoomForPicture(HWND picture);
  void SetUpLink(HyperlinkLabel& link, int id, const std::wstring& label, const std::wstring& address,
                 const std::wstring& extra);

  framework::CWnd pictureStatic_;
  std::wstring productName_;
  std::wstring version_;
  std::wstring notice_;
  std::wstring webAddress_;
  std::wstring webExtra_;
  std::wstring mailAddress_;
  std::wstring mailLabel_;
  std::wstring mailExtra_;
  std::wstring webLabel_;
  HyperlinkLabel webLink_;
  HyperlinkLabel mailLink_;
  HBITMAP picture_ = nullptr;
};

}  // namespace projector
