// The FSCommand log's portable rules: formatting its lines, cutting a long log, reading its stored rectangle.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace projector {

// A log line from one of the resource library's texts: each "%s" takes the next value ("%%" is a percent
// sign). The text comes from outside the program, so nothing else in it is read as a conversion.
std::wstring FormatLogLine(const std::wstring& pattern, const std::vector<std::wstring>& values);

// More lines than this and the log is cut before the next line is added.
constexpr int kLogLineLimit = 799;

// The log text to keep when it holds `lineCount` lines: all of it up to the limit; beyond, its second half
// from the first line that starts there.
std::wstring CutLogText(const std::wstring& text, int lineCount);

struct LogRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const LogRect&) const = default;
};

// The stored window rectangle "left,top,right,bottom"; none unless it holds four integers (and nothing
// after them) that make a rectangle of some width and height.
std::optional<LogRect> ParseLogRect(const std::wstring& text);
std::wstring FormatLogRect(const LogRect& rect);

constexpr int kLogDefaultWidth = 480;
constexpr int kLogDefaultHeight = 150;

// The default rectangle of the log: its default size centred on the owner's rectangle.
LogRect CentredLogRect(const LogRect& owner);

}  // namespace projector
