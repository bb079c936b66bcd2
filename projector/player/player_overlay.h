// The document's picture and text laid over the player window in two pop-ups that follow it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/handles.h"
#include "framework/wnd.h"
#include "overlay_layout.h"

namespace projector {

// A multi-line edit control that answers its parent's colour request with its own colours.
class OverlayTextBox : public framework::CWnd {
 public:
  OverlayTextBox();
  bool Create(HWND parent, const RECT& rect, DWORD alignmentStyle);
  void SetColours(COLORREF text, COLORREF background);
  void SetFontIndirect(const LOGFONTW& font);
  HFONT font() const { return font_.get(); }
  // The colours and brush for WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC.
  HBRUSH Colour(HDC dc) const;

 private:
  COLORREF text_;
  COLORREF background_;
  framework::UniqueBrush brush_;
  framework::UniqueFont font_;
};

// One pop-up of the overlay; it forwards its edit control's colour request to the control.
class OverlayPopup : public framework::CWnd {
 public:
  OverlayTextBox* textBox = nullptr;

 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

// Places the overlay's pop-ups at one of nine positions inside the player's client area.
class PlayerOverlay {
 public:
  PlayerOverlay();
  ~PlayerOverlay();

  void SetPosition(int position) { position_ = position; }
  void SetPicture(HBITMAP picture);
  void SetText(HFONT font, const std::wstring& text, int alignment, COLORREF textColour, COLORREF background);
  // TRUE when at least one of the two windows was created.
  BOOL Show(HWND player);
  void Relayout();

  HWND pictureWindow() const { return picturePopup_ ? picturePopup_->m_hWnd : nullptr; }
  HWND textWindow() const { return textPopup_ ? textPopup_->m_hWnd : nullptr; }

 private:
  bool CreatePicture(const RECT& candidate);
  bool CreateText(const RECT& candidate);
  void Destroy();

  HWND owner_ = nullptr;
  int position_ = 0;
  HBITMAP picture_ = nullptr;
  bool pictureShown_ = false;
  std::wstring text_;
  LOGFONTW font_{};
  bool hasFont_ = false;
  int alignment_ = 0;
  COLORREF textColour_ = 0;
  COLORREF background_ = 0xFFFFFF;
  bool textShown_ = false;
  std::unique_ptr<OverlayPopup> picturePopup_;
  std::unique_ptr<OverlayPopup> textPopup_;
  std::unique_ptr<OverlayTextBox> textBox_;
  player::Rect pictureRect_;
  player::Rect textRect_;
};

}  // namespace projector
