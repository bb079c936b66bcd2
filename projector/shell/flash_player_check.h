// The installed Flash Player's version, the carried installer, and whether a program is running.
#pragma once

#include <windows.h>

#include <string>

namespace projector {

// The major version of the Shockwave Flash control that can be created here; 0 or less when there is none.
int GetFlashMajorVersion();

class MappedImage;

// Writes the installer the payload carries into the folder, starts it ("/Q" when quiet) and waits for it to end.
// TRUE when it was started.
BOOL RunFlashInstaller(const MappedImage& payload, const std::wstring& folder, bool quiet);

// Whether a program of a given file name is running: performance data on Windows NT, Toolhelp on Windows 9x.
class ProcessRunning {
 public:
  enum class Method { Detect, Toolhelp };
  // Detect chooses by the system family; Toolhelp takes the Windows 9x method wherever it is offered.
  explicit ProcessRunning(Method method = Method::Detect);
  ProcessRunning(const ProcessRunning&) = delete;
  ProcessRunning& operator=(const ProcessRunning&) = delete;

  // FALSE when the check could not be made; otherwise *running tells.
  BOOL Check(const std::wstring& exeName, bool* running) const;
  bool usable() const { return usable_; }
  bool usesPerformanceData() const { return performanceData_; }

 private:
  BOOL CheckToolhelp(const std::wstring& name, bool* running) const;
  BOOL CheckPerformanceData(const std::wstring& name, bool* running) const;

  bool usable_ = false;
  bool performanceData_ = false;
  FARPROC createSnapshot_ = nullptr;
  FARPROC processFirst_ = nullptr;
  FARPROC processNext_ = nullptr;
};

// The name a running program is compared by: its first 15 characters, as the system keeps them.
std::wstring ComparableProcessName(const std::wstring& exeName);

}  // namespace projector
