// What keeps a fuzzing run honest and attributable: the record of the call in progress, the watchdog that ends
// a hung call, the closer of message boxes and the watcher of writes outside the scratch folder.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/handles.h"

namespace fuzz_exports {

// The call about to be made, rewritten before every call into a file that outlives the process, so that a
// crash or hang names its seed, call and argument text.
class CallRecord {
 public:
  explicit CallRecord(const std::wstring& path);
  bool ready() const { return static_cast<bool>(file_); }
  void Write(const std::string& text);

 private:
  framework::UniqueFile file_;
};

// Ends the process with exit code 4 when one call takes longer than its limit, after writing `fault` into the
// fault file; a crash (an exception nobody handles) writes it too and ends with exit code 3.
class Watchdog {
 public:
  Watchdog(std::wstring faultPath, DWORD limitMilliseconds);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  void Begin(const std::string& call);
  void End();

 private:
  static LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info);
  void WriteFault(const std::string& text);

  std::wstring faultPath_;
  DWORD limit_;
  std::mutex mutex_;
  std::string call_;
  std::atomic<uint64_t> started_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Presses a closing button of every dialog box of this process: at once for boxes of the calling thread (a
// CBT hook sees them activate), every 100 ms for the rest.
class BoxCloser {
 public:
  BoxCloser();
  ~BoxCloser();
  BoxCloser(const BoxCloser&) = delete;
  BoxCloser& operator=(const BoxCloser&) = delete;
  size_t closed() const { return closed_; }

 private:
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
  static bool Close(HWND box);

  HHOOK hook_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  static std::atomic<size_t> closed_;
};

// A change to a file or folder outside the places a run may write, with the call that was running.
struct StrayWrite {
  std::wstring path;
  DWORD action;
  uint64_t call;
};

// Watches a drive's whole tree and keeps every change outside the allowed folders.
class WriteWatcher {
 public:
  WriteWatcher(std::wstring root, std::vector<std::wstring> allowed);
  ~WriteWatcher();
  WriteWatcher(const WriteWatcher&) = delete;
  WriteWatcher& operator=(const WriteWatcher&) = delete;
  bool watching() const { return watching_; }
  void SetCall(uint64_t call) { call_ = call; }
  // The stray writes seen since the last time.
  std::vector<StrayWrite> Take();
  // How often changes came faster than they could be listed.
  size_t overflows() const { return overflows_; }

 private:
  static DWORD WINAPI ThreadStart(void* self);
  void Run();
  bool Allowed(const std::wstring& path) const;

  std::wstring root_;
  std::vector<std::wstring> allowed_;
  framework::UniqueFile directory_;
  std::atomic<uint64_t> call_{0};
  std::atomic<bool> stop_{false};
  std::atomic<size_t> overflows_{0};
  bool watching_ = false;
  std::mutex mutex_;
  std::vector<StrayWrite> strays_;
  framework::UniqueHandle thread_;
};

std::string Utf8(const std::wstring& text);

}  // namespace fuzz_exports
