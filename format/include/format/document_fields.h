// The field tables of the movie document's settings blocks: for each block its
// fields in stream order, each with its manifest key, its kind and the first
// format version that stores it. The archive reader and writer and the
// packer's manifest reader and writer all walk these tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/document.h"
#include "format/payload.h"

namespace format {

// Text D of the playlist options is written at every version. Documents below
// this version are found both with it (as shipped) and without it: such a body
// is read with text D, and without it when only that reading ends exactly at
// the body's end, or when the reading with it fails. A body that may lack it is
// read more than once (ReadDocumentBody takes a forward-only source whole).
inline constexpr uint32_t kTextDOptionalBefore = 120;

enum class FieldKind : uint8_t {
  kNumber,    // u32
  kColour,    // u32 COLORREF
  kReserved,  // u32 read and dropped, written as 0; no manifest key
  kText,      // string
  kFile,      // embedded file
  kRegion,    // byte array holding an RGNDATA block
  kFont,      // byte array holding a LOGFONTW
};

template <class Block>
struct Field {
  const char* name = nullptr;  // the manifest key
  FieldKind kind = FieldKind::kNumber;
  uint32_t since = kOldestFormatVersion;
  // Exactly one of these names the member, except for kReserved.
  uint32_t Block::*number = nullptr;
  std::u16string Block::*text = nullptr;
  EmbeddedFile Block::*file = nullptr;
  std::vector<uint8_t> Block::*bytes = nullptr;
  // When set, the field is stored only while that value is non-zero.
  uint32_t Block::*onlyWhen = nullptr;
  // Below this version a stored document may lack the field although the writer always writes it: the reader
  // decides from the body itself.
  uint32_t optionalBefore = 0;

