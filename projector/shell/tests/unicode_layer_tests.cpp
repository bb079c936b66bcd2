#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "testing_support/files.h"
#include "shell/unicode_layer.h"

namespace projector {
namespace {

std::vector<uint8_t> CarriedResource() {
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(kUnicodeLayerResourceId), kUnicodeLayerResourceType);
  if (!found) return {};
  auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(nullptr, found)));
  return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(nullptr, found));
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

FILETIME WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using LengthFunction = int(WINAPI*)(const wchar_t*);

void ExpectWorkingLayer(HMODULE layer) {
  ASSERT_TRUE(layer);
  auto length = reinterpret_cast<LengthFunction>(reinterpret_cast<void*>(::GetProcAddress(layer, "lstrlenW")));
  ASSERT_TRUE(length);
  EXPECT_EQ(length(L"layer"), 5);
  for (const char* name : {"CreateFileW", "GetModuleFileNameW", "LoadLibraryW", "MessageBoxW", "SetWindowTextW"})
    EXPECT_TRUE(::GetProcAddress(layer, name)) << name;
}

TEST(UnicodeLayer, WrittenOnceFromTheResourceThenLoadedFromTheFileAlreadyThere) {
  std::vector<uint8_t> packed = CarriedResource();
  ASSERT_GT(packed.size(), 4u);
  testing_support::ScratchFolder folder(L"unicows");
  std::string path = Narrow(folder / L"unicows.dll");

  HMODULE first = LoadUnicodeLayerFrom(Narrow(folder.path()), packed);
  ExpectWorkingLayer(first);
  ASSERT_TRUE(Exists(path));
  FILETIME written = WriteTime(path);
  ::FreeLibrary(first);

  // Without any resource at all the file already there is loaded, and left as it was.
  ::Sleep(20);
  HMODULE second = LoadUnicodeLayerFrom(Narrow(folder.path()), {});
  ExpectWorkingLayer(second);
  FILETIME after = WriteTime(path);
  EXPECT_EQ(::CompareFileTime(&written, &after), 0);
  ::FreeLibrary(second);
}

TEST(UnicodeLayer, DamagedResourcesAreRefusedAndWriteNothing) {
  std::vector<uint8_t> packed = CarriedResource();
  ASSERT_GT(packed.size(), 64u);
  testing_support::ScratchFolder folder(L"unicowsbad");
  std::string path = Narrow(folder / L"unicows.dll");

  std::vector<std::vector<uint8_t>> damaged;
  damaged.push_back({});                                                  // nothing at all
  damaged.push_back({packed.begin(), packed.begin() + 3});               // not even the size
  damaged.push_back({packed.begin(), packed.begin() + packed.size() / 2});  // stream cut short
  std::vector<uint8_t> larger = packed;
  larger[0] = static_cast<uint8_t>(larger[0] + 1);                       // states one byte more than it holds
  damaged.push_back(larger);
  std::vector<uint8_t> smaller = packed;
  smaller[0] = static_cast<uint8_t>(smaller[0] - 1);                     // holds one byte more than it states
  damaged.push_back(smaller);
  std::vector<uint8_t> huge = packed;
  huge[0] = 0, huge[1] = 0, huge[2] = 0x80, huge[3] = 0x01;               // 0x1800000: at the limit
  damaged.push_back(huge);
  std::vector<uint8_t> garbled = packed;
  for (size_t i = 40; i < 60; ++i) garbled[i] ^= 0x5A;
  damaged.push_back(garbled);

  for (size_t i = 0; i < damaged.size(); ++i) {
    EXPECT_EQ(LoadUnicodeLayerFrom(Narrow(folder.path()), damaged[i]), nullptr) << "case " << i;
    EXPECT_FALSE(Exists(path)) << "case " << i;
  }
  // A folder that cannot be written to is refused the same way.
  EXPECT_EQ(LoadUnicodeLayerFrom(Narrow(folder / L"missing\\deeper"), packed), nullptr);
}

TEST(UnicodeLayer, TheHookProvidesTheLayerFromTheDocumentsFolder) {
  char documents[MAX_PATH + 1] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
  std::string path = std::string(documents) + "\\unicows.dll";
  bool wasThere = Exists(path);

  HMODULE layer = LoadUnicodeLayer();
  ExpectWorkingLayer(layer);
  EXPECT_TRUE(Exists(path));
  HMODULE again = LoadUnicodeLayer();
  EXPECT_EQ(again, layer);
  ::FreeLibrary(again);
  ::FreeLibrary(layer);
  if (!wasThere) ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace projector
