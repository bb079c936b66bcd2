// Packed projectors started where writing fails: a read-only temporary folder, a program on a read-only medium,
// a disk that fills up while the document is extracted. hostile_start.sh prepares the places and passes them in
// PROJECTOR_HOSTILE_RW (a writable folder), PROJECTOR_HOSTILE_RO (the same folder, read-only) and
// PROJECTOR_HOSTILE_FULL (an empty file system of 1 MB).
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/text.h"
#include "common/unique_name.h"
#include "stale_folders.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::wstring Place(const wchar_t* variable) {
  const wchar_t* value = _wgetenv(variable);
  return value ? value : L"";
}

// Content that does not compress, so the packed projector stays about as big as what it extracts.
Bytes Noise(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& c : b) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<uint8_t>(seed >> 24);
  }
  return b;
}

// A picture to show first, then further files of the given sizes.
Bytes Packed(const std::vector<size_t>& extraSizes = {}) {
  MemoryContent content;
  format::MovieDocumentData data;
  format::PlaylistEntry e;
  e.sourcePath = u"C:\\author\\still.bmp";
  e.displayTime = 30.0f;
  e.movie = Embed(content, e.sourcePath, TinyBitmap());
  data.playlist.entries.push_back(e);
  uint32_t seed = 1;
  for (size_t size : extraSizes) {
    format::PlaylistEntry more;
    more.sourcePath = u"C:\\author\\big" + std::u16string(1, static_cast<char16_t>(u'a' + seed)) + u".bmp";
    more.displayTime = 30.0f;
    more.movie = Embed(content, more.sourcePath, Noise(size, seed++));
    data.playlist.entries.push_back(more);
  }
  return PackImage(BuiltStub(), data, content);
}

// The extraction folders directly in a folder.
std::vector<std::wstring> Folders(const std::wstring& place) {
  std::vector<std::wstring> out;
  for (const auto& name : ListFolder(place))
    if (shell::IsExtractionFolderName(projector::ToU16(name))) out.push_back(place + L"\\" + name);
  return out;
}

class HostileStart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first";
    rw_ = Place(L"PROJECTOR_HOSTILE_RW");
    ro_ = Place(L"PROJECTOR_HOSTILE_RO");
    full_ = Place(L"PROJECTOR_HOSTILE_FULL");
    if (rw_.empty() || ro_.empty() || full_.empty()) GTEST_SKIP() << "started without hostile_start.sh";
    ASSERT_TRUE(projector::CreateFolderPath(rw_ + L"\\temp"));
    ASSERT_TRUE(projector::CreateFolderPath(rw_ + L"\\cd"));
    ASSERT_TRUE(projector::CreateFolderPath(scratch_ / L"temp"));
    // The read-only view shows what was written through the writable one, and refuses writes itself.
    ASSERT_TRUE(projector::FolderExists(ro_ + L"\\temp"));
    ASSERT_FALSE(WriteFileBytes(ro_ + L"\\temp\\probe", Bytes{1}));
    ASSERT_FALSE(::CreateDirectoryW((ro_ + L"\\temp\\probe").c_str(), nullptr));
  }
  void TearDown() override {
    if (!rw_.empty()) {
      projector::DeleteFolderTree(rw_ + L"\\temp");
      projector::DeleteFolderTree(rw_ + L"\\cd");
    }
  }

  std::wstring rw_, ro_, full_;
  ScratchFolder scratch_{L"hostile"};
};

TEST_F(HostileStart, ATemporaryFolderThatRefusesWritesSendsTheFolderBesideTheProgram) {
  std::wstring exe = scratch_ / L"Show.exe";
  ASSERT_TRUE(WriteFileBytes(exe, Packed()));
  std::vector<std::wstring> during;
  EXPECT_EQ(RunAndClose(exe, ro_ + L"\\temp", 300, [&](HWND) { during = Folders(scratch_.path()); }), 0);
  ASSERT_EQ(during.size(), 1u);
  EXPECT_TRUE(ListFolder(rw_ + L"\\temp").empty());
  EXPECT_TRUE(Folders(scratch_.path()).empty());
}

TEST_F(HostileStart, AProgramOnAReadOnlyMediumPlaysAndLeavesNothing) {
  ASSERT_TRUE(WriteFileBytes(rw_ + L"\\cd\\Show.exe", Packed()));
  std::wstring temp = scratch_ / L"temp";
  std::vector<std::wstring> during;
  EXPECT_EQ(RunAndClose(ro_ + L"\\cd\\Show.exe", temp, 300, [&](HWND) { during = Folders(temp); }), 0);
  EXPECT_EQ(during.size(), 1u);
  EXPECT_TRUE(ListFolder(temp).empty());
  EXPECT_EQ(ListFolder(rw_ + L"\\cd"), std::vector<std::wstring>{L"Show.exe"});
}

TEST_F(HostileStart, ReadOnlyProgramAndTemporaryFolderFallBackToTheSystemDrive) {
  ASSERT_TRUE(WriteFileBytes(rw_ + L"\\cd\\Show.exe", Packed()));
  std::vector<std::wstring> during;
  std::vector<std::wstring> before = Folders(L"C:");
  EXPECT_EQ(RunAndClose(ro_ + L"\\cd\\Show.exe", ro_ + L"\\temp", 300, [&](HWND) { during = Folders(L"C:"); }), 0);
  EXPECT_EQ(during.size(), before.size() + 1);
  EXPECT_EQ(Folders(L"C:"), before);
  EXPECT_EQ(ListFolder(rw_ + L"\\cd"), std::vector<std::wstring>{L"Show.exe"});
  EXPECT_TRUE(ListFolder(rw_ + L"\\temp").empty());
}

TEST_F(HostileStart, ADiskThatFillsUpDuringExtractionEndsTheStartWithNothingLeft) {
  struct Case {
    const char* what;
    std::vector<size_t> sizes;
    int exitCode;
  };
  const Case cases[] = {
      {"fits", {200 * 1024}, 0},
      {"one file too big", {3 * 1024 * 1024}, 1},
      {"the second file no longer fits", {600 * 1024, 600 * 1024}, 1},
  };
  for (const Case& c : cases) {
    std::wstring exe = scratch_ / L"Show.exe";
    ASSERT_TRUE(WriteFileBytes(exe, Packed(c.sizes))) << c.what;
    EXPECT_EQ(RunAndClose(exe, full_), c.exitCode) << c.what;
    EXPECT_TRUE(ListFolder(full_).empty()) << c.what;
    EXPECT_TRUE(Folders(scratch_.path()).empty()) << c.what;
  }
}

}  // namespace
