// Window and desktop commands: the host window's placement and visibility, the screen, the desktop's icons.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "library.h"

namespace fscmd {

namespace {

constexpr int kRemoteTextChars = 127;

// The portable record of the library's own word size is the one the system's header describes.
constexpr ListItemLayout kOwnLayout = ListItemLayoutFor(sizeof(void*) == 8 ? WordSize::k64 : WordSize::k32);
static_assert(offsetof(LVITEMW, iSubItem) == kOwnLayout.subItem);
static_assert(offsetof(LVITEMW, pszText) == kOwnLayout.text && sizeof(LPWSTR) == kOwnLayout.textPointerSize);
static_assert(offsetof(LVITEMW, cchTextMax) == kOwnLayout.textMax);
static_assert(offsetof(LVITEMW, iIndent) + sizeof(int) <= kOwnLayout.size);

using IsWow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up at run time: systems before WOW64 lack it, and everything there is 32-bit.
bool UnderWow64(HANDLE process, bool* known) {
  auto isWow64 = reinterpret_cast<IsWow64Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  *known = isWow64 && isWow64(process, &wow64);
  return *known && wow64;
}

// The list view reads the item record of its own process's word size, whatever the library's is.
WordSize ShellWordSizeOf(HANDLE shell) {
  bool known = false;
  bool libraryUnderWow64 = UnderWow64(::GetCurrentProcess(), &known);
  bool shellUnderWow64 = UnderWow64(shell, &known);
  if (!known) shellUnderWow64 = libraryUnderWow64;
  return ShellWordSize(sizeof(void*) == 8, libraryUnderWow64, shellUnderWow64);
}

// Memory in another process, released with it.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* get() const { return address_; }

 private:
  HANDLE process_;
  void* address_;
};

bool MayMoveHost() { return HostWindowHandle() && !IsInsideAuthoringTool(); }

void PlaceHost(long zOrder, int x, int y, int width, int height, UINT flags) {
  HWND insertAfter = HWND_BOTTOM;
  switch (zOrder) {
    case 1: insertAfter = HWND_TOP; break;
    case 2: insertAfter = HWND_TOPMOST; break;
    case 3: insertAfter = HWND_NOTOPMOST; break;
    case 4: insertAfter = HWND_BOTTOM; break;
    default: flags |= SWP_NOZORDER; break;
  }
  if (x < 0 || y < 0) flags |= SWP_NOMOVE;
  if (width < 0 || height < 0) flags |= SWP_NOSIZE;
  ::SetWindowPos(HostWindowHandle(), insertAfter, x, y, width, height, flags);
}

void TraceBox(const wchar_t* format, ...) {
  wchar_t text[1024] = {};
  va_list args;
  va_start(args, format);
  _vsnwprintf(text, 1023, format, args);
  va_end(args);
  std::wstring line = std::wstring(text) + L"\n";
  fscmd::AfxMessageBox(line, 0, 0);
}

bool UseCrossProcessReading() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL known = ::GetVersionExW(&version);
#pragma GCC diagnostic pop
  return !known || version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// A shell that does not answer in time has no items as far as the movie can tell.
int ItemCountOf(HWND listView) {
  LRESULT count = 0;
  if (!SendBounded(listView, LVM_GETITEMCOUNT, 0, 0, &count) || count < 0) return 0;
  return static_cast<int>(count);
}

void ReadAcrossProcesses(HWND listView, std::vector<DesktopItem>* items) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(listView, &processId);
  framework::UniqueHandle process(::OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return;
  RemoteBuffer rect(process.get(), sizeof(RECT));
  const WordSize shell = ShellWordSizeOf(process.get());
  RemoteBuffer item(process.get(), ListItemLayoutFor(shell).size);
  RemoteBuffer text(process.get(), kRemoteTextChars * sizeof(wchar_t));
  if (!rect.get() || !item.get() || !text.get()) return;

  const std::vector<uint8_t> request = ListItemTextRequest(
      shell, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(text.get())), kRemoteTextChars);
  const int count = ItemCountOf(listView);
  for (int i = 0; i < count; ++i) {
    if (!::WriteProcessMemory(process.get(), item.get(), request.data(), request.size(), nullptr)) return;
    if (!SendBounded(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.get())))
      return;
    wchar_t label[kRemoteTextChars] = {};
    if (!::ReadProcessMemory(process.get(), text.get(), label, sizeof label, nullptr)) return;
    label[kRemoteTextChars - 1] = 0;
    DesktopItem record;
    record.text = label;
    RECT* targets[] = {&record.bounds, &record.icon, &record.label};
    const LONG codes[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL};
    for (int k = 0; k < 3; ++k) {
      RECT query = {codes[k], 0, 0, 0};
      if (!::WriteProcessMemory(process.get(), rect.get(), &query, sizeof query, nullptr)) return;
      LRESULT found = 0;
      if (!SendBounded(listView, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(rect.get()),
                       &found) ||
          !found)
        return;
      if (!::ReadProcessMemory(process.get(), rect.get(), targets[k], sizeof(RECT), nullptr)) return;
    }
    items->push_back(std::move(record));
  }
}

