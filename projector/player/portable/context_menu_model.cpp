#include "context_menu_model.h"

namespace player {

std::vector<MenuItem> BuildContextMenu(const MenuInput& in) {
  std::vector<MenuItem> items;
  auto add = [&](bool shown, unsigned command, unsigned textId, bool checked = false, bool greyed = false) {
    if (shown) items.push_back({false, command, textId, checked, greyed});
  };
  auto separator = [&] {
    if (!items.empty() && !items.back().separator) items.push_back({true});
  };
  const auto& v = in.values1to5;
  const auto& w = in.values7to15;
  auto on = [](uint32_t x) { return x != 0; };

  add(true, kQualityLow, 14, in.quality == 2);
  add(true, kQualityMedium, 15, in.quality == 1);
  add(true, kQualityHigh, 16, in.quality == 0);
  separator();
  add(on(v[3]), kAlwaysOnTop, 17, in.alwaysOnTop);
  separator();
  add(in.zoomAllowed && on(w[0]), kZoomIn, 18);
  add(in.zoomAllowed && on(w[1]), kZoomOut, 19);
  add(in.zoomAllowed && on(w[2]), kShowAll, 30);
  separator();
  add(on(w[3]), kQualityMenu, 20);
  separator();
  add(on(w[4]), kPlay, 21, in.playing);
  add(in.multiFrame && on(w[5]), kLoop, 22, in.looping);
  separator();
  add(in.multiFrame && on(w[6]), kRewind, 23, false, in.currentFrame == 0);
  add(in.multiFrame && on(w[7]), kForward, 24);
  add(in.multiFrame && on(w[8]), kBack, 25, false, in.currentFrame == 0);
  separator();
  add(!in.screenSaver && on(v[0]), kMaximize, 26);
  add(!in.screenSaver && on(v[1]), kMinimize, 27);
  add(!in.screenSaver && on(v[2]), kRestore, 28);
  separator();
  add(on(v[4]), kExit, 29);
  if (!items.empty() && items.back().separator) items.pop_back();
  return items;
}

}  // namespace player
