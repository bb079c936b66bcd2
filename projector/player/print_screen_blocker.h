// Keeps Print Screen from copying the screen while the document forbids screen captures.
#pragma once

#include <windows.h>

namespace projector {

// Installs a keyboard hook on the GUI thread that swallows Print Screen and empties the clipboard; the hook
// goes with the object.
class PrintScreenBlocker {
 public:
  PrintScreenBlocker() = default;
  PrintScreenBlocker(const PrintScreenBlocker&) = delete;
  PrintScreenBlocker& operator=(const PrintScreenBlocker&) = delete;
  ~PrintScreenBlocker() { Remove(); }

  bool Install();
  void Remove();

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp);

  HHOOK hook_ = nullptr;
};

}  // namespace projector
