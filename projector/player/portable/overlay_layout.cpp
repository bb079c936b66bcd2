#include "overlay_layout.h"

#include <algorithm>
#include <cstdlib>

namespace player {

OverlayPlacement LayOutOverlay(int position, Size client, Size picture, Size text) {
  const int L = 0, T = 0, R = client.width, B = client.height;
  const int pw = picture.width, ph = picture.height, tw = text.width, th = text.height;
  const int d = (std::abs(ph - th) + 1) / 2;
  if (position < 0 || position > 8) position = 0;

  const int centred = L + 3 + (R - L + 1) / 2 - (tw + 10 + pw) / 2;
  const int right = R - (tw + 6 + pw);
  int left = L + 3;
  switch (position) {
    case 1:
    case 4:
    case 7:
      left = centred;
      break;
    case 2:
    case 8:
      left = right;
      break;
    case 5:
      left = R - tw - pw - 6;
      break;
    default:
      break;
  }

  int pictureTop = 0, textTop = 0;
  if (position <= 2) {
    pictureTop = ph >= th ? T + 3 : T + 3 + d;
    textTop = th > ph ? T + 3 : T + 3 + d;
  } else if (position <= 5) {
    const int h = (B - T + 1) / 2;
    pictureTop = T + h - (ph + 1) / 2;
    textTop = T + h - (th + 1) / 2;
  } else {
    const int pictureBottom = ph >= th ? B - 3 : B - 3 - d;
    const int textBottom = th > ph ? B - 3 : B - 3 - d;
    pictureTop = pictureBottom - ph;
    textTop = textBottom - th;
  }

  OverlayPlacement p;
  p.picture = {left, pictureTop, left + pw, pictureTop + ph};
  const int textLeft = left + pw + 3;
  p.text = {textLeft, textTop, textLeft + tw, textTop + th};
  return p;
}

Rect ClipToClient(const Rect& r, Size client) {
  Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, client.width), std::min(r.bottom, client.height)};
  if (c.left >= c.right || c.top >= c.bottom) return {};
  return c;
}

}  // namespace player
