// Measures IViewObject::Draw of the transparent player control: one 800 x 600 frame of a movie with opaque,
// half-transparent and gradient shapes drawn into a 32-bit DIB section cleared to 0, the way the layered
// player renders each frame. The control is loaded from the build tree without registering it.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/com.h"
#include "swfplayer/asm/movie_builder.h"
#include "swfplayer/control/orvatool_dispids.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kFrames = 200;
const CLSID kClsid = {0x7DABBC7F, 0x9EF1, 0x47F9, {0x95, 0x13, 0x2C, 0x7E, 0x36, 0x23, 0xD3, 0x06}};

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full = path;
  return full.substr(0, full.rfind(L'\\'));
}

std::vector<uint8_t> Movie() {
  swfasm::MovieBuilder movie(6, kWidth, kHeight, 24);
  uint16_t depth = 1;
  for (int i = 0; i < 40; ++i) {
    uint8_t alpha = i % 2 ? 255 : 128;
    uint16_t shape = movie.Rectangle(20.0 * i, 15.0 * i, 120, 90,
                                     {static_cast<uint8_t>(i * 6), static_cast<uint8_t>(255 - i * 6), 90, alpha});
    movie.Main().Place(shape, depth++);
  }
  movie.Main().Do(swfasm::Actions().Stop()).ShowFrame();
  return movie.Build();
}

}  // namespace

int main() {
  if (FAILED(::OleInitialize(nullptr))) return 1;
  std::wstring folder = ExeFolder();
  std::wstring module = folder + L"\\..\\..\\components\\swfplayer\\orvatool\\Orvatool.ocx";
  HMODULE library = ::LoadLibraryW(module.c_str());
  if (!library) {
    std::printf("cannot load Orvatool.ocx from the build tree\n");
    return 1;
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto getClassObject = reinterpret_cast<GetClassObject>(::GetProcAddress(library, "DllGetClassObject"));
  framework::ComPtr<IClassFactory> factory;
  framework::ComPtr<IDispatch> dispatch;
  if (!getClassObject || FAILED(getClassObject(kClsid, IID_IClassFactory, factory.put_void())) ||
      FAILED(factory->CreateInstance(nullptr, IID_IDispatch, dispatch.put_void())))
    return 1;

  std::wstring moviePath = folder + L"\\orvatool_bench.swf";
  std::vector<uint8_t> bytes = Movie();
  HANDLE file = ::CreateFileW(moviePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  framework::Variant path(moviePath);
  DISPPARAMS params{path.get(), nullptr, 1, 0};
  if (FAILED(dispatch->Invoke(orvatool::kSetMovie, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr)))
    return 1;
  framework::ComPtr<IViewObject> view;
  if (FAILED(view.QueryFrom(dispatch.get(), IID_IViewObject))) return 1;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECTL bounds{0, 0, kWidth, kHeight};

  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  double cpu0 = CpuSeconds();
  auto wall0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) {
    std::memset(bits, 0, static_cast<size_t>(kWidth) * kHeight * 4);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  }
  ::GdiFlush();
  double cpu = (CpuSeconds() - cpu0) / kFrames * 1000;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count() / kFrames * 1000;
  std::printf("Orvatool.ocx Draw, %d x %d, 40 shapes (half of them half-transparent): %.2f ms CPU, %.2f ms wall "
              "per frame\n",
              kWidth, kHeight, cpu, wall);

  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  view.reset();
  dispatch.reset();
  factory.reset();
  ::DeleteFileW(moviePath.c_str());
  ::OleUninitialize();
  return 0;
}
