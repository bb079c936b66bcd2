// Draws one frame's display list with GDI+: antialiased paths, solid, gradient and bitmap fills, device-font texts.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <map>
#include <memory>
#include <string>

#include "movie_host.h"
#include "swfplayer/engine/display_list.h"

namespace swfcontrol {

// The background of a stage drawn without one: what the movie does not cover stays fully transparent.
constexpr long kNoBackground = -2;

// Keeps the decoded bitmaps of the movie being drawn.
class Renderer {
 public:
  // background: 0x00BBGGRR to paint instead of the movie's own colour, -1 for the movie's, or kNoBackground,
  // which leaves the canvas as it is given (fully transparent for a drawing without background).
  void Render(Gdiplus::Graphics& g, const swf::DisplayList& list, const ViewTransform& view, long background);

 private:
  // Bitmaps are cached per movie: a movie loaded beside the first numbers its own.
  Gdiplus::Bitmap* BitmapFor(const swf::DisplayList& list, const swf::MovieDef* from, uint16_t id);
  std::unique_ptr<Gdiplus::Brush> MakeBrush(const swf::DisplayList& list, const swf::MovieDef* from,
                                            const swf::FillStyle& fill,
                                            const swf::ColorTransform& cx);
  void DrawText(Gdiplus::Graphics& g, const swf::DisplayItem& item, const swf::Matrix& toWindow);

  std::shared_ptr<const swf::MovieDef> movie_;
  std::map<std::pair<const swf::MovieDef*, uint16_t>, std::unique_ptr<Gdiplus::Bitmap>> bitmaps_;
  std::map<std::string, std::unique_ptr<Gdiplus::FontFamily>> families_;
};

// Starts GDI+ once for the process; it stays up until the process ends.
bool EnsureGdiplus();

}  // namespace swfcontrol
