#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include "library_access.h"

namespace fscmd_tests {
namespace {

constexpr wchar_t kKey[] = L"Software\\FSCmdTests";

class RegistryCommands : public ::testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kKey); }
  static void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::SHSetValueW(HKEY_CURRENT_USER, kKey, name, type, data, size), ERROR_SUCCESS);
  }
  static std::wstring P(const std::wstring& value) { return std::wstring(kKey) + L"\\" + value; }
};

TEST_F(RegistryCommands, ReadFailuresInOrder) {
  EXPECT_EQ(Call("FSRegRead", L"HKCU"), L",-101,1,2,Error,Insufficient arguments");
  EXPECT_EQ(Call("FSRegRead", L"hkcu,Software\\X,t,v"), L",-107,hkcu,Software\\X,Error,UnknownKeyValue[Software\\X]");
  EXPECT_EQ(Call("FSRegRead", L"HKCU,NoBackslash,t,v"), L",-102,HKCU,NoBackslash,Error,[NoBackslash]_Missing_\\");
  EXPECT_EQ(Call("FSRegRead", L"HKCU,Software\\FSCmdNoSuchKey\\v,t,v"),
            L",-105,HKCU,Software\\FSCmdNoSuchKey\\v,Error,Open(Software\\FSCmdNoSuchKey)Err=2");
  SetRaw(L"present", REG_SZ, L"x", 4);
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"absent") + L",t,v"), L",-105,HKCU," + P(L"absent") + L",Error,Read(absent)Err=2");
}

TEST_F(RegistryCommands, ValueForms) {
  const DWORD all = 0xFFFFFFFF;
  SetRaw(L"dword", REG_DWORD, &all, 4);
  const uint8_t binary[] = {0x0A, 0x0B};
  SetRaw(L"binary", REG_BINARY, binary, 2);
  // Stored without the terminating NUL: read up to the end of its data and no further.
  SetRaw(L"bare", REG_SZ, L"abcXYZ", 6);
  ::SetEnvironmentVariableW(L"FSCMD_TEST_VAR", L"expanded");
  SetRaw(L"expand", REG_EXPAND_SZ, L"[%FSCMD_TEST_VAR%]", 38);
  SetRaw(nullptr, REG_SZ, L"default", 16);
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"dword") + L",t,v"), L",0,HKCU," + P(L"dword") + L",REG_DWORD,-1");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"binary") + L",t,v"), L",0,HKCU," + P(L"binary") + L",REG_BINARY, 0A 0B");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"bare") + L",t,v"), L",0,HKCU," + P(L"bare") + L",REG_SZ,abc");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"expand") + L",t,v"), L",0,HKCU," + P(L"expand") + L",REG_EXPAND_SZ,[expanded]");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"") + L",t,v"), L",0,HKCU," + P(L"") + L",REG_SZ,default");
  // Without the value variable only the type; without the type variable an empty type.
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"dword")), L",0,HKCU," + P(L"dword") + L",");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"dword") + L",,v"), L",0,HKCU," + P(L"dword") + L",,-1");
}

TEST_F(RegistryCommands, WriteThenReadBack) {
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"text") + L",REG_SZ,hello,s"), L",0,HKCU," + P(L"text") + L",REG_SZ,hello,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"text") + L",t,v"), L",0,HKCU," + P(L"text") + L",REG_SZ,hello");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"bin") + L",REG_BINARY,0a   1b ff,s"), L",0,HKCU," + P(L"bin") + L",REG_BINARY,0a   1b ff,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"bin") + L",t,v"), L",0,HKCU," + P(L"bin") + L",REG_BINARY, 0A 1B FF");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"num") + L",REG_DWORD,many,s"), L",0,HKCU," + P(L"num") + L",REG_DWORD,many,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"num") + L",t,v"), L",0,HKCU," + P(L"num") + L",REG_DWORD,0");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"neg") + L",REG_DWORD,-5,s"), L",0,HKCU," + P(L"neg") + L",REG_DWORD,-5,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"neg") + L",t,v"), L",0,HKCU," + P(L"neg") + L",REG_DWORD,-5");
  // DWORD data take the whole unsigned range: all bits set, not the largest signed value.
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"all") + L",REG_DWORD,4294967295,s"),
            L",0,HKCU," + P(L"all") + L",REG_DWORD,4294967295,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"all") + L",t,v"), L",0,HKCU," + P(L"all") + L",REG_DWORD,-1");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"high") + L",REG_DWORD,3000000000,s"),
            L",0,HKCU," + P(L"high") + L",REG_DWORD,3000000000,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"high") + L",t,v"), L",0,HKCU," + P(L"high") + L",REG_DWORD,-1294967296");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"") + L",REG_SZ,dflt,s"), L",0,HKCU," + P(L"") + L",REG_SZ,dflt,OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"") + L",t,v"), L",0,HKCU," + P(L"") + L",REG_SZ,dflt");
}

