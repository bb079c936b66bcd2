#include "manifest.h"

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "format/document_fields.h"
#include "format/payload.h"
#include "format/region.h"
#include "text.h"

namespace pack {

namespace fs = std::filesystem;
using format::EmbeddedFile;

std::vector<uint8_t> SerializeLogFont(const LogFont& f) {
  std::vector<uint8_t> out(kLogFontSize, 0);
  int32_t longs[] = {f.height, f.width, f.escapement, f.orientation, f.weight};
  for (size_t k = 0; k < 5; ++k) format::StoreU32(out.data() + 4 * k, static_cast<uint32_t>(longs[k]));
  uint8_t bytes[] = {f.italic, f.underline, f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision, f.quality,
                     f.pitchAndFamily};
  for (size_t k = 0; k < 8; ++k) out[20 + k] = bytes[k];
  format::WriteFieldText(out.data() + 28, 64, f.faceName);
  return out;
}

bool ParseLogFont(const std::vector<uint8_t>& bytes, LogFont* f) {
  if (bytes.size() != kLogFontSize) return false;
  const uint8_t* p = bytes.data();
  f->height = static_cast<int32_t>(format::LoadU32(p));
  f->width = static_cast<int32_t>(format::LoadU32(p + 4));
  f->escapement = static_cast<int32_t>(format::LoadU32(p + 8));
  f->orientation = static_cast<int32_t>(format::LoadU32(p + 12));
  f->weight = static_cast<int32_t>(format::LoadU32(p + 16));
  f->italic = p[20];
  f->underline = p[21];
  f->strikeOut = p[22];
  f->charSet = p[23];
  f->outPrecision = p[24];
  f->clipPrecision = p[25];
  f->quality = p[26];
  f->pitchAndFamily = p[27];
  f->faceName = format::ReadFieldText(p + 28, 64);
  // Only a font that serialises to the same bytes is shown field by field.
  return f->faceName.size() < 32 && SerializeLogFont(*f) == bytes;
}

namespace {

// The numbers whose every value the projector reads: anything outside these
// ranges would be misread (an unknown shape becomes no shape, an unknown
// alignment the top-left corner), so the packer refuses it.
struct Range {
  const char* section;
  const char* key;
  uint32_t most;
  const char* meaning;
};
constexpr Range kRanges[] = {
    {"size", "mode", 3, "0 movie size, 1 fixed size, 2 percentage, 3 full screen"},
    {"size", "flags", 3, "bit 0 keep the movie's scale, bit 1 show all and allow zooming"},
    {"size", "alignment", 9, "see the alignment table"},
    {"window", "shape_kind", 2, "0 rectangle, 1 built-in shape, 2 custom region"},
    {"window", "caption", 1, "0 no caption and frame, 1 captioned window"},
    {"window", "display_mode", 2, "0 normal, 1 background colour, 2 transparent"},
    {"controls", "left_button_mode", 3, "0 drag area, 1 drag, 2 drag and click, 3 nothing"},
    {"controls", "right_button_mode", 3, "0 click, 1 context menu, 2 drag, 3 nothing"},
    {"quality", "quality", 2, "0 low, 1 medium, 2 high"},
    {"overlay", "position", 8, "see the position table"},
    {"overlay", "alignment", 2, "0 left, 1 right, 2 centred"},
};

const Range* RangeOf(const std::string& section, const char* key) {
  for (const Range& r : kRanges) {
    if (section == r.section && std::string_view(key) == r.key) return &r;
  }
  return nullptr;
}

// Shared state of one manifest read: where it is and the first error.
struct Context {
  fs::path file;
  fs::path folder;
  std::string error;
  Manifest* manifest = nullptr;

  bool Failed() const { return !error.empty(); }

