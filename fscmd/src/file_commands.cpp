// File and profile commands: tests, searches, slots, copies, one-call writes, INI files and the CD door.
#include <windows.h>
#include <io.h>
#include <mmsystem.h>
#include <sys/stat.h>
#include <wchar.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "framework/handles.h"
#include "library.h"

namespace fscmd {

namespace {

// A read never asks for more than this many characters at once, however large the count.
constexpr long kMaxReadChars = 1 << 20;
constexpr int kLineBufferChars = 100000;
constexpr DWORD kProfileBufferChars = 10000;

// The profile functions take no path longer than MAX_PATH; some systems (Wine's) copy a bare name behind the
// Windows folder into a buffer of that size without looking, and a longer name takes the player down.
bool FitsProfileCalls(const std::wstring& file) { return file.size() < MAX_PATH; }

bool IsFolder(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The slot a field names, or nullptr for a number outside 1 to 10.
FileSlot* SlotFor(const ArgumentList& fields, size_t index) {
  long slot = fields.Number(index, 0);
  if (slot < 1 || slot > SharedState::kFileSlots) return nullptr;
  return &State().files[slot - 1];
}

}  // namespace

namespace commands {

long FileIsDir(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return 0;
  return IsFolder(ExpandPathAliases(fields[0])) ? 1 : 0;
}

long FileFindFirst(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  auto nothing = [&] {
    result.AddEmptyExtra();
    result.AddEmptyExtra();
    return 0L;
  };
  if (fields.IsEmpty(0)) return nothing();
  FileSearch& search = State().search;
  search.ascending = fields.IsEmpty(3) || EqualsNoCase(fields[3], L"A");
  std::wstring pattern = fields.IsEmpty(2) ? L"*.*" : fields[2];
  search.names.clear();
  search.next = 0;
  search.folder = TrimTrailingBackslashes(ExpandPathAliases(fields[0])) + L"\\";

  std::wstring query = search.folder + pattern;
  _wfinddata_t entry;
  intptr_t handle = _wfindfirst(query.c_str(), &entry);
  if (handle != -1) {
    do {
      std::wstring name = entry.name;
      DWORD attributes = ::GetFileAttributesW((search.folder + name).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !FileNamePart(name).empty())
        search.names.push_back(name);
    } while (_wfindnext(handle, &entry) == 0);
    _findclose(handle);
  }
  std::stable_sort(search.names.begin(), search.names.end(), [&](const std::wstring& a, const std::wstring& b) {
    int order = _wcsicmp(a.c_str(), b.c_str());
    return search.ascending ? order < 0 : order > 0;
  });
  if (search.names.empty()) return nothing();
  search.next = 1;
  result.AddEmptyExtra();
  result.AddExtra(search.names[0]);
  return 1;
}

long FileFindNext(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  FileSearch& search = State().search;
  if (fields.IsEmpty(0) || search.next >= search.names.size()) {
    result.AddEmptyExtra();
    return 0;
  }
  result.AddExtra(search.names[search.next++]);
  return 1;
}

long FileOpen(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  FileSlot* slot = SlotFor(fields, 0);
  if (!slot) return code::kOutOfRange;
  std::wstring path = ExpandPathAliases(fields[1]);
  if (path.empty()) return code::kMissingField;
  slot->Close();
  std::optional<std::wstring> mode = RuntimeFileMode(fields[2]);
  if (!mode || NamesDevice(path)) return code::kOpenFailed;
  FILE* stream = _wfopen(path.c_str(), mode->c_str());
  if (!stream) return code::kOpenFailed;
  // Slots hold files only: a read from a console, pipe or port would wait for ever.
  if (::GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) != FILE_TYPE_DISK) {
    std::fclose(stream);
    return code::kOpenFailed;
  }
  slot->Reset(stream);
  return 0;
}

long FileClose(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  FileSlot* slot = SlotFor(fields, 0);
  if (!slot) return code::kOutOfRange;
  slot->Close();
  return 0;
}

long FileWrite(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitWithFreeText(args, 1);
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) return code::kMissingField;
  FileSlot* slot = SlotFor(fields, 0);
  if (!slot) return code::kOutOfRange;
  if (!slot->get()) return code::kNotOpen;
  std::fputws(fields[1].c_str(), slot->get());
  return 0;
}

long FileRead(const std::wstring& args, CommandResult& result) {
  result.SetSeparator(L'\xFF');
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) return code::kMissingField;
  FileSlot* slot = SlotFor(fields, 0);
  if (!slot) return code::kOutOfRange;
  FILE* stream = slot->get();
  if (!stream) return code::kNotOpen;
  long count = fields.Number(2, 0);
  std::wstring text;
  if (count > 0) {
    // The text grows with what is read, so a huge count costs only what the file holds.
    count = std::min(count, kMaxReadChars);
    for (long i = 0; i < count; ++i) {
      wint_t c = std::fgetwc(stream);
      if (c == WEOF) break;
      text += static_cast<wchar_t>(c);
    }
    // The answer is a text: it ends at a NUL of the file (the host would cut it there and lose what follows).
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
  } else {
    std::vector<wchar_t> line(kLineBufferChars);
    if (std::fgetws(line.data(), kLineBufferChars, stream)) text = line.data();
  }
  result.AddExtra(fields[0]);
  result.AddExtra(text);
  result.AddExtra(fields[2]);
  return 0;
}

long FileDelete(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  if (_wremove(ExpandPathAliases(fields[0]).c_str()) != 0) return code::FromErrno(errno);
  return 0;
}

long FileAccess(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  long mode = fields.Number(1, 0);
  if (!IsKnownAccessMode(mode)) return code::FromErrno(EINVAL);
  if (_waccess(ExpandPathAliases(fields[0]).c_str(), static_cast<int>(mode)) != 0)
    return code::FromErrno(errno);
  return 0;
}

