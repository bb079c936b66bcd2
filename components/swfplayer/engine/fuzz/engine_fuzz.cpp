// Loads any bytes as a movie and plays a few frames with mouse input: nothing
// may crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>

#include "swfplayer/engine/player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swf::PlayerLimits limits;
  limits.actionsPerFrame = 20000;
  limits.bytesPerFrame = 4u << 20;
  swf::Player player({}, limits);
  if (!player.LoadBytes({data, size})) return 0;
  swf::DisplayList list;
  for (int frame = 0; frame < 8; ++frame) {
    player.Advance();
    player.MouseMove(10.0 * frame, 10.0 * frame);
    if (frame == 3) player.MouseDown();
    if (frame == 5) player.MouseUp();
    if (frame == 6) player.SetTime(player.Time() + 60000);  // timers that fell behind
    if (frame == 2) player.KeyDown(37, 0);
    if (frame == 4) player.KeyUp(37, 0), player.KeyDown(65, 'a');
    player.BuildDisplayList(list);
  }
  player.GotoFrame(0);
  player.GetVariable("/a:b");
  player.TGetProperty("/", 8);
  return 0;
}