  void Fail(const toml::source_region& where, const std::string& message) {
    if (Failed()) return;
    std::ostringstream line;
    line << PathToUtf8(file);
    if (where.begin.line > 0) line << ':' << where.begin.line << ':' << where.begin.column;
    line << ": " << message;
    error = line.str();
  }
};

// Reads the keys of one table and complains about any it does not know.
class Section {
 public:
  Section(Context& ctx, const toml::table& table, std::string name) : ctx_(ctx), table_(table), name_(std::move(name)) {}

  const toml::node* Get(const char* key) {
    used_.insert(key);
    return table_.get(key);
  }

  std::string Where(const char* key) const { return name_.empty() ? std::string("'") + key + "'" : "'" + name_ + "." + key + "'"; }

  void U32(const char* key, uint32_t* out) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return;
    if (auto b = n->as_boolean()) {
      *out = b->get() ? 1 : 0;
    } else if (auto i = n->as_integer()) {
      int64_t v = i->get();
      if (v < 0 || v > 0xFFFFFFFFll) return ctx_.Fail(n->source(), Where(key) + " must be between 0 and 4294967295");
      *out = static_cast<uint32_t>(v);
    } else {
      return ctx_.Fail(n->source(), Where(key) + " must be an integer or a boolean");
    }
    if (const Range* r = RangeOf(name_, key); r && *out > r->most) {
      ctx_.Fail(n->source(), Where(key) + " must be 0 to " + std::to_string(r->most) + " (" + r->meaning + ")");
    }
  }

  void I32(const char* key, int32_t* out) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return;
    auto i = n->as_integer();
    if (!i || i->get() < INT32_MIN || i->get() > INT32_MAX) {
      return ctx_.Fail(n->source(), Where(key) + " must be a 32-bit integer");
    }
    *out = static_cast<int32_t>(i->get());
  }

  void U8(const char* key, uint8_t* out) {
    uint32_t v = *out;
    const toml::node* n = table_.get(key);
    U32(key, &v);
    if (n && !ctx_.Failed() && v > 255) return ctx_.Fail(n->source(), Where(key) + " must be between 0 and 255");
    *out = static_cast<uint8_t>(v);
  }

  void Colour(const char* key, uint32_t* out) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return;
    if (auto s = n->as_string()) {
      std::vector<uint8_t> rgb;
      const std::string& text = s->get();
      if (text.size() != 7 || text[0] != '#' || !FromHex(std::string_view(text).substr(1), &rgb)) {
        return ctx_.Fail(n->source(), Where(key) + " must be \"#RRGGBB\" or an integer COLORREF");
      }
      *out = rgb[0] | (rgb[1] << 8) | (static_cast<uint32_t>(rgb[2]) << 16);
      return;
    }
    used_.erase(key);
    U32(key, out);
  }

  void Float(const char* key, float* out) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return;
    if (auto f = n->as_floating_point()) {
      *out = static_cast<float>(f->get());
    } else if (auto i = n->as_integer()) {
      *out = static_cast<float>(i->get());
    } else {
      ctx_.Fail(n->source(), Where(key) + " must be a number");
    }
  }

  void Text(const char* key, std::u16string* out) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return;
    auto s = n->as_string();
    if (!s) return ctx_.Fail(n->source(), Where(key) + " must be a string");
    *out = FromUtf8(s->get());
  }

  // A file to embed: KEY names it (relative to the manifest), KEY_source_path
  // the path stored for it (its name by default).
  void File(const char* key, EmbeddedFile* out) {
    std::string sourceKey = std::string(key) + "_source_path";
    const toml::node* n = Get(key);
    const toml::node* source = Get(sourceKey.c_str());
    if (ctx_.Failed()) return;
    if (!n) {
      if (source) ctx_.Fail(source->source(), Where(sourceKey.c_str()) + " needs '" + key + "'");
      return;
    }
    auto s = n->as_string();
    if (!s || s->get().empty()) return ctx_.Fail(n->source(), Where(key) + " must name a file");
    fs::path local = ctx_.folder / PathFromUtf8(s->get());
    std::error_code ec;
    if (!fs::is_regular_file(local, ec)) return ctx_.Fail(n->source(), "file not found: " + PathToUtf8(local));
    *out = {};
    out->path = PathToUtf16(local);
    out->sourcePath = PathToUtf16(PathFromUtf8(s->get()).filename());
    if (source) {
      auto t = source->as_string();
      if (!t || t->get().empty()) return ctx_.Fail(source->source(), Where(sourceKey.c_str()) + " must be a non-empty string");
      out->sourcePath = FromUtf8(t->get());
    }
  }

  const toml::table* Table(const char* key) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return nullptr;
    auto t = n->as_table();
    if (!t) ctx_.Fail(n->source(), Where(key) + " must be a table");
    return t;
  }

  const toml::array* Array(const char* key) {
    const toml::node* n = Get(key);
    if (!n || ctx_.Failed()) return nullptr;
    auto a = n->as_array();
    if (!a) ctx_.Fail(n->source(), Where(key) + " must be an array");
    return a;
  }

  void Done() {
    if (ctx_.Failed()) return;
    for (auto&& [key, value] : table_) {
      if (!used_.count(std::string(key.str()))) {
        std::string where = name_.empty() ? "" : " in [" + name_ + "]";
        return ctx_.Fail(key.source(), "unknown key '" + std::string(key.str()) + "'" + where);
      }
    }
  }

  Context& ctx() { return ctx_; }
  const std::string& name() const { return name_; }

 private:
  Context& ctx_;
  const toml::table& table_;
  std::string name_;
  std::set<std::string> used_;
};

