// Recognising the extraction folders earlier runs left behind, and removing one within fixed bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The file each run writes into its extraction folder as soon as the folder exists: it names the folder, the
// process and the moment the process started, so a later run can tell with certainty that the folder is ours and
// whether its owner still runs (a process id alone is reused).
inline constexpr char16_t kOwnerMarkerName[] = u"projector.run";
// Bigger marker files are not ours and are never read in full.
inline constexpr size_t kOwnerMarkerMaxBytes = 256;

struct OwnerMarker {
  std::u16string folderName;  // the folder's own name, e.g. "3f2a1c.tmp"
  uint32_t processId = 0;
  uint64_t processStart = 0;  // creation time of the process, in 100 ns units since 1601
};

// The marker's text: fixed lines ending in CR LF, ASCII only.
std::string FormatOwnerMarker(const OwnerMarker& marker);
// The marker a text holds, or nothing when the text is anything but exactly what FormatOwnerMarker writes.
std::optional<OwnerMarker> ParseOwnerMarker(std::string_view text);

// An extraction folder's name: the time of day in milliseconds in lower-case hexadecimal (one to eight digits,
// no leading zero) and ".tmp".
bool IsExtractionFolderName(std::u16string_view name);

enum class OwnerState {
  Running,  // a process with that id and that start time runs
  Gone,     // no process with that id runs, or the one that does started at another time
  Unknown,  // the process could not be asked
};

enum class Verdict {
  NotOurs,    // name, marker or kind of entry do not prove the folder is ours: never touched
  InUse,      // its owner runs, or may run
  Abandoned,  // ours, and its owner is gone
};

struct FolderFacts {
  std::u16string name;
  bool isLink = false;                // a junction or symbolic link rather than a folder
  std::optional<std::string> marker;  // the marker file's text, when it is an ordinary small file
};

// Whether a folder found beside the extraction folders may be removed. `ownerState` is asked only for a folder
// that is ours beyond doubt.
template <typename OwnerQuery>
Verdict JudgeFolder(const FolderFacts& facts, OwnerQuery&& ownerState) {
  if (facts.isLink || !IsExtractionFolderName(facts.name) || !facts.marker) return Verdict::NotOurs;
  std::optional<OwnerMarker> marker = ParseOwnerMarker(*facts.marker);
  if (!marker || marker->folderName != facts.name) return Verdict::NotOurs;
  return ownerState(marker->processId, marker->processStart) == OwnerState::Gone ? Verdict::Abandoned
                                                                                 : Verdict::InUse;
}

// One entry of a folder as the file system lists it.
struct TreeEntry {
  std::u16string name;
  bool folder = false;
  bool link = false;  // a reparse point: removed itself, never entered
  uint64_t bytes = 0;
};

// The few file system operations removal needs; paths join with a backslash.
class FolderTree {
 public:
  virtual ~FolderTree() = default;
  virtual bool List(const std::u16string& folder, std::vector<TreeEntry>* entries) = 0;
  virtual bool RemoveFile(const std::u16string& path) = 0;
  // Removes an empty folder, or a link to a folder without touching what it points to.
  virtual bool RemoveFolder(const std::u16string& path) = 0;
  // False once the time given to the whole clean-up is spent.
  virtual bool TimeLeft() = 0;
};

struct RemovalLimits {
  size_t maxEntries = 2000;
  uint64_t maxBytes = uint64_t{512} << 20;
  size_t maxDepth = 16;
};

enum class RemovalResult {
  Removed,
  TooBig,     // over a limit: nothing was removed
  Locked,     // something could not be listed or removed; the marker stays for a later run
  OutOfTime,  // stopped part way; the marker stays for a later run
};

// Removes an abandoned folder: first measures it (without entering links) and leaves it whole when it exceeds a
// limit, then removes its contents depth first, links as themselves, and the marker last of all, so a folder
// left part way is still recognised by the next run.
RemovalResult RemoveAbandonedFolder(FolderTree& tree, const std::u16string& folder,
                                    const RemovalLimits& limits = {});

}  // namespace shell
