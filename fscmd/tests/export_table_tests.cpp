// The command table against the library's full layout: whatever lines a branch has, they stand where their
// ordinals in the finished library put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> TableNames() {
  return {
#define FSCMD_COMMAND(name) "FS" #name,
#include "command_list.h"
#undef FSCMD_COMMAND
  };
}

// Every export of the finished library, its ordinal being its place here, counted from 1.
const std::vector<std::string>& FullLayout() {
  static const std::vector<std::string> layout = {
      "FSAfxMessageBox", "FSAppGetCmdLine", "FSBeep", "FSDBClose", "FSDBDoSQL", "FSDBExecSQL", "FSDBGetFieldName",
      "FSDBGetFieldType", "FSDBGetFieldVal", "FSDBMoveNext", "FSDBOpen", "FSDriveDoor", "FSExec", "FSExecute",
      "FSFileAccess", "FSFileClose", "FSFileCopy", "FSFileDelete", "FSFileFindFirst", "FSFileFindNext",
      "FSFileIsDir", "FSFileMkDir", "FSFileOpen", "FSFileRead", "FSFileSize", "FSFileTempName", "FSFileWrite",
      "FSGetCpuIdStr", "FSGetCpuManStr", "FSGetCpuTypeStr", "FSGetCpuVerStr", "FSGetDesktopItemCount",
      "FSGetDesktopItemIconRect", "FSGetDesktopItemLabel", "FSGetDesktopItemLabelRect", "FSGetDesktopItemRect",
      "FSGetDiskCylinders", "FSGetDiskHeads", "FSGetDiskModelStr", "FSGetDiskSectorPerTrack", "FSGetDiskSerialStr",
      "FSGetExeDir", "FSGetScreenSize", "FSGetSysManStr", "FSGetSysProdNameStr", "FSGetSysSerialStr",
      "FSGetSysVerStr", "FSHtmlSafe", "FSMessageBox", "FSMinimizeAll", "FSPrivateProfileStringGet",
      "FSPrivateProfileStringSet", "FSQuit", "FSRegDelete", "FSRegRead", "FSRegWrite", "FSRun",
      "FSSysDiskInfo", "FSSysGetLocalTime", "FSSysGetUserName", "FSSysGetWinDir", "FSSysOsVer", "FSWindowGetPos",
      "FSWindowSetHandle", "FSWindowSetPos", "FSWindowSetPosRel", "FSWindowSetState", "FSWindowShow",
      "FSWriteStr", "FSmailto"};
  return layout;
}

TEST(ExportTable, TheFullLayoutIsSeventyNamesInByteOrder) {
  EXPECT_EQ(FullLayout().size(), 70u);
  EXPECT_TRUE(std::adjacent_find(FullLayout().begin(), FullLayout().end(), std::greater_equal<>()) ==
              FullLayout().end());
  EXPECT_EQ(FullLayout().back(), "FSmailto");
}

TEST(ExportTable, EveryLineStandsAtItsPlaceInTheFullLayout) {
  std::vector<std::string> table = TableNames();
  ASSERT_FALSE(table.empty());
  for (size_t i = 1; i < table.size(); ++i)
    EXPECT_LT(table[i - 1], table[i]) << "command_list.h: " << table[i] << " belongs before " << table[i - 1];
  for (const std::string& name : table)
    EXPECT_NE(std::find(FullLayout().begin(), FullLayout().end(), name), FullLayout().end())
        << name << " is no export of the library";
  // Ordinals are numbered in table order, so a complete table numbers every export as the layout does.
  if (table.size() == FullLayout().size()) {
    EXPECT_EQ(table, FullLayout());
  }
}

}  // namespace
