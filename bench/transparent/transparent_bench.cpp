// Measures the layered player's frame: drawing into the memory bitmap, the alpha pass and the layered update of an
// 800 x 600 popup, in CPU time per frame on both render paths; and the alpha passes alone beside a memcpy of the
// same bytes.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/app.h"
#include "transparent/layered_renderer.h"
#include "transparent/portable/alpha.h"

namespace {

class BenchApp : public framework::CWinApp {};
BenchApp theApp;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
using Clock = std::chrono::steady_clock;

double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// What a movie frame looks like to the renderer: a filled stage part, shapes, and empty stage around them.
void DrawFrame(HDC dc, int frame) {
  HBRUSH red = ::CreateSolidBrush(RGB(220, 40, 40));
  HBRUSH blue = ::CreateSolidBrush(RGB(40, 60, 200));
  RECT body{100 + frame % 50, 100, 500 + frame % 50, 400};
  ::FillRect(dc, &body, red);
  HGDIOBJ old = ::SelectObject(dc, blue);
  ::Ellipse(dc, 300, 200, 700, 550);
  ::SelectObject(dc, old);
  ::DeleteObject(red);
  ::DeleteObject(blue);
}

BOOL WINAPI NoUpdate(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD) { return TRUE; }

void FrameBench(bool depthIs32, bool withUpdate) {
  HWND popup = ::CreateWindowExW(WS_EX_LAYERED, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, kWidth, kHeight,
                                 nullptr, nullptr, nullptr, nullptr);
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  auto update = withUpdate
                    ? reinterpret_cast<projector::UpdateLayeredWindowFn>(::GetProcAddress(user32, "UpdateLayeredWindow"))
                    : &NoUpdate;
  projector::LayeredRenderer renderer(depthIs32);
  int frame = 0;
  auto draw = [&frame](HDC dc) { DrawFrame(dc, frame); };
  for (int i = 0; i < 10; ++i, ++frame) renderer.Render(popup, update, draw);
  const int frames = 200;
  double cpu0 = ThreadCpuMs();
  auto wall0 = Clock::now();
  int shown = 0;
  for (int i = 0; i < frames; ++i, ++frame) shown += renderer.Render(popup, update, draw) ? 1 : 0;
  double cpu = (ThreadCpuMs() - cpu0) / frames;
  double wall = std::chrono::duration<double, std::milli>(Clock::now() - wall0).count() / frames;
  std::printf("frame %dx%d, %s path%s: %.2f ms CPU, %.2f ms wall per frame (%d of %d shown; goal: 8 ms CPU)\n",
              kWidth, kHeight, depthIs32 ? "32-bit" : "16/24-bit", withUpdate ? "" : ", without the layered update",
              cpu, wall, shown, frames);
  ::DestroyWindow(popup);
}

template <typename F>
double BestMs(F&& f, int rounds) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

void AlphaBench() {
  projector::PixelGeometry g{kWidth, kHeight, kWidth * 4};
  size_t size = g.BufferSize();
  std::vector<uint8_t> source(size), black(size), white(size), copy(size);
  for (size_t i = 0; i < size; i += 4) {
    // A quarter empty, a quarter drawn without alpha, half with alpha: every branch of the passes.
    uint32_t v = (i / 4) % 4 == 0 ? 0u : ((i / 4) % 4 == 1 ? 0x00406080u : 0x80203040u);
    std::memcpy(&source[i], &v, 4);
    uint32_t w = v | 0x00FFFFFFu;
    std::memcpy(&white[i], &w, 4);
  }
  const int rounds = 50;
  double memcpyMs = BestMs([&] { std::memcpy(copy.data(), source.data(), size); }, rounds);
  double fixMs = BestMs(
      [&] {
        std::memcpy(copy.data(), source.data(), size);
        projector::FixAlpha32Pixels(copy.data(), copy.size(), g);
      },
      rounds) - memcpyMs;
  double pairMs = BestMs(
      [&] {
        std::memcpy(black.data(), source.data(), size);
        projector::AlphaFromPairPixels(black.data(), black.size(), white.data(), white.size(), g);
      },
      rounds) - memcpyMs;
  std::printf("memcpy of %zu bytes: %.3f ms\n", size, memcpyMs);
  std::printf("FixAlpha32 pass: %.3f ms (%.2f x memcpy; goal: 3 x)\n", fixMs, fixMs / memcpyMs);
  std::printf("AlphaFromPair pass: %.3f ms (%.2f x memcpy; goal: 3 x)\n", pairMs, pairMs / memcpyMs);
}

}  // namespace

int main() {
  AlphaBench();
  for (bool depthIs32 : {true, false}) {
    FrameBench(depthIs32, true);
    FrameBench(depthIs32, false);
  }
  return 0;
}
