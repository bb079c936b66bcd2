#include "fuzz_exports/shapes.h"

#include <utility>

namespace fuzz_exports {

namespace {

using F = Field;

struct KnownShape {
  std::string_view command;  // the export name less "FS"
  ExportShape shape;
};

ExportShape Fields(std::vector<Field> fields) { return ExportShape{std::move(fields)}; }

ExportShape TextAnswer(std::vector<Field> fields) {
  ExportShape shape{std::move(fields)};
  shape.numericPrimary = false;
  return shape;
}

ExportShape WithSeparator(std::vector<Field> fields, wchar_t separator) {
  ExportShape shape{std::move(fields)};
  shape.separator = separator;
  return shape;
}

ExportShape WithSplit(std::vector<Field> fields, Split split) {
  ExportShape shape{std::move(fields)};
  shape.split = split;
  return shape;
}

const std::vector<KnownShape>& KnownShapes() {
  static const std::vector<KnownShape> shapes = {
      {"AfxMessageBox", Fields({F::kText, F::kBoxStyle, F::kNumber})},
      {"AppGetCmdLine", TextAnswer({})},
      {"Beep", Fields({F::kFrequency, F::kDuration})},
      {"DBClose", Fields({F::kSlot})},
      {"DBDoSQL", Fields({F::kSlot, F::kSql})},
      {"DBExecSQL", Fields({F::kSlot, F::kSql})},
      {"DBGetFieldName", Fields({F::kSlot, F::kColumn, F::kVariable})},
      {"DBGetFieldType", Fields({F::kSlot, F::kColumn, F::kVariable})},
      {"DBGetFieldVal", WithSeparator({F::kSlot, F::kColumn, F::kVariable}, L'\t')},
      {"DBMoveNext", Fields({F::kSlot})},
      {"DBOpen", Fields({F::kSlot, F::kConnect, F::kQueryTimeout})},
      {"DriveDoor", Fields({F::kDriveLetter, F::kDoorAction})},
      {"Exec", Fields({F::kTarget})},
      {"Execute", Fields({F::kHandle, F::kVerb, F::kTarget, F::kText, F::kWritePath, F::kShowCommand})},
      {"FileAccess", Fields({F::kReadPath, F::kAccessMode})},
      {"FileClose", Fields({F::kSlot})},
      {"FileCopy", Fields({F::kReadPath, F::kWritePath, F::kYesNo})},
      {"FileDelete", Fields({F::kWritePath})},
      {"FileFindFirst", Fields({F::kFolder, F::kVariable, F::kPattern, F::kOrder})},
      {"FileFindNext", Fields({F::kVariable})},
      {"FileIsDir", Fields({F::kReadPath})},
      {"FileMkDir", Fields({F::kWritePath})},
      {"FileOpen", Fields({F::kSlot, F::kWritePath, F::kFileMode})},
      {"FileRead", WithSeparator({F::kSlot, F::kVariable, F::kReadCount}, L'\xFF')},
      {"FileSize", Fields({F::kReadPath, F::kVariable})},
      {"FileTempName", Fields({F::kVariable})},
      {"FileWrite", WithSplit({F::kSlot, F::kText}, Split::kFirstComma)},
      {"GetDesktopItemCount", Fields({F::kVariable})},
      {"GetDesktopItemLabel", Fields({F::kItemIndex, F::kVariable})},
      {"GetExeDir", [] {
         ExportShape shape = TextAnswer({});
         shape.separator = L'|';
         return shape;
       }()},
      {"GetScreenSize", Fields({F::kVariable, F::kVariable})},
      {"HtmlSafe", TextAnswer({F::kText})},
      {"MessageBox", Fields({F::kText, F::kText, F::kBoxStyle})},
      {"MinimizeAll", Fields({F::kTrueWord})},
      {"PrivateProfileStringGet",
       Fields({F::kReadPath, F::kIniSection, F::kIniKey, F::kText, F::kVariable})},
      {"PrivateProfileStringSet", Fields({F::kIniFile, F::kIniSection, F::kIniKey, F::kText})},
      {"Quit", Fields({})},
      {"RegDelete", Fields({F::kRegRoot, F::kRegKeyPath, F::kVariable})},
      {"RegRead", Fields({F::kRegRoot, F::kRegReadPath, F::kVariable, F::kVariable})},
      {"RegWrite", Fields({F::kRegRoot, F::kRegValuePath, F::kRegType, F::kRegData, F::kVariable})},
      {"Run", Fields({F::kTarget, F::kText})},
      {"SysDiskInfo", Fields({F::kRoot, F::kVariable, F::kVariable})},
      {"SysGetLocalTime", Fields({F::kVariable})},
      {"SysGetUserName", Fields({F::kVariable})},
      {"SysGetWinDir", Fields({F::kVariable})},
      {"SysOsVer", Fields({F::kVariable, F::kVariable, F::kVariable, F::kVariable})},
      {"WindowGetPos", Fields({F::kVariable, F::kVariable, F::kVariable, F::kVariable})},
      {"WindowSetHandle", Fields({F::kHandle})},
      {"WindowSetPos",
       Fields({F::kZOrder, F::kCoordinate, F::kCoordinate, F::kCoordinate, F::kCoordinate, F::kSwpFlags})},
      {"WindowSetPosRel",
       Fields({F::kZOrder, F::kCoordinate, F::kCoordinate, F::kCoordinate, F::kCoordinate, F::kSwpFlags})},
      {"WindowSetState", Fields({F::kWindowState})},
      {"WindowShow", Fields({F::kNumber})},
      {"WriteStr", WithSplit({F::kWritePath, F::kWriteMode, F::kText}, Split::kFirstTwoCommas)},
      {"mailto", WithSplit({F::kMailAddress}, Split::kWhole)},
  };
  return shapes;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool Lookup(std::string_view exportName, ExportShape* shape) {
  if (!StartsWith(exportName, "FS")) return false;
  std::string_view command = exportName.substr(2);
  for (const KnownShape& known : KnownShapes()) {
    if (known.command == command) {
      *shape = known.shape;
      return true;
    }
  }
  // Families that share one layout.
  if (StartsWith(command, "GetDesktopItem") && EndsWith(command, "Rect")) {
    *shape = Fields({F::kItemIndex, F::kVariable, F::kVariable, F::kVariable, F::kVariable});
  } else if (StartsWith(command, "GetDisk")) {
    *shape = Fields({F::kDrive, F::kVariable});
  } else if ((StartsWith(command, "GetCpu") || StartsWith(command, "GetSys")) && EndsWith(command, "Str")) {
    *shape = Fields({F::kVariable});
  } else {
    return false;
  }
  return true;
}

}  // namespace

ExportShape ShapeOf(std::string_view exportName) {
  ExportShape shape;
  if (!Lookup(exportName, &shape)) shape = Fields({F::kText, F::kNumber, F::kWritePath, F::kVariable});
  return shape;
}

bool KnowsShape(std::string_view exportName) {
  ExportShape shape;
  return Lookup(exportName, &shape);
}

}  // namespace fuzz_exports
