#include "context_menu_model.h"

#include <gtest/gtest.h>

using namespace player;

namespace {

std::vector<unsigned> Commands(const std::vector<MenuItem>& items) {
  std::vector<unsigned> c;
  for (const auto& i : items) c.push_back(i.separator ? 0 : i.command);
  return c;
}

}  // namespace

TEST(ContextMenu, EverythingOnGivesEveryEntryWithItsSeparators) {
  MenuInput in;
  auto items = BuildContextMenu(in);
  EXPECT_EQ(Commands(items), (std::vector<unsigned>{600, 601, 602, 0, 603, 0, 604, 605, 616, 0, 606, 0, 607, 608, 0,
                                                     609, 610, 611, 0, 612, 613, 614, 0, 615}));
  EXPECT_TRUE(items[0].checked);
  EXPECT_FALSE(items[1].checked);
  EXPECT_TRUE(items[15].greyed);  // rewind at frame 0
  EXPECT_TRUE(items[17].greyed);  // back at frame 0
  EXPECT_EQ(items[0].textId, 14u);
  EXPECT_EQ(items[8].textId, 30u);
  EXPECT_EQ(items.back().textId, 29u);
}

TEST(ContextMenu, SwitchesScreenSaversAndSingleFrameMoviesHideEntries) {
  MenuInput in;
  in.values1to5 = {0, 1, 1, 0, 1};
  in.values7to15 = {1, 1, 1, 0, 1, 1, 1, 1, 1};
  in.zoomAllowed = false;
  in.multiFrame = false;
  in.screenSaver = true;
  in.quality = 0;
  in.playing = true;
  in.currentFrame = 3;
  auto items = BuildContextMenu(in);
  EXPECT_EQ(Commands(items), (std::vector<unsigned>{600, 601, 602, 0, 607, 0, 615}));
  EXPECT_TRUE(items[2].checked);
  EXPECT_TRUE(items[4].checked);

  MenuInput none;
  none.values1to5 = {0, 0, 0, 0, 0};
  none.values7to15 = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Commands(BuildContextMenu(none)), (std::vector<unsigned>{600, 601, 602}));
}

TEST(ContextMenu, FramesPastTheFirstEnableRewindAndBack) {
  MenuInput in;
  in.currentFrame = 5;
  in.looping = true;
  in.alwaysOnTop = true;
  for (const auto& item : BuildContextMenu(in)) {
    EXPECT_FALSE(item.greyed);
    if (item.command == 608 || item.command == 603) {
      EXPECT_TRUE(item.checked);
    }
  }
}
