#include "tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>

namespace projector {

namespace {

// The record up to its version-3 fields: 936 bytes in the 32-bit build, 952 in the 64-bit one.
constexpr DWORD kRecordSize = offsetof(NOTIFYICONDATAW, guidItem);
static_assert(sizeof(void*) == 8 || kRecordSize == 936, "the 32-bit tray icon record");

}  // namespace

bool TrayIcon::Add(HWND window, HICON icon, const std::wstring& tip) {
  NOTIFYICONDATAW data{};
  data.cbSize = kRecordSize;
  data.hWnd = window;
  data.uID = kId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon;
  std::wstring text = tip.substr(0, 127);
  std::copy(text.begin(), text.end(), data.szTip);
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  window_ = window;
  return added_;
}

void TrayIcon::Remove() {
  if (!added_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = kRecordSize;
  // The icon is known by the window it was added with, which may be gone by the time this runs.
  data.hWnd = window_;
  data.uID = kId;
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

}  // namespace projector
