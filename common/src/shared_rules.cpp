#include "common/shared_rules.h"

#include <cstdint>

namespace common {

namespace {

constexpr wchar_t kAuthoringTool[] = L"Brindlework.exe";

bool IsBelowVisible(wchar_t c) { return static_cast<uint32_t>(c) <= 32; }

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

std::vector<std::wstring> SplitFields(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> fields;
  std::wstring current;
  bool started = false;
  for (wchar_t c : text) {
    if (!started && IsBelowVisible(c)) continue;
    if (c == separator) {
      fields.push_back(std::move(current));
      current.clear();
      started = false;
    } else {
      current += c;
      started = true;
    }
  }
  if (started) fields.push_back(std::move(current));
  return fields;
}

bool IsAuthoringToolPath(const std::wstring& programPath) {
  size_t slash = programPath.rfind(L'\\');
  std::wstring name = slash == std::wstring::npos ? programPath : programPath.substr(slash + 1);
  return EqualsNoCase(name, kAuthoringTool);
}

std::wstring MailAddress(const std::wstring& address) {
  if (address.empty() || address.find(L"mailto:") != std::wstring::npos) return address;
  return L"mailto:" + address;
}

}  // namespace common