void ReadAsset(Context& ctx, const toml::table& t, const std::string& name, format::Asset* a) {
  Section s(ctx, t, name);
  s.Text("name", &a->name);
  const toml::node* path = t.get("path");
  a->embedded = path ? 0 : 1;
  s.U32("embedded", &a->embedded);
  if (a->embedded != 0) {
    s.File("file", &a->file);
    if (path && !ctx.Failed()) ctx.Fail(path->source(), "an embedded asset takes 'file', not 'path'");
  } else {
    s.Text("path", &a->path);
    if (const toml::node* f = t.get("file"); f && !ctx.Failed()) {
      ctx.Fail(f->source(), "an asset that is not embedded takes 'path', not 'file'");
    }
  }
  s.Done();
}

void ReadEntry(Context& ctx, const toml::table& t, size_t index, format::PlaylistEntry* e) {
  std::string name = "playlist[" + std::to_string(index) + "]";
  Section s(ctx, t, name);
  s.File("file", &e->movie);
  e->sourcePath = e->movie.sourcePath;
  s.Text("source_path", &e->sourcePath);
  e->displayTime = 5.0f;
  s.Float("display_time", &e->displayTime);
  s.Text("options", &e->options);
  if (const toml::array* assets = s.Array("assets")) {
    for (size_t k = 0; k < assets->size() && !ctx.Failed(); ++k) {
      const toml::table* at = assets->get(k)->as_table();
      if (!at) return ctx.Fail(assets->get(k)->source(), "'" + name + ".assets' must be an array of tables");
      format::Asset a;
      ReadAsset(ctx, *at, name + ".assets[" + std::to_string(k) + "]", &a);
      e->assets.push_back(std::move(a));
    }
  }
  s.Done();
}

