#include "stale_folders.h"

#include <gtest/gtest.h>

#include <map>

using namespace shell;

namespace {

OwnerMarker Sample() {
  OwnerMarker m;
  m.folderName = u"3f2a1c.tmp";
  m.processId = 4242;
  m.processStart = 133456789012345678ull;
  return m;
}

TEST(OwnerMarkerTest, RoundTripsAndStaysSmall) {
  std::string text = FormatOwnerMarker(Sample());
  EXPECT_LE(text.size(), kOwnerMarkerMaxBytes);
  auto parsed = ParseOwnerMarker(text);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->folderName, u"3f2a1c.tmp");
  EXPECT_EQ(parsed->processId, 4242u);
  EXPECT_EQ(parsed->processStart, 133456789012345678ull);

  OwnerMarker extreme = Sample();
  extreme.folderName = u"ffffffff.tmp";
  extreme.processId = 0xFFFFFFFFu;
  extreme.processStart = 0xFFFFFFFFFFFFFFFFull;
  text = FormatOwnerMarker(extreme);
  EXPECT_LE(text.size(), kOwnerMarkerMaxBytes);
  parsed = ParseOwnerMarker(text);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->processId, 0xFFFFFFFFu);
  EXPECT_EQ(parsed->processStart, 0xFFFFFFFFFFFFFFFFull);
}

TEST(OwnerMarkerTest, AnythingButTheExactTextIsRefused) {
  const std::string good = FormatOwnerMarker(Sample());
  auto with = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  const std::string bad[] = {
      "",
      good.substr(0, good.size() - 2),                       // last line unterminated
      good + "extra\r\n",                                    // a fifth line
      with("\r\n", "\n"),                                    // bare line feeds
      with("Brindlework", "brindlework"),                    // another title
      with("process 4242", "process 0"),                     // no process has id 0
      with("process 4242", "process 04242"),                 // leading zero
      with("process 4242", "process 4294967296"),            // beyond 32 bits
      with("process 4242", "process -42"),
      with("process 4242", "process  4242"),
      with("process 4242", "process 42x"),
      with("started 133456789012345678", "started 18446744073709551616"),  // beyond 64 bits
      with("started 133456789012345678", "started 0"),
      with("started 133456789012345678", "started "),
      with("folder 3f2a1c.tmp", "folder ..\\x.tmp"),          // not one of our names
      with("folder 3f2a1c.tmp", "folder 3F2A1C.tmp"),
      with("process", "pid"),
      good + std::string(kOwnerMarkerMaxBytes, ' '),
  };
  for (const std::string& text : bad) EXPECT_FALSE(ParseOwnerMarker(text)) << text;
  std::string withNul = good;
  withNul.insert(10, 1, '\0');
  EXPECT_FALSE(ParseOwnerMarker(withNul));
}

TEST(ExtractionFolderNameTest, OnlyOurHexadecimalNames) {
  for (const char16_t* ok : {u"0.tmp", u"a.tmp", u"5265bff.tmp", u"ffffffff.tmp", u"1c2d3e.tmp"})
    EXPECT_TRUE(IsExtractionFolderName(ok)) << std::string(ok, ok + std::u16string_view(ok).size());
  for (const char16_t* bad : {u"", u".tmp", u"tmp", u"00.tmp", u"0a.tmp", u"ABC.tmp", u"abc.TMP", u"abc.tmp.x",
                              u"abcx.tmp", u"123456789.tmp", u"abc .tmp", u"abc.tmp ", u"~abc.tmp", u"a\\b.tmp",
                              u"abc.tm", u"abc"})
    EXPECT_FALSE(IsExtractionFolderName(bad)) << std::string(bad, bad + std::u16string_view(bad).size());
}

FolderFacts Ours() {
  FolderFacts f;
  f.name = u"3f2a1c.tmp";
  f.marker = FormatOwnerMarker(Sample());
  return f;
}

TEST(JudgeFolderTest, AbandonedOnlyWhenOursAndItsOwnerIsGone) {
  int asked = 0;
  uint32_t askedPid = 0;
  uint64_t askedStart = 0;
  auto answer = [&](OwnerState state) {
    return [&, state](uint32_t pid, uint64_t start) {
      ++asked;
      askedPid = pid;
      askedStart = start;
      return state;
    };
  };
  EXPECT_EQ(JudgeFolder(Ours(), answer(OwnerState::Gone)), Verdict::Abandoned);
  EXPECT_EQ(askedPid, 4242u);
  EXPECT_EQ(askedStart, 133456789012345678ull);
  EXPECT_EQ(JudgeFolder(Ours(), answer(OwnerState::Running)), Verdict::InUse);
  // A process that cannot be asked may be ours: its folder stays.
  EXPECT_EQ(JudgeFolder(Ours(), answer(OwnerState::Unknown)), Verdict::InUse);
  EXPECT_EQ(asked, 3);

  asked = 0;
  FolderFacts link = Ours();
  link.isLink = true;
  FolderFacts noMarker = Ours();
  noMarker.marker.reset();
  FolderFacts garbled = Ours();
  garbled.marker = "process 4242\r\n";
  FolderFacts moved = Ours();  // a marker copied from another folder
  moved.name = u"3f2a1d.tmp";
  FolderFacts lookAlike = Ours();
  lookAlike.name = u"3f2a1c.tmp.old";
  for (const FolderFacts& f : {link, noMarker, garbled, moved, lookAlike})
    EXPECT_EQ(JudgeFolder(f, answer(OwnerState::Gone)), Verdict::NotOurs);
  EXPECT_EQ(asked, 0);
}

