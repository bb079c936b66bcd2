// Portable rules of single commands: bounds on beeps and window placement, folder walks, runtime modes,
// registry DWORD data, the application message box's icon and the list-view item record of the shell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fscmd {

// A beep the GUI thread can wait for: Beep does not return before the tone ends.
struct BeepTone {
  uint32_t frequency = 0;
  uint32_t duration = 0;
};
constexpr long kHighestBeepFrequency = 32767;
constexpr long kLongestBeepMilliseconds = 5000;
// Negative values give 0; larger ones the highest frequency and the longest duration.
BeepTone BoundBeep(long frequency, long duration);

// A window rectangle as SetWindowPos takes it.
struct Placement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};
// The window rectangle moved by (dx, dy) and grown by (dwidth, dheight), computed wide and held to 32 bits.
Placement RelativePlacement(int32_t left, int32_t top, int32_t right, int32_t bottom, long dx, long dy, long dwidth,
                            long dheight);

// The part of a path that names no folder to create: a drive ("C:\", "C:"), the root of the current drive
// ("\"), a share ("\\server\share\") or the same behind "\\?\" or "\\.\"; empty for a relative path.
std::wstring PathRootPrefix(const std::wstring& path);
// The folders to test and create, parents first, each keeping the path's root prefix; empty parts vanish.
std::vector<std::wstring> FoldersToMake(const std::wstring& path);
// The same one folder at a time, until `visit` answers false: a long path's folders are never all held at once.
void VisitFoldersToMake(const std::wstring& path, const std::function<bool(const std::wstring& folder)>& visit);
// The longest path the system takes (behind "\\?\"); no folder of a longer one can be made.
constexpr size_t kLongestSystemPath = 32767;

// Whether a path names a device rather than a file: anything behind "\\.\" and the reserved names (CON, CONIN$,
// CONOUT$, PRN, AUX, NUL, CLOCK$, COM0-9, LPT0-9) as the last part, with any extension, blanks or colon behind
// them. Reading a console or a port waits for input that never comes, so file commands refuse them.
bool NamesDevice(const std::wstring& path);

// The stream mode for the runtime: lower case, blanks gone, "r" when empty; none unless it is "r", "w" or
// "a" followed by at most one '+' and at most one of 't' and 'b' (any other mode ends the process under
// newer runtimes).
std::optional<std::wstring> RuntimeFileMode(const std::wstring& field);
// 0 existence, 2 write, 4 read, 6 read and write: the only modes the runtime's access test takes.
bool IsKnownAccessMode(long mode);

// REG_DWORD data: read like a number, but kept modulo 2^32 as the runtime's conversion does, so every
// value from -2147483648 to 4294967295 is written as the movie meant it.
uint32_t ReadDwordData(const std::wstring& field);

// The application message box's style: when no icon is named, OK and OK/Cancel boxes get the exclamation
// mark and Yes/No boxes the question mark.
uint32_t ApplicationMessageBoxStyle(uint32_t style);

// The word size of a process.
enum class WordSize { k32, k64 };
// The shell's word size as the library can tell it: a 64-bit library runs on 64-bit Windows, where a shell
// under WOW64 is 32-bit; a 32-bit library under WOW64 runs on 64-bit Windows, where a shell outside WOW64 is
// 64-bit; without WOW64 everything is 32-bit.
WordSize ShellWordSize(bool library64Bit, bool libraryUnderWow64, bool shellUnderWow64);

// Where the list view of a process of that word size reads the members of its LVITEMW that a text request
// uses; `size` covers the record up to iIndent.
struct ListItemLayout {
  size_t size;
  size_t subItem;
  size_t text;
  size_t textPointerSize;
  size_t textMax;
};
// mask, iItem, iSubItem, state, stateMask, pszText, cchTextMax, iImage, lParam, iIndent: a pointer-sized
// member sits on a boundary of its own size.
constexpr ListItemLayout ListItemLayoutFor(WordSize shell) {
  return shell == WordSize::k64 ? ListItemLayout{56, 8, 24, 8, 32} : ListItemLayout{40, 8, 20, 4, 24};
}
// An LVM_GETITEMTEXTW request (sub-item 0) for a list view of that word size, pointing at `remoteText`.
std::vector<uint8_t> ListItemTextRequest(WordSize shell, uint64_t remoteText, int32_t textMax);

}  // namespace fscmd