TEST_F(RegistryCommands, WriteFailuresInOrder) {
  EXPECT_EQ(Call("FSRegWrite", L"HKCU,a\\b,REG_SZ"), L",-101,1,2,3,4,Error:Insufficient arguments");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU,a\\b,REG_QWORD,1,s"), L",-102,HKCU,a\\b,REG_QWORD,1,Error:UnknownDataType[REG_QWORD]");
  EXPECT_EQ(Call("FSRegWrite", L"HKXX,a\\b,REG_SZ,1,s"), L",-107,HKXX,a\\b,REG_SZ,1,Error:UnknownKey[HKXX]");
  EXPECT_EQ(Call("FSRegWrite", L"HKCU,ab,REG_SZ,1,s"), L",-102,HKCU,ab,REG_SZ,1,Error:Missing\\[ab]");
  // Data beyond the 10000-byte buffer is refused and nothing is written.
  std::wstring longText(5000, L'x');
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"long") + L",REG_SZ," + longText + L",s"),
            L",-102,HKCU," + P(L"long") + L",REG_SZ," + longText + L",Error:DataTooLong");
  std::wstring fits(4999, L'y');
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"long") + L",REG_SZ," + fits + L",s"),
            L",0,HKCU," + P(L"long") + L",REG_SZ," + fits + L",OK");
}

TEST_F(RegistryCommands, DeleteRemovesTheKeyAndAlwaysAnswersOK) {
  EXPECT_EQ(Call("FSRegWrite", L"HKCU," + P(L"sub\\deep\\v") + L",REG_SZ,1,s").substr(0, 3), L",0,");
  EXPECT_EQ(Call("FSRegDelete", L"HKCU," + std::wstring(kKey) + L",s"), L",0,HKCU," + std::wstring(kKey) + L",OK");
  EXPECT_EQ(Call("FSRegRead", L"HKCU," + P(L"sub\\deep\\v") + L",t,v").substr(0, 5), L",-105");
  EXPECT_EQ(Call("FSRegDelete", L"HKCU,Software\\FSCmdNeverThere,s"), L",0,HKCU,Software\\FSCmdNeverThere,OK");
  EXPECT_EQ(Call("FSRegDelete", L"HKCU"), L",-101,1,2,Error:Insufficient arguments");
  // A path naming only the root deletes nothing.
  EXPECT_EQ(Call("FSRegDelete", L"HKCU,\\\\,s"), L",0,HKCU,\\\\,OK");
  EXPECT_EQ(Call("FSRegDelete", L"HKCX,Software\\X"), L",-107,HKCX,Software\\X,Error:UnknownKeyValue[Software\\X]");
}

// Below HKCC, a link the system keeps to the current hardware profile, a tree delete that tries the first
// subkey again until it is gone never ended; this one deletes what it can and answers.
TEST(RegistryTreeDelete, EndsBelowTheHardwareProfile) {
  const std::wstring key = L"Software\\FSCmdProfileTree";
  EXPECT_EQ(Call("FSRegWrite", L"HKCC," + key + L"\\a\\b\\v,REG_SZ,x"), L",0,HKCC," + key + L"\\a\\b\\v,REG_SZ,x,OK");
  EXPECT_EQ(Call("FSRegDelete", L"HKCC," + key + L",s"), L",0,HKCC," + key + L",OK");
  HKEY left = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_CONFIG, (key + L"\\a\\b").c_str(), 0, KEY_READ, &left), ERROR_SUCCESS);
  if (left) ::RegCloseKey(left);
}

}  // namespace
}  // namespace fscmd_tests
