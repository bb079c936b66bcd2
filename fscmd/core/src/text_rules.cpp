#include "fscmd/text_rules.h"

#include <cstdint>

namespace fscmd {

namespace {

const std::wstring kEmpty;

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsTrimBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& with) {
  std::wstring out;
  size_t pos = 0;
  for (;;) {
    size_t hit = text.find(what, pos);
    if (hit == std::wstring::npos) break;
    out.append(text, pos, hit - pos);
    out += with;
    pos = hit + what.size();
  }
  out.append(text, pos, std::wstring::npos);
  return out;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

}  // namespace

const std::wstring& ArgumentList::operator[](size_t i) const { return i < fields_.size() ? fields_[i] : kEmpty; }

long ArgumentList::Number(size_t i, long defaultValue) const {
  return IsEmpty(i) ? defaultValue : ReadNumber((*this)[i]);
}

ArgumentList SplitArguments(const std::wstring& text, wchar_t separator) {
  return ArgumentList(common::SplitFields(text, separator == 0 ? L',' : separator));
}

ArgumentList SplitWithFreeText(const std::wstring& text, int count) {
  std::wstring marked = text;
  for (size_t pos = 0; count > 0; --count) {
    pos = marked.find(L',', pos);
    if (pos == std::wstring::npos) break;
    marked[pos] = L'\x01';
  }
  return SplitArguments(marked, L'\x01');
}

long ReadNumber(const std::wstring& field) {
  // Only the first 19 characters reach the number reader.
  std::wstring text = field.substr(0, 19);
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<long long>(INT32_MAX) + 1) break;
  }
  if (negative) value = -value;
  // The runtime's long is 32 bits wide on the library's platform; out-of-range numbers saturate there.
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<long>(value);
}

std::wstring CommandResult::Finish(long code) {
  if (code != kNoCode) primary_ = std::to_wstring(code);
  size_t length = 1 + primary_.size();
  for (const std::wstring& extra : extras_) length += 1 + extra.size();
  std::wstring answer;
  answer.reserve(length);
  answer += separator_;
  answer += primary_;
  for (const std::wstring& extra : extras_) {
    answer += separator_;
    answer += extra;
  }
  return answer;
}

std::wstring TrimBlanks(const std::wstring& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsTrimBlank(text[first])) ++first;
  while (last > first && IsTrimBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::wstring TrimTrailingBackslashes(std::wstring text) {
  while (!text.empty() && text.back() == L'\\') text.pop_back();
  return text;
}

std::wstring ToBackslashes(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L'/') c = L'\\';
  return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring FileNamePart(const std::wstring& path) {
  std::wstring clean = ToBackslashes(TrimBlanks(path));
  size_t slash = clean.rfind(L'\\');
  return slash == std::wstring::npos ? clean : clean.substr(slash + 1);
}

std::wstring FileTitlePart(const std::wstring& path) {
  std::wstring name = FileNamePart(path);
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring ExtensionPart(const std::wstring& path) {
  size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0) return {};
  // A dot in a folder name does not start an extension.
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > dot) return {};
  return path.substr(dot + 1);
}

std::wstring DirectoryPart(const std::wstring& path) {
  // Cut from the trimmed text, the one FileNamePart measured, so surrounding blanks cannot shift the cut.
  std::wstring clean = ToBackslashes(TrimBlanks(path));
  clean.resize(clean.size() - FileNamePart(clean).size());
  return TrimTrailingBackslashes(std::move(clean));
}

std::optional<PathAlias> AliasByName(const std::wstring& name) {
  static const struct {
    const wchar_t* name;
    PathAlias alias;
  } kAliases[] = {
      {L"Org", PathAlias::Org},           {L"MyPictures", PathAlias::MyPictures},
      {L"MyDocuments", PathAlias::MyDocuments}, {L"WinDir", PathAlias::Windows},
      {L"Windows", PathAlias::Windows},   {L"SysDir", PathAlias::System},
      {L"System", PathAlias::System},     {L"System32", PathAlias::System},
      {L"TempDir", PathAlias::Temp},      {L"Temp", PathAlias::Temp},
      {L"Desktop", PathAlias::Desktop},   {L"StartMenu", PathAlias::StartMenu},
      {L"Programs", PathAlias::Programs}, {L"StartUp", PathAlias::StartUp},
      {L"ProgramFilesDir", PathAlias::ProgramFiles},
  };
  for (const auto& entry : kAliases)
    if (EqualsNoCase(name, entry.name)) return entry.alias;
  return std::nullopt;
}