// A region as rectangles under KEY, or as the stored bytes in hex under KEY_data.
void ReadRegion(Section& s, const char* key, std::vector<uint8_t>* out) {
  Context& ctx = s.ctx();
  std::string dataKey = std::string(key) + "_data";
  const toml::node* data = s.Get(dataKey.c_str());
  const toml::array* rects = s.Array(key);
  if (ctx.Failed()) return;
  if (data && rects) return ctx.Fail(data->source(), "give '" + std::string(key) + "' or '" + dataKey + "', not both");
  if (data) {
    auto text = data->as_string();
    if (!text || !FromHex(text->get(), out)) {
      return ctx.Fail(data->source(), s.Where(dataKey.c_str()) + " must be a string of hex digits");
    }
    return;
  }
  std::vector<format::RegionRect> list;
  if (rects) {
    for (size_t k = 0; k < rects->size(); ++k) {
      const toml::array* r = rects->get(k)->as_array();
      int64_t v[4] = {};
      bool ok = r && r->size() == 4;
      for (size_t i = 0; ok && i < 4; ++i) {
        auto n = r->get(i)->as_integer();
        ok = n && n->get() >= INT32_MIN && n->get() <= INT32_MAX;
        if (ok) v[i] = n->get();
      }
      if (!ok) {
        return ctx.Fail(rects->get(k)->source(),
                        "each " + s.Where(key) + " rectangle must be [left, top, right, bottom]");
      }
      // Windows drops such a rectangle from the region without a word.
      if (v[0] >= v[2] || v[1] >= v[3]) {
        return ctx.Fail(rects->get(k)->source(), s.Where(key) + " rectangle [" + std::to_string(v[0]) + ", " +
                                                     std::to_string(v[1]) + ", " + std::to_string(v[2]) + ", " +
                                                     std::to_string(v[3]) +
                                                     "] is empty or inverted: left < right and top < bottom");
      }
      list.push_back({static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
                      static_cast<int32_t>(v[3])});
    }
  }
  // Every document carries a region; without rectangles it is the empty one.
  *out = format::MakeRegionData(list);
}

// A LOGFONTW as a table of its fields under KEY, or as the stored bytes in hex
// under KEY_data.
void ReadFont(Section& s, const char* key, std::vector<uint8_t>* out) {
  Context& ctx = s.ctx();
  std::string dataKey = std::string(key) + "_data";
  const toml::node* data = s.Get(dataKey.c_str());
  const toml::table* font = s.Table(key);
  if (ctx.Failed()) return;
  if (data && font) return ctx.Fail(data->source(), "give '" + std::string(key) + "' or '" + dataKey + "', not both");
  if (data) {
    auto text = data->as_string();
    if (!text || !FromHex(text->get(), out)) {
      return ctx.Fail(data->source(), s.Where(dataKey.c_str()) + " must be a string of hex digits");
    }
    return;
  }
  if (!font) return;
  Section f(ctx, *font, s.name() + "." + key);
  LogFont lf;
  f.Text("face", &lf.faceName);
  if (const toml::node* points = f.Get("points")) {
    double p = 0;
    if (auto d = points->as_floating_point()) p = d->get();
    else if (auto i = points->as_integer()) p = static_cast<double>(i->get());
    if (!(p > 0 && p < 1000)) return ctx.Fail(points->source(), f.Where("points") + " must be a size in points");
    // Characters of this many points on a 96 dpi screen.
    lf.height = -static_cast<int32_t>(std::lround(p * 96.0 / 72.0));
  }
  f.I32("height", &lf.height);
  f.I32("width", &lf.width);
  f.I32("escapement", &lf.escapement);
  f.I32("orientation", &lf.orientation);
  f.I32("weight", &lf.weight);
  f.U8("italic", &lf.italic);
  f.U8("underline", &lf.underline);
  f.U8("strikeout", &lf.strikeOut);
  f.U8("charset", &lf.charSet);
  f.U8("out_precision", &lf.outPrecision);
  f.U8("clip_precision", &lf.clipPrecision);
  f.U8("quality", &lf.quality);
  f.U8("pitch_and_family", &lf.pitchAndFamily);
  if (lf.faceName.size() > 31 && !ctx.Failed()) {
    return ctx.Fail(font->source(), f.Where("face") + " may have at most 31 characters");
  }
  f.Done();
  *out = SerializeLogFont(lf);
}

