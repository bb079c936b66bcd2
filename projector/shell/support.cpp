#include "support.h"

#include <windows.h>
#include <shellapi.h>
#include <objbase.h>

#include "format/payload.h"
#include "framework/file.h"
#include "flash_player_check.h"
#include "framework/handles.h"
#include "movie_document.h"
#include "common/payload.h"
#include "common/unique_name.h"
#include "framework/wnd.h"
#include "transparent/transp_flash_ocx.h"

namespace projector {

namespace {

bool RunRegsvr32(const std::wstring& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = L"regsvr32";
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;
  framework::UniqueHandle process(info.hProcess);
  return process && ::WaitForSingleObject(process.get(), 2000) == WAIT_OBJECT_0;
}

// regsvr32 reads a path with a space as several files; a path without one goes as it is.
std::wstring RegsvrPath(const std::wstring& path) {
  return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

}  // namespace

bool ExtractToolPackage(const MappedImage& payload, std::wstring* path) {
  if (payload.size() == 0) return false;
  format::FileBlockScanner scanner(payload.base(), payload.size(), format::ToolPackageMarker());
  format::FileBlockView block;
  if (!scanner.Next(&block) || !block.headerComplete || block.header.version != format::kFileBlockVersion)
    return false;
  *path = MakeUniqueName(*path, L"dat");
  framework::CFile out;
  if (!out.Open(*path, framework::CFile::modeCreate | framework::CFile::modeWrite | framework::CFile::shareDenyWrite))
    return false;
  bool written = block.bodyInRange &&
                 format::ExtractFileBlock(block, [&out](const uint8_t* d, size_t n) { return out.Write(d, n); });
  // A damaged package still counts as written; registering the empty file then fails.
  if (!written) out.SetLength(0);
  return true;
}

bool RegisterToolControl(const std::wstring& path) { return RunRegsvr32(L"/s " + RegsvrPath(path)); }

bool UnregisterToolControl(const std::wstring& path) { return RunRegsvr32(L"/s /u " + RegsvrPath(path)); }

bool ReleaseToolControlModule(const std::wstring& path) {
  ::CoFreeUnusedLibrariesEx(0, 0);
  // The control keeps itself loaded for the life of the process (it cannot end the graphics library it started),
  // and a loaded file cannot be deleted. Every control object is gone once the player has closed.
  for (int i = 0; i < 16; ++i) {
    HMODULE module = ::GetModuleHandleW(path.c_str());
    if (!module) return true;
    if (!::FreeLibrary(module)) return false;
  }
  return ::GetModuleHandleW(path.c_str()) == nullptr;
}

bool CanCreateToolControl() {
  framework::CWnd window;
  if (!window.CreateEx(0, nullptr, nullptr, WS_OVERLAPPEDWINDOW, framework::CFrameWnd::rectDefault, nullptr,
                       nullptr))
    return false;
  bool windowless = false;
  {
    // Only a control that activates windowless can be drawn into the layered popup.
    TranspFlashOcx control;
    if (control.CreateControl(TranspFlashOcx::kProgId, nullptr, WS_VISIBLE, RECT{0, 0, 400, 400}, &window, 0))
      windowless = control.GetControlSite() && !control.m_hWnd;
    control.DestroyWindow();
  }
  window.DestroyWindow();
  return windowless;
}

bool SettleFlashPlayer(MovieDocument& document) {
  int version = GetFlashMajorVersion();
  if (version <= 0) {
    if (!document.payload() || !RunFlashInstaller(*document.payload(), document.ExtractionFolder(), true))
      return false;
    return GetFlashMajorVersion() > 0;
  }
  if (version < 7 && document.payload()) RunFlashInstaller(*document.payload(), document.ExtractionFolder(), false);
  return true;
}

}  // namespace projector