long FileCopy(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) return code::kMissingField;
  bool overwrite = EqualsNoCase(fields[2], L"Y");
  std::wstring source = ExpandPathAliases(fields[0]);
  std::wstring target = ExpandPathAliases(fields[1]);
  if (NamesDevice(source) || NamesDevice(target)) return code::FromLastError(ERROR_INVALID_NAME);
  if (!::CopyFileW(source.c_str(), target.c_str(), overwrite ? FALSE : TRUE)) return code::FromLastError(::GetLastError());
  return 0;
}

long FileTempName(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  wchar_t* name = _wtempnam(nullptr, L"KTQfs");
  if (!name) return code::kSystemFailed;
  result.AddExtra(name);
  std::free(name);
  return 0;
}

long FileSize(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  std::wstring path = ExpandPathAliases(fields[0]);
  if (path.empty() || fields.IsEmpty(1)) return code::kMissingField;
  struct _stat64 info;
  if (_wstat64(path.c_str(), &info) != 0) return code::FromErrno(errno);
  result.AddExtra(path);
  result.AddExtra(std::to_wstring(info.st_size));
  return 0;
}

long FileMkDir(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  std::wstring path = TrimTrailingBackslashes(ExpandPathAliases(fields[0]));
  // A path longer than any the system takes has no folder to make; walking its parts would only cost time.
  if (path.empty() || path.size() > kLongestSystemPath || IsFolder(path)) return code::kNone;
  if (::CreateDirectoryW(path.c_str(), nullptr)) return code::kNone;
  // The missing parents one at a time, below the drive, root or share the path starts from.
  VisitFoldersToMake(path, [](const std::wstring& folder) {
    return IsFolder(folder) || ::CreateDirectoryW(folder.c_str(), nullptr);
  });
  return code::kNone;
}

long WriteStr(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitWithFreeText(args, 2);
  if (fields.IsEmpty(0)) return code::kNone;
  std::wstring path = ExpandPathAliases(fields[0]);
  if (NamesDevice(path)) return 0;
  wchar_t mode = fields[1].empty() ? 0 : static_cast<wchar_t>(towlower(fields[1][0]));
  DWORD disposition = OPEN_EXISTING;
  bool append = true;
  if (mode == L'a') {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (FILE* created = _wfopen(path.c_str(), L"w+")) std::fclose(created);
    }
  } else if (mode == L'w') {
    disposition = CREATE_ALWAYS;
    append = false;
  }
  framework::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  if (append && ::SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      ::GetLastError() != NO_ERROR)
    return 1;
  const std::wstring& text = fields[2];
  if (text.empty()) return 2;
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::vector<char> utf8(static_cast<size_t>(std::max(bytes, 0)));
  if (bytes <= 0 || !::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                                           nullptr, nullptr))
    return 1;
  DWORD written = 0;
  if (!::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ||
      written != utf8.size())
    return 1;
  return 2;
}

long DriveDoor(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  wchar_t drive = fields.IsEmpty(0) ? L'\x01' : fields[0][0];
  bool open = fields.IsEmpty(1) || fields[1][0] == L'o' || fields[1][0] == L'O';
  // The CD audio device names a drive as "X:".
  wchar_t element[3] = {drive, L':', 0};
  MCI_OPEN_PARMSW parms = {};
  parms.lpstrDeviceType = reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(MCI_DEVTYPE_CD_AUDIO));
  DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_SHAREABLE;
  if (drive > 1) {
    parms.lpstrElementName = element;
    flags |= MCI_OPEN_ELEMENT;
  }
  if (::mciSendCommandW(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&parms)) != 0) return code::kNone;
  MCI_SET_PARMS set = {};
  ::mciSendCommandW(parms.wDeviceID, MCI_SET, open ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED,
                    reinterpret_cast<DWORD_PTR>(&set));
  MCI_GENERIC_PARMS close = {};
  ::mciSendCommandW(parms.wDeviceID, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
  return code::kNone;
}

long PrivateProfileStringGet(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1) || fields.IsEmpty(2)) return code::kMissingField;
  std::wstring file = ExpandPathAliases(fields[0]);
  if (!FitsProfileCalls(file)) return code::FromLastError(ERROR_FILENAME_EXCED_RANGE);
  if (NamesDevice(file)) return code::FromLastError(ERROR_INVALID_NAME);
  std::vector<wchar_t> value(kProfileBufferChars);
  DWORD count = ::GetPrivateProfileStringW(fields[1].c_str(), fields[2].c_str(), fields[3].c_str(), value.data(),
                                           kProfileBufferChars, file.c_str());
  if (!fields.IsEmpty(4)) {
    for (size_t i = 0; i < 4; ++i) result.AddExtra(fields[i]);
    result.AddExtra(std::wstring(value.data(), std::min<DWORD>(count, kProfileBufferChars)));
  }
  return static_cast<long>(count);
}

long PrivateProfileStringSet(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  for (size_t i = 0; i < 4; ++i)
    if (fields.IsEmpty(i)) return code::kMissingField;
  std::wstring file = ExpandPathAliases(fields[0]);
  if (!FitsProfileCalls(file)) return code::FromLastError(ERROR_FILENAME_EXCED_RANGE);
  if (NamesDevice(file)) return code::FromLastError(ERROR_INVALID_NAME);
  if (!::WritePrivateProfileStringW(fields[1].c_str(), fields[2].c_str(), fields[3].c_str(), file.c_str()))
    return code::FromLastError(::GetLastError());
  return 0;
}

}  // namespace commands

}  // namespace fscmd