template <class Block>
void ReadField(Section& s, const format::Field<Block>& f, Block* b) {
  switch (f.kind) {
    case format::FieldKind::kNumber: return s.U32(f.name, &(b->*f.number));
    case format::FieldKind::kColour: return s.Colour(f.name, &(b->*f.number));
    case format::FieldKind::kReserved: return;
    case format::FieldKind::kText: return s.Text(f.name, &(b->*f.text));
    case format::FieldKind::kFile: return s.File(f.name, &(b->*f.file));
    case format::FieldKind::kRegion: return ReadRegion(s, f.name, &(b->*f.bytes));
    case format::FieldKind::kFont: return ReadFont(s, f.name, &(b->*f.bytes));
  }
}

// Whether the field still has the value a document without it gets.
template <class Block>
bool HoldsDefault(const format::Field<Block>& f, const Block& b) {
  static const Block defaults{};
  switch (f.kind) {
    case format::FieldKind::kNumber:
    case format::FieldKind::kColour: return b.*f.number == defaults.*f.number;
    case format::FieldKind::kReserved: return true;
    case format::FieldKind::kText: return b.*f.text == defaults.*f.text;
    case format::FieldKind::kFile: return (b.*f.file).Empty();
    case format::FieldKind::kRegion:
    case format::FieldKind::kFont: return b.*f.bytes == defaults.*f.bytes;
  }
  return true;
}

// One settings block's table. Fields of newer format versions are read
// whatever the version; the writer drops what a version does not store.
template <class Block>
void ReadBlock(Context& ctx, const toml::table& t, const std::string& name, Block* b) {
  Section s(ctx, t, name);
  for (const format::Field<Block>& f : format::FieldsOf<Block>()) {
    ReadField(s, f, b);
    if (f.since > format::kOldestFormatVersion && t.get(f.name) != nullptr && !HoldsDefault(f, *b)) {
      ctx.manifest->newerFields.push_back({name + "." + f.name, f.since});
    }
    if (f.onlyWhen == nullptr || f.StoredWith(*b) || ctx.Failed()) continue;
    // The flag leaves the field out of the document: giving it is a mistake.
    if (const toml::node* given = t.get(f.name)) {
      const char* flag = format::FindNumberField(f.onlyWhen)->name;
      return ctx.Fail(given->source(), s.Where(f.name) + " needs " + s.Where(flag) + " other than 0");
    }
  }
  s.Done();
}

void ReadBlockFile(Context& ctx, const toml::node* n, const std::string& what, std::optional<fs::path>* out) {
  if (!n || ctx.Failed()) return;
  auto s = n->as_string();
  if (!s || s->get().empty()) return ctx.Fail(n->source(), what + " must name a file");
  fs::path p = ctx.folder / PathFromUtf8(s->get());
  std::error_code ec;
  if (!fs::is_regular_file(p, ec)) return ctx.Fail(n->source(), "file not found: " + PathToUtf8(p));
  if (!format::IsSafeFileName(PathToUtf16(p.filename()))) {
    return ctx.Fail(n->source(), "unusable block file name: " + PathToUtf8(p.filename()));
  }
  *out = p;
}

