// The FSCommand log window.
#pragma once

#include <windows.h>

#include <string>

#include "fscommand/extension_registry.h"
#include "framework/handles.h"
#include "framework/wnd.h"

namespace projector {

// Lists the movie's FSCommands and their answers while shown; owns the resource library with the log's texts
// and the icon image windows get.
class FSCommandLog : public framework::CWnd, public DispatchObserver {
 public:
  static constexpr UINT kCommandLine = 1;   // "FSCommand:  <%s>  <%s>"
  static constexpr UINT kFoundLine = 2;     // "Command found in: %s"
  static constexpr UINT kResultLine = 3;    // "Command Result: <%s>"
  static constexpr UINT kNotFoundLine = 4;  // "Command not found!"
  static constexpr UINT kTitleText = 5;     // "FSCommand Log"
  static constexpr int kScrollLines = 0x321;

  FSCommandLog() = default;
  ~FSCommandLog() override;

  // Makes the window, owned by `owner`, hidden, at its stored place; false when it exists or cannot be made.
  bool CreateLogWindow(HWND owner);

  // Switched on and visible.
  bool IsShown() const;
  void Show(bool show);
  void AppendLine(const std::wstring& text, bool newline = true);
  void AppendBlankLine() { AppendLine(L"\r\n", false); }
  // A built-in command's record: a blank line, the command line and the result line, while shown.
  void LogCommand(const std::wstring& command, const std::wstring& args, const std::wstring& result);
  // One of the resource library's texts; empty when the library or the text is missing.
  std::wstring LoadLogText(UINT id) const;
  std::wstring Text() const;

  // DispatchObserver: the dispatcher's steps, written while the log is shown.
  void OnCommand(const std::wstring& command, const std::wstring& args) override;
  void OnFound(const std::wstring& libraryFileName) override;
  void OnResult(const std::wstring& result) override;
  void OnNotFound() override;

  HMODULE resourceLibrary() const { return resourceLibrary_.get(); }
  void FreeResourceLibrary() { resourceLibrary_.reset(); }
  HWND editWindow() const { return edit_.m_hWnd; }

  void SetImageIcon(HICON icon) { imageIcon_ = icon; }
  HICON imageIcon() const { return imageIcon_; }

 protected:
  bool OnSize(UINT type, int cx, int cy) override;
  bool OnSysCommand(UINT id, LPARAM lp) override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
  bool OnDestroy() override;

 private:
  void PlaceWindow(HWND owner);

  framework::CWnd edit_;
  framework::UniqueFont font_;
  bool shown_ = false;
  framework::UniqueModule resourceLibrary_;
  HICON imageIcon_ = nullptr;
};

}  // namespace projector
