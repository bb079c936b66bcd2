// The hardware information commands' sources: the HardWareInfo control hosted under the host window, and the
// disk driver's IDENTIFY data for serial numbers the control cannot give.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/wnd.h"

namespace fscmd {

// The host window as the parent of the control: borrowed, never destroyed by this object.
class HostWindowRef : public framework::CWnd {
 public:
  HostWindowRef() = default;
  ~HostWindowRef() override;
  void Attach(HWND host) { m_hWnd = host; }
  // Closes the controls made in the host window.
  void CloseControls() { ReleaseContainment(); }
};

// Wraps the HardWareInfo control: writes and registers its file, creates it invisibly under the host window,
// reads its properties, and unregisters it when the library unloads.
class CHardWareInfo : public framework::CWnd {
 public:
  static constexpr wchar_t kControlFile[] = L"info.dat";

  CHardWareInfo() = default;
  ~CHardWareInfo() override;

  // Creates the control when it is not there yet; false while it cannot be had.
  bool MakeAvailable(HWND host);
  std::optional<std::wstring> Text(DISPID id);
  std::optional<long> Number(DISPID id);
  // The library is unloading: unregister the control, and close it unless the whole process is ending.
  void Unload(bool processEnding);

 private:
  bool WriteAndRegisterControlFile();
  bool CreateWithRetries();

  bool created_ = false;
  HostWindowRef host_;
};

// The one host object of the library.
CHardWareInfo& HardwareInfo();
// Runs at the library's unload.
void UnloadHardwareInfo(bool processEnding);

// Reads a drive's IDENTIFY block through the disk driver's SMART interface.
class DiskIdentify {
 public:
  DiskIdentify();
  // True when the drive answered its IDENTIFY command; the texts are then filled.
  bool Read(int drive);

  bool useNtPath = true;
  std::wstring serial;
  std::wstring model;
  std::wstring firmware;
};

}  // namespace fscmd
