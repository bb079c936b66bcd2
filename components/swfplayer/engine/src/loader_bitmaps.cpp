// Reads the bitmap tags: zlib-packed lossless bitmaps and JPEG images with their tables and alpha.
#include <zlib.h>

#include <algorithm>

#include "tag_loader.h"

namespace swf {
namespace {

constexpr size_t kInflateChunk = 64 * 1024;

}  // namespace

bool InflateBounded(std::span<const uint8_t> in, size_t maxOut, std::vector<uint8_t>& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  size_t start = out.size();
  int rc = Z_OK;
  while (out.size() - start < maxOut) {
    size_t chunk = std::min(kInflateChunk, maxOut - (out.size() - start));
    size_t at = out.size();
    out.resize(at + chunk);
    zs.next_out = out.data() + at;
    zs.avail_out = static_cast<uInt>(chunk);
    rc = inflate(&zs, Z_NO_FLUSH);
    out.resize(at + (chunk - zs.avail_out));
    if (rc != Z_OK) break;
    if (zs.avail_out != 0 && zs.avail_in == 0) break;
  }
  inflateEnd(&zs);
  return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR || out.size() > start;
}

void TagLoader::ReadLossless(RecordReader& rr, bool withAlpha) {
  BitReader& r = rr.reader;
  uint16_t id = r.U16();
  uint8_t format = r.U8();
  uint32_t w = r.U16(), h = r.U16();
  if (format != 3 && format != 4 && format != 5) return;
  if (uint64_t(w) * h > kMaxBitmapPixels || w == 0 || h == 0) return;
  size_t tableSize = format == 3 ? size_t(r.U8()) + 1 : 0;
  size_t colorBytes = withAlpha ? 4 : 3;
  size_t rowBytes = format == 3 ? (w + 3) & ~3u : format == 4 ? (w * 2 + 3) & ~3u : w * 4;
  size_t expected = tableSize * colorBytes + rowBytes * h;
  auto packed = r.Bytes(r.Remaining());
  // zlib cannot expand more than about 1032 to 1: less data than that cannot be this bitmap.
  if (expected / kMaxInflateRatio > packed.size()) return;
  std::vector<uint8_t> raw;
  if (!InflateBounded(packed, expected, raw)) return;
  raw.resize(expected, 0);
  auto bmp = std::make_shared<BitmapDef>();
  bmp->width = w;
  bmp->height = h;
  bmp->pixels.resize(size_t(w) * h);
  auto argb = [](uint32_t a, uint32_t rr_, uint32_t g, uint32_t b) { return (a << 24) | (rr_ << 16) | (g << 8) | b; };
  // Colours with alpha are stored premultiplied; ours are straight.
  auto unpremultiply = [&](uint32_t a, uint32_t c) { return a == 0 ? 0u : std::min(255u, c * 255u / a); };
  std::vector<uint32_t> table(tableSize);
  for (size_t i = 0; i < tableSize; ++i) {
    const uint8_t* p = raw.data() + i * colorBytes;
    uint32_t a = withAlpha ? p[3] : 255;
    table[i] = withAlpha ? argb(a, unpremultiply(a, p[0]), unpremultiply(a, p[1]), unpremultiply(a, p[2]))
                         : argb(255, p[0], p[1], p[2]);
  }
  const uint8_t* pix = raw.data() + tableSize * colorBytes;
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = pix + size_t(y) * rowBytes;
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t v;
      if (format == 3) {
        v = row[x] < tableSize ? table[row[x]] : 0;
      } else if (format == 4) {
        uint32_t p = (uint32_t(row[x * 2]) << 8) | row[x * 2 + 1];
        v = argb(255, ((p >> 10) & 31) * 255 / 31, ((p >> 5) & 31) * 255 / 31, (p & 31) * 255 / 31);
      } else {
        const uint8_t* p = row + size_t(x) * 4;
        uint32_t a = withAlpha ? p[0] : 255;
        v = withAlpha ? argb(a, unpremultiply(a, p[1]), unpremultiply(a, p[2]), unpremultiply(a, p[3]))
                      : argb(255, p[1], p[2], p[3]);
      }
      bmp->pixels[size_t(y) * w + x] = v;
    }
  }
  Character c;
  c.kind = Character::Kind::Bitmap;
  c.bitmap = std::move(bmp);
  Define(id, std::move(c));
}

