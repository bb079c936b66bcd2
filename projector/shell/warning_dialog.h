// The warning that transparent playback cannot work here, with its "don't show again" box.
#pragma once

#include <string>

#include "framework/wnd.h"

namespace projector {

// Shows one message with the exclamation icon; the tick box is read after the dialog has ended.
class WarningDialog : public framework::CDialog {
 public:
  explicit WarningDialog(HWND parent = nullptr);

  // Before the window exists the text is only stored; afterwards it is shown at once.
  void SetMessage(const std::wstring& text);
  BOOL dontShowAgain = FALSE;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange* dx) override;

 private:
  std::wstring message_;
};

}  // namespace projector