// Windows 9x maps a paging-file section at the same address in every process.
void ReadThroughSharedMemory(HWND listView, std::vector<DesktopItem>* items) {
  TraceBox(L"Win98/Me");
  framework::UniqueHandle mapping(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(RECT), nullptr));
  if (!mapping) return;
  framework::UniqueMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view) return;
  RECT* shared = static_cast<RECT*>(const_cast<void*>(view.get()));
  const int count = ItemCountOf(listView);
  TraceBox(L"ItemCnt=%d", count);
  for (int i = 0; i < count; ++i) {
    *shared = RECT{LVIR_BOUNDS, 0, 0, 0};
    if (!SendBounded(listView, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(shared))) return;
    DesktopItem record;
    record.bounds = *shared;
    TraceBox(L"%d) Pos=%d,%d, Size=%d,%d, Label=<%ls>", i, static_cast<int>(record.bounds.left),
             static_cast<int>(record.bounds.top), static_cast<int>(record.bounds.right - record.bounds.left),
             static_cast<int>(record.bounds.bottom - record.bounds.top), record.text.c_str());
    items->push_back(std::move(record));
  }
}

const DesktopItem& ItemFor(const ArgumentList& fields) {
  static const DesktopItem kNone;
  DesktopItemList& desktop = State().desktop;
  if (!desktop.loaded) desktop.ReadItems();
  long index = fields.Number(0, 0);
  if (index < 0 || static_cast<size_t>(index) >= desktop.items.size()) return kNone;
  return desktop.items[static_cast<size_t>(index)];
}

long ItemRectangle(const std::wstring& args, CommandResult& result, RECT DesktopItem::*which) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return 0;
  const DesktopItem& item = ItemFor(fields);
  if (::IsRectEmpty(&item.bounds)) return 0;
  const RECT& rect = item.*which;
  // The empty first value stands for the index field, so each value reaches the variable its own field names.
  result.AddEmptyExtra();
  const LONG values[] = {rect.left, rect.top, rect.right, rect.bottom};
  for (size_t k = 0; k < 4; ++k) {
    if (fields.IsEmpty(k + 1))
      result.AddEmptyExtra();
    else
      result.AddExtra(static_cast<long>(values[k]));
  }
  return 1;
}

}  // namespace

void DesktopItemList::FindListView() {
  items.clear();
  loaded = false;
  HWND progman = ::FindWindowW(L"Progman", nullptr);
  if (!progman) return;
  HWND view = ::FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
  if (!view) return;
  listView = ::FindWindowExW(view, nullptr, L"SysListView32", nullptr);
}

void DesktopItemList::ReadItems() {
  if (!listView) FindListView();
  if (!listView) return;
  if (UseCrossProcessReading())
    ReadAcrossProcesses(listView, &items);
  else
    ReadThroughSharedMemory(listView, &items);
  loaded = true;
}

