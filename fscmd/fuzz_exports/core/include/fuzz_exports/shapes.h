// What the export harness knows of each command: the kinds of its argument fields, how its argument text is
// cut, and the form of its answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fuzz_exports {

// The kind of value an argument field holds; plausible values of a kind exercise the command's real work,
// hostile values its refusals.
enum class Field {
  kSlot,          // file or database slot, 1 to 10
  kNumber,        // any number
  kCoordinate,    // a window coordinate or size
  kDrive,         // hard disk 0 to 3
  kReadPath,      // a path only read (anywhere)
  kWritePath,     // a path that may be written, created or deleted (inside the scratch folder only)
  kIniFile,       // a profile file to write: as kWritePath, never a bare name (the system puts those into Windows)
  kFolder,        // a folder to list
  kPattern,       // a file name pattern
  kVariable,      // the name of a movie variable
  kText,          // free text
  kFileMode,      // a runtime stream mode
  kWriteMode,     // the mode letter of a one-call write
  kReadCount,     // a character count or "L"
  kAccessMode,    // 0, 2, 4, 6
  kOrder,         // "A" or another letter
  kYesNo,         // "Y" or "N"
  kRegRoot,       // a root key name
  kRegValuePath,  // key path\value name (below the harness's own key when written)
  kRegKeyPath,    // key path to delete (below the harness's own key)
  kRegReadPath,   // key path\value name to read (anywhere)
  kRegType,       // a registry data type name
  kRegData,       // data for a registry value
  kConnect,       // an ODBC connect string
  kSql,           // a statement for the test database
  kColumn,        // a column index or name
  kQueryTimeout,  // seconds
  kHandle,        // a window handle in decimal
  kVerb,          // a shell verb
  kTarget,        // a program, document or address to start or open
  kShowCommand,   // a ShowWindow command
  kBoxStyle,      // a message box style
  kZOrder,        // 0 to 4
  kSwpFlags,      // extra SetWindowPos flags
  kWindowState,   // 1 to 3
  kTrueWord,      // "true" or another word
  kDriveLetter,   // a CD drive letter
  kDoorAction,    // "o" or "c"
  kRoot,          // a volume root such as C:\ (only read)
  kIniSection,
  kIniKey,
  kFrequency,
  kDuration,
  kItemIndex,  // a desktop item index
  kMailAddress,
};

// How the command cuts its argument text.
enum class Split {
  kFields,         // at every comma
  kFirstComma,     // the last field is free text after the first comma
  kFirstTwoCommas, // the last field is free text after the second comma
  kWhole,          // not cut at all
};

struct ExportShape {
  std::vector<Field> fields;
  Split split = Split::kFields;
  // The first character of every answer.
  wchar_t separator = L',';
  // The primary value is a decimal integer (some commands answer a text instead).
  bool numericPrimary = true;
};

// The shape of the command behind an export ("FS" + name); an export the harness does not know gets a
// shape that tries every kind of field.
ExportShape ShapeOf(std::string_view exportName);
// Whether the harness knows the command's layout rather than trying every kind of field.
bool KnowsShape(std::string_view exportName);

}  // namespace fuzz_exports
