// A stand-in desktop in a process of its own: a "Progman" window holding a "SHELLDLL_DefView" with a
// "SysListView32" of three icons. It writes each item's label and rectangles, as it sees them, to the file
// named on its command line (text|bounds|icon|label, rectangles as left top right bottom), then serves the
// list view until its "Progman" window is closed.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

LRESULT CALLBACK Frame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::wstring RectText(HWND list, int index, int code) {
  RECT rect = {code, 0, 0, 0};
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " + std::to_wstring(rect.right) + L" " +
         std::to_wstring(rect.bottom);
}

void PumpFor(DWORD milliseconds) {
  DWORD start = ::GetTickCount();
  MSG message;
  while (::GetTickCount() - start < milliseconds) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const wchar_t* name : {L"Progman", L"SHELLDLL_DefView"}) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = name[0] == L'P' ? Frame : ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = name;
    if (!::RegisterClassW(&windowClass)) return 3;
  }
  HWND progman = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Progman", L"Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 640,
                                   480, nullptr, nullptr, instance, nullptr);
  HWND view = ::CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, progman, nullptr,
                                instance, nullptr);
  HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 640, 480, view,
                                nullptr, instance, nullptr);
  if (!progman || !view || !list) return 4;
  HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
  ImageList_AddIcon(images, ::LoadIconW(nullptr, IDI_APPLICATION));
  ::SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  const wchar_t* labels[] = {L"Alpha", L"Beta", L"Gamma"};
  const POINT places[] = {{10, 10}, {200, 40}, {30, 250}};
  for (int i = 0; i < 3; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(labels[i]);
    item.iImage = 0;
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  // Let the list view lay itself out before the icons are placed and their rectangles reported.
  PumpFor(300);
  for (int i = 0; i < 3; ++i)
    ::SendMessageW(list, LVM_SETITEMPOSITION, static_cast<WPARAM>(i), MAKELPARAM(places[i].x, places[i].y));
  PumpFor(300);
  std::wstring report;
  for (int i = 0; i < 3; ++i)
    report += std::wstring(labels[i]) + L"|" + RectText(list, i, LVIR_BOUNDS) + L"|" + RectText(list, i, LVIR_ICON) +
              L"|" + RectText(list, i, LVIR_LABEL) + L"\n";
  std::wstring partial = std::wstring(argv[1]) + L".part";
  HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 5;
  std::string bytes(report.begin(), report.end());
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  ::MoveFileW(partial.c_str(), argv[1]);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ImageList_Destroy(images);
  return 0;
}
