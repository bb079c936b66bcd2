#include "renderer.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace swfcontrol {

namespace {

Gdiplus::Color ToColor(swf::Rgba c, const swf::ColorTransform& cx) {
  swf::Rgba t = cx.Apply(c);
  return Gdiplus::Color(t.a, t.r, t.g, t.b);
}

Gdiplus::Matrix ToMatrix(const swf::Matrix& m) {
  return Gdiplus::Matrix(static_cast<Gdiplus::REAL>(m.a), static_cast<Gdiplus::REAL>(m.b),
                         static_cast<Gdiplus::REAL>(m.c), static_cast<Gdiplus::REAL>(m.d),
                         static_cast<Gdiplus::REAL>(m.tx), static_cast<Gdiplus::REAL>(m.ty));
}

void BuildPath(Gdiplus::GraphicsPath& path, const std::vector<swf::PathCommand>& commands) {
  Gdiplus::PointF at(0, 0);
  for (const auto& c : commands) {
    Gdiplus::PointF to(c.x, c.y);
    switch (c.op) {
      case swf::PathCommand::Op::Move:
        path.StartFigure();
        break;
      case swf::PathCommand::Op::Line:
        path.AddLine(at, to);
        break;
      case swf::PathCommand::Op::Curve: {
        // The quadratic curve of the file as the cubic GDI+ draws.
        Gdiplus::PointF c1(at.X + 2.0f / 3.0f * (c.cx - at.X), at.Y + 2.0f / 3.0f * (c.cy - at.Y));
        Gdiplus::PointF c2(to.X + 2.0f / 3.0f * (c.cx - to.X), to.Y + 2.0f / 3.0f * (c.cy - to.Y));
        path.AddBezier(at, c1, c2, to);
        break;
      }
    }
    at = to;
  }
}

// The movie's device font, or the nearest of the fonts this system has: a named font that is missing falls
// back to the sans-serif ones, and when none of those exists, to the first installed family.
std::unique_ptr<Gdiplus::FontFamily> FontFamilyFor(const std::string& name) {
  std::vector<std::wstring> wanted;
  if (name == "_serif") {
    wanted = {L"Times New Roman", L"Liberation Serif", L"DejaVu Serif"};
  } else if (name == "_typewriter") {
    wanted = {L"Courier New", L"Liberation Mono", L"DejaVu Sans Mono"};
  } else if (!name.empty() && name != "_sans") {
    std::u16string wide = FromUtf8(name);
    wanted.emplace_back(wide.begin(), wide.end());
  }
  for (const wchar_t* sans : {L"Arial", L"Tahoma", L"Liberation Sans", L"DejaVu Sans"}) wanted.emplace_back(sans);
  for (const auto& family : wanted) {
    auto f = std::make_unique<Gdiplus::FontFamily>(family.c_str());
    if (f->GetLastStatus() == Gdiplus::Ok && f->IsAvailable()) return f;
  }
  Gdiplus::InstalledFontCollection installed;
  INT count = installed.GetFamilyCount();
  if (count <= 0) return nullptr;
  std::vector<Gdiplus::FontFamily> families(static_cast<size_t>(count));
  INT found = 0;
  if (installed.GetFamilies(count, families.data(), &found) != Gdiplus::Ok || found <= 0) return nullptr;
  WCHAR familyName[LF_FACESIZE] = {};
  families[0].GetFamilyName(familyName);
  auto f = std::make_unique<Gdiplus::FontFamily>(familyName);
  return f->GetLastStatus() == Gdiplus::Ok ? std::move(f) : nullptr;
}

}  // namespace

bool EnsureGdiplus() {
  static bool started = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

Gdiplus::Bitmap* Renderer::BitmapFor(const swf::DisplayList& list, const swf::MovieDef* from, uint16_t id) {
  auto it = bitmaps_.find({from, id});
  if (it != bitmaps_.end()) return it->second.get();
  const swf::BitmapDef* def = list.Bitmap(id, from);
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  if (def && !def->pixels.empty() && def->width > 0 && def->height > 0 &&
      def->pixels.size() >= static_cast<size_t>(def->width) * def->height) {
    bitmap = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(def->width), static_cast<INT>(def->height),
                                               PixelFormat32bppARGB);
    Gdiplus::Rect all(0, 0, static_cast<INT>(def->width), static_cast<INT>(def->height));
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
      for (uint32_t y = 0; y < def->height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) + y * data.Stride);
        std::copy_n(def->pixels.data() + static_cast<size_t>(y) * def->width, def->width, row);
      }
      bitmap->UnlockBits(&data);
    }
  } else if (def && !def->jpeg.empty()) {
    IStream* stream = ::SHCreateMemStream(def->jpeg.data(), static_cast<UINT>(def->jpeg.size()));
    if (stream) {
      auto decoded = std::unique_ptr<Gdiplus::Bitmap>(Gdiplus::Bitmap::FromStream(stream));
      stream->Release();
      if (decoded && decoded->GetLastStatus() == Gdiplus::Ok) {
        // Copied out so that the bitmap no longer needs the stream it was decoded from.
        bitmap = std::unique_ptr<Gdiplus::Bitmap>(decoded->Clone(
            0, 0, static_cast<INT>(decoded->GetWidth()), static_cast<INT>(decoded->GetHeight()),
            PixelFormat32bppARGB));
      }
    }
  }
  if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) bitmap.reset();
  return (bitmaps_[{from, id}] = std::move(bitmap)).get();
}