std::wstring ExpandPathAliases(const std::wstring& text, AliasFolderSource& folders) {
  std::wstring input = ToBackslashes(text);
  std::wstring out, name;
  bool inside = false;
  for (wchar_t c : input) {
    if (c != L'%') {
      (inside ? name : out) += c;
      continue;
    }
    if (!inside) {
      inside = true;
      name.clear();
      continue;
    }
    inside = false;
    std::wstring value;
    if (std::optional<PathAlias> alias = AliasByName(name)) value = TrimBlanks(folders.Folder(*alias));
    if (value.empty()) {
      out += L'%';
      out += name;
      out += L'%';
    } else {
      out += TrimTrailingBackslashes(value);
    }
    name.clear();
  }
  if (inside) {
    out += L'%';
    out += name;
  }
  return out;
}

std::wstring HtmlSafe(const std::wstring& text) {
  std::wstring out = ReplaceAll(text, L" ", L"%20");
  out = ReplaceAll(out, L"&", L"%26");
  out = ReplaceAll(out, L"'", L"");
  out = ReplaceAll(out, L"#", L"%23");
  out = ReplaceAll(out, L"/", L"%2F");
  out = ReplaceAll(out, L"\\", L"%5C");
  out = ReplaceAll(out, L"\r", L"");
  return ReplaceAll(out, L"\n", L"%0A");
}

std::wstring BrowserFromOpenCommand(const std::wstring& command) {
  size_t q1 = command.find(L'"');
  size_t q2 = command.rfind(L'"');
  if (q1 == std::wstring::npos || q2 == std::wstring::npos) {
    size_t slash = command.rfind(L'\\');
    if (slash != std::wstring::npos && slash > 0) {
      size_t blank = command.find(L' ', slash);
      if (blank != std::wstring::npos && blank > 0) return command.substr(0, blank);
    }
    return command;
  }
  // The program is the first quoted text: arguments after it may carry quotes of their own ("%1").
  if (q1 != q2) {
    size_t close = command.find(L'"', q1 + 1);
    return command.substr(q1 + 1, close - q1 - 1);
  }
  return command;
}

bool IsWebPageName(const std::wstring& path) {
  std::wstring ext = ExtensionPart(path);
  return EqualsNoCase(ext, L"htm") || EqualsNoCase(ext, L"html");
}

bool IsWebAddress(const std::wstring& path) {
  return StartsWithNoCase(path, L"www.") || StartsWithNoCase(path, L"http://");
}

std::wstring OtherPageForm(const std::wstring& path) {
  std::wstring suffix = EqualsNoCase(ExtensionPart(path), L"htm") ? L".html" : L".htm";
  std::wstring folder = DirectoryPart(path);
  std::wstring result = folder;
  if (!folder.empty()) result += L'\\';
  return result + FileTitlePart(path) + suffix;
}

std::optional<RootKey> RootKeyByName(const std::wstring& name) {
  if (name == L"HKCR") return RootKey::ClassesRoot;
  if (name == L"HKCC") return RootKey::CurrentConfig;
  if (name == L"HKCU") return RootKey::CurrentUser;
  if (name == L"HKLM") return RootKey::LocalMachine;
  if (name == L"HKUSR") return RootKey::Users;
  return std::nullopt;
}

uint32_t RegistryTypeByName(const std::wstring& name) {
  if (name == L"REG_SZ") return 1;
  if (name == L"REG_EXPAND_SZ") return 2;
  if (name == L"REG_BINARY") return 3;
  if (name == L"REG_DWORD") return 4;
  return 0;
}

std::wstring RegistryTypeName(uint32_t type) {
  switch (type) {
    case 1: return L"REG_SZ";
    case 2: return L"REG_EXPAND_SZ";
    case 3: return L"REG_BINARY";
    case 4: return L"REG_DWORD";
    default: return L"Unknown";
  }
}

bool SplitValuePath(const std::wstring& path, std::wstring* key, std::wstring* value) {
  size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  *key = path.substr(0, slash);
  *value = path.substr(slash + 1);
  return true;
}

std::vector<uint8_t> ParseHexBytes(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  ArgumentList parts = SplitArguments(text, L' ');
  for (size_t i = 0; i < parts.size() && !parts[i].empty(); ++i) {
    int value = 0;
    for (size_t k = 0; k < 2 && k < parts[i].size(); ++k) {
      int digit = HexDigit(parts[i][k]);
      if (digit < 0) break;
      value = value * 16 + digit;
    }
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return bytes;
}

std::wstring FormatHexBytes(const uint8_t* data, size_t size) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    out += L' ';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

std::wstring StoredRegistryText(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

}  // namespace fscmd