// A file system in memory: folders, files with sizes, and links to folders elsewhere.
class MemoryTree : public FolderTree {
 public:
  struct Node {
    bool folder = false;
    std::u16string linkTarget;  // non-empty: a link
    uint64_t bytes = 0;
    bool locked = false;
  };
  std::map<std::u16string, Node> nodes;
  std::vector<std::u16string> removed;
  int timeLeft = 1 << 30;

  void Folder(const std::u16string& p) { nodes[p].folder = true; }
  void File(const std::u16string& p, uint64_t bytes = 1) { nodes[p].bytes = bytes; }
  void Link(const std::u16string& p, const std::u16string& target) {
    nodes[p].folder = true;
    nodes[p].linkTarget = target;
  }
  bool Has(const std::u16string& p) const { return nodes.count(p) != 0; }

  bool List(const std::u16string& folder, std::vector<TreeEntry>* entries) override {
    auto it = nodes.find(folder);
    if (it == nodes.end() || !it->second.folder) return false;
    // Listing through a link is exactly what must never happen.
    EXPECT_TRUE(it->second.linkTarget.empty()) << "listed through a link";
    entries->clear();
    for (const auto& [path, node] : nodes) {
      if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0 ||
          path[folder.size()] != u'\\' || path.find(u'\\', folder.size() + 1) != std::u16string::npos)
        continue;
      entries->push_back({path.substr(folder.size() + 1), node.folder, !node.linkTarget.empty(), node.bytes});
    }
    return true;
  }
  bool RemoveFile(const std::u16string& path) override {
    auto it = nodes.find(path);
    if (it == nodes.end() || it->second.folder || it->second.locked) return false;
    nodes.erase(it);
    removed.push_back(path);
    return true;
  }
  bool RemoveFolder(const std::u16string& path) override {
    auto it = nodes.find(path);
    if (it == nodes.end() || !it->second.folder) return false;
    if (it->second.linkTarget.empty()) {
      std::vector<TreeEntry> inside;
      List(path, &inside);
      if (!inside.empty()) return false;
    }
    nodes.erase(it);
    removed.push_back(path);
    return true;
  }
  bool TimeLeft() override { return timeLeft-- > 0; }
};

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.Folder(u"T");
    tree.Folder(kDir);
    tree.File(kDir + u"\\" + kOwnerMarkerName);
    tree.File(kDir + u"\\1a.swf", 1000);
    tree.Folder(kDir + u"\\sub");
    tree.File(kDir + u"\\sub\\deep.dat", 10);
    tree.Folder(kDir + u"\\sub\\empty");
    tree.Folder(u"Outside");
    tree.File(u"Outside\\precious.doc");
  }
  const std::u16string kDir = u"T\\3f2a1c.tmp";
  const std::u16string kMarker = kDir + u"\\" + kOwnerMarkerName;
  MemoryTree tree;
};

TEST_F(RemovalTest, RemovesEverythingAndTheMarkerLast) {
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir), RemovalResult::Removed);
  EXPECT_FALSE(tree.Has(kDir));
  EXPECT_FALSE(tree.Has(kDir + u"\\sub\\deep.dat"));
  ASSERT_GE(tree.removed.size(), 2u);
  EXPECT_EQ(tree.removed[tree.removed.size() - 2], kMarker);
  EXPECT_EQ(tree.removed.back(), kDir);
  EXPECT_TRUE(tree.Has(u"Outside\\precious.doc"));
}

TEST_F(RemovalTest, LinksAreRemovedThemselvesNeverEntered) {
  // Listing the link would fail the test (MemoryTree::List); removing it must leave its target alone.
  tree.Link(kDir + u"\\junction", u"Outside");
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir), RemovalResult::Removed);
  EXPECT_FALSE(tree.Has(kDir + u"\\junction"));
  EXPECT_TRUE(tree.Has(u"Outside"));
  EXPECT_TRUE(tree.Has(u"Outside\\precious.doc"));
}

TEST_F(RemovalTest, TooBigFoldersAreLeftWhole) {
  const size_t before = tree.nodes.size();
  RemovalLimits entries;
  entries.maxEntries = 4;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir, entries), RemovalResult::TooBig);
  RemovalLimits bytes;
  bytes.maxBytes = 1000;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir, bytes), RemovalResult::TooBig);
  RemovalLimits depth;
  depth.maxDepth = 1;
  tree.Folder(kDir + u"\\sub\\empty\\deeper");
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir, depth), RemovalResult::TooBig);
  EXPECT_TRUE(tree.removed.empty());
  EXPECT_EQ(tree.nodes.size(), before + 1);
  // Exactly at the limits is fine.
  RemovalLimits exact;
  exact.maxEntries = 6;
  exact.maxBytes = 1011;
  exact.maxDepth = 3;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir, exact), RemovalResult::Removed);
}

TEST_F(RemovalTest, ALockedFileOrRunningOutOfTimeKeepsTheMarker) {
  tree.nodes[kDir + u"\\sub\\deep.dat"].locked = true;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir), RemovalResult::Locked);
  EXPECT_TRUE(tree.Has(kMarker));
  EXPECT_TRUE(tree.Has(kDir + u"\\sub\\deep.dat"));

  tree.nodes[kDir + u"\\sub\\deep.dat"].locked = false;
  tree.timeLeft = 5;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir), RemovalResult::OutOfTime);
  EXPECT_TRUE(tree.Has(kMarker));

  // The next run finishes the job.
  tree.timeLeft = 1 << 30;
  EXPECT_EQ(RemoveAbandonedFolder(tree, kDir), RemovalResult::Removed);
  EXPECT_FALSE(tree.Has(kDir));
}

TEST_F(RemovalTest, AFolderThatCannotBeListedIsLocked) {
  EXPECT_EQ(RemoveAbandonedFolder(tree, u"T\\missing.tmp"), RemovalResult::Locked);
  EXPECT_TRUE(tree.removed.empty());
}

}  // namespace