std::unique_ptr<Gdiplus::Brush> Renderer::MakeBrush(const swf::DisplayList& list, const swf::MovieDef* from,
                                                    const swf::FillStyle& fill, const swf::ColorTransform& cx) {
  using Kind = swf::FillStyle::Kind;
  if (fill.kind == Kind::Bitmap) {
    Gdiplus::Bitmap* bitmap = BitmapFor(list, from, fill.bitmapId);
    if (!bitmap) return std::make_unique<Gdiplus::SolidBrush>(Gdiplus::Color(255, 255, 0, 0));
    auto brush = std::make_unique<Gdiplus::TextureBrush>(
        bitmap, fill.bitmapRepeat ? Gdiplus::WrapModeTile : Gdiplus::WrapModeClamp);
    Gdiplus::Matrix m = ToMatrix(fill.matrix);
    brush->SetTransform(&m);
    return brush;
  }
  if ((fill.kind == Kind::LinearGradient || fill.kind == Kind::RadialGradient || fill.kind == Kind::FocalGradient) &&
      fill.stops.size() >= 2) {
    std::vector<Gdiplus::Color> colors;
    std::vector<Gdiplus::REAL> positions;
    for (const auto& s : fill.stops) {
      colors.push_back(ToColor(s.color, cx));
      positions.push_back(static_cast<Gdiplus::REAL>(s.ratio) / 255.0f);
    }
    positions.front() = 0.0f;
    positions.back() = 1.0f;
    Gdiplus::Matrix m = ToMatrix(fill.matrix);
    if (fill.kind == Kind::LinearGradient) {
      auto brush = std::make_unique<Gdiplus::LinearGradientBrush>(Gdiplus::PointF(-16384, 0),
                                                                  Gdiplus::PointF(16384, 0), colors.front(),
                                                                  colors.back());
      brush->SetInterpolationColors(colors.data(), positions.data(), static_cast<INT>(colors.size()));
      brush->SetTransform(&m);
      return brush;
    }
    Gdiplus::GraphicsPath circle;
    circle.AddEllipse(-16384.0f, -16384.0f, 32768.0f, 32768.0f);
    auto brush = std::make_unique<Gdiplus::PathGradientBrush>(&circle);
    // A path gradient runs from the boundary (0) to the centre (1): the stops in reverse.
    std::vector<Gdiplus::Color> rc(colors.rbegin(), colors.rend());
    std::vector<Gdiplus::REAL> rp;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) rp.push_back(1.0f - *it);
    brush->SetInterpolationColors(rc.data(), rp.data(), static_cast<INT>(rc.size()));
    brush->SetTransform(&m);
    return brush;
  }
  swf::Rgba color = fill.color;
  if (fill.kind != Kind::Solid && !fill.stops.empty()) color = fill.stops.back().color;
  return std::make_unique<Gdiplus::SolidBrush>(ToColor(color, cx));
}

