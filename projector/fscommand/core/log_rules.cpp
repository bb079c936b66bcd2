#include "core/log_rules.h"

#include <climits>

namespace projector {

std::wstring FormatLogLine(const std::wstring& pattern, const std::vector<std::wstring>& values) {
  std::wstring line;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == L's') {
        if (next < values.size()) line += values[next];
        ++next;
        ++i;
        continue;
      }
      if (pattern[i + 1] == L'%') {
        line += L'%';
        ++i;
        continue;
      }
    }
    line += pattern[i];
  }
  return line;
}

std::wstring CutLogText(const std::wstring& text, int lineCount) {
  if (lineCount <= kLogLineLimit) return text;
  std::wstring half = text.substr(text.size() / 2);
  size_t feed = half.find(L'\n');
  // A half without any line feed is one piece of a very long line: it is kept rather than lost.
  return feed == std::wstring::npos ? half : half.substr(feed + 1);
}

namespace {

// One integer at *at, with leading blanks and an optional sign; false when there are no digits or it
// does not fit an int.
bool ReadInt(const std::wstring& text, size_t* at, int* value) {
  size_t i = *at;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  size_t digits = i;
  long long n = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    n = n * 10 + (text[i] - L'0');
    if (n > static_cast<long long>(INT_MAX) + 1) return false;
    ++i;
  }
  if (i == digits) return false;
  if (negative) n = -n;
  if (n > INT_MAX || n < INT_MIN) return false;
  *value = static_cast<int>(n);
  *at = i;
  return true;
}

}  // namespace

std::optional<LogRect> ParseLogRect(const std::wstring& text) {
  int v[4] = {};
  size_t at = 0;
  for (int k = 0; k < 4; ++k) {
    if (k > 0) {
      if (at >= text.size() || text[at] != L',') return std::nullopt;
      ++at;
    }
    if (!ReadInt(text, &at, &v[k])) return std::nullopt;
  }
  while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
  if (at != text.size()) return std::nullopt;
  LogRect r{v[0], v[1], v[2], v[3]};
  // A window with no area cannot be seen or grabbed again; it gets the default place instead.
  if (r.right <= r.left || r.bottom <= r.top) return std::nullopt;
  return r;
}

std::wstring FormatLogRect(const LogRect& rect) {
  return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," + std::to_wstring(rect.right) + L"," +
         std::to_wstring(rect.bottom);
}

LogRect CentredLogRect(const LogRect& owner) {
  int cx = owner.left + (owner.right - owner.left) / 2;
  int cy = owner.top + (owner.bottom - owner.top) / 2;
  int left = cx - kLogDefaultWidth / 2, top = cy - kLogDefaultHeight / 2;
  return {left, top, left + kLogDefaultWidth, top + kLogDefaultHeight};
}

}  // namespace projector
