// A static text that opens its target with the shell when clicked.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "framework/wnd.h"

namespace projector {

// A clickable static text: underlined, coloured by its state (normal, visited, under the mouse), a hand cursor
// and a tip while the mouse is over it; its parent reflects WM_CTLCOLORSTATIC and STN_CLICKED to it.
class HyperlinkLabel : public framework::CWnd {
 public:
  // Messages a parent hands back to the control that sent them (the control framework's reflection range).
  static constexpr UINT kReflectBase = WM_USER + 0x1C00;
  static constexpr int kHandCursor = 106;
  static constexpr COLORREF kNormalColour = 0xFF4600;
  static constexpr COLORREF kVisitedColour = 0x969696;
  static constexpr COLORREF kHoverColour = 0x007300;

  HyperlinkLabel() = default;
  ~HyperlinkLabel() override;

  // Takes over the parent's control `id`; the settings made before apply from here on.
  bool SubclassDlgItem(int id, HWND parent);

  void SetTarget(const std::wstring& target) { target_ = target; }
  // A hover colour of -1 is the system's highlight colour.
  void SetColours(COLORREF normal, COLORREF visited, COLORREF hover = static_cast<COLORREF>(-1));
  void SetUnderline(bool underline);
  void SetAutoSize(bool autoSize);
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
  void SetTipText(const std::wstring& text);
  void SetVisited(bool visited);

  const std::wstring& target() const { return target_; }
  const std::wstring& tipText() const { return tipText_; }
  bool hover() const { return hover_; }
  bool visited() const { return visited_; }
  bool underline() const { return underline_; }
  HCURSOR cursor() const { return cursor_; }
  HFONT font() const { return font_.get(); }
  COLORREF TextColour() const;
  HWND tipWindow() const { return tip_; }

  // Opens a target with the shell; with no handler for it, with the web page handler's command line.
  // Returns a value above 32 on success.
  static INT_PTR OpenTarget(const std::wstring& target, int show);

  // For a parent: hands WM_CTLCOLORSTATIC and WM_COMMAND back to the HyperlinkLabel that sent them.
  static bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  bool OnDestroy() override;

 private:
  void MakeFont();
  void FitToText();
  void OnMouseMove(POINT at);
  void OnClicked();
  void ShowTip();
  void HideTip();
  void Redraw();

  bool hover_ = false;
  bool visited_ = false;
  bool underline_ = true;
  bool autoSize_ = true;
  COLORREF normalColour_ = kNormalColour;
  COLORREF visitedColour_ = kVisitedColour;
  COLORREF hoverColour_ = kHoverColour;
  std::wstring tipText_;
  std::wstring target_;
  framework::UniqueFont font_;
  HCURSOR cursor_ = nullptr;
  framework::UniqueIcon ownedCursor_;
  HWND tip_ = nullptr;
};

}  // namespace projector
