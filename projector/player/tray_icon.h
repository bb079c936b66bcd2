// The player's icon in the notification area.
#pragma once

#include <windows.h>

#include <string>

namespace projector {

// Adds the icon for a window and removes it again, by the window it was added with.
class TrayIcon {
 public:
  static constexpr UINT kId = 128;
  static constexpr UINT kCallbackMessage = 1284;

  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon() { Remove(); }

  bool Add(HWND window, HICON icon, const std::wstring& tip);
  void Remove();
  bool added() const { return added_; }

 private:
  bool added_ = false;
  HWND window_ = nullptr;
};

}  // namespace projector