void ReadManifest(Context& ctx, const toml::table& root, Manifest* m) {
  Section top(ctx, root, "");
  format::MovieDocumentData& d = m->document;
  if (const toml::node* v = top.Get("format_version")) {
    auto i = v->as_integer();
    if (!i || i->get() < format::kOldestFormatVersion || i->get() > format::kCurrentFormatVersion) {
      return ctx.Fail(v->source(), "'format_version' must be between 100 and 140");
    }
    m->formatVersion = static_cast<uint32_t>(i->get());
  }
  if (const toml::node* v = top.Get("compress")) {
    auto b = v->as_boolean();
    if (!b) return ctx.Fail(v->source(), "'compress' must be true or false");
    m->compress = b->get();
  }
  top.U32("playlist_reserved", &d.playlist.reserved);

  if (const toml::array* list = top.Array("playlist")) {
    for (size_t k = 0; k < list->size() && !ctx.Failed(); ++k) {
      const toml::table* t = list->get(k)->as_table();
      if (!t) return ctx.Fail(list->get(k)->source(), "'playlist' must be an array of tables ([[playlist]])");
      format::PlaylistEntry e;
      ReadEntry(ctx, *t, k, &e);
      d.playlist.entries.push_back(std::move(e));
    }
  }

  // Every document carries a region; without one in the manifest it is the empty one.
  d.window.customRegion = format::MakeRegionData({});
  format::ForEachSettingsBlock(d, [&](const char* name, auto& block) {
    if (const toml::table* t = top.Table(name)) ReadBlock(ctx, *t, name, &block);
    return true;
  });

  // The index names a built-in shape only with shape kind 1; an unknown one would give no shape at all.
  if (const toml::node* index = root.at_path("window.shape_index").node();
      index && !ctx.Failed() && d.window.shapeKind == 1 && d.window.shapeIndex > 6) {
    return ctx.Fail(index->source(), "'window.shape_index' must be 0 to 6 (0 diamond, 1 ellipse, 2 pentagon, "
                                     "3 octagon, 4 star, 5 rounded rectangle, 6 seal)");
  }

  // An author who writes About texts means the About box to be reachable; the document's own default
  // (no entry) stays for manifests without them, and an explicit 'about.no_about' always wins.
  const toml::table* about = root.get_as<toml::table>("about");
  if (!ctx.Failed() && HasAboutContent(d) && (about == nullptr || !about->contains("no_about"))) d.about.noAbout = 0;

  if (const toml::table* t = top.Table("blocks")) {
    Section s(ctx, *t, "blocks");
    if (const toml::array* libs = s.Array("fscommand_libraries")) {
      for (size_t k = 0; k < libs->size() && !ctx.Failed(); ++k) {
        std::optional<fs::path> p;
        ReadBlockFile(ctx, libs->get(k), "each of 'blocks.fscommand_libraries'", &p);
        if (p) m->blocks.fscommandLibraries.push_back(*p);
      }
    }
    ReadBlockFile(ctx, s.Get("installer"), "'blocks.installer'", &m->blocks.installer);
    ReadBlockFile(ctx, s.Get("resource_library"), "'blocks.resource_library'", &m->blocks.resourceLibrary);
    ReadBlockFile(ctx, s.Get("tool_package"), "'blocks.tool_package'", &m->blocks.toolPackage);
    if (const toml::node* v = s.Get("search_stub_folder")) {
      auto b = v->as_boolean();
      if (!b) return ctx.Fail(v->source(), "'blocks.search_stub_folder' must be true or false");
      m->searchStubFolder = b->get();
    }
    s.Done();
  }
  top.Done();
}

}  // namespace

bool HasAboutContent(const format::MovieDocumentData& d) {
  const format::AboutTexts& t = d.aboutTexts;
  const format::AboutSettings& a = d.about;
  return !t.productName.empty() || !t.notice.empty() || !t.version.empty() || !a.webLabel.empty() ||
         !a.webAddress.empty() || !a.mailLabel.empty() || !a.mailAddress.empty() || !a.picture.Empty();
}

bool ParseManifest(std::string_view text, const fs::path& path, Manifest* manifest, std::string* error) {
  *manifest = {};
  Context ctx;
  ctx.manifest = manifest;
  ctx.file = path;
  ctx.folder = path.parent_path();
  if (ctx.folder.empty()) ctx.folder = ".";
  try {
    toml::table root = toml::parse(text, PathToUtf8(path));
    ReadManifest(ctx, root, manifest);
  } catch (const toml::parse_error& e) {
    ctx.Fail(e.source(), std::string(e.description()));
  } catch (const std::exception& e) {
    ctx.Fail({}, e.what());
  }
  if (ctx.Failed()) {
    *error = ctx.error;
    return false;
  }
  return true;
}

bool LoadManifest(const fs::path& path, Manifest* manifest, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = PathToUtf8(path) + ": cannot read the manifest";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseManifest(text.str(), path, manifest, error);
}

}  // namespace pack
