// Argument texts for the export harness: plausible values that carry state from call to call, and hostile ones,
// drawn from a seed so that a run can be repeated exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_exports/shapes.h"

namespace fuzz_exports {

// A small generator with the same sequence on every machine and word size.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // 0 to n - 1; 0 when n is 0.
  size_t Below(size_t n);
  bool Percent(unsigned percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  uint64_t state_;
};

// What the generator may point at. Every path it hands to a command that writes stays inside the scratch
// folder: the write anchors lie at least three folders below the scratch root's drive root, and a written path
// climbs at most two folders ("..") above its anchor.
struct Environment {
  std::vector<std::wstring> writeAnchors;  // folders, aliases and drives inside the scratch folder
  std::vector<std::wstring> readAnchors;   // places outside it that may only be read
  std::wstring probe;                      // the program that records being started
  std::wstring document;                   // an existing document whose type the probe opens
  std::wstring page;                       // an existing local web page
  std::wstring connectPrefix;              // "DRIVER={...};Database=" + the scratch folder as the driver sees it
  std::wstring hostHandle;                 // the host window, decimal
  std::wstring otherHandle;                // another window of the harness, decimal
  std::wstring registryKey;                // the harness's own key below each root, e.g. Software\FuzzExports
};

// The hostile texts that are safe in any field, whatever the command does with them: relative paths climb at
// most two folders, and none names a drive or a folder of the system.
const std::vector<std::wstring>& HostileTexts();
// Hostile paths that may only be read: roots, system folders, deep climbs.
const std::vector<std::wstring>& HostileReadPaths();

// How many folders a path climbs with ".." parts (runs of two or more dots count as a climb).
size_t ParentClimbs(const std::wstring& path);
// True when the library would take the path as the current drive's root: the blanks and control characters a
// field starts with are dropped, and what is left starts with a single separator.
bool NamesTheDriveRoot(const std::wstring& path);

class ArgumentGenerator {
 public:
  ArgumentGenerator(Environment environment, uint64_t seed);

  // A whole argument text for a command of that shape.
  std::wstring Next(const ExportShape& shape);
  // One field's value: mostly plausible, sometimes hostile.
  std::wstring Value(Field kind);
  Random& random() { return random_; }
  // What the values point at; the harness updates the window handles when it makes a window again.
  Environment& environment() { return env_; }

 private:
  std::wstring Plausible(Field kind);
  std::wstring Hostile(Field kind);
  std::wstring WritePath();
  std::wstring ReadPath();
  std::wstring RegistryPath(bool withValueName);
  std::wstring Number();
  std::wstring Sql();

  Environment env_;
  Random random_;
};

// Every export index `callsPerExport` times, in an order drawn from the seed.
std::vector<size_t> CallOrder(size_t exportCount, size_t callsPerExport, uint64_t seed);

// The text as one printable ASCII line: backslashes doubled, everything outside 0x20-0x7E as \uXXXX, cut after
// `limit` characters with a note of the full length.
std::string Printable(const std::wstring& text, size_t limit = 400);

}  // namespace fuzz_exports
