// Reads SWF files: the header, "CWS" decompression, and the tag walk that fills
// the character dictionary and the frames of the main timeline and of sprites.
#include <algorithm>
#include <cctype>

#include "tag_loader.h"

namespace swf {
namespace {

enum Tag : uint16_t {
  kEnd = 0, kShowFrame = 1, kDefineShape = 2, kPlaceObject = 4, kRemoveObject = 5, kDefineButton = 7,
  kSetBackgroundColor = 9, kDefineFont = 10, kDoAction = 12, kDefineFontInfo = 13, kDefineBitsLossless = 20,
  kDefineBitsJpeg2 = 21, kDefineShape2 = 22, kPlaceObject2 = 26, kRemoveObject2 = 28, kDefineShape3 = 32,
  kDefineButton2 = 34, kDefineBitsJpeg3 = 35, kDefineBitsLossless2 = 36, kDefineEditText = 37,
  kDefineSprite = 39, kFrameLabel = 43, kDefineFont2 = 48, kDoInitAction = 59, kDefineFontInfo2 = 62,
  kPlaceObject3 = 70, kDefineFont3 = 75, kDefineShape4 = 83, kDefineText = 11, kDefineText2 = 33,
  kDefineBits = 6, kJpegTables = 8, kExportAssets = 56, kScriptLimits = 65,
};

constexpr size_t kMaxFrames = 1u << 16;

bool ParseHeaderBody(std::span<const uint8_t> fws, Header& h) {
  if (fws.size() < 8) return false;
  RecordReader rr{BitReader(fws)};
  rr.reader.Skip(8);
  h.stage = rr.ReadRect();
  h.frameRate = rr.reader.U16() / 256.0;
  h.frameCount = rr.reader.U16();
  return !rr.reader.Overrun();
}

}  // namespace

std::shared_ptr<const std::vector<uint8_t>> CodeOf(std::span<const uint8_t> bytes) {
  return std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
}

void TagLoader::WalkTimeline(BitReader& r, TimelineDef& timeline, bool isSprite) {
  Frame current;
  bool pending = false;
  while (!r.AtEnd()) {
    uint16_t codeAndLength = r.U16();
    uint16_t code = codeAndLength >> 6;
    size_t length = codeAndLength & 0x3F;
    if (length == 0x3F) length = r.U32();
    if (r.Overrun()) break;
    length = std::min(length, r.Remaining());
    auto body = r.Bytes(length);
    if (code == kEnd) {
      timeline.ended = true;
      break;
    }
    if (code == kShowFrame) {
      if (timeline.frames.size() < kMaxFrames) timeline.frames.push_back(std::move(current));
      current = Frame{};
      pending = false;
      continue;
    }
    pending = true;
    Tag(code, body, current, isSprite);
  }
  if (timeline.frames.empty()) timeline.frames.push_back(std::move(current));
  else if (pending) timeline.trailing = std::move(current);
}

void TagLoader::Tag(uint16_t code, std::span<const uint8_t> body, Frame& frame, bool isSprite) {
  RecordReader rr{BitReader(body)};
  BitReader& r = rr.reader;
  switch (code) {
    case kSetBackgroundColor: {
      Rgba c = rr.ReadRgb();
      if (!isSprite) movie_.background = c;
      ControlTag t;
      t.kind = ControlTag::Kind::Background;
      t.color = c;
      frame.tags.push_back(std::move(t));
      break;
    }
    case kDefineShape: case kDefineShape2: case kDefineShape3: case kDefineShape4: {
      uint16_t id = r.U16();
      int version = code == kDefineShape ? 1 : code == kDefineShape2 ? 2 : code == kDefineShape3 ? 3 : 4;
      auto shape = std::make_shared<ShapeDef>();
      ParseShape(body.subspan(std::min<size_t>(2, body.size())), version, *shape);
      Character c;
      c.kind = Character::Kind::Shape;
      c.shape = std::move(shape);
      Define(id, std::move(c));
      break;
    }
    case kPlaceObject: case kPlaceObject2: case kPlaceObject3: {
      ControlTag t;
      t.kind = ControlTag::Kind::Place;
      if (code == kPlaceObject) ReadPlace1(rr, t.place);
      else ReadPlace2(rr, t.place, code == kPlaceObject3);
      frame.tags.push_back(std::move(t));
      break;
    }
    case kRemoveObject: case kRemoveObject2: {
      ControlTag t;
      t.kind = ControlTag::Kind::Remove;
      if (code == kRemoveObject) r.U16();
      t.place.depth = r.U16();
      frame.tags.push_back(std::move(t));
      break;
    }
    case kDoAction: {
      ControlTag t;
      t.kind = ControlTag::Kind::Action;
      t.code = CodeOf(body);
      frame.tags.push_back(std::move(t));
      break;
    }
    case kDoInitAction: {
      ControlTag t;
      t.kind = ControlTag::Kind::InitAction;
      t.spriteId = r.U16();
      t.code = CodeOf(body.subspan(std::min<size_t>(2, body.size())));
      frame.tags.push_back(std::move(t));
      break;
    }
    case kScriptLimits:
      if (!isSprite) movie_.maxRecursion = r.U16();
      break;
    case kFrameLabel:
      frame.labels.push_back(DecodeStringData(r.String(), movie_.header.version));
      break;
    case kExportAssets: {
      unsigned count = r.U16();
      for (unsigned i = 0; i < count && !r.AtEnd() && !r.Overrun(); ++i) {
        uint16_t id = r.U16();
        std::string name = DecodeStringData(r.String(), movie_.header.version);
        if (!r.Overrun() && !name.empty()) movie_.exports.emplace(std::move(name), id);
      }
      break;
    }
    case kDefineSprite: {
      if (isSprite) break;  // sprites do not nest definitions
      uint16_t id = r.U16();
      r.U16();  // stated frame count; the frames present count
      auto sprite = std::make_shared<TimelineDef>();
      BitReader inner(body.subspan(std::min<size_t>(4, body.size())));
      WalkTimeline(inner, *sprite, true);
      Character c;
      c.kind = Character::Kind::Sprite;
      c.sprite = std::move(sprite);
      Define(id, std::move(c));
      break;
    }
    case kDefineButton: case kDefineButton2:
      ReadButton(rr, code == kDefineButton2);
      break;
    case kDefineEditText:
      ReadEditText(rr);
      break;
    case kDefineBitsLossless: case kDefineBitsLossless2:
      ReadLossless(rr, code == kDefineBitsLossless2);
      break;
    case kDefineBitsJpeg2: case kDefineBitsJpeg3:
      ReadJpeg(rr, code == kDefineBitsJpeg3);
      break;
    case kJpegTables:
      jpegTables_.assign(body.begin(), body.end());
      break;
    case kDefineBits:
      ReadJpegWithTables(rr);
      break;
    case kDefineFont:
      ReadFont1(body);
      break;
    case kDefineFont2: case kDefineFont3:
      ReadFont2(body, code == kDefineFont3);
      break;
    case kDefineFontInfo: case kDefineFontInfo2: {
      uint16_t id = r.U16();
      auto name = r.Bytes(r.U8());
      uint8_t flags = r.U8();
      if (code == kDefineFontInfo2) r.U8();  // language
      auto it = movie_.characters.find(id);
      if (it == movie_.characters.end() || it->second.kind != Character::Kind::Font || !it->second.font) break;
      FontDef& f = *it->second.font;
      f.name = it->second.fontName = FontName(name);
      f.codes.clear();
      for (size_t i = 0; i < f.glyphs.size() && !r.AtEnd(); ++i) f.codes.push_back((flags & 1) ? r.U16() : r.U8());
      break;
    }
    case kDefineText: case kDefineText2:
      ReadText(rr, code == kDefineText2);
      break;
    default:
      break;  // every other tag is skipped by its length
  }
}

void TagLoader::Define(uint16_t id, Character c) {
  movie_.characters.insert_or_assign(id, std::move(c));
}

void TagLoader::ReadPlace1(RecordReader& rr, PlaceTag& p) {
  BitReader& r = rr.reader;
  p.characterId = r.U16();
  p.depth = r.U16();
  p.hasCharacter = true;
  p.hasMatrix = true;
  p.matrix = rr.ReadMatrix();
  if (!r.AtEnd()) {
    p.hasCxform = true;
    p.cxform = rr.ReadCxform(false);
  }
}

void TagLoader::ReadPlace2(RecordReader& rr, PlaceTag& p, bool v3) {
  BitReader& r = rr.reader;
  uint8_t f = r.U8();
  uint8_t f2 = v3 ? r.U8() : 0;
  p.move = f & 0x01;
  p.hasCharacter = f & 0x02;
  p.hasMatrix = f & 0x04;
  p.hasCxform = f & 0x08;
  p.hasRatio = f & 0x10;
  p.hasName = f & 0x20;
  p.hasClipDepth = f & 0x40;
  bool hasClipActions = f & 0x80;
  p.depth = r.U16();
  if (v3 && ((f2 & 0x08) || ((f2 & 0x10) && p.hasCharacter))) r.String();  // class name
  if (p.hasCharacter) p.characterId = r.U16();
  if (p.hasMatrix) p.matrix = rr.ReadMatrix();
  if (p.hasCxform) p.cxform = rr.ReadCxform(true);
  if (p.hasRatio) p.ratio = r.U16();
  if (p.hasName) p.name = DecodeStringData(r.String(), movie_.header.version);
  if (p.hasClipDepth) p.clipDepth = r.U16();
  if (v3) {
    if (f2 & 0x01) SkipFilters(r);
    if (f2 & 0x02) r.U8();
    if (f2 & 0x04) r.U8();
  }
  if (hasClipActions) ReadClipActions(r, p);
}

void TagLoader::ReadClipActions(BitReader& r, PlaceTag& p) {
  bool wide = movie_.header.version >= 6;
  r.U16();
  // A handler hears only the events the placement's flags of all events name as well.
  uint32_t all = wide ? r.U32() : r.U16();
  while (!r.AtEnd() && !r.Overrun()) {
    uint32_t raw = wide ? r.U32() : r.U16();
    if (raw == 0) break;
    uint32_t size = r.U32();
    ClipAction a;
    a.events = MapClipEvents(raw & all, wide);
    if (wide && (raw & 0x00020000u)) {  // key press carries its key code
      a.keyCode = r.U8();
      if (size) --size;
    }
    a.code = CodeOf(r.Bytes(size));
    p.clipActions.push_back(std::move(a));
  }
}

// The file stores the event bits MSB-first across its bytes; ours are the
// named ClipEvent values.
uint32_t TagLoader::MapClipEvents(uint32_t raw, bool wide) {
  uint8_t b0 = raw & 0xFF;
  uint32_t e = 0;
  if (b0 & 0x01) e |= kClipLoad;
  if (b0 & 0x02) e |= kClipEnterFrame;
  if (b0 & 0x04) e |= kClipUnload;
  if (b0 & 0x08) e |= kClipMouseMove;
  if (b0 & 0x10) e |= kClipMouseDown;
  if (b0 & 0x20) e |= kClipMouseUp;
  if (b0 & 0x40) e |= kClipKeyDown;
  if (b0 & 0x80) e |= kClipKeyUp;
  if ((raw >> 8) & 0x01) e |= kClipData;
  if ((raw >> 8) & 0x02) e |= kClipInitialize;
  // The later flags sit where our values have them.
  if (wide) e |= raw & (kClipInitialize | kClipButtonEvents | kClipKeyPress | kClipConstruct);
  return e;
}

void TagLoader::SkipFilters(BitReader& r) {
  unsigned n = r.U8();
  for (unsigned i = 0; i < n && !r.Overrun(); ++i) {
    switch (r.U8()) {
      case 0: r.Skip(23); break;
      case 1: r.Skip(9); break;
      case 2: r.Skip(15); break;
      case 3: r.Skip(27); break;
      case 4: case 7: { unsigned c = r.U8(); r.Skip(c * 5 + 19); break; }
      case 5: { unsigned x = r.U8(), y = r.U8(); r.Skip(8 + 4 * x * y + 5); break; }
      case 6: r.Skip(80); break;
      default: r.Skip(r.Remaining()); break;
    }
  }
}

int TimelineDef::FindLabel(const std::string& label) const {
  if (label.empty()) return -1;
  auto same = [&label](const std::string& l) {
    return l.size() == label.size() && std::equal(l.begin(), l.end(), label.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  };
  for (size_t i = 0; i < frames.size(); ++i)
    if (std::any_of(frames[i].labels.begin(), frames[i].labels.end(), same)) return static_cast<int>(i);
  return -1;
}

bool InflateMovie(std::span<const uint8_t> file, std::vector<uint8_t>& out, LoadError* error) {
  auto fail = [&](LoadError e) {
    if (error) *error = e;
    return false;
  };
  if (file.size() < 8) return fail(LoadError::TooShort);
  if (file[0] != 'C' || file[1] != 'W' || file[2] != 'S') return fail(LoadError::BadSignature);
  uint32_t stated = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t(file[7]) << 24);
  uint64_t compressed = file.size() - 8;
  if (stated < 8 || stated > kMaxMovieBytes || uint64_t(stated - 8) > compressed * kMaxInflateRatio)
    return fail(LoadError::TooLarge);
  out.assign(file.begin(), file.begin() + 8);
  out[0] = 'F';
  if (!InflateBounded(file.subspan(8), stated - 8, out) || out.size() <= 8) return fail(LoadError::BadCompression);
  if (error) *error = LoadError::None;
  return true;
}

bool ReadHeader(std::span<const uint8_t> file, Header& out) {
  if (file.size() < 8) return false;
  bool compressed = file[0] == 'C';
  if (!((file[0] == 'F' || compressed) && file[1] == 'W' && file[2] == 'S')) return false;
  out.signature[0] = static_cast<char>(file[0]);
  out.signature[1] = 'W';
  out.signature[2] = 'S';
  out.version = file[3];
  out.fileLength = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t(file[7]) << 24);
  if (!compressed) return ParseHeaderBody(file, out);
  // The rectangle is at most 17 bytes; a little more than that decides the header.
  std::vector<uint8_t> head(file.begin(), file.begin() + 8);
  if (!InflateBounded(file.subspan(8), 32, head)) return false;
  return ParseHeaderBody(head, out);
}

