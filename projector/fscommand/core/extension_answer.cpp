#include "extension_answer.h"

namespace projector {

namespace {

bool Has(size_t size, uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; }

uint32_t ReadU32(const uint8_t* data, size_t offset) {
  return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
         (static_cast<uint32_t>(data[offset + 2]) << 16) | (static_cast<uint32_t>(data[offset + 3]) << 24);
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::wstring TrimmedName(const uint8_t* begin, const uint8_t* end) {
  std::wstring name(begin, end);
  size_t first = 0, last = name.size();
  while (first < last && IsBlank(name[first])) ++first;
  while (last > first && IsBlank(name[last - 1])) --last;
  return name.substr(first, last - first);
}

}  // namespace

const wchar_t kReturnVariable[] = L"fscmd_ret";

std::vector<std::wstring> ReadExportNames(const uint8_t* data, size_t size) {
  std::vector<std::wstring> names;
  if (!data || !Has(size, 0, 2) || data[0] != 'M' || data[1] != 'Z') return names;
  if (!Has(size, 60, 4)) return names;
  uint64_t header = ReadU32(data, 60);
  // The export directory's entry follows the optional header's fixed fields, which are 16 bytes longer in a
  // 64-bit (PE32+, magic 0x20B) library than in a 32-bit (PE32, magic 0x10B) one.
  if (!Has(size, header + 26, 0)) return names;
  uint16_t magic = static_cast<uint16_t>(data[header + 24] | (data[header + 25] << 8));
  uint64_t entry = header + (magic == 0x20B ? 136 : 120);
  if (!Has(size, entry, 4)) return names;
  // Addresses serve as file offsets: the libraries are linked with equal file and section alignment.
  uint64_t directory = ReadU32(data, static_cast<size_t>(entry));
  if (!Has(size, directory, 24)) return names;
  uint32_t count = ReadU32(data, static_cast<size_t>(directory + 20));
  if (count == 0) return names;
  uint64_t libraryName = ReadU32(data, static_cast<size_t>(directory + 12));
  if (!Has(size, libraryName, 1)) return names;

  const uint8_t* end = data + size;
  const uint8_t* cursor = data + libraryName;
  while (cursor < end && *cursor) ++cursor;
  if (cursor == end) return names;
  ++cursor;
  // The export names follow the library's own name, one after the other.
  for (uint32_t i = 0; i < count && cursor < end; ++i) {
    const uint8_t* start = cursor;
    while (cursor < end && *cursor) ++cursor;
    if (cursor == end) break;
    std::wstring name = TrimmedName(start, cursor);
    if (!name.empty()) names.push_back(std::move(name));
    ++cursor;
  }
  return names;
}

ExtensionAnswer InterpretAnswer(const std::wstring& answer, const std::wstring& args) {
  ExtensionAnswer out;
  if (answer.empty()) return out;
  out.separator = answer[0];
  out.result = answer.substr(1);
  std::vector<std::wstring> values = SplitFields(out.result, out.separator);
  if (values.empty()) return out;
  std::vector<std::wstring> names = SplitFields(args, L',');
  out.assignments.push_back({kReturnVariable, values[0]});
  for (size_t i = 1; i < values.size(); ++i) {
    if (i - 1 < names.size() && !names[i - 1].empty()) out.assignments.push_back({names[i - 1], values[i]});
  }
  return out;
}

void SetReturnValue(MovieVariables& movie, const std::wstring& value) { movie.SetVariable(kReturnVariable, value); }

void SetMovieVariable(MovieVariables& movie, const std::wstring& name, const std::wstring& value) {
  movie.SetVariable(name, value);
}

void ApplyAnswer(MovieVariables& movie, const ExtensionAnswer& answer) {
  for (size_t i = 0; i < answer.assignments.size(); ++i) {
    if (i == 0)
      SetReturnValue(movie, answer.assignments[i].value);
    else
      SetMovieVariable(movie, answer.assignments[i].name, answer.assignments[i].value);
  }
}

}  // namespace projector