void TagLoader::ReadJpeg(RecordReader& rr, bool withAlpha) {
  BitReader& r = rr.reader;
  uint16_t id = r.U16();
  uint32_t jpegSize = withAlpha ? r.U32() : uint32_t(r.Remaining());
  auto jpeg = r.Bytes(jpegSize);
  auto bmp = std::make_shared<BitmapDef>();
  bmp->jpeg.assign(jpeg.begin(), jpeg.end());
  // Older writers put an empty JPEG stream (end, start markers) in front.
  if (bmp->jpeg.size() >= 4 && bmp->jpeg[0] == 0xFF && bmp->jpeg[1] == 0xD9 && bmp->jpeg[2] == 0xFF &&
      bmp->jpeg[3] == 0xD8)
    bmp->jpeg.erase(bmp->jpeg.begin(), bmp->jpeg.begin() + 4);
  JpegSize(bmp->jpeg, bmp->width, bmp->height);
  if (withAlpha && bmp->width && bmp->height && uint64_t(bmp->width) * bmp->height <= kMaxBitmapPixels) {
    size_t n = size_t(bmp->width) * bmp->height;
    auto packed = r.Bytes(r.Remaining());
    if (n / kMaxInflateRatio <= packed.size() && InflateBounded(packed, n, bmp->jpegAlpha)) bmp->jpegAlpha.resize(n, 255);
    else bmp->jpegAlpha.clear();
  }
  Character c;
  c.kind = Character::Kind::Bitmap;
  c.bitmap = std::move(bmp);
  Define(id, std::move(c));
}

// The image data of DefineBits shares its encoding tables with every other such image.
void TagLoader::ReadJpegWithTables(RecordReader& rr) {
  BitReader& r = rr.reader;
  uint16_t id = r.U16();
  auto data = r.Bytes(r.Remaining());
  auto bmp = std::make_shared<BitmapDef>();
  std::vector<uint8_t> tables = jpegTables_;
  if (tables.size() >= 2 && tables[tables.size() - 2] == 0xFF && tables.back() == 0xD9) tables.resize(tables.size() - 2);
  size_t skip = data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8 && !tables.empty() ? 2 : 0;
  bmp->jpeg = std::move(tables);
  bmp->jpeg.insert(bmp->jpeg.end(), data.begin() + static_cast<long>(skip), data.end());
  JpegSize(bmp->jpeg, bmp->width, bmp->height);
  Character c;
  c.kind = Character::Kind::Bitmap;
  c.bitmap = std::move(bmp);
  Define(id, std::move(c));
}

// Finds the frame size in the first start-of-frame marker.
void TagLoader::JpegSize(const std::vector<uint8_t>& j, uint32_t& w, uint32_t& h) {
  size_t i = 2;
  while (i + 9 < j.size()) {
    if (j[i] != 0xFF) {
      ++i;
      continue;
    }
    uint8_t m = j[i + 1];
    if (m == 0xD8 || m == 0xD9 || m == 0x01 || (m >= 0xD0 && m <= 0xD7) || m == 0xFF) {
      i += m == 0xFF ? 1 : 2;
      continue;
    }
    size_t len = (size_t(j[i + 2]) << 8) | j[i + 3];
    if ((m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) ||
        (m >= 0xCD && m <= 0xCF)) {
      h = (uint32_t(j[i + 5]) << 8) | j[i + 6];
      w = (uint32_t(j[i + 7]) << 8) | j[i + 8];
      return;
    }
    i += 2 + len;
  }
}

}  // namespace swf
