#include "stale_folders.h"

#include <limits>

namespace shell {

namespace {

constexpr std::string_view kMarkerTitle = "Brindlework projector extraction folder";

// Decimal digits only, no sign, no leading zero, within max.
std::optional<uint64_t> ParseNumber(std::string_view text, uint64_t max) {
  if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// The rest of a line that starts with key and a blank, or nothing.
std::optional<std::string_view> Field(std::string_view line, std::string_view key) {
  if (line.size() <= key.size() + 1 || line.substr(0, key.size()) != key || line[key.size()] != ' ')
    return std::nullopt;
  return line.substr(key.size() + 1);
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) { return folder + u"\\" + name; }

struct Survey {
  size_t entries = 0;
  uint64_t bytes = 0;
};

// False when the tree cannot be listed or goes beyond a limit.
bool Measure(FolderTree& tree, const std::u16string& folder, size_t depth, const RemovalLimits& limits,
             Survey* survey, RemovalResult* why) {
  if (depth > limits.maxDepth) {
    *why = RemovalResult::TooBig;
    return false;
  }
  std::vector<TreeEntry> entries;
  if (!tree.List(folder, &entries)) {
    *why = RemovalResult::Locked;
    return false;
  }
  for (const TreeEntry& e : entries) {
    survey->entries += 1;
    if (!e.folder && !e.link) survey->bytes += e.bytes;
    if (survey->entries > limits.maxEntries || survey->bytes > limits.maxBytes) {
      *why = RemovalResult::TooBig;
      return false;
    }
    if (e.folder && !e.link && !Measure(tree, Join(folder, e.name), depth + 1, limits, survey, why)) return false;
  }
  if (!tree.TimeLeft()) {
    *why = RemovalResult::OutOfTime;
    return false;
  }
  return true;
}

RemovalResult Empty(FolderTree& tree, const std::u16string& folder, bool keepMarker) {
  std::vector<TreeEntry> entries;
  if (!tree.List(folder, &entries)) return RemovalResult::Locked;
  for (const TreeEntry& e : entries) {
    if (!tree.TimeLeft()) return RemovalResult::OutOfTime;
    if (keepMarker && !e.folder && !e.link && e.name == kOwnerMarkerName) continue;
    std::u16string path = Join(folder, e.name);
    if (e.folder && !e.link) {
      RemovalResult inner = Empty(tree, path, false);
      if (inner != RemovalResult::Removed) return inner;
    }
    bool removed = e.folder ? tree.RemoveFolder(path) : tree.RemoveFile(path);
    if (!removed) return RemovalResult::Locked;
  }
  return RemovalResult::Removed;
}

}  // namespace

std::string FormatOwnerMarker(const OwnerMarker& marker) {
  std::string text(kMarkerTitle);
  text += "\r\nfolder ";
  for (char16_t c : marker.folderName) text += static_cast<char>(c < 0x80 ? c : u'?');
  text += "\r\nprocess " + std::to_string(marker.processId);
  text += "\r\nstarted " + std::to_string(marker.processStart) + "\r\n";
  return text;
}

std::optional<OwnerMarker> ParseOwnerMarker(std::string_view text) {
  if (text.size() > kOwnerMarkerMaxBytes) return std::nullopt;
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  if (lines.size() != 4 || lines[0] != kMarkerTitle) return std::nullopt;
  auto folder = Field(lines[1], "folder");
  auto process = Field(lines[2], "process");
  auto started = Field(lines[3], "started");
  if (!folder || !process || !started) return std::nullopt;
  OwnerMarker marker;
  marker.folderName.assign(folder->begin(), folder->end());
  if (!IsExtractionFolderName(marker.folderName)) return std::nullopt;
  auto pid = ParseNumber(*process, std::numeric_limits<uint32_t>::max());
  auto start = ParseNumber(*started, std::numeric_limits<uint64_t>::max());
  if (!pid || *pid == 0 || !start || *start == 0) return std::nullopt;
  marker.processId = static_cast<uint32_t>(*pid);
  marker.processStart = *start;
  return marker;
}

bool IsExtractionFolderName(std::u16string_view name) {
  constexpr std::u16string_view kExtension = u".tmp";
  if (name.size() <= kExtension.size() || name.substr(name.size() - kExtension.size()) != kExtension) return false;
  std::u16string_view digits = name.substr(0, name.size() - kExtension.size());
  if (digits.size() > 8 || (digits.size() > 1 && digits[0] == u'0')) return false;
  for (char16_t c : digits) {
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
  }
  return true;
}

RemovalResult RemoveAbandonedFolder(FolderTree& tree, const std::u16string& folder, const RemovalLimits& limits) {
  Survey survey;
  RemovalResult why = RemovalResult::Removed;
  if (!Measure(tree, folder, 0, limits, &survey, &why)) return why;
  RemovalResult emptied = Empty(tree, folder, true);
  if (emptied != RemovalResult::Removed) return emptied;
  if (!tree.RemoveFile(Join(folder, kOwnerMarkerName))) return RemovalResult::Locked;
  return tree.RemoveFolder(folder) ? RemovalResult::Removed : RemovalResult::Locked;
}

}  // namespace shell
