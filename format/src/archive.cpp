#include "format/archive.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace format {

bool ArchiveReader::ReadBytes(void* dst, size_t n) {
  if (failed_) return false;
  if (n == 0) return true;
  size_t got = source_.Read(dst, n);
  position_ += got;
  if (got != n) failed_ = true;
  return !failed_;
}

bool ArchiveReader::ReadU8(uint8_t* v) { return ReadBytes(v, 1); }

bool ArchiveReader::ReadU16(uint16_t* v) {
  uint8_t b[2];
  if (!ReadBytes(b, 2)) return false;
  *v = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ArchiveReader::ReadU32(uint32_t* v) {
  uint8_t b[4];
  if (!ReadBytes(b, 4)) return false;
  *v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
       (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool ArchiveReader::ReadFloat(float* v) {
  uint32_t bits;
  if (!ReadU32(&bits)) return false;
  *v = std::bit_cast<float>(bits);
  return true;
}

bool ArchiveReader::ReadStringLength(uint64_t* units, bool* wide) {
  *wide = false;
  uint8_t b;
  if (!ReadU8(&b)) return false;
  if (b < 0xFF) {
    *units = b;
    return true;
  }
  uint16_t w;
  if (!ReadU16(&w)) return false;
  if (w == 0xFFFE) {
    // The wide marker; the length follows in its own forms, and 0xFFFE is
    // then an ordinary length.
    *wide = true;
    if (!ReadU8(&b)) return false;
    if (b < 0xFF) {
      *units = b;
      return true;
    }
    if (!ReadU16(&w)) return false;
  }
  if (w < 0xFFFF) {
    *units = w;
    return true;
  }
  uint32_t d;
  if (!ReadU32(&d)) return false;
  *units = d;
  return true;
}

bool ArchiveReader::ReadString(std::u16string* s) {
  s->clear();
  uint64_t units;
  bool wide;
  if (!ReadStringLength(&units, &wide)) return false;
  uint64_t bytes = wide ? units * 2 : units;
  return ReadChunks(bytes, [&](const uint8_t* p, size_t n) {
    if (wide) {
      for (size_t k = 0; k + 1 < n; k += 2) s->push_back(static_cast<char16_t>(p[k] | (p[k + 1] << 8)));
    } else {
      for (size_t k = 0; k < n; ++k) s->push_back(static_cast<char16_t>(p[k]));
    }
    return true;
  });
}

bool ArchiveReader::ReadCount(uint64_t* count) {
  uint16_t w;
  if (!ReadU16(&w)) return false;
  if (w != 0xFFFF) {
    *count = w;
    return true;
  }
  uint32_t d;
  if (!ReadU32(&d)) return false;
  *count = d;
  return true;
}

bool ArchiveReader::ReadByteArray(std::vector<uint8_t>* bytes) {
  bytes->clear();
  uint64_t count;
  if (!ReadCount(&count)) return false;
  return ReadChunks(count, [&](const uint8_t* p, size_t n) {
    bytes->insert(bytes->end(), p, p + n);
    return true;
  });
}

bool ArchiveReader::CanHold(uint64_t bytes) {
  if (failed_) return false;
  std::optional<uint64_t> left = source_.RemainingBound();
  if (left && bytes > *left) {
    failed_ = true;
    overclaim_ = bytes;
  }
  return !failed_;
}

bool ArchiveReader::ReadChunks(uint64_t n, const std::function<bool(const uint8_t*, size_t)>& sink, bool* sinkOk) {
  if (!CanHold(n)) {
    if (sinkOk) *sinkOk = false;
    return false;
  }
  bool passing = true;
  // Chunks are even-sized so a UTF-16 unit never straddles two of them.
  uint8_t buffer[kArchiveChunk];
  while (n > 0) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(n, sizeof buffer));
    if (!ReadBytes(buffer, take)) {
      if (sinkOk) *sinkOk = false;
      return false;
    }
    if (passing && sink && !sink(buffer, take)) passing = false;
    n -= take;
  }
  if (sinkOk) *sinkOk = passing;
  return true;
}

bool ArchiveReader::Skip(uint64_t n) { return ReadChunks(n, nullptr); }

bool ArchiveWriter::WriteBytes(const void* src, size_t n) {
  if (failed_) return false;
  if (n == 0) return true;
  if (!sink_.Write(src, n)) {
    failed_ = true;
    return false;
  }
  position_ += n;
  return true;
}

bool ArchiveWriter::WriteU8(uint8_t v) { return WriteBytes(&v, 1); }

bool ArchiveWriter::WriteU16(uint16_t v) {
  uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  return WriteBytes(b, 2);
}

bool ArchiveWriter::WriteU32(uint32_t v) {
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)};
  return WriteBytes(b, 4);
}

bool ArchiveWriter::WriteFloat(float v) { return WriteU32(std::bit_cast<uint32_t>(v)); }

bool ArchiveWriter::WriteLength(uint64_t n) {
  if (n < 0xFF) return WriteU8(static_cast<uint8_t>(n));
  if (!WriteU8(0xFF)) return false;
  if (n < 0xFFFF) return WriteU16(static_cast<uint16_t>(n));
  if (n >= 0xFFFFFFFFu) {
    failed_ = true;
    return false;
  }
  return WriteU16(0xFFFF) && WriteU32(static_cast<uint32_t>(n));
}

bool ArchiveWriter::WriteString(std::u16string_view s) {
  if (!WriteU8(0xFF) || !WriteU16(0xFFFE) || !WriteLength(s.size())) return false;
  uint8_t buffer[kArchiveChunk];
  size_t k = 0;
  while (k < s.size()) {
    size_t take = std::min(s.size() - k, sizeof buffer / 2);
    for (size_t i = 0; i < take; ++i) {
      buffer[2 * i] = static_cast<uint8_t>(s[k + i]);
      buffer[2 * i + 1] = static_cast<uint8_t>(s[k + i] >> 8);
    }
    if (!WriteBytes(buffer, take * 2)) return false;
    k += take;
  }
  return true;
}

bool ArchiveWriter::WriteNarrowString(std::string_view s) {
  // A 16-bit length of 0xFFFE would read as the wide marker.
  if (s.size() == 0xFFFE) {
    if (!WriteU8(0xFF) || !WriteU16(0xFFFF) || !WriteU32(0xFFFE)) return false;
  } else if (!WriteLength(s.size())) {
    return false;
  }
  return WriteBytes(s.data(), s.size());
}

bool ArchiveWriter::WriteCount(uint64_t count) {
  if (count < 0xFFFF) return WriteU16(static_cast<uint16_t>(count));
  if (count > 0xFFFFFFFFu) {
    failed_ = true;
    return false;
  }
  return WriteU16(0xFFFF) && WriteU32(static_cast<uint32_t>(count));
}

bool ArchiveWriter::WriteByteArray(const std::vector<uint8_t>& bytes) {
  return WriteCount(bytes.size()) && WriteBytes(bytes.data(), bytes.size());
}

}  // namespace format
