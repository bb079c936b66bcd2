// Checks both Windows trees' finished files without running them, so that a tree this machine cannot
// execute is still checked: machine type, subsystem, no MinGW runtime DLL, the extension library's exports
// and layout, the resources the projector and the stand-ins need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/extension_answer.h"
#include "pe_file.h"

namespace buildcheck {
namespace {

namespace fs = std::filesystem;

struct Tree {
  const char* name;
  uint16_t machine;
  uint16_t magic;
};

void PrintTo(const Tree& tree, std::ostream* os) { *os << tree.name; }

const Tree kTrees[] = {{"win32", kMachineI386, kMagicPe32}, {"win64", kMachineAmd64, kMagicPe32Plus}};

fs::path SourceDir() {
  const char* source = std::getenv("PROJECTOR_SOURCE_DIR");
  return source ? fs::path(source) : fs::current_path();
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The export names of the library's command table, in the table's order.
std::vector<std::string> TableExports() {
  return {
#define FSCMD_COMMAND(name) "FS" #name,
#include "command_list.h"
#undef FSCMD_COMMAND
  };
}

class WindowsTree : public ::testing::TestWithParam<Tree> {
 protected:
  void SetUp() override {
    dist_ = SourceDir() / "dist" / GetParam().name;
    if (!fs::exists(dist_ / "projector.exe")) GTEST_SKIP() << dist_.string() << " is not built";
  }

  PeFile Read(const std::string& file) {
    bytes_ = ReadBytes(dist_ / file);
    PeFile pe = ReadPeFile(bytes_);
    EXPECT_TRUE(pe.valid) << file;
    return pe;
  }

  fs::path dist_;
  std::vector<uint8_t> bytes_;
};

TEST_P(WindowsTree, EveryProgramIsOfTheTreesWordSizeAndCarriesItsRuntime) {
  const struct {
    const char* file;
    uint16_t subsystem;  // 0: a library
  } files[] = {{"projector.exe", kSubsystemGui},     {"InstallFlashPlayer.exe", kSubsystemGui},
               {"projector-pack.exe", kSubsystemConsole}, {"swfrun.exe", kSubsystemConsole},
               {"fscall.exe", kSubsystemConsole},     {"swfmake.exe", kSubsystemConsole},
               {"VantraFSCmd.dll", 0},
               {"Mardenkit.dll", 0},                  {"Flash.ocx", 0},
               {"Orvatool.ocx", 0}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    PeFile pe = Read(f.file);
    EXPECT_EQ(pe.machine, GetParam().machine);
    EXPECT_EQ(pe.magic, GetParam().magic);
    if (f.subsystem) {
      EXPECT_EQ(pe.subsystem, f.subsystem);
    }
    // A statically linked program runs on a machine that has no MinGW: no runtime DLL of its own.
    for (const std::string& dll : pe.imports) {
      std::string name = Lower(dll);
      EXPECT_TRUE(name.rfind("libgcc", 0) != 0 && name.rfind("libstdc++", 0) != 0 &&
                  name.rfind("libwinpthread", 0) != 0 && name != "zlib1.dll" && name.rfind("libz", 0) != 0)
          << "imports " << dll;
    }
  }
}

TEST_P(WindowsTree, TheExtensionLibraryExportsEveryCommandWhereTheBridgeReadsThem) {
  PeFile pe = Read("VantraFSCmd.dll");
  // The library lists its names in byte order and numbers them from 1 in that order, as the table stands.
  std::vector<std::string> expected = TableExports();
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(pe.exports, expected) << "the command table is not in byte order of the export names, or the library "
                                     "is not built from it";
  std::vector<uint32_t> ordinals(expected.size());
  for (size_t i = 0; i < ordinals.size(); ++i) ordinals[i] = static_cast<uint32_t>(i + 1);
  EXPECT_EQ(pe.exportOrdinals, ordinals);
  // Addresses are file offsets throughout, so the bridge reads the names without loading the library.
  for (const Section& s : pe.sections) {
    if (s.rawSize == 0) continue;
    EXPECT_EQ(s.rawOffset, s.virtualAddress) << s.name;
    EXPECT_LE(s.virtualSize, s.rawSize) << s.name;
  }
  std::vector<std::wstring> read = projector::ReadExportNames(bytes_.data(), bytes_.size());
  std::vector<std::wstring> wide;
  for (const std::string& name : expected) wide.emplace_back(name.begin(), name.end());
  EXPECT_EQ(read, wide);
}

TEST_P(WindowsTree, TheTransparentPlayerControlExportsWhatRegsvr32AndComCall) {
  PeFile pe = Read("Orvatool.ocx");
  EXPECT_EQ(pe.exports, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                                  "DllUnregisterServer"}));
}

TEST_P(WindowsTree, TheProgramsCarryTheirResources) {
  PeFile projector = Read("projector.exe");
  EXPECT_TRUE(projector.HasResource("#14", "#128"));  // the main icon group
  for (const char* dialog : {"#102", "#570", "#129"}) EXPECT_TRUE(projector.HasResource("#5", dialog)) << dialog;
  // String blocks of 16: the tray tip and menu texts (9 to 14), the missing-player message (560).
  EXPECT_TRUE(projector.HasResource("#6", "#1"));
  EXPECT_TRUE(projector.HasResource("#6", "#36"));

  EXPECT_TRUE(Read("Mardenkit.dll").HasResource("#6", "#1"));
  EXPECT_TRUE(Read("Flash.ocx").HasResource("TYPELIB", "#1"));

  // The installer carries a control of its own word size: the other would not load in its host.
  PeFile installer = Read("InstallFlashPlayer.exe");
  auto carried = std::find_if(installer.resources.begin(), installer.resources.end(),
                              [](const Resource& r) { return r.type == "#10" && r.name == "#1"; });
  ASSERT_NE(carried, installer.resources.end());
  int64_t offset = installer.OffsetOf(carried->dataRva);
  ASSERT_GE(offset, 0);
  ASSERT_LE(static_cast<uint64_t>(offset) + carried->size, bytes_.size());
  std::vector<uint8_t> control(bytes_.begin() + offset, bytes_.begin() + offset + carried->size);
  PeFile ocx = ReadPeFile(control);
  EXPECT_TRUE(ocx.valid);
  EXPECT_EQ(ocx.machine, GetParam().machine);
  EXPECT_TRUE(ocx.HasResource("TYPELIB", "#1"));
}

TEST_P(WindowsTree, TheHardwareControlAndTheUnicodeLayerAreCarried) {
  // The extension library carries the HardWareInfo control of its own word size as "HWINFO" 1007.
  PeFile library = Read("VantraFSCmd.dll");
  auto carried = std::find_if(library.resources.begin(), library.resources.end(),
                              [](const Resource& r) { return r.type == "HWINFO" && r.name == "#1007"; });
  ASSERT_NE(carried, library.resources.end());
  int64_t offset = library.OffsetOf(carried->dataRva);
  ASSERT_GE(offset, 0);
  ASSERT_LE(static_cast<uint64_t>(offset) + carried->size, bytes_.size());
  PeFile control = ReadPeFile(std::vector<uint8_t>(bytes_.begin() + offset, bytes_.begin() + offset + carried->size));
  EXPECT_TRUE(control.valid);
  EXPECT_EQ(control.machine, GetParam().machine);

  // The projector carries its Unicode layer as "ZLIB_DLL" 568: a size below the limit, then a zlib stream.
  PeFile projector = Read("projector.exe");
  auto layer = std::find_if(projector.resources.begin(), projector.resources.end(),
                            [](const Resource& r) { return r.type == "ZLIB_DLL" && r.name == "#568"; });
  ASSERT_NE(layer, projector.resources.end());
  offset = projector.OffsetOf(layer->dataRva);
  ASSERT_GE(offset, 0);
  ASSERT_GT(layer->size, 6u);
  ASSERT_LE(static_cast<uint64_t>(offset) + layer->size, bytes_.size());
  const uint8_t* packed = bytes_.data() + offset;
  uint32_t size = packed[0] | packed[1] << 8 | packed[2] << 16 | static_cast<uint32_t>(packed[3]) << 24;
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 0x1800000u);
  EXPECT_EQ(packed[4] & 0x0F, 8) << "a deflate zlib stream";
  EXPECT_EQ((packed[4] << 8 | packed[5]) % 31, 0) << "zlib header check";
}

INSTANTIATE_TEST_SUITE_P(Dist, WindowsTree, ::testing::ValuesIn(kTrees),
                         [](const ::testing::TestParamInfo<Tree>& info) { return std::string(info.param.name); });

TEST(PeFile, DamagedImagesReadAsInvalid) {
  EXPECT_FALSE(ReadPeFile({}).valid);
  EXPECT_FALSE(ReadPeFile({'M', 'Z'}).valid);
  std::vector<uint8_t> header(256);
  header[0] = 'M';
  header[1] = 'Z';
  header[60] = 0xF0;  // the PE header would start past the end
  EXPECT_FALSE(ReadPeFile(header).valid);
}

}  // namespace
}  // namespace buildcheck
