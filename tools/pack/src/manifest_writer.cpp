#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "format/document_fields.h"
#include "format/region.h"
#include "manifest.h"
#include "text.h"

namespace pack {

namespace {

std::string Quote(std::u16string_view text) {
  std::string utf8 = ToUtf8(text);
  bool literal = utf8.find('\'') == std::string::npos;
  for (unsigned char c : utf8) {
    if (c < 0x20 || c == 0x7F) literal = false;
  }
  // Literal strings keep Windows paths readable.
  if (literal) {
    std::string out(1, '\'');
    out += utf8;
    out += '\'';
    return out;
  }
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out += '"';
  return out;
}

std::string Number(float v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  std::string s = buf;
  if (s.find_first_of(".en") == std::string::npos) s += ".0";
  return s;
}

std::string HexString(const std::vector<uint8_t>& bytes) {
  std::ostringstream s;
  s << '"' << ToHex(bytes) << '"';
  return s.str();
}

std::string Colour(uint32_t c) {
  if (c > 0xFFFFFF) return std::to_string(c);
  char buf[16];
  std::snprintf(buf, sizeof buf, "\"#%02X%02X%02X\"", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

// Writes "key = value" lines of one table.
class Out {
 public:
  explicit Out(std::ostringstream& s) : s_(s) {}
  void Header(const std::string& name) { s_ << "\n[" << name << "]\n"; }
  void ArrayHeader(const std::string& name) { s_ << "\n[[" << name << "]]\n"; }
  void U32(const char* key, uint32_t v) { s_ << key << " = " << v << '\n'; }
  void Text(const char* key, std::u16string_view v) { s_ << key << " = " << Quote(v) << '\n'; }
  void Raw(const char* key, const std::string& v) { s_ << key << " = " << v << '\n'; }
  void File(const char* key, const format::EmbeddedFile& f) {
    if (f.Empty()) return;
    s_ << key << " = " << Quote(f.path) << '\n';
    s_ << key << "_source_path = " << Quote(f.sourcePath) << '\n';
  }

 private:
  std::ostringstream& s_;
};

// Rectangles when the stored region is a plain list of them, else its bytes.
void WriteRegion(Out& o, const char* key, const std::vector<uint8_t>& region) {
  std::vector<format::RegionRect> rects;
  if (format::ParseRegionData(region, &rects) && format::MakeRegionData(rects) == region) {
    if (rects.empty()) return;
    std::ostringstream list;
    list << '[';
    for (size_t k = 0; k < rects.size(); ++k) {
      const format::RegionRect& r = rects[k];
      list << (k ? ", [" : "[") << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ']';
    }
    list << ']';
    o.Raw(key, list.str());
    return;
  }
  o.Raw((std::string(key) + "_data").c_str(), HexString(region));
}

// The font's own table, which has to follow every key of its section.
void WriteFontTable(Out& o, const std::string& name, const LogFont& font) {
  o.Header(name);
  o.Text("face", font.faceName);
  o.Raw("height", std::to_string(font.height));
  o.Raw("width", std::to_string(font.width));
  o.Raw("escapement", std::to_string(font.escapement));
  o.Raw("orientation", std::to_string(font.orientation));
  o.Raw("weight", std::to_string(font.weight));
  o.U32("italic", font.italic);
  o.U32("underline", font.underline);
  o.U32("strikeout", font.strikeOut);
  o.U32("charset", font.charSet);
  o.U32("out_precision", font.outPrecision);
  o.U32("clip_precision", font.clipPrecision);
  o.U32("quality", font.quality);
  o.U32("pitch_and_family", font.pitchAndFamily);
}

// One settings block as a table, every field whatever the format version
// (a reader of the manifest drops what its version does not store).
template <class Block>
void WriteBlock(Out& o, const char* name, const Block& b) {
  o.Header(name);
  std::optional<std::pair<std::string, LogFont>> fontTable;
  for (const format::Field<Block>& f : format::FieldsOf<Block>()) {
    if (!f.StoredWith(b)) continue;
    switch (f.kind) {
      case format::FieldKind::kNumber: o.U32(f.name, b.*f.number); break;
      case format::FieldKind::kColour: o.Raw(f.name, Colour(b.*f.number)); break;
      case format::FieldKind::kReserved: break;
      case format::FieldKind::kText: o.Text(f.name, b.*f.text); break;
      case format::FieldKind::kFile: o.File(f.name, b.*f.file); break;
      case format::FieldKind::kRegion: WriteRegion(o, f.name, b.*f.bytes); break;
      case format::FieldKind::kFont: {
        const std::vector<uint8_t>& bytes = b.*f.bytes;
        LogFont font;
        if (ParseLogFont(bytes, &font)) {
          fontTable.emplace(std::string(name) + "." + f.name, font);
        } else if (!bytes.empty()) {
          o.Raw((std::string(f.name) + "_data").c_str(), HexString(bytes));
        }
        break;
      }
    }
  }
  if (fontTable) WriteFontTable(o, fontTable->first, fontTable->second);
}

}  // namespace

std::string WriteManifest(const format::MovieDocumentData& d, uint32_t formatVersion, bool compress,
                          const BlockNames& blocks) {
  std::ostringstream s;
  Out o(s);
  o.U32("format_version", formatVersion);
  o.Raw("compress", compress ? "true" : "false");
  o.U32("playlist_reserved", d.playlist.reserved);

  for (const format::PlaylistEntry& e : d.playlist.entries) {
    o.ArrayHeader("playlist");
    o.File("file", e.movie);
    o.Text("source_path", e.sourcePath);
    o.Raw("display_time", Number(e.displayTime));
    o.Text("options", e.options);
    for (const format::Asset& a : e.assets) {
      o.ArrayHeader("playlist.assets");
      o.Text("name", a.name);
      o.U32("embedded", a.embedded);
      if (a.embedded != 0) {
        o.File("file", a.file);
      } else {
        o.Text("path", a.path);
      }
    }
  }

  format::ForEachSettingsBlock(d, [&](const char* name, const auto& block) {
    WriteBlock(o, name, block);
    return true;
  });

  o.Header("blocks");
  std::ostringstream libs;
  libs << '[';
  for (size_t k = 0; k < blocks.fscommandLibraries.size(); ++k) {
    libs << (k ? ", " : "") << Quote(FromUtf8(blocks.fscommandLibraries[k]));
  }
  libs << ']';
  o.Raw("fscommand_libraries", libs.str());
  if (!blocks.installer.empty()) o.Text("installer", FromUtf8(blocks.installer));
  if (!blocks.resourceLibrary.empty()) o.Text("resource_library", FromUtf8(blocks.resourceLibrary));
  if (!blocks.toolPackage.empty()) o.Text("tool_package", FromUtf8(blocks.toolPackage));
  // The blocks above are all the executable carried.
  o.Raw("search_stub_folder", "false");
  return s.str();
}

}  // namespace pack
