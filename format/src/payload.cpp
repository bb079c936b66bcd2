#include "format/payload.h"

#include <algorithm>

#include "format/inflate.h"

namespace format {

bool MarkerSearch::SetPattern(std::u16string_view marker) {
  if (marker.size() * 2 > kMaxPattern) return SetPatternBytes(nullptr, kMaxPattern + 1);
  std::array<uint8_t, kMaxPattern> bytes{};
  for (size_t k = 0; k < marker.size(); ++k) {
    bytes[2 * k] = static_cast<uint8_t>(marker[k]);
    bytes[2 * k + 1] = static_cast<uint8_t>(marker[k] >> 8);
  }
  return SetPatternBytes(bytes.data(), marker.size() * 2);
}

bool MarkerSearch::SetPatternBytes(const uint8_t* pattern, size_t length) {
  base_ = nullptr;
  length_ = 0;
  last_ = nullptr;
  // An empty pattern would "match" at every position.
  if (length == 0 || length > kMaxPattern) {
    m_ = 0;
    return false;
  }
  m_ = length;
  std::copy(pattern, pattern + length, pattern_.begin());
  table_.fill(m_);
  for (size_t i = 1; i <= m_; ++i) table_[pattern_[i - 1]] = m_ - i;
  return true;
}

const uint8_t* MarkerSearch::Search(const uint8_t* data, size_t n) const {
  if (m_ == 0 || data == nullptr || n < m_) return nullptr;
  // i and j are 1-based positions in the data and the pattern.
  size_t i = m_;
  size_t j = m_;
  while (j >= 1 && i <= n) {
    if (data[i - 1] == pattern_[j - 1]) {
      --i;
      --j;
    } else {
      i += std::max(m_ - j + 1, table_[data[i - 1]]);
      j = m_;
    }
  }
  // When the loop ends with j == 0 the match starts at i (0-based) and i <= n - m.
  if (j == 0) return data + i;
  return nullptr;
}

const uint8_t* MarkerSearch::Find(const uint8_t* base, size_t length) {
  base_ = base;
  length_ = base ? length : 0;
  last_ = Search(base_, length_);
  return last_;
}

const uint8_t* MarkerSearch::FindNext() {
  if (last_ == nullptr) return nullptr;
  const uint8_t* start = last_ + m_;
  size_t remaining = static_cast<size_t>(base_ + length_ - start);
  if (remaining < m_) {
    last_ = nullptr;
    return nullptr;
  }
  last_ = Search(start, remaining);
  return last_;
}

std::u16string ReadFieldText(const uint8_t* p, size_t fieldBytes) {
  std::u16string text;
  for (size_t k = 0; k + 1 < fieldBytes; k += 2) {
    char16_t c = static_cast<char16_t>(p[k] | (p[k + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool WriteFieldText(uint8_t* p, size_t fieldBytes, std::u16string_view text) {
  if ((text.size() + 1) * 2 > fieldBytes) return false;
  if (text.find(u'\0') != std::u16string_view::npos) return false;
  std::fill(p, p + fieldBytes, uint8_t{0});
  for (size_t k = 0; k < text.size(); ++k) {
    p[2 * k] = static_cast<uint8_t>(text[k]);
    p[2 * k + 1] = static_cast<uint8_t>(text[k] >> 8);
  }
  return true;
}

std::optional<DocumentHeader> DocumentHeader::Parse(const uint8_t* p, size_t available) {
  if (p == nullptr || available < kSize) return std::nullopt;
  DocumentHeader h;
  h.marker = ReadFieldText(p, kMarkerBytes);
  h.version = LoadU32(p + 68);
  h.compressed = LoadU32(p + 72);
  h.uncompressedSize = LoadU32(p + 76);
  h.compressedSize = LoadU32(p + 80);
  return h;
}

std::optional<std::array<uint8_t, DocumentHeader::kSize>> DocumentHeader::Serialize() const {
  std::array<uint8_t, kSize> out{};
  if (!WriteFieldText(out.data(), kMarkerBytes, marker)) return std::nullopt;
  StoreU32(out.data() + 68, version);
  StoreU32(out.data() + 72, compressed);
  StoreU32(out.data() + 76, uncompressedSize);
  StoreU32(out.data() + 80, compressedSize);
  return out;
}

namespace {
bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
}  // namespace

bool DocumentHeader::HasDocumentMarker() const {
  std::u16string_view text(marker);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text == DocumentMarker();
}

std::optional<FileBlockHeader> FileBlockHeader::Parse(const uint8_t* p, size_t available) {
  if (p == nullptr || available < kSize) return std::nullopt;
  FileBlockHeader h;
  h.marker = ReadFieldText(p, kMarkerBytes);
  h.version = LoadU32(p + 128);
  h.name = ReadFieldText(p + kNameOffset, kNameBytes);
  h.storedSize = LoadU32(p + 388);
  // Writers left the three bytes behind the flag uninitialised.
  h.compressed = p[392] != 0;
  h.compressedSize = LoadU32(p + 396);
  return h;
}

std::optional<std::array<uint8_t, FileBlockHeader::kSize>> FileBlockHeader::Serialize() const {
  std::array<uint8_t, kSize> out{};
  if (!WriteFieldText(out.data(), kMarkerBytes, marker)) return std::nullopt;
  if (!WriteFieldText(out.data() + kNameOffset, kNameBytes, name)) return std::nullopt;
  StoreU32(out.data() + 128, version);
  StoreU32(out.data() + 388, storedSize);
  out[392] = compressed ? 1 : 0;
  StoreU32(out.data() + 396, compressedSize);
  return out;
}

namespace {

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool EqualsUpper(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t k = 0; k < text.size(); ++k) {
    if (UpperAscii(text[k]) != upper[k]) return false;
  }
  return true;
}

// Windows opens the device, not a file, for these names whatever extension follows them
// (and for the superscript digits as well as the plain ones).
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (EqualsUpper(stem, device)) return true;
  }
  if (stem.size() != 4) return false;
  if (!EqualsUpper(stem.substr(0, 3), u"COM") && !EqualsUpper(stem.substr(0, 3), u"LPT")) return false;
  char16_t digit = stem[3];
  return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

}  // namespace

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.find(u"..") != std::u16string_view::npos) return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == 0x7F) return false;
    switch (c) {
      case u'\\': case u'/': case u':':
      case u'<': case u'>': case u'"': case u'|': case u'?': case u'*':
        return false;
      default:
        break;
    }
  }
  // Windows drops trailing dots and blanks: "x.dll." would overwrite "x.dll", and a name of dots
  // and blanks only would mean the folder itself.
  if (name.back() == u'.' || name.back() == u' ') return false;
  return !IsDeviceName(name);
}

