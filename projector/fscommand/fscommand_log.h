// The FSCommand log window, which also holds the FSCommand bridge's process-wide state.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fscommand/extension_registry.h"
#include "framework/handles.h"
#include "framework/wnd.h"
#include "player/drag_region.h"

namespace projector {

// Lists the movie's FSCommands and their answers while shown; owns the resource library with the log's texts,
// the extension registry, the drag region and the image windows. One per process.
class FSCommandLog : public framework::CWnd, public DispatchObserver {
 public:
  static constexpr UINT kCommandLine = 1;   // "FSCommand:  <%s>  <%s>"
  static constexpr UINT kFoundLine = 2;     // "Command found in: %s"
  static constexpr UINT kResultLine = 3;    // "Command Result: <%s>"
  static constexpr UINT kNotFoundLine = 4;  // "Command not found!"
  static constexpr UINT kTitleText = 5;     // "FSCommand Log"
  static constexpr int kScrollLines = 0x321;

  // The process's log. Its window is made, owned by `owner`, on the first call that names an owner while
  // it has none; the object itself exists from the first call on, for the drag region the player needs early.
  static FSCommandLog& Instance(HWND owner = nullptr);

  ~FSCommandLog() override;

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

  ExtensionRegistry& registry() { return registry_; }
  DragRegion& dragRegion() { return dragRegion_; }
  HMODULE resourceLibrary() const { return resourceLibrary_.get(); }
  void FreeResourceLibrary() { resourceLibrary_.reset(); }
  HWND editWindow() const { return edit_.m_hWnd; }

  // The image windows the movie opened; deleted with the player window.
  void AddImageWindow(std::unique_ptr<framework::CWnd> window) { imageWindows_.push_back(std::move(window)); }
  std::vector<std::unique_ptr<framework::CWnd>>& imageWindows() { return imageWindows_; }
  void DeleteImageWindows() { imageWindows_.clear(); }
  void SetImageIcon(HICON icon) { imageIcon_ = icon; }
  HICON imageIcon() const { return imageIcon_; }

 protected:
  bool OnSize(UINT type, int cx, int cy) override;
  bool OnSysCommand(UINT id, LPARAM lp) override;
  bool OnEraseBkgnd(HDC dc, LRESULT* result) override;
  bool OnDestroy() override;

 private:
  FSCommandLog() = default;
  bool CreateLogWindow(HWND owner);
  void PlaceWindow(HWND owner);

  framework::CWnd edit_;
  framework::UniqueFont font_;
  DragRegion dragRegion_;
  bool shown_ = false;
  framework::UniqueModule resourceLibrary_;
  ExtensionRegistry registry_;
  std::vector<std::unique_ptr<framework::CWnd>> imageWindows_;
  HICON imageIcon_ = nullptr;
};

}  // namespace projector