namespace commands {

long WindowSetHandle(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  HWND handle = reinterpret_cast<HWND>(static_cast<intptr_t>(fields.Number(0, 0)));
  // Any other number would make later commands close, move or own through a handle that is no window.
  if (handle && ::IsWindow(handle)) State().hostWindow = handle;
  return code::kNone;
}

long WindowSetPos(const std::wstring& args, CommandResult&) {
  if (!MayMoveHost()) return 0;
  ArgumentList fields = SplitArguments(args);
  PlaceHost(fields.Number(0, 0), fields.Number(1, -1), fields.Number(2, -1), fields.Number(3, -1), fields.Number(4, -1),
            static_cast<UINT>(fields.Number(5, 0)));
  return code::kNone;
}

long WindowSetPosRel(const std::wstring& args, CommandResult&) {
  if (!MayMoveHost()) return 0;
  ArgumentList fields = SplitArguments(args);
  RECT rect = {};
  ::GetWindowRect(HostWindowHandle(), &rect);
  Placement to = RelativePlacement(rect.left, rect.top, rect.right, rect.bottom, fields.Number(1, 0),
                                   fields.Number(2, 0), fields.Number(3, 0), fields.Number(4, 0));
  PlaceHost(fields.Number(0, 0), to.x, to.y, to.width, to.height, static_cast<UINT>(fields.Number(5, 0)));
  return code::kNone;
}

long WindowGetPos(const std::wstring&, CommandResult& result) {
  HWND host = HostWindowHandle();
  if (!host) return 0;
  RECT rect = {};
  ::GetWindowRect(host, &rect);
  result.AddExtra(static_cast<long>(rect.left));
  result.AddExtra(static_cast<long>(rect.top));
  result.AddExtra(static_cast<long>(rect.right - rect.left));
  result.AddExtra(static_cast<long>(rect.bottom - rect.top));
  return code::kNone;
}

long WindowSetState(const std::wstring& args, CommandResult&) {
  if (!MayMoveHost()) return code::kNothingToDo;
  ArgumentList fields = SplitArguments(args);
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!::GetWindowPlacement(HostWindowHandle(), &placement)) return 1;
  switch (fields.Number(0, 3)) {
    case 1: placement.showCmd = SW_MINIMIZE | (placement.showCmd & 1); break;
    case 2: placement.showCmd = SW_SHOWMAXIMIZED; break;
    default: placement.showCmd = SW_RESTORE; break;
  }
  ::SetWindowPlacement(HostWindowHandle(), &placement);
  return 1;
}

long WindowShow(const std::wstring& args, CommandResult&) {
  if (!MayMoveHost()) return code::kNothingToDo;
  ArgumentList fields = SplitArguments(args);
  ::ShowWindow(HostWindowHandle(), fields.Number(0, 0) != 0 ? SW_SHOW : SW_HIDE);
  return 1;
}

long MinimizeAll(const std::wstring& args, CommandResult&) {
  if (!MayMoveHost()) return code::kNothingToDo;
  ArgumentList fields = SplitArguments(args);
  HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  if (!tray) return 0;
  bool minimise = fields.IsEmpty(0) || EqualsNoCase(fields[0], L"true");
  // The taskbar lives in the shell's process, which may be busy in a menu of its own or hung.
  SendBounded(tray, WM_COMMAND, minimise ? 419 : 416, 0);
  return 1;
}

long GetScreenSize(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  HDC dc = ::CreateCompatibleDC(nullptr);
  int width = dc ? ::GetDeviceCaps(dc, HORZRES) : 0;
  int height = dc ? ::GetDeviceCaps(dc, VERTRES) : 0;
  if (dc) ::DeleteDC(dc);
  if (fields.IsEmpty(0))
    result.AddEmptyExtra();
  else
    result.AddExtra(static_cast<long>(width));
  if (fields.IsEmpty(1))
    result.AddEmptyExtra();
  else
    result.AddExtra(static_cast<long>(height));
  return code::kNone;
}

long GetDesktopItemCount(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  DesktopItemList& desktop = State().desktop;
  if (!desktop.listView) desktop.FindListView();
  long count = desktop.listView ? static_cast<long>(ItemCountOf(desktop.listView)) : 0;
  if (!fields.IsEmpty(0)) result.AddExtra(count);
  return count;
}

long GetDesktopItemRect(const std::wstring& args, CommandResult& result) {
  return ItemRectangle(args, result, &DesktopItem::bounds);
}

long GetDesktopItemIconRect(const std::wstring& args, CommandResult& result) {
  return ItemRectangle(args, result, &DesktopItem::icon);
}

long GetDesktopItemLabelRect(const std::wstring& args, CommandResult& result) {
  return ItemRectangle(args, result, &DesktopItem::label);
}

long GetDesktopItemLabel(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0) || fields.IsEmpty(1)) return 0;
  const DesktopItem& item = ItemFor(fields);
  if (::IsRectEmpty(&item.bounds)) return 0;
  result.AddEmptyExtra();
  result.AddExtra(item.text);
  return 1;
}

}  // namespace commands

}  // namespace fscmd
