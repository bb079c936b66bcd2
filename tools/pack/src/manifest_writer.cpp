#include <cmath>
#include <cstdio>
#include <sstream>

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

  const format::AboutTexts& t = d.aboutTexts;
  o.Header("about_texts");
  o.Text("product_name", t.productName);
  o.Text("text2", t.keptText2);
  o.Text("text3", t.keptText3);
  o.Text("notice", t.notice);
  o.Text("text5", t.keptText5);
  o.Text("text6", t.keptText6);
  o.Text("version", t.version);

  const format::SizeSettings& z = d.size;
  o.Header("size");
  o.U32("mode", z.sizeMode);
  o.U32("initial_state", z.initialState);
  o.U32("flags", z.scaleFlags);
  o.U32("horizontal_placement", z.horizontalPlacement);
  o.U32("vertical_placement", z.verticalPlacement);
  o.U32("alignment", z.alignment);
  o.U32("width", z.fixedWidth);
  o.U32("height", z.fixedHeight);
  o.U32("percentage", z.percentage);
  o.U32("horizontal_offset", z.horizontalOffset);
  o.U32("kept_value", z.keptValue12);
  o.U32("vertical_offset_movie_size", z.verticalOffsetMovieSize);
  o.U32("vertical_offset_fixed_size", z.verticalOffsetFixedSize);
  o.U32("use_work_area", z.useWorkArea);

  const format::WindowSettings& w = d.window;
  o.Header("window");
  o.Text("title", w.title);
  o.U32("value1", w.keptValue1);
  o.Text("text1", w.keptText1);
  o.File("icon", w.icon);
  o.U32("shape_kind", w.shapeKind);
  o.U32("shape_index", w.shapeIndex);
  std::vector<format::RegionRect> rects;
  if (format::ParseRegionData(w.customRegion, &rects) && format::MakeRegionData(rects) == w.customRegion) {
    if (!rects.empty()) {
      std::ostringstream list;
      list << '[';
      for (size_t k = 0; k < rects.size(); ++k) {
        const format::RegionRect& r = rects[k];
        list << (k ? ", [" : "[") << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ']';
      }
      list << ']';
      o.Raw("region", list.str());
    }
  } else {
    o.Raw("region_data", HexString(w.customRegion));
  }
  o.U32("caption", w.captionStyle);
  o.U32("maximize_box", w.maximizeBox);
  o.U32("minimize_box", w.minimizeBox);
  o.U32("system_menu", w.systemMenu);
  o.U32("value2", w.keptValue2);
  o.U32("display_mode", w.displayMode);
  o.Raw("background_color", Colour(w.backgroundColor));
  o.U32("show_in_taskbar", w.showInTaskbar);
  o.U32("tray_icon", w.trayIcon);
  o.U32("always_on_top", w.alwaysOnTop);
  o.U32("taskbar_command", w.taskbarCommand);
  o.U32("taskbar_command_at_close", w.taskbarCommandAtClose);

  const format::ControlSettings& c = d.control;
  o.Header("controls");
  o.U32("left_button_mode", c.leftButtonMode);
  o.U32("right_button_mode", c.rightButtonMode);
  o.U32("key_mode", c.keyMode);
  o.U32("esc_closes", c.escCloses);
  o.U32("any_key_closes", c.anyKeyCloses);

  const format::PlaylistOptions& p = d.playlistOptions;
  o.Header("playlist_options");
  o.U32("timer", p.timer);
  o.U32("loop", p.loop);
  o.U32("value3", p.keptValue3);
  o.U32("options", p.options);
  o.U32("value5", p.keptValue5);
  o.U32("value6", p.keptValue6);
  o.U32("value7", p.keptValue7);
  o.Text("text_a", p.keptTextA);
  o.U32("value8", p.keptValue8);
  o.Text("text_b", p.keptTextB);
  o.U32("value9", p.keptValue9);
  o.Text("text_c", p.keptTextC);
  o.Text("text_d", p.keptTextD);

  const format::AboutSettings& a = d.about;
  o.Header("about");
  o.U32("value1", a.menuMaximize);
  o.U32("value2", a.menuMinimize);
  o.U32("value3", a.menuRestore);
  o.U32("value4", a.menuAlwaysOnTop);
  o.U32("value5", a.menuExit);
  o.Text("web_label", a.webLabel);
  o.Text("web_address", a.webAddress);
  o.Text("mail_label", a.mailLabel);
  o.Text("mail_address", a.mailAddress);
  o.U32("value6", a.keptValue6);
  o.Text("text1", a.keptText1);
  o.Text("web_extra", a.webExtra);
  o.Text("mail_extra", a.mailExtra);
  o.U32("value7", a.menuZoomIn);
  o.U32("value8", a.menuZoomOut);
  o.U32("value9", a.menuShowAll);
  o.U32("value10", a.menuQuality);
  o.U32("value11", a.menuPlay);
  o.U32("value12", a.menuLoop);
  o.U32("value13", a.menuRewind);
  o.U32("value14", a.menuForward);
  o.U32("value15", a.menuBack);
  o.U32("no_about", a.noAbout);
  o.File("picture", a.picture);

  const format::OverlaySettings& v = d.overlay;
  o.Header("overlay");
  o.U32("position", v.position);
  o.U32("alignment", v.textAlignment);
  o.U32("value3", v.keptValue3);
  o.Text("text", v.text);
  o.Raw("text_color", Colour(v.textColor));
  o.Raw("background_color", Colour(v.textBackgroundColor));
  LogFont font;
  bool asTable = ParseLogFont(v.font, &font);
  if (!asTable && !v.font.empty()) o.Raw("font_data", HexString(v.font));
  o.U32("value7", v.keptValue7);
  o.Text("text2", v.keptText2);
  o.File("picture", v.picture);
  if (asTable) {
    o.Header("overlay.font");
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

  o.Header("quality");
  o.U32("quality", d.quality.quality);
  o.U32("value2", d.quality.keptValue2);
  o.Header("quality2");
  o.U32("quality", d.quality2.quality);
  o.U32("value2", d.quality2.keptValue2);
  o.Header("debug");
  o.U32("show_log", d.debug.showLog);
  o.U32("value2", d.debug.keptValue2);

  const format::SoundSettings& snd = d.sound;
  o.Header("sound");
  o.U32("embedded", snd.embedded);
  o.U32("play", snd.play);
  o.U32("loop", snd.loop);
  o.Text("source_path", snd.sourcePath);
  o.Text("path", snd.path);
  if (snd.embedded != 0) o.File("file", snd.file);

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
