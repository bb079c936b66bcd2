#include "fuzz_exports/generator.h"

#include <cstdio>
#include <utility>

namespace fuzz_exports {

namespace {

std::wstring Repeat(const std::wstring& piece, size_t times) {
  std::wstring text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

std::wstring ControlCharacters() {
  std::wstring text;
  for (wchar_t c = 1; c < 32; ++c) text += c;
  return text;
}

std::vector<std::wstring> MakeHostileTexts() {
  std::vector<std::wstring> texts = {
      // Empty, blanks and control characters.
      L"", L" ", L"\t\r\n", L"   \x01\x02", ControlCharacters(), L"\x7F", L"a\x01" L"b", L"\x1B[2J",
      // Commas.
      Repeat(L",", 3000), L",,,,", L" , , , ", L",x", Repeat(L"a,", 2000),
      // Long fields.
      Repeat(L"A", 100000), Repeat(L"%s", 50000), Repeat(L"\\", 100000), Repeat(L"a\\", 50000), Repeat(L"x", 259),
      Repeat(L"x", 260), Repeat(L"y", 32767), Repeat(L"\xD800", 50000),
      // Numbers at and beyond the 32-bit limits.
      L"2147483647", L"2147483648", L"-2147483648", L"-2147483649", L"4294967295", L"4294967296", L"-4294967296",
      L"9223372036854775807", L"9223372036854775808", L"-9223372036854775809", L"99999999999999999999999999999",
      L"0x7fffffff", L"1e10", L"-0", L"+5", L" -1", L"0000000000000000000000000000001", L"1.5", L"-",
      // Parents, at most two folders up.
      L"..", L"..\\x", L"..\\..\\x", L"sub\\..\\..\\x", L"./../x", L"...", L"x\\..", L"a/b/../c",
      // Devices.
      L"CON", L"NUL", L"COM1", L"COM9", L"LPT1", L"AUX", L"PRN", L"CONIN$", L"CONOUT$", L"nul.txt", L"con.txt",
      L"\\\\.\\NUL", L"\\\\.\\CON", L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive99", L"\\\\.\\pipe\\fuzz",
      L"\\\\.\\D:", L"\\\\?\\GLOBALROOT\\Device\\Null", L"\\\\.\\SMARTVSD", L"\\\\.\\mailslot\\fuzz", L"\\\\.\\",
      L"\\\\?\\", L"\\\\.\\COM1",
      // Shares.
      L"\\\\server\\share\\" + Repeat(L"a", 40000), L"\\\\server\\share\\x.txt", L"\\\\?\\UNC\\server\\share\\x",
      L"\\\\", Repeat(L"\\\\server", 5000), L"//server/share/x",
      // Unpaired surrogates and other odd characters.
      L"\xD800", L"\xDC00", L"a\xD800" L"b", L"\xDBFF\xDBFF", L"\xDFFF\xD800", L"\xFFFF", L"\xFFFE", L"\xFEFF",
      L"\xD83D\xDE00", L"\x202E" L"txt.exe", L"\x00E9t\x00E9", L"\x65E5\x672C", L"e\x0301\x0301\x0301",
      // Format directives.
      L"%s%n%x", L"%s%s%s%s%s%s%s%s", L"%n%n%n%n", L"%ls%S%hs", L"%99999999s", L"%*.*d", L"%p%p%p", L"%%", L"%",
      L"%Temp", L"%Temp%%Temp%", L"%Nope%", L"%%%%%%", L"%Org%%Org%", L"%d%d%d%d%d%d", L"{0}{1}", L"$(x)",
      // Registry roots that do not exist.
      L"HKEY_FOO", L"hkcu", L"HKCU\\", L"HKU", L"HKCC\x01", L"HKLM ", L"HKEY_LOCAL_MACHINE",
      // Quotes, wildcards, streams.
      L"\"", L"\"\"\"", L"'", L"\"x\" /y", L"a\" b", L"*", L"?", L"*.*", L"<>|", L":", L"x.txt:stream",
      L"x.txt::$DATA", L"x.", L"x ", L" x",
  };
  return texts;
}

std::vector<std::wstring> MakeHostileReadPaths() {
  return {L"\\",
          L"C:\\",
          L"C:",
          L"C:\\windows",
          L"C:\\windows\\win.ini",
          L"%WinDir%",
          L"%SysDir%\\kernel32.dll",
          L"%ProgramFilesDir%",
          L"%System32%\\..",
          L"..\\..\\..\\..\\..\\..\\..",
          L"\\\\?\\C:\\",
          L"C:..",
          L"/",
          L"Z:\\",
          L"\\\\?\\unix\\",
          L"A:\\"};
}

const std::vector<std::wstring> kNames = {L"a.txt", L"b.ini", L"c.fzd", L"page.htm", L"page.html", L"sub",
                                          L"sub\\deeper", L"sub\\d.txt", L"E.TXT", L"x"};

// No BEGIN: a transaction one slot leaves open makes every other slot's write wait for the lock as long as its
// query time-out allows (2147483647 seconds among them), a hang a movie can only cause itself.
const std::vector<std::wstring> kSql = {
    L"CREATE TABLE IF NOT EXISTS t (a INTEGER)",
    L"CREATE TABLE IF NOT EXISTS u (name TEXT)",
    L"CREATE TABLE IF NOT EXISTS d (born DATE)",
    L"CREATE TABLE IF NOT EXISTS s (seen TIMESTAMP)",
    L"CREATE TABLE IF NOT EXISTS m (at TIME)",
    L"CREATE TABLE IF NOT EXISTS b (data BLOB)",
    L"INSERT INTO t VALUES (random())",
    L"INSERT INTO t VALUES (2147483648)",
    L"INSERT INTO t VALUES (-9223372036854775808)",
    L"INSERT INTO u VALUES ('%s%n%x')",
    L"INSERT INTO u VALUES (hex(zeroblob(60000)))",
    L"INSERT INTO u VALUES (NULL)",
    L"INSERT INTO d VALUES ('2004-03-05')",
    L"INSERT INTO d VALUES ('not a date')",
    L"INSERT INTO d VALUES ('99999-99-99')",
    L"INSERT INTO s VALUES ('2004-03-05 14:07:09')",
    L"INSERT INTO s VALUES ('9999-99-99 99:99:99.999999999')",
    L"INSERT INTO s VALUES (-1)",
    L"INSERT INTO m VALUES ('25:61:61')",
    L"INSERT INTO m VALUES ('08:09:10')",
    L"INSERT INTO b VALUES (x'00ff00')",
    L"INSERT INTO b VALUES (zeroblob(70000))",
    L"SELECT * FROM t",
    L"SELECT * FROM u",
    L"SELECT * FROM d",
    L"SELECT * FROM s",
    L"SELECT * FROM m",
    L"SELECT * FROM b",
    L"SELECT * FROM sqlite_master",
    L"SELECT 1",
    L"SELECT NULL",
    L"SELECT a FROM t WHERE a > 0",
    L"SELECT * FROM t WHERE 0",
    L"SELECT 9223372036854775807",
    L"SELECT -1e308",
    L"SELECT x'00'",
    L"UPDATE t SET a = a + 1",
    L"DELETE FROM t",
    L"DELETE FROM u",
    L"DROP TABLE t",
    L"DROP TABLE IF EXISTS s",
    L"SELECT * FROM nowhere",
};

// A part below an anchor; below the empty anchor (the current folder) it stays relative.
std::wstring UnderAnchor(const std::wstring& anchor, const std::wstring& part) {
  return anchor.empty() ? part : anchor + L"\\" + part;
}

}  // namespace

uint64_t Random::Next() {
  // splitmix64: one multiply-xorshift step per draw.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

size_t Random::Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

const std::vector<std::wstring>& HostileTexts() {
  static const std::vector<std::wstring> texts = MakeHostileTexts();
  return texts;
}

const std::vector<std::wstring>& HostileReadPaths() {
  static const std::vector<std::wstring> paths = MakeHostileReadPaths();
  return paths;
}

size_t ParentClimbs(const std::wstring& path) {
  size_t climbs = 0;
  size_t i = 0;
  while (i < path.size()) {
    if (path[i] == L'\\' || path[i] == L'/') {
      ++i;
      continue;
    }
    size_t end = path.find_first_of(L"\\/", i);
    if (end == std::wstring::npos) end = path.size();
    // Trailing dots and blanks of a part are dropped by the system, so "..", "..." and ". ." climb alike.
    std::wstring part = path.substr(i, end - i);
    size_t dots = 0;
    bool onlyDotsAndBlanks = true;
    for (wchar_t c : part) {
      if (c == L'.') ++dots;
      else if (c != L' ') onlyDotsAndBlanks = false;
    }
    if (onlyDotsAndBlanks && dots >= 2) ++climbs;
    i = end;
  }
  return climbs;
}

bool NamesTheDriveRoot(const std::wstring& path) {
  size_t first = 0;
  while (first < path.size() && path[first] <= L' ') ++first;
  auto separator = [&](size_t i) { return i < path.size() && (path[i] == L'\\' || path[i] == L'/'); };
  // "\\?\\" and "\\.\\" only say how to read what follows, which may itself start at the root.
  if (separator(first) && separator(first + 1) && first + 2 < path.size() &&
      (path[first + 2] == L'?' || path[first + 2] == L'.') && separator(first + 3))
    first += 4;
  return separator(first) && !separator(first + 1);
}

ArgumentGenerator::ArgumentGenerator(Environment environment, uint64_t seed)
    : env_(std::move(environment)), random_(seed) {}

std::wstring ArgumentGenerator::Number() {
  static const std::vector<std::wstring> numbers = {L"0", L"1", L"2", L"3", L"7", L"10", L"11", L"-1", L"100",
                                                    L"65535", L"65536", L"32767", L"-32768"};
  if (random_.Percent(70)) return random_.Pick(numbers);
  size_t shift = random_.Below(64);
  long long value = static_cast<long long>(random_.Next() >> shift);
  if (random_.Percent(50)) value = -value;
  return std::to_wstring(value);
}

std::wstring ArgumentGenerator::WritePath() {
  for (;;) {
    std::wstring path = random_.Pick(env_.writeAnchors);
    size_t parts = random_.Below(4);
    for (size_t i = 0; i < parts; ++i) {
      std::wstring part;
      switch (random_.Below(6)) {
        case 0: part = L".."; break;
        case 1: part = random_.Pick(HostileTexts()); break;
        default: part = random_.Pick(kNames); break;
      }
      if (!path.empty()) path += random_.Percent(90) ? L"\\" : L"/";
      path += part;
    }
    if (ParentClimbs(path) <= 2 && !NamesTheDriveRoot(path)) return path;
  }
}

std::wstring ArgumentGenerator::ReadPath() {
  if (random_.Percent(25)) return random_.Pick(HostileReadPaths());
  std::wstring path = random_.Percent(20) ? random_.Pick(env_.readAnchors) : random_.Pick(env_.writeAnchors);
  if (random_.Percent(70)) path = UnderAnchor(path, random_.Pick(kNames));
  return path;
}

std::wstring ArgumentGenerator::RegistryPath(bool withValueName) {
  static const std::vector<std::wstring> keys = {L"k1", L"k2\\sub", L"k3\\a\\b", L"", L"k1\\k1"};
  static const std::vector<std::wstring> values = {L"v", L"", L"dword", L"bin", L"text", L"expand"};
  std::wstring path = env_.registryKey;
  std::wstring key = random_.Percent(85) ? random_.Pick(keys) : random_.Pick(HostileTexts());
  if (!key.empty()) path += L"\\" + key;
  if (withValueName) path += L"\\" + (random_.Percent(85) ? random_.Pick(values) : random_.Pick(HostileTexts()));
  return path;
}

std::wstring ArgumentGenerator::Sql() {
  if (random_.Percent(85)) return random_.Pick(kSql);
  return random_.Pick(HostileTexts());
}

std::wstring ArgumentGenerator::Plausible(Field kind) {
  auto pick = [this](std::vector<std::wstring> items) { return random_.Pick(items); };
  switch (kind) {
    case Field::kSlot: return std::to_wstring(1 + random_.Below(random_.Percent(80) ? 3 : 10));
    case Field::kNumber: return Number();
    case Field::kCoordinate: return pick({L"-1", L"0", L"10", L"100", L"640", L"-10", L"5000", L"-5000", L""});
    case Field::kDrive: return pick({L"0", L"1", L"2", L"3", L"4", L"-1"});
    case Field::kReadPath: return ReadPath();
    case Field::kWritePath:
    case Field::kIniFile: return WritePath();
    case Field::kFolder: return random_.Percent(90) ? random_.Pick(env_.writeAnchors) : ReadPath();
    case Field::kPattern: return pick({L"*.*", L"*", L"*.txt", L"?.*", L"", L"a*", L"*.fzd"});
    case Field::kVariable: return pick({L"v", L"fscmd_ret", L"_root.x", L"", L"w", L"name"});
    case Field::kText: return pick({L"hello", L"two words", L"line\r\n", L"", L"\x00E9t\x00E9", L"a%20b"});
    case Field::kFileMode:
      return pick({L"r", L"w", L"a", L"r+", L"w+", L"a+", L"rb", L"wt", L"r+b", L"ccs=UTF-8", L"rw", L"x", L""});
    case Field::kWriteMode: return pick({L"a", L"w", L"", L"A", L"W", L"x"});
    case Field::kReadCount: return pick({L"", L"L", L"1", L"5", L"100000", L"2147483647", L"-1", L"0"});
    case Field::kAccessMode: return pick({L"0", L"2", L"4", L"6", L"1", L"3", L"-1", L""});
    case Field::kOrder: return pick({L"A", L"a", L"D", L""});
    case Field::kYesNo: return pick({L"Y", L"y", L"N", L""});
    case Field::kRegRoot:
      return random_.Percent(85) ? pick({L"HKCU", L"HKLM", L"HKCR", L"HKCC", L"HKUSR"}) : pick({L"hkcu", L"HKXX"});
    case Field::kRegValuePath: return RegistryPath(true);
    case Field::kRegKeyPath: return RegistryPath(random_.Percent(30));
    case Field::kRegReadPath:
      return random_.Percent(80)
                 ? RegistryPath(true)
                 : pick({L"Software\\Wine\\Version", L"Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion",
                         L"http\\shell\\open\\command\\", L"Environment\\TEMP", L"nothing"});
    case Field::kRegType:
      return random_.Percent(85) ? pick({L"REG_SZ", L"REG_DWORD", L"REG_BINARY", L"REG_EXPAND_SZ"})
                                 : pick({L"REG_MULTI_SZ", L"reg_sz"});
    case Field::kRegData:
      return pick({L"1", L"-1", L"4294967295", L"0a 1b ff", L"zz", L"%TEMP%\\x", Repeat(L"t", 6000),
                   Repeat(L"ff ", 20000), L"0a  1b   ff", L""});
    case Field::kConnect: {
      if (random_.Percent(10)) return pick({L"DSN=NoSuchSource", L"DRIVER={NoSuchDriver}", L"", L";;;", L"DRIVER="});
      return env_.connectPrefix + pick({L"fuzz.db", L"fuzz.db", L"other.db", L"sub"});
    }
    case Field::kSql: return Sql();
    case Field::kColumn: return pick({L"0", L"1", L"2", L"-1", L"a", L"A", L"name", L"born", L"seen", L"nope", L""});
    case Field::kQueryTimeout: return pick({L"0", L"1", L"10", L"-1", L"2147483647", L""});
    case Field::kHandle: {
      if (random_.Percent(85)) return env_.hostHandle;
      return pick({L"0", env_.otherHandle, std::to_wstring(1 + random_.Below(100)),
                   std::to_wstring(random_.Next() & 0xFFFFFFFFu), L"-1"});
    }
    case Field::kVerb: return pick({L"open", L"", L"edit", L"print", L"explore", L"runas", L"properties", L"nope"});
    case Field::kTarget:
      return pick({env_.probe, L"\"" + env_.probe + L"\"", env_.document, env_.page, L"page.htm",
                   L"www.example.org/start", L"http://example.org/x.htm", L"https://example.org/",
                   L"mailto:a@example.org", L"%Temp%\\c.fzd", L"missing.fzd", L"."});
    case Field::kShowCommand: return std::to_wstring(random_.Below(13));
    case Field::kBoxStyle: {
      static const uint32_t styles[] = {0,       1,       2,        3,        4,        5,      6,
                                        0x10,    0x20,    0x30,     0x40,     0x100,    0x200,  0x1000,
                                        0x2000,  0x4000,  0x10000,  0x40000,  0x80000,  0x100000,
                                        0x200000, 0x20000, 0x8000,  7,        15};
      uint32_t style = styles[random_.Below(std::size(styles))];
      style |= styles[random_.Below(std::size(styles))];
      if (random_.Percent(10)) style = static_cast<uint32_t>(random_.Next());
      return std::to_wstring(static_cast<long long>(static_cast<int32_t>(style)));
    }
    case Field::kZOrder: return pick({L"0", L"1", L"2", L"3", L"4", L"5", L"-1"});
    case Field::kSwpFlags: {
      if (random_.Percent(60)) return L"0";
      return std::to_wstring(static_cast<long long>(static_cast<int32_t>(random_.Next())));
    }
    case Field::kWindowState: return pick({L"0", L"1", L"2", L"3", L"7", L""});
    case Field::kTrueWord: return pick({L"true", L"TRUE", L"", L"false", L"x"});
    case Field::kDriveLetter: return pick({L"", L"D", L"E", L"C", L"Z", L"1", L"d:"});
    case Field::kDoorAction: return pick({L"o", L"c", L"O", L"open", L"close", L""});
    case Field::kRoot: return pick({L"C:\\", L"D:\\", L"Z:\\", L"C:", L"\\\\?\\C:\\", L"\\\\server\\share\\", L"E:\\"});
    case Field::kIniSection: return pick({L"s", L"section", L"[x]", L"=", L";comment", L"S"});
    case Field::kIniKey: return pick({L"k", L"key", L"=", L"a=b", L"K"});
    case Field::kFrequency: return pick({L"", L"37", L"440", L"32767", L"32768", L"0", L"-5"});
    case Field::kDuration: return pick({L"", L"0", L"1", L"-1", L"5000", L"2147483647"});
    case Field::kItemIndex: return pick({L"0", L"1", L"2", L"5", L"-1", L"1000000", L""});
    case Field::kMailAddress:
      return pick({L"a@example.org", L"a@example.org,b@example.org", L"?subject=%s%n", L"", L"a@b?body=x&cc=y"});
  }
  return {};
}

std::wstring ArgumentGenerator::Hostile(Field kind) {
  switch (kind) {
    // Fields that decide where a command writes, what it starts or which key it deletes stay confined even
    // when hostile: the hostile part goes below a place of the scratch folder or of the harness's key.
    // Below the current folder (the empty anchor) a part of blanks and control characters would leave a path
    // that starts at the drive's root once the library drops them.
    case Field::kWritePath:
      for (;;) {
        std::wstring path = UnderAnchor(random_.Pick(env_.writeAnchors), random_.Pick(HostileTexts()));
        if (!NamesTheDriveRoot(path)) return path;
      }
    case Field::kTarget:
    case Field::kFolder:
      for (;;) {
        std::wstring path = random_.Percent(50)
                                ? random_.Pick(HostileTexts())
                                : UnderAnchor(random_.Pick(env_.writeAnchors), random_.Pick(HostileTexts()));
        if (!NamesTheDriveRoot(path)) return path;
      }
    case Field::kRegValuePath:
    case Field::kRegKeyPath:
      return env_.registryKey + L"\\" + random_.Pick(HostileTexts());
    case Field::kConnect: {
      std::wstring name = random_.Pick(HostileTexts());
      if (ParentClimbs(name) > 0 || name.find_first_of(L"\\/") != std::wstring::npos) name = L"climb.db";
      return env_.connectPrefix + name;
    }
    case Field::kReadPath:
    case Field::kRoot:
      return random_.Percent(30) ? random_.Pick(HostileReadPaths()) : random_.Pick(HostileTexts());
    default:
      return random_.Pick(HostileTexts());
  }
}

std::wstring ArgumentGenerator::Value(Field kind) {
  if (kind == Field::kIniFile) {
    std::wstring path = Value(Field::kWritePath);
    return path.find_first_of(L"\\/") == std::wstring::npos ? L".\\" + path : path;
  }
  return random_.Percent(80) ? Plausible(kind) : Hostile(kind);
}

namespace {

bool Confined(Field kind) {
  switch (kind) {
    case Field::kWritePath:
    case Field::kIniFile:
    case Field::kTarget:
    case Field::kFolder:
    case Field::kRegValuePath:
    case Field::kRegKeyPath:
    case Field::kConnect:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::wstring ArgumentGenerator::Next(const ExportShape& shape) {
  if (shape.split == Split::kWhole) return Value(shape.fields.empty() ? Field::kText : shape.fields[0]);
  bool anyConfined = false;
  for (Field kind : shape.fields) anyConfined = anyConfined || Confined(kind);
  unsigned mode = static_cast<unsigned>(random_.Below(100));
  // A hostile text as the whole argument: it lands in field 0, so only where field 0 decides nothing confined.
  if (mode < 12 && (shape.fields.empty() || !Confined(shape.fields[0]))) return random_.Pick(HostileTexts());
  std::vector<std::wstring> fields;
  if (mode < 22) {
    // Fields of any kind, except where the command decides something confined.
    size_t count = random_.Below(9);
    for (size_t i = 0; i < count; ++i) {
      Field kind = static_cast<Field>(random_.Below(static_cast<size_t>(Field::kMailAddress) + 1));
      if (i < shape.fields.size() && Confined(shape.fields[i])) kind = shape.fields[i];
      if (Confined(kind) && !(i < shape.fields.size() && shape.fields[i] == kind)) kind = Field::kText;
      fields.push_back(Value(kind));
    }
  } else {
    size_t count = shape.fields.size();
    if (random_.Percent(10)) count = random_.Below(count + 1);
    for (size_t i = 0; i < count; ++i) fields.push_back(Value(shape.fields[i]));
    if (random_.Percent(5) && !anyConfined)
      for (size_t extra = 1 + random_.Below(3); extra > 0; --extra) fields.push_back(random_.Pick(HostileTexts()));
  }
  std::wstring text;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += L',';
    text += fields[i];
  }
  return text;
}

std::vector<size_t> CallOrder(size_t exportCount, size_t callsPerExport, uint64_t seed) {
  std::vector<size_t> order;
  order.reserve(exportCount * callsPerExport);
  for (size_t i = 0; i < exportCount; ++i)
    for (size_t n = 0; n < callsPerExport; ++n) order.push_back(i);
  Random random(seed ^ 0x5EEDC0DEull);
  for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[random.Below(i)]);
  return order;
}

std::string Printable(const std::wstring& text, size_t limit) {
  std::string out;
  size_t shown = text.size() < limit ? text.size() : limit;
  for (size_t i = 0; i < shown; ++i) {
    wchar_t c = text[i];
    if (c == L'\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c) & 0xFFFFu);
      out += escape;
    }
  }
  if (shown < text.size()) out += "... (" + std::to_string(text.size()) + " characters)";
  return out;
}

}  // namespace fuzz_exports