std::shared_ptr<const MovieDef> LoadMovie(std::span<const uint8_t> file, LoadError* error) {
  auto fail = [&](LoadError e) -> std::shared_ptr<const MovieDef> {
    if (error) *error = e;
    return nullptr;
  };
  if (file.size() < 8) return fail(LoadError::TooShort);
  if (!((file[0] == 'F' || file[0] == 'C') && file[1] == 'W' && file[2] == 'S')) return fail(LoadError::BadSignature);
  std::vector<uint8_t> inflated;
  std::span<const uint8_t> fws = file;
  if (file[0] == 'C') {
    LoadError e = LoadError::None;
    if (!InflateMovie(file, inflated, &e)) return fail(e);
    fws = inflated;
  }
  auto movie = std::make_shared<MovieDef>();
  Header& h = movie->header;
  h.signature[0] = static_cast<char>(file[0]);
  h.signature[1] = 'W';
  h.signature[2] = 'S';
  h.version = fws[3];
  h.fileLength = fws[4] | (fws[5] << 8) | (fws[6] << 16) | (uint32_t(fws[7]) << 24);
  if (!ParseHeaderBody(fws, h)) return fail(LoadError::TooShort);
  RecordReader rr{BitReader(fws)};
  rr.reader.Skip(8);
  rr.ReadRect();
  rr.reader.Skip(4);
  // The walk ends at the End tag; a stated length that disagrees with the data is ignored.
  BitReader tags(fws.subspan(std::min(rr.reader.Position(), fws.size())));
  TagLoader loader(*movie);
  loader.WalkTimeline(tags, movie->main, false);
  if (error) *error = LoadError::None;
  return movie;
}

}  // namespace swf
