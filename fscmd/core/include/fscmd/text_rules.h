// The library's portable text rules: argument fields, numbers, answers, path parts, aliases and escaping.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/shared_rules.h"

namespace fscmd {

// The argument fields; a separator of 0 means ','. Leading blanks of a field are dropped, trailing ones kept.
class ArgumentList {
 public:
  ArgumentList() = default;
  explicit ArgumentList(std::vector<std::wstring> fields) : fields_(std::move(fields)) {}

  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  const std::vector<std::wstring>& fields() const { return fields_; }
  // A field past the end reads as the empty text.
  const std::wstring& operator[](size_t i) const;
  bool IsEmpty(size_t i) const { return (*this)[i].empty(); }
  // The field read as a number; an empty field gives the default.
  long Number(size_t i, long defaultValue = 0) const;

 private:
  std::vector<std::wstring> fields_;
};

ArgumentList SplitArguments(const std::wstring& text, wchar_t separator = L',');

// Replaces the first `count` commas by the character 1 and splits there, so the last field keeps its commas.
ArgumentList SplitWithFreeText(const std::wstring& text, int count);

// A field read as a number the way the runtime's atol reads it from at most 19 characters.
long ReadNumber(const std::wstring& field);

// What a command answers: separator, primary value, extras.
class CommandResult {
 public:
  static constexpr int kNoCode = -99;

  void SetSeparator(wchar_t separator) { separator_ = separator; }
  wchar_t separator() const { return separator_; }
  void SetPrimary(const std::wstring& text) { primary_ = text; }
  void SetPrimary(long value) { primary_ = std::to_wstring(value); }
  const std::wstring& primary() const { return primary_; }
  void AddExtra(const std::wstring& text) { extras_.push_back(text); }
  void AddExtra(std::wstring&& text) { extras_.push_back(std::move(text)); }
  void AddExtra(long value) { extras_.push_back(std::to_wstring(value)); }
  void AddEmptyExtra() { extras_.emplace_back(); }
  const std::vector<std::wstring>& extras() const { return extras_; }

  // The answer text; a code other than -99 replaces the primary value.
  std::wstring Finish(long code = kNoCode);

 private:
  wchar_t separator_ = L',';
  std::wstring primary_ = L"-99";
  std::vector<std::wstring> extras_;
};

// Codes shared by every command.
namespace code {
constexpr long kNone = -99;
constexpr long kNothingToDo = -1;
constexpr long kMissingField = -101;
constexpr long kOutOfRange = -102;
constexpr long kNotOpen = -103;
constexpr long kOpenFailed = -104;
constexpr long kSystemFailed = -105;
constexpr long kPastLastRow = -106;
constexpr long kUnknownName = -107;
inline long FromErrno(int e) { return -1000 - e; }
inline long FromLastError(unsigned long e) { return -2000 - static_cast<long>(e); }
}  // namespace code

std::wstring TrimBlanks(const std::wstring& text);
std::wstring TrimTrailingBackslashes(std::wstring text);
std::wstring ToBackslashes(std::wstring text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);

std::wstring FileNamePart(const std::wstring& path);
std::wstring FileTitlePart(const std::wstring& path);
std::wstring ExtensionPart(const std::wstring& path);
std::wstring DirectoryPart(const std::wstring& path);

// True for the authoring tool's executable, whose windows the library must leave alone.
using common::IsAuthoringToolPath;

enum class PathAlias { Org, MyPictures, MyDocuments, Windows, System, Temp, Desktop, StartMenu, Programs, StartUp,
                       ProgramFiles };
std::optional<PathAlias> AliasByName(const std::wstring& name);

// Supplies the folder an alias stands for; the host's implementation asks the system.
class AliasFolderSource {
 public:
  virtual ~AliasFolderSource() = default;
  virtual std::wstring Folder(PathAlias alias) = 0;
};

// Replaces %Name% aliases by their folders and every '/' by '\'; unknown or unterminated aliases stay as written.
std::wstring ExpandPathAliases(const std::wstring& text, AliasFolderSource& folders);

// The text escaped for use in an address.
std::wstring HtmlSafe(const std::wstring& text);

// The program named by a shell open command such as "C:\Browser\b.exe" -url "%1".
std::wstring BrowserFromOpenCommand(const std::wstring& command);

bool IsWebPageName(const std::wstring& path);
bool IsWebAddress(const std::wstring& path);
// The same page with the other extension: .htm becomes .html and .html becomes .htm.
std::wstring OtherPageForm(const std::wstring& path);

// Registry rules that need no registry.
enum class RootKey { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users };
std::optional<RootKey> RootKeyByName(const std::wstring& name);
// Registry type numbers for the four names the commands know; 0 for any other name.
uint32_t RegistryTypeByName(const std::wstring& name);
std::wstring RegistryTypeName(uint32_t type);
// Splits "key\value" at the last backslash; false without one.
bool SplitValuePath(const std::wstring& path, std::wstring* key, std::wstring* value);
// Up to two hexadecimal digits per blank-separated part; a part without a digit gives 0.
std::vector<uint8_t> ParseHexBytes(const std::wstring& text);
// " 0A 0B": each byte with a leading blank, upper-case digits.
std::wstring FormatHexBytes(const uint8_t* data, size_t size);
// A stored string value: its characters up to the first NUL, never past its data.
std::wstring StoredRegistryText(const uint8_t* data, size_t size);

}  // namespace fscmd
