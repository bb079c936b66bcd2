// Turns shape records into fill paths (edges of each fill style chained into
// closed contours) and stroke paths (runs of edges with one line style).
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "record_reader.h"
#include "swfplayer/engine/movie.h"

namespace swf {
namespace {

struct Edge {
  int32_t x0, y0, x1, y1;
  int32_t cx, cy;
  bool curve;
  Edge Reversed() const { return {x1, y1, x0, y0, cx, cy, curve}; }
};

struct StyleGroup {
  std::vector<FillStyle> fills;
  std::vector<LineStyle> lines;
  std::vector<std::vector<Edge>> fillEdges;  // per fill style
  std::vector<std::vector<Edge>> lineEdges;  // per line style, in drawing order
};

constexpr size_t kMaxEdges = 1u << 20;
constexpr int32_t kCoordLimit = 1 << 28;

// Deltas accumulate over many records; keep the pen inside a range that cannot overflow.
int32_t Step(int32_t pos, int32_t delta) {
  int64_t v = int64_t(pos) + delta;
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kCoordLimit, kCoordLimit));
}

void AppendEdge(std::vector<PathCommand>& cmds, const Edge& e, bool& penValid, int32_t& penX, int32_t& penY) {
  if (!penValid || penX != e.x0 || penY != e.y0) {
    cmds.push_back({PathCommand::Op::Move, float(e.x0), float(e.y0), 0, 0});
  }
  if (e.curve) {
    cmds.push_back({PathCommand::Op::Curve, float(e.x1), float(e.y1), float(e.cx), float(e.cy)});
  } else {
    cmds.push_back({PathCommand::Op::Line, float(e.x1), float(e.y1), 0, 0});
  }
  penValid = true;
  penX = e.x1;
  penY = e.y1;
}

// Chains edges end-to-start so each contour is drawn as one closed figure.
std::vector<PathCommand> ChainFill(const std::vector<Edge>& edges) {
  std::vector<PathCommand> cmds;
  std::multimap<std::pair<int32_t, int32_t>, size_t> byStart;
  for (size_t i = 0; i < edges.size(); ++i) byStart.emplace(std::make_pair(edges[i].x0, edges[i].y0), i);
  std::vector<bool> used(edges.size(), false);
  bool penValid = false;
  int32_t px = 0, py = 0;
  for (size_t first = 0; first < edges.size(); ++first) {
    if (used[first]) continue;
    size_t cur = first;
    while (true) {
      used[cur] = true;
      auto range = byStart.equal_range({edges[cur].x0, edges[cur].y0});
      for (auto it = range.first; it != range.second; ++it) {
        if (it->second == cur) {
          byStart.erase(it);
          break;
        }
      }
      AppendEdge(cmds, edges[cur], penValid, px, py);
      auto next = byStart.find({edges[cur].x1, edges[cur].y1});
      if (next == byStart.end()) break;
      cur = next->second;
    }
    penValid = false;
  }
  return cmds;
}

void FlushGroup(StyleGroup& g, ShapeDef& out) {
  for (size_t i = 0; i < g.fills.size(); ++i) {
    if (g.fillEdges[i].empty()) continue;
    out.fills.push_back({g.fills[i], ChainFill(g.fillEdges[i])});
  }
  for (size_t i = 0; i < g.lines.size(); ++i) {
    if (g.lineEdges[i].empty()) continue;
    StrokePath sp{g.lines[i], {}};
    bool penValid = false;
    int32_t px = 0, py = 0;
    for (const Edge& e : g.lineEdges[i]) AppendEdge(sp.commands, e, penValid, px, py);
    out.strokes.push_back(std::move(sp));
  }
  g = StyleGroup{};
}

bool ReadStyles(RecordReader& rr, int version, StyleGroup& g) {
  BitReader& r = rr.reader;
  g.fills = rr.FillStyleArray(version);
  g.lines = rr.LineStyleArray(version);
  g.fillEdges.assign(g.fills.size(), {});
  g.lineEdges.assign(g.lines.size(), {});
  return !r.Overrun();
}

}  // namespace

bool ParseShapeRecords(RecordReader& rr, int version, bool withStyles, ShapeDef& out) {
  BitReader& r = rr.reader;
  StyleGroup g;
  if (withStyles && !ReadStyles(rr, version, g)) return false;
  if (!withStyles) {
    g.fills.assign(1, FillStyle{});
    g.fillEdges.assign(1, {});
  }
  unsigned fillBits = r.UB(4), lineBits = r.UB(4);
  int32_t x = 0, y = 0;
  uint32_t fill0 = 0, fill1 = 0, line = 0;
  size_t edgeCount = 0;
  bool first = true;
  Rect bounds;
  auto grow = [&](int32_t px, int32_t py) {
    if (first) {
      bounds = {double(px), double(py), double(px), double(py)};
      first = false;
    } else {
      bounds.Include(px, py);
    }
  };
  auto addEdge = [&](const Edge& e) {
    if (++edgeCount > kMaxEdges) return;
    if (fill0 && fill0 <= g.fillEdges.size()) g.fillEdges[fill0 - 1].push_back(e.Reversed());
    if (fill1 && fill1 <= g.fillEdges.size()) g.fillEdges[fill1 - 1].push_back(e);
    if (line && line <= g.lineEdges.size()) g.lineEdges[line - 1].push_back(e);
    grow(e.x1, e.y1);
    if (e.curve) grow(e.cx, e.cy);
  };
  while (!r.Overrun() && edgeCount <= kMaxEdges) {
    bool isEdge = r.Flag();
    if (!isEdge) {
      unsigned flags = r.UB(5);
      if (flags == 0) break;
      if (flags & 0x01) {
        unsigned bits = r.UB(5);
        x = r.SB(bits);
        y = r.SB(bits);
        grow(x, y);
      }
      if (flags & 0x02) fill0 = r.UB(fillBits);
      if (flags & 0x04) fill1 = r.UB(fillBits);
      if (flags & 0x08) line = r.UB(lineBits);
      if ((flags & 0x10) && version >= 2) {
        FlushGroup(g, out);
        if (!ReadStyles(rr, version, g)) break;
        fillBits = r.UB(4);
        lineBits = r.UB(4);
      }
      continue;
    }
    bool straight = r.Flag();
    unsigned bits = r.UB(4) + 2;
    Edge e{};
    e.x0 = x;
    e.y0 = y;
    if (straight) {
      bool general = r.Flag();
      int32_t dx = 0, dy = 0;
      if (general) {
        dx = r.SB(bits);
        dy = r.SB(bits);
      } else if (r.Flag()) {
        dy = r.SB(bits);
      } else {
        dx = r.SB(bits);
      }
      x = Step(x, dx);
      y = Step(y, dy);
      e.curve = false;
    } else {
      int32_t cdx = r.SB(bits), cdy = r.SB(bits);
      int32_t adx = r.SB(bits), ady = r.SB(bits);
      e.cx = Step(x, cdx);
      e.cy = Step(y, cdy);
      x = Step(e.cx, adx);
      y = Step(e.cy, ady);
      e.curve = true;
    }
    e.x1 = x;
    e.y1 = y;
    addEdge(e);
  }
  FlushGroup(g, out);
  if (out.bounds.Empty() && !first) out.bounds = bounds;
  return true;
}

bool ParseShape(std::span<const uint8_t> body, int version, ShapeDef& out) {
  RecordReader rr{BitReader(body)};
  out.bounds = rr.ReadRect();
  if (version >= 4) {
    rr.ReadRect();
    rr.reader.U8();
  }
  return ParseShapeRecords(rr, version, true, out);
}

}  // namespace swf
