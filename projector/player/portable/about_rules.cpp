#include "about_rules.h"

#include <algorithm>

namespace player {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace

std::wstring TrimEnd(const std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::wstring TrimBoth(const std::wstring& text) {
  std::wstring end = TrimEnd(text);
  size_t start = 0;
  while (start < end.size() && IsBlank(end[start])) ++start;
  return end.substr(start);
}

std::wstring AboutCaption(const std::wstring& about, const std::wstring& productName) {
  return about + L" " + productName;
}

std::wstring AboutTitleLine(const std::wstring& productName, const std::wstring& version) {
  return productName + L"  " + version;
}

std::wstring HandlerCommandLine(const std::wstring& command, const std::wstring& target) {
  std::wstring line = command;
  size_t quoted = command.find(L"\"%1\"");
  if (quoted != std::wstring::npos) {
    line = command.substr(0, quoted);
  } else {
    size_t bare = command.find(L"%1");
    if (bare != std::wstring::npos) line = command.substr(0, bare);
  }
  return line + L" " + target;
}

Rect FitLabel(const Rect& current, Size text, const LabelAlignment& alignment) {
  Rect r = current;
  if (alignment.centreVertically) {
    r.top = current.top + (current.Height() - text.height) / 2;
  }
  r.bottom = r.top + text.height;
  if (alignment.centre) {
    r.left = current.left + (current.Width() - text.width) / 2;
    r.right = r.left + text.width;
  } else if (alignment.right) {
    r.left = current.right - text.width;
  } else {
    r.right = current.left + text.width;
  }
  return r;
}

AboutShift ShiftForPicture(const Rect& picture, int textsLeft, int buttonTop, int gap) {
  AboutShift shift;
  if (picture.Width() <= 0 || picture.Height() <= 0) return shift;
  shift.right = std::max(0, picture.right + gap - textsLeft);
  shift.down = std::max(0, picture.bottom + gap - buttonTop);
  return shift;
}

}  // namespace player