bool FileBlockView::Extractable() const {
  return headerComplete && bodyInRange && header.version == kFileBlockVersion &&
         IsSafeFileName(header.name);
}

FileBlockScanner::FileBlockScanner(const uint8_t* base, size_t size, std::u16string_view marker)
    : base_(base), size_(base ? size : 0) {
  std::vector<std::u16string> markers = {std::u16string(marker)};
  for (std::u16string other : {FsCommandMarker(), InstallerMarker(), ResourceMarker(), ToolPackageMarker()}) {
    if (other != marker) markers.push_back(std::move(other));
  }
  kinds_.resize(markers.size());
  for (size_t k = 0; k < markers.size(); ++k) {
    if (!kinds_[k].search.SetPattern(markers[k])) {
      if (k == 0) valid_ = false;
      kinds_[k].exhausted = true;
    }
  }
  if (auto document = FindDocumentBlock(base_, size_)) cursor_ = document->BlocksStart();
}

FileBlockScanner::Kind* FileBlockScanner::NextMatch() {
  Kind* earliest = nullptr;
  for (Kind& kind : kinds_) {
    if (kind.exhausted) continue;
    if (!kind.match || *kind.match < cursor_) {
      const uint8_t* found = cursor_ < size_ ? kind.search.Find(base_ + cursor_, size_ - cursor_) : nullptr;
      if (found == nullptr) {
        kind.exhausted = true;
        kind.match.reset();
        continue;
      }
      kind.match = static_cast<size_t>(found - base_);
    }
    if (earliest == nullptr || *kind.match < *earliest->match) earliest = &kind;
  }
  return earliest;
}

bool FileBlockScanner::Next(FileBlockView* out) {
  while (valid_) {
    Kind* kind = NextMatch();
    if (kind == nullptr) {
      valid_ = false;
      return false;
    }
    FileBlockView v;
    v.offset = *kind->match;
    size_t available = size_ - v.offset;
    if (auto h = FileBlockHeader::Parse(base_ + v.offset, available)) {
      v.headerComplete = true;
      v.header = std::move(*h);
      v.body = base_ + v.offset + FileBlockHeader::kSize;
      v.bodyLength = v.header.BodyLength();
      v.bodyInRange = v.bodyLength <= available - FileBlockHeader::kSize;
    }
    // Only a block of the known layout says where its body ends; behind any other match the
    // search goes on right after the marker.
    if (v.headerComplete && v.header.version == kFileBlockVersion) {
      cursor_ = v.bodyInRange ? v.offset + FileBlockHeader::kSize + static_cast<size_t>(v.bodyLength) : size_;
    } else {
      cursor_ = v.offset + kind->search.PatternLength();
    }
    if (kind == &kinds_[0]) {
      *out = std::move(v);
      return true;
    }
  }
  return false;
}

size_t DocumentBlockView::BlocksStart() const {
  size_t headerEnd = offset + DocumentHeader::kSize;
  uint64_t length = header.compressed ? header.compressedSize : header.uncompressedSize;
  return length <= bodyAvailable ? headerEnd + static_cast<size_t>(length) : headerEnd;
}

std::optional<DocumentBlockView> FindDocumentBlock(const uint8_t* base, size_t size) {
  if (base == nullptr || size <= 10) return std::nullopt;
  MarkerSearch search;
  if (!search.SetPattern(DocumentMarker())) return std::nullopt;
  const uint8_t* match = search.Find(base, size);
  if (match == nullptr) return std::nullopt;
  DocumentBlockView v;
  v.offset = static_cast<size_t>(match - base);
  auto h = DocumentHeader::Parse(match, size - v.offset);
  if (!h || !h->HasDocumentMarker()) return std::nullopt;
  v.header = std::move(*h);
  v.body = match + DocumentHeader::kSize;
  v.bodyAvailable = size - v.offset - DocumentHeader::kSize;
  return v;
}

bool ExtractFileBlock(const FileBlockView& block,
                      const std::function<bool(const uint8_t*, size_t)>& sink,
                      uint64_t* produced) {
  if (produced) *produced = 0;
  if (!block.Extractable()) return false;
  if (block.header.compressed) {
    return InflateTo(block.body, static_cast<size_t>(block.bodyLength), block.header.storedSize, sink,
                     produced);
  }
  if (block.bodyLength > 0 && !sink(block.body, static_cast<size_t>(block.bodyLength))) return false;
  if (produced) *produced = block.bodyLength;
  return true;
}

}  // namespace format