void Renderer::DrawText(Gdiplus::Graphics& g, const swf::DisplayItem& item, const swf::Matrix& toWindow) {
  const swf::EditTextDef& def = *item.text;
  if (item.textValue.empty()) return;
  std::u16string text16 = FromUtf8(item.textValue);
  std::wstring text(text16.begin(), text16.end());
  for (auto& ch : text)
    if (ch == L'\r') ch = L'\n';
  // Device fonts are laid out in window pixels: the field's box and font size are scaled, not rotated.
  double scale = std::sqrt(std::fabs(toWindow.a * toWindow.d - toWindow.b * toWindow.c));
  if (scale <= 0) return;
  auto size = static_cast<Gdiplus::REAL>((def.fontHeight > 0 ? def.fontHeight : 240) * scale);
  if (size < 1) return;
  auto& family = families_[def.fontName];
  if (!family) family = FontFamilyFor(def.fontName);
  if (!family) return;
  auto font = std::make_unique<Gdiplus::Font>(family.get(), size, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
  if (font->GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::StringFormat format;
  format.SetAlignment(def.align == 1   ? Gdiplus::StringAlignmentFar
                      : def.align == 2 ? Gdiplus::StringAlignmentCenter
                                       : Gdiplus::StringAlignmentNear);
  if (!def.wordWrap) format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
  // The 2-pixel gutter every field keeps inside its bounds.
  swf::Rect inner{def.bounds.xMin + def.leftMargin + 40, def.bounds.yMin + 40, def.bounds.xMax - def.rightMargin - 40,
                  def.bounds.yMax - 40};
  swf::Rect onWindow = toWindow.Transform(inner);
  Gdiplus::RectF box(static_cast<Gdiplus::REAL>(onWindow.xMin), static_cast<Gdiplus::REAL>(onWindow.yMin),
                     static_cast<Gdiplus::REAL>(std::max(0.0, onWindow.xMax - onWindow.xMin)),
                     static_cast<Gdiplus::REAL>(std::max(0.0, onWindow.yMax - onWindow.yMin)));
  Gdiplus::SolidBrush brush(ToColor(def.color, item.cxform));
  g.ResetTransform();
  g.DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(), box, &format, &brush);
}

void Renderer::Render(Gdiplus::Graphics& g, const swf::DisplayList& list, const ViewTransform& view, long background) {
  if (list.movie != movie_) {
    bitmaps_.clear();
    movie_ = list.movie;
  }
  g.ResetTransform();
  // Clearing a large canvas is slow in some GDI+ implementations; a canvas without background is given clear.
  if (background != kNoBackground) {
    g.Clear(background >= 0
                ? Gdiplus::Color(255, GetRValue(background), GetGValue(background), GetBValue(background))
                : Gdiplus::Color(255, list.background.r, list.background.g, list.background.b));
  }
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  swf::Matrix stageToWindow{view.sx, 0, 0, view.sy, view.tx, view.ty};
  // Clips in force before each open mask, innermost last.
  std::vector<std::unique_ptr<Gdiplus::Region>> outerClips;
  for (const auto& item : list.items) {
    if (item.kind == swf::DisplayItem::Kind::MaskPush) {
      g.ResetTransform();
      auto previous = std::make_unique<Gdiplus::Region>();
      g.GetClip(previous.get());
      Gdiplus::Region mask;
      mask.MakeEmpty();
      for (const auto& part : item.maskShapes) {
        if (!part.shape) continue;
        Gdiplus::Matrix toWindow = ToMatrix(stageToWindow * part.matrix);
        for (const auto& fill : part.shape->fills) {
          Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
          BuildPath(path, fill.commands);
          path.Transform(&toWindow);
          mask.Union(&path);
        }
      }
      mask.Intersect(previous.get());
      g.SetClip(&mask);
      outerClips.push_back(std::move(previous));
      continue;
    }
    if (item.kind == swf::DisplayItem::Kind::MaskPop) {
      g.ResetTransform();
      if (!outerClips.empty()) {
        g.SetClip(outerClips.back().get());
        outerClips.pop_back();
      }
      continue;
    }
    Gdiplus::Matrix m = ToMatrix(stageToWindow * item.matrix);
    if (item.kind == swf::DisplayItem::Kind::Text && item.text) {
      DrawText(g, item, stageToWindow * item.matrix);
      continue;
    }
    g.SetTransform(&m);
    if (!item.shape) continue;
    for (const auto& fill : item.shape->fills) {
      Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
      BuildPath(path, fill.commands);
      auto brush = MakeBrush(list, item.movie, fill.style, item.cxform);
      if (fill.style.kind == swf::FillStyle::Kind::Bitmap)
        g.SetInterpolationMode(fill.style.bitmapSmooth ? Gdiplus::InterpolationModeBilinear
                                                       : Gdiplus::InterpolationModeNearestNeighbor);
      g.FillPath(brush.get(), &path);
    }
    for (const auto& stroke : item.shape->strokes) {
      Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
      BuildPath(path, stroke.commands);
      swf::Matrix full = stageToWindow * item.matrix;
      double scale = std::max(1e-6, std::sqrt(std::fabs(full.a * full.d - full.b * full.c)));
      // A hairline stays one pixel wide at every scale.
      auto width = static_cast<Gdiplus::REAL>(std::max(stroke.style.width, 1.0 / scale));
      Gdiplus::Pen pen(ToColor(stroke.style.color, item.cxform), width);
      pen.SetLineJoin(Gdiplus::LineJoinRound);
      pen.SetStartCap(Gdiplus::LineCapRound);
      pen.SetEndCap(Gdiplus::LineCapRound);
      g.DrawPath(&pen, &path);
    }
  }
  g.ResetTransform();
  g.ResetClip();
}

}  // namespace swfcontrol
