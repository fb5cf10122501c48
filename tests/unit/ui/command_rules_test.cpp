// The command table's rules, the toolbar's stored buttons and the window's stored place.

#include <gtest/gtest.h>

#include <set>

#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/toolbar_buttons.h"
#include "ui/main_window/window_placement.h"

namespace fw {
namespace {

using namespace cmd;

CommandContext withSelection(ShownKind shown, int selected, int running, int complete) {
  CommandContext c;
  c.shown = shown;
  c.rows = 5;
  c.selected = selected;
  c.selectedRunning = running;
  c.selectedComplete = complete;
  return c;
}

TEST(CommandRules, JobCommandsFollowTheCategoryShownAndTheSelection) {
  struct Case {
    const char* what;
    CommandContext ctx;
    std::set<int> on;   // must be enabled
    std::set<int> off;  // must be disabled
  };
  const Case cases[] = {
      {"queue, nothing selected",
       withSelection(ShownKind::Queue, 0, 0, 0),
       {kSelectAll, kFind},
       {kStart, kPause, kDelete, kMoveUp, kComment, kRename, kCopyUrl, kOpenFolder}},
      {"queue, one stopped job",
       withSelection(ShownKind::Queue, 1, 0, 0),
       {kStart, kPause, kSchedule, kMoveUp, kMoveBottom, kDelete, kComment, kRename,
        kDownloadAgain},
       {kOpenFile, kCopyFile, kIncreaseSplit, kCheckForUpdate}},
      {"queue, one running job",
       withSelection(ShownKind::Queue, 1, 1, 0),
       {kPause, kIncreaseSplit, kDecreaseSplit, kDelete},
       {kStart, kSchedule, kRename, kDownloadAgain}},
      {"downloaded, one complete job",
       withSelection(ShownKind::Downloaded, 1, 0, 1),
       {kOpenFile, kCopyFile, kCheckForUpdate, kDownloadAgain, kRename, kDelete, kOpenFolder},
       {kStart, kPause, kSchedule, kMoveUp, kMoveTop}},
      {"deleted, two jobs",
       withSelection(ShownKind::Deleted, 2, 0, 2),
       {kDelete, kCopyUrl},
       {kComment, kRename, kOpenFile, kMoveDown}},
      {"queue, every row selected",
       withSelection(ShownKind::Queue, 5, 0, 0),
       {kStart},
       {kMoveUp, kMoveDown}},
  };
  for (const Case& c : cases) {
    for (int id : c.on) EXPECT_TRUE(commandEnabled(id, c.ctx)) << c.what << ": " << id;
    for (int id : c.off) EXPECT_FALSE(commandEnabled(id, c.ctx)) << c.what << ": " << id;
  }
}

TEST(CommandRules, CategoryRoleAndLogCommands) {
  CommandContext c;
  EXPECT_FALSE(commandEnabled(kNewCategory, c));
  c.categorySelected = true;
  c.categoryIsRoot = true;
  EXPECT_TRUE(commandEnabled(kNewCategory, c));
  EXPECT_FALSE(commandEnabled(kEditCategory, c));
  EXPECT_FALSE(commandEnabled(kDeleteCategory, c)) << "the root stays";
  c.categoryIsRoot = false;
  c.categoryFixed = true;
  EXPECT_TRUE(commandEnabled(kEditCategory, c));
  EXPECT_FALSE(commandEnabled(kDeleteCategory, c)) << "only categories the user made";
  EXPECT_FALSE(commandEnabled(kMoveCategory, c));
  c.categoryFixed = false;
  EXPECT_TRUE(commandEnabled(kDeleteCategory, c));
  EXPECT_TRUE(commandEnabled(kMoveCategory, c));

  c.roleNode = true;
  c.shownJobRunning = true;
  c.roleAlive = true;
  EXPECT_FALSE(commandEnabled(kRoleStart, c));
  EXPECT_TRUE(commandEnabled(kRoleStop, c));
  EXPECT_TRUE(commandEnabled(kChangeProxy, c));
  EXPECT_TRUE(commandEnabled(kIncreaseSplit, c)) << "the Role tree's job runs";
  c.roleAlive = false;
  EXPECT_TRUE(commandEnabled(kRoleStart, c));
  EXPECT_FALSE(commandEnabled(kRoleStop, c));

  EXPECT_FALSE(commandEnabled(kLogCopy, c));
  EXPECT_FALSE(commandEnabled(kLogSave, c));
  c.logRows = true;
  c.logSelection = true;
  EXPECT_TRUE(commandEnabled(kLogCopy, c));
  EXPECT_TRUE(commandEnabled(kLogSave, c));
}

TEST(CommandRules, CheckMarksShowTheState) {
  CommandContext c;
  c.bandwidthMode = 1;
  c.monitor = 0x80 | 0x01;
  c.detailShown = true;
  EXPECT_EQ(commandChecked(kUnlimited, c), false);
  EXPECT_EQ(commandChecked(kManual, c), true);
  EXPECT_EQ(commandChecked(kAutomatic, c), false);
  EXPECT_EQ(commandChecked(kShutDownWhenDone, c), true);
  EXPECT_EQ(commandChecked(kMonitorClipboard, c), true);
  EXPECT_EQ(commandChecked(kMonitorBrowser, c), false);
  EXPECT_EQ(commandChecked(kDetailPane, c), true);
  EXPECT_EQ(commandChecked(kGridLines, c), false);
  EXPECT_EQ(commandChecked(kSkinFirst, c), true);
  EXPECT_EQ(commandChecked(kStart, c), std::nullopt);
  // Every checkable command of the table has a rule for its mark.
  for (const CommandInfo& info : commandTable())
    if (info.checkable) EXPECT_TRUE(commandChecked(info.id, c).has_value()) << info.id;
}

TEST(CommandRules, EachCommandIsInTheTableOnce) {
  std::set<int> ids;
  for (const CommandInfo& info : commandTable()) {
    EXPECT_TRUE(ids.insert(info.id).second) << info.id;
    EXPECT_NE(info.caption[0], '\0') << info.id;
  }
  for (const ToolButtonSpec& b : toolButtons()) EXPECT_TRUE(ids.count(b.id)) << b.label;
}

TEST(ToolbarLayout, StoredButtonsAndTheirFallBack) {
  std::vector<int> mine = {kStart, kToolSeparator, kExit, kFind};
  std::vector<uint8_t> bytes = encodeToolbar(mine);
  ASSERT_EQ(bytes.size(), 4 * 20u);
  // Record 2 (Exit): image index 16 (its place in the button list), command id 57665.
  EXPECT_EQ(bytes[40], 16);
  EXPECT_EQ(bytes[44] | bytes[45] << 8, 57665);
  EXPECT_EQ(bytes[29] & 1, 1) << "the separator's style";
  EXPECT_EQ(decodeToolbar(bytes), mine);

  EXPECT_EQ(decodeToolbar({}), defaultToolbar());
  EXPECT_EQ(decodeToolbar(std::vector<uint8_t>(30, 0)), defaultToolbar()) << "30 bytes";
  std::vector<uint8_t> unknown = encodeToolbar({kStart});
  unknown[4] = 0x11;  // a command id without a button
  EXPECT_TRUE(decodeToolbar(unknown).empty());
  // Only the first 1,000 bytes (50 buttons) are read back.
  std::vector<int> many(60, kStart);
  std::vector<uint8_t> big;
  for (int i = 0; i < 60; ++i) {
    auto one = encodeToolbar({kStart});
    big.insert(big.end(), one.begin(), one.end());
  }
  EXPECT_EQ(decodeToolbar(big).size(), 50u);
}

TEST(WindowPlacement, RecordRoundTripShowStateAndScreens) {
  WindowPlacement p;
  p.showState = kShowMaximized;
  p.normal = PlainRect{-20, 30, 1180, 790};
  std::vector<uint8_t> bytes = encodePlacement(p);
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(bytes[0], 44);
  EXPECT_EQ(decodePlacement(bytes), p);
  bytes[8] = 0;  // show state 0
  EXPECT_EQ(decodePlacement(bytes)->showState, kShowDefault);
  EXPECT_FALSE(decodePlacement(std::vector<uint8_t>(43, 0)));

  const std::vector<PlainRect> screens = {{0, 0, 1920, 1080}};
  struct Case {
    PlainRect window;
    bool reachable;
  };
  for (const Case& c : {Case{{100, 100, 900, 700}, true}, Case{{1880, 100, 2600, 700}, false},
                        Case{{1850, 100, 2600, 700}, true}, Case{{2000, 50, 2800, 600}, false},
                        Case{{100, -10, 900, 600}, true}, Case{{100, -40, 900, 600}, false},
                        Case{{100, -400, 900, -10}, false}, Case{{100, 100, 100, 700}, false}})
    EXPECT_EQ(reachableOnScreens(c.window, screens), c.reachable)
        << c.window.left << "," << c.window.top;

  EXPECT_EQ(formatPaneRect(PlainRect{5, 12, 205, 640}), "0012064000050205");
  EXPECT_EQ(parsePaneRect("0012064000050205"), (PlainRect{5, 12, 205, 640}));
  EXPECT_EQ(parsePaneRect(formatPaneRect(PlainRect{-3, -9, 20000, 40})),
            (PlainRect{-3, -9, 9999, 40}));
  EXPECT_FALSE(parsePaneRect("00120640000502"));
  EXPECT_FALSE(parsePaneRect("0012064000050x05"));
}

}  // namespace
}  // namespace fw