  constexpr Field Since(uint32_t version) const {
    Field f = *this;
    f.since = version;
    return f;
  }
  constexpr Field OnlyWhen(uint32_t Block::*flag) const {
    Field f = *this;
    f.onlyWhen = flag;
    return f;
  }
  constexpr Field OptionalBefore(uint32_t version) const {
    Field f = *this;
    f.optionalBefore = version;
    return f;
  }
  // Whether a block of this version may have been stored without the field.
  bool OptionalAt(uint32_t version) const { return version < optionalBefore; }
  // Whether a block of this format version holds the field.
  bool StoredAt(uint32_t version) const { return version >= since; }
  // Whether the field is stored with this block's own values.
  bool StoredWith(const Block& block) const { return onlyWhen == nullptr || block.*onlyWhen != 0; }
};

template <class Block>
constexpr Field<Block> NumberField(const char* name, uint32_t Block::*member) {
  Field<Block> f;
  f.name = name;
  f.number = member;
  return f;
}

template <class Block>
constexpr Field<Block> ColourField(const char* name, uint32_t Block::*member) {
  Field<Block> f = NumberField(name, member);
  f.kind = FieldKind::kColour;
  return f;
}

template <class Block>
constexpr Field<Block> ReservedField() {
  Field<Block> f;
  f.kind = FieldKind::kReserved;
  return f;
}

template <class Block>
constexpr Field<Block> TextField(const char* name, std::u16string Block::*member) {
  Field<Block> f;
  f.name = name;
  f.kind = FieldKind::kText;
  f.text = member;
  return f;
}

template <class Block>
constexpr Field<Block> FileField(const char* name, EmbeddedFile Block::*member) {
  Field<Block> f;
  f.name = name;
  f.kind = FieldKind::kFile;
  f.file = member;
  return f;
}

template <class Block>
constexpr Field<Block> BytesField(FieldKind kind, const char* name, std::vector<uint8_t> Block::*member) {
  Field<Block> f;
  f.name = name;
  f.kind = kind;
  f.bytes = member;
  return f;
}

// Specialised below for every settings block.
template <class Block>
struct BlockLayout;

template <>
struct BlockLayout<AboutTexts> {
  using B = AboutTexts;
  static constexpr Field<B> kFields[] = {
      TextField("product_name", &B::productName), TextField("text2", &B::keptText2),
      TextField("text3", &B::keptText3),          TextField("notice", &B::notice),
      TextField("text5", &B::keptText5),          TextField("text6", &B::keptText6),
      TextField("version", &B::version),
  };
};

template <>
struct BlockLayout<SizeSettings> {
  using B = SizeSettings;
  static constexpr Field<B> kFields[] = {
      NumberField("mode", &B::sizeMode),
      ReservedField<B>(),
      NumberField("initial_state", &B::initialState),
      NumberField("flags", &B::scaleFlags),
      NumberField("horizontal_placement", &B::horizontalPlacement),
      NumberField("vertical_placement", &B::verticalPlacement),
      NumberField("alignment", &B::alignment),
      NumberField("width", &B::fixedWidth),
      NumberField("height", &B::fixedHeight),
      NumberField("percentage", &B::percentage),
      NumberField("horizontal_offset", &B::horizontalOffset),
      NumberField("kept_value", &B::keptValue12),
      NumberField("vertical_offset_movie_size", &B::verticalOffsetMovieSize),
      NumberField("vertical_offset_fixed_size", &B::verticalOffsetFixedSize),
      NumberField("use_work_area", &B::useWorkArea).Since(140),
  };
};

template <>
struct BlockLayout<WindowSettings> {
  using B = WindowSettings;
  static constexpr Field<B> kFields[] = {
      TextField("title", &B::title),
      NumberField("value1", &B::keptValue1),
      TextField("text1", &B::keptText1),
      FileField("icon", &B::icon),
      NumberField("shape_kind", &B::shapeKind),
      NumberField("shape_index", &B::shapeIndex),
      BytesField(FieldKind::kRegion, "region", &B::customRegion),
      NumberField("caption", &B::captionStyle),
      NumberField("maximize_box", &B::maximizeBox),
      NumberField("minimize_box", &B::minimizeBox),
      NumberField("system_menu", &B::systemMenu),
      NumberField("value2", &B::keptValue2),
      NumberField("display_mode", &B::displayMode),
      ColourField("background_color", &B::backgroundColor),
      NumberField("show_in_taskbar", &B::showInTaskbar),
      NumberField("tray_icon", &B::trayIcon),
      NumberField("always_on_top", &B::alwaysOnTop),
      NumberField("taskbar_command", &B::taskbarCommand).Since(130),
      NumberField("taskbar_command_at_close", &B::taskbarCommandAtClose).Since(130),
  };
};

template <>
struct BlockLayout<ControlSettings> {
  using B = ControlSettings;
  static constexpr Field<B> kFields[] = {
      NumberField("left_button_mode", &B::leftButtonMode), NumberField("right_button_mode", &B::rightButtonMode),
      NumberField("key_mode", &B::keyMode),                NumberField("esc_closes", &B::escCloses),
      NumberField("any_key_closes", &B::anyKeyCloses),
  };
};

template <>
struct BlockLayout<PlaylistOptions> {
  using B = PlaylistOptions;
  static constexpr Field<B> kFields[] = {
      NumberField("timer", &B::timer),      NumberField("loop", &B::loop),
      NumberField("value3", &B::keptValue3), NumberField("options", &B::options),
      NumberField("value5", &B::keptValue5), NumberField("value6", &B::keptValue6),
      NumberField("value7", &B::keptValue7), TextField("text_a", &B::keptTextA),
      NumberField("value8", &B::keptValue8), TextField("text_b", &B::keptTextB),
      NumberField("value9", &B::keptValue9), TextField("text_c", &B::keptTextC),
      // Written at every version; documents below 120 are found both with it and without it.
      TextField("text_d", &B::keptTextD).OptionalBefore(kTextDOptionalBefore),
  };
};

template <>
struct BlockLayout<AboutSettings> {
  using B = AboutSettings;
  static constexpr Field<B> kFields[] = {
      NumberField("value1", &B::menuMaximize),
      NumberField("value2", &B::menuMinimize),
      NumberField("value3", &B::menuRestore),
      NumberField("value4", &B::menuAlwaysOnTop),
      NumberField("value5", &B::menuExit),
      TextField("web_label", &B::webLabel),
      TextField("web_address", &B::webAddress),
      TextField("mail_label", &B::mailLabel),
      TextField("mail_address", &B::mailAddress),
      NumberField("value6", &B::keptValue6),
      TextField("text1", &B::keptText1),
      TextField("web_extra", &B::webExtra).Since(101),
      TextField("mail_extra", &B::mailExtra).Since(101),
      NumberField("value7", &B::menuZoomIn).Since(101),
      NumberField("value8", &B::menuZoomOut).Since(101),
      NumberField("value9", &B::menuShowAll).Since(101),
      NumberField("value10", &B::menuQuality).Since(101),
      NumberField("value11", &B::menuPlay).Since(101),
      NumberField("value12", &B::menuLoop).Since(101),
      NumberField("value13", &B::menuRewind).Since(101),
      NumberField("value14", &B::menuForward).Since(101),
      NumberField("value15", &B::menuBack).Since(101),
      NumberField("no_about", &B::noAbout).Since(101),
      FileField("picture", &B::picture),
  };
};

template <>
struct BlockLayout<OverlaySettings> {
  using B = OverlaySettings;
  static constexpr Field<B> kFields[] = {
      NumberField("position", &B::position),
      NumberField("alignment", &B::textAlignment),
      NumberField("value3", &B::keptValue3),
      TextField("text", &B::text),
      ColourField("text_color", &B::textColor),
      ColourField("background_color", &B::textBackgroundColor),
      BytesField(FieldKind::kFont, "font", &B::font),
      NumberField("value7", &B::keptValue7),
      TextField("text2", &B::keptText2),
      FileField("picture", &B::picture),
  };
};

template <>
struct BlockLayout<QualitySettings> {
  using B = QualitySettings;
  static constexpr Field<B> kFields[] = {
      NumberField("quality", &B::quality),
      NumberField("value2", &B::keptValue2),
  };
};

template <>
struct BlockLayout<DebugSettings> {
  using B = DebugSettings;
  static constexpr Field<B> kFields[] = {
      NumberField("show_log", &B::showLog),
      NumberField("value2", &B::keptValue2),
  };
};

template <>
struct BlockLayout<SoundSettings> {
  using B = SoundSettings;
  static constexpr Field<B> kFields[] = {
      NumberField("embedded", &B::embedded),
      NumberField("play", &B::play),
      NumberField("loop", &B::loop),
      TextField("source_path", &B::sourcePath),
      TextField("path", &B::path),
      FileField("file", &B::file).OnlyWhen(&B::embedded),
  };
};

template <class Block>
constexpr std::span<const Field<Block>> FieldsOf() {
  return BlockLayout<Block>::kFields;
}

// The field whose number is this member, for naming the flag of OnlyWhen.
template <class Block>
const Field<Block>* FindNumberField(uint32_t Block::*member) {
  for (const Field<Block>& f : FieldsOf<Block>()) {
    if (f.number == member) return &f;
  }
  return nullptr;
}

// Calls visit(sectionName, block) for every block after the playlist, in
// stream order, until one call returns false. The playlist is a list of
// entries rather than fixed fields and is handled on its own. sectionName is
// the block's table in the manifest.
template <class Document, class Visit>
bool ForEachSettingsBlock(Document& d, Visit&& visit) {
  return visit("about_texts", d.aboutTexts) && visit("size", d.size) && visit("window", d.window) &&
         visit("controls", d.control) && visit("playlist_options", d.playlistOptions) && visit("about", d.about) &&
         visit("overlay", d.overlay) && visit("quality", d.quality) && visit("quality2", d.quality2) &&
         visit("debug", d.debug) && visit("sound", d.sound);
}

}  // namespace format
