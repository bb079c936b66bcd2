// Registry commands: reading, writing and deleting values and keys under the five root keys.
#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "library.h"
#include "registry_key.h"

namespace fscmd {

namespace {

// Deletes a key with every key below it. Each key's subkeys are listed once before they go, so a subkey that
// stays after its delete (a link the system keeps, a key without the right) is passed over instead of being
// tried again for ever, which the shell's own tree delete does on some systems.
void DeleteKeyTree(HKEY parent, const std::wstring& path, int depth) {
  constexpr int kDeepestKey = 512;
  if (depth > kDeepestKey) return;
  framework::UniqueRegKey key;
  if (OpenKey(parent, path, KEY_READ | DELETE, &key) != ERROR_SUCCESS) return;
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256] = {};
    DWORD size = 256;
    LONG error = ::RegEnumKeyExW(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_MORE_DATA) continue;
    if (error != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  for (const std::wstring& name : names) DeleteKeyTree(key.get(), name, depth + 1);
  key.reset();
  ::RegDeleteKeyW(parent, path.c_str());
}

constexpr DWORD kReadBufferBytes = 10000;
constexpr DWORD kExpandBufferChars = 20000;
constexpr size_t kWriteBufferBytes = 10000;

HKEY RootHandle(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::Users: return HKEY_USERS;
  }
  return nullptr;
}

std::wstring Format(const wchar_t* format, const std::wstring& text) {
  std::vector<wchar_t> buffer(text.size() + 64);
  _snwprintf(buffer.data(), buffer.size() - 1, format, text.c_str());
  return buffer.data();
}

std::wstring Format(const wchar_t* format, const std::wstring& text, long number) {
  std::vector<wchar_t> buffer(text.size() + 64);
  _snwprintf(buffer.data(), buffer.size() - 1, format, text.c_str(), number);
  return buffer.data();
}

std::wstring ValueText(DWORD type, const uint8_t* data, DWORD size) {
  switch (type) {
    case REG_SZ: return StoredRegistryText(data, size);
    case REG_EXPAND_SZ: {
      std::wstring stored = StoredRegistryText(data, size);
      std::vector<wchar_t> expanded(kExpandBufferChars);
      DWORD n = ::ExpandEnvironmentStringsW(stored.c_str(), expanded.data(), kExpandBufferChars);
      return (n == 0 || n > kExpandBufferChars) ? stored : std::wstring(expanded.data());
    }
    case REG_DWORD:
      if (size >= 4) {
        int32_t value = static_cast<int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24));
        return std::to_wstring(value);
      }
      return FormatHexBytes(data, size);
    default: return FormatHexBytes(data, size);
  }
}

}  // namespace

bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring* text) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<uint8_t> buffer(static_cast<size_t>(size) * 2 + 2);
  DWORD got = static_cast<DWORD>(buffer.size());
  if (::RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &got) != ERROR_SUCCESS) return false;
  *text = StoredRegistryText(buffer.data(), got);
  return true;
}

namespace commands {

long RegRead(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  auto fail = [&](const std::wstring& first, const std::wstring& second, const std::wstring& text, long failure) {
    result.AddExtra(first);
    result.AddExtra(second);
    result.AddExtra(L"Error");
    result.AddExtra(text);
    return failure;
  };
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) return fail(L"1", L"2", L"Insufficient arguments", code::kMissingField);
  std::optional<RootKey> root = RootKeyByName(fields[0]);
  if (!root) return fail(fields[0], fields[1], Format(L"UnknownKeyValue[%ls]", fields[1]), code::kUnknownName);
  std::wstring keyPath, valueName;
  if (!SplitValuePath(fields[1], &keyPath, &valueName))
    return fail(fields[0], fields[1], Format(L"[%ls]_Missing_\\", fields[1]), code::kOutOfRange);

