#include "fscmd/command_rules.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace fscmd {

namespace {

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

uint32_t Bound(long value, long highest) { return static_cast<uint32_t>(std::clamp<long>(value, 0, highest)); }

bool IsSlash(wchar_t c) { return c == L'\\'; }

bool IsDriveAt(const std::wstring& path, size_t at) {
  return path.size() >= at + 2 && std::iswalpha(static_cast<wint_t>(path[at])) && path[at + 1] == L':';
}

// The end of "server\share\" (or as much of it as there is) from `at` on.
size_t ShareEnd(const std::wstring& path, size_t at) {
  size_t server = path.find(L'\\', at);
  if (server == std::wstring::npos) return path.size();
  size_t share = path.find(L'\\', server + 1);
  return share == std::wstring::npos ? path.size() : share + 1;
}

void Put(std::vector<uint8_t>& record, size_t at, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) record[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

BeepTone BoundBeep(long frequency, long duration) {
  return {Bound(frequency, kHighestBeepFrequency), Bound(duration, kLongestBeepMilliseconds)};
}

Placement RelativePlacement(int32_t left, int32_t top, int32_t right, int32_t bottom, long dx, long dy, long dwidth,
                            long dheight) {
  Placement p;
  p.x = Clamp32(int64_t{left} + dx);
  p.y = Clamp32(int64_t{top} + dy);
  p.width = Clamp32(int64_t{right} - left + dwidth);
  p.height = Clamp32(int64_t{bottom} - top + dheight);
  return p;
}

std::wstring PathRootPrefix(const std::wstring& path) {
  if (path.size() >= 4 && IsSlash(path[0]) && IsSlash(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
      IsSlash(path[3])) {
    if (path.compare(4, 4, L"UNC\\") == 0) return path.substr(0, ShareEnd(path, 8));
    if (IsDriveAt(path, 4)) return path.substr(0, path.size() > 6 && IsSlash(path[6]) ? 7 : 6);
    return path.substr(0, 4);
  }
  if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) return path.substr(0, ShareEnd(path, 2));
  if (!path.empty() && IsSlash(path[0])) return L"\\";
  if (IsDriveAt(path, 0)) return path.substr(0, path.size() > 2 && IsSlash(path[2]) ? 3 : 2);
  return {};
}

void VisitFoldersToMake(const std::wstring& path, const std::function<bool(const std::wstring& folder)>& visit) {
  std::wstring accumulated = PathRootPrefix(path);
  size_t start = accumulated.size();
  while (start < path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) {
      if (!accumulated.empty() && !IsSlash(accumulated.back()) && accumulated.back() != L':') accumulated += L'\\';
      accumulated.append(path, start, end - start);
      if (!visit(accumulated)) return;
    }
    start = end + 1;
  }
}

std::vector<std::wstring> FoldersToMake(const std::wstring& path) {
  std::vector<std::wstring> folders;
  VisitFoldersToMake(path, [&](const std::wstring& folder) {
    folders.push_back(folder);
    return true;
  });
  return folders;
}

bool NamesDevice(const std::wstring& path) {
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  std::wstring text;
  for (wchar_t c : path) text += c == L'/' ? L'\\' : lower(c);
  if (text.rfind(L"\\\\.\\", 0) == 0) return true;
  size_t slash = text.find_last_of(L"\\");
  std::wstring name = slash == std::wstring::npos ? text : text.substr(slash + 1);
  if (slash == std::wstring::npos && name.size() >= 2 && name[1] == L':') name.erase(0, 2);
  // The system ignores what follows the reserved name: an extension, trailing blanks and dots, a colon.
  size_t end = name.find_first_of(L".:");
  if (end != std::wstring::npos) name.resize(end);
  while (!name.empty() && name.back() == L' ') name.pop_back();
  static const wchar_t* const kReserved[] = {L"con", L"conin$", L"conout$", L"prn", L"aux", L"nul", L"clock$"};
  for (const wchar_t* reserved : kReserved)
    if (name == reserved) return true;
  return name.size() == 4 && (name.rfind(L"com", 0) == 0 || name.rfind(L"lpt", 0) == 0) && name[3] >= L'0' &&
         name[3] <= L'9';
}

std::optional<std::wstring> RuntimeFileMode(const std::wstring& field) {
  std::wstring mode;
  for (wchar_t c : field)
    if (c > L' ') mode += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  if (mode.empty()) return std::wstring(L"r");
  if (mode[0] != L'r' && mode[0] != L'w' && mode[0] != L'a') return std::nullopt;
  int plus = 0;
  int kind = 0;
  for (size_t i = 1; i < mode.size(); ++i) {
    if (mode[i] == L'+')
      ++plus;
    else if (mode[i] == L't' || mode[i] == L'b')
      ++kind;
    else
      return std::nullopt;
  }
  if (plus > 1 || kind > 1) return std::nullopt;
  return mode;
}

bool IsKnownAccessMode(long mode) { return mode == 0 || mode == 2 || mode == 4 || mode == 6; }

uint32_t ReadDwordData(const std::wstring& field) {
  std::wstring text = field.substr(0, 19);
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Unsigned arithmetic wraps without fault, and modulo 2^64 keeps the value modulo 2^32 right.
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
  if (negative) value = 0 - value;
  return static_cast<uint32_t>(value);
}

uint32_t ApplicationMessageBoxStyle(uint32_t style) {
  constexpr uint32_t kIconMask = 0xF0, kTypeMask = 0x0F;
  constexpr uint32_t kOk = 0, kOkCancel = 1, kYesNoCancel = 3, kYesNo = 4;
  constexpr uint32_t kExclamation = 0x30, kQuestion = 0x20;
  if (style & kIconMask) return style;
  switch (style & kTypeMask) {
    case kOk:
    case kOkCancel:
      return style | kExclamation;
    case kYesNo:
    case kYesNoCancel:
      return style | kQuestion;
    default:
      return style;
  }
}

WordSize ShellWordSize(bool library64Bit, bool libraryUnderWow64, bool shellUnderWow64) {
  if (library64Bit) return shellUnderWow64 ? WordSize::k32 : WordSize::k64;
  return libraryUnderWow64 && !shellUnderWow64 ? WordSize::k64 : WordSize::k32;
}

std::vector<uint8_t> ListItemTextRequest(WordSize shell, uint64_t remoteText, int32_t textMax) {
  ListItemLayout layout = ListItemLayoutFor(shell);
  std::vector<uint8_t> record(layout.size, 0);
  Put(record, layout.subItem, 0, 4);
  Put(record, layout.text, remoteText, layout.textPointerSize);
  Put(record, layout.textMax, static_cast<uint32_t>(textMax), 4);
  return record;
}

}  // namespace fscmd