  framework::UniqueRegKey key;
  LONG error = OpenKey(RootHandle(*root), keyPath, KEY_READ, &key);
  if (error != ERROR_SUCCESS)
    return fail(fields[0], fields[1], Format(L"Open(%ls)Err=%ld", keyPath, error), code::kSystemFailed);
  std::vector<uint8_t> data(kReadBufferBytes);
  DWORD type = 0, size = kReadBufferBytes;
  error = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
  key.reset();
  if (error != ERROR_SUCCESS)
    return fail(fields[0], fields[1], Format(L"Read(%ls)Err=%ld", valueName, error), code::kSystemFailed);

  result.AddExtra(fields[0]);
  result.AddExtra(fields[1]);
  result.AddExtra(fields.IsEmpty(2) ? std::wstring() : RegistryTypeName(type));
  if (!fields.IsEmpty(3)) result.AddExtra(ValueText(type, data.data(), size));
  return 0;
}

long RegWrite(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1) || fields.IsEmpty(2) || fields.IsEmpty(3)) {
    for (const wchar_t* placeholder : {L"1", L"2", L"3", L"4", L"Error:Insufficient arguments"})
      result.AddExtra(placeholder);
    return code::kMissingField;
  }
  for (size_t i = 0; i < 4; ++i) result.AddExtra(fields[i]);
  DWORD type = RegistryTypeByName(fields[2]);
  if (type == 0) {
    result.AddExtra(Format(L"Error:UnknownDataType[%ls]", fields[2]));
    return code::kOutOfRange;
  }
  std::vector<uint8_t> data;
  const std::wstring& text = fields[3];
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
    data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
  } else if (type == REG_DWORD) {
    uint32_t value = ReadDwordData(text);
    data = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  } else {
    std::wstring upper = text;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    data = ParseHexBytes(upper);
  }
  // Data beyond the write buffer is refused rather than cut short.
  if (data.size() > kWriteBufferBytes) {
    result.AddExtra(L"Error:DataTooLong");
    return code::kOutOfRange;
  }
  std::optional<RootKey> root = RootKeyByName(fields[0]);
  if (!root) {
    result.AddExtra(Format(L"Error:UnknownKey[%ls]", fields[0]));
    return code::kUnknownName;
  }
  std::wstring keyPath, valueName;
  if (!SplitValuePath(fields[1], &keyPath, &valueName)) {
    result.AddExtra(Format(L"Error:Missing\\[%ls]", fields[1]));
    return code::kOutOfRange;
  }
  HKEY raw = nullptr;
  LONG error = ::RegCreateKeyExW(RootHandle(*root), keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, &raw, nullptr);
  if (error != ERROR_SUCCESS) {
    result.AddExtra(Format(L"Error:Open(%ls)#=%ld", keyPath, error));
    return code::kSystemFailed;
  }
  framework::UniqueRegKey key(raw);
  error = ::RegSetValueExW(key.get(), valueName.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  if (error != ERROR_SUCCESS) {
    result.AddExtra(Format(L"Error:SetValue(%ls)#=%ld", valueName, error));
    return code::kSystemFailed;
  }
  result.AddExtra(L"OK");
  return 0;
}

long RegDelete(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) {
    for (const wchar_t* placeholder : {L"1", L"2", L"Error:Insufficient arguments"}) result.AddExtra(placeholder);
    return code::kMissingField;
  }
  result.AddExtra(fields[0]);
  result.AddExtra(fields[1]);
  std::optional<RootKey> root = RootKeyByName(fields[0]);
  if (!root) {
    result.AddExtra(Format(L"Error:UnknownKeyValue[%ls]", fields[1]));
    return code::kUnknownName;
  }
  // A path of nothing but backslashes would name the root itself.
  if (fields[1].find_first_not_of(L"\\ ") != std::wstring::npos) DeleteKeyTree(RootHandle(*root), fields[1], 0);
  result.AddExtra(L"OK");
  return 0;
}

}  // namespace commands

}  // namespace fscmd
