// The main window over a real session on a private home folder, with Qt's offscreen
// platform: commands per category, Delete with and without Shift, the column layouts and
// the window's place through the registry store, closing without a tray.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <cstdlib>

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/job_database.h"
#include "store/settings_io.h"
#include "support/temp_dir.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/window_placement.h"
#include "ui/panes/job_columns.h"
#include "ui/panes/job_list_model.h"

namespace fw {
namespace {

using namespace cmd;

struct AnswerAll : MessageBoxes {
  int answer = kBoxYes;
  std::vector<std::string> asked;
  int show(const std::string& text, BoxIcon, BoxButtons) override {
    asked.push_back(text);
    return answer;
  }
};

struct PermanentOk : PermanentDeleteAsker {
  int asked = 0;
  PermanentDeleteChoice askPermanentDelete() override {
    ++asked;
    return {true, false, false};
  }
};

// A home folder with a database of three queued jobs and two finished ones.
class WindowRig {
 public:
  WindowRig() {
    setenv("FETCHWRIGHT_HOME", m_home.path().c_str(), 1);
    makeDirs(dataDir(), 0700);
    CategoryTree tree;
    buildDefaultTree(tree, downloadDir());
    for (int i = 0; i < 5; ++i) {
      auto* j = new JobRecord;
      j->url = "http://h/f" + std::to_string(i);
      j->fileName = "f" + std::to_string(i);
      j->saveDir = downloadDir();
      j->splitCount = 2;
      if (i >= 3) {
        j->fileSize = j->downloaded = 100;
        j->flags = jobflags::kComplete;
      }
      tree.appendJob(*tree.findCategory(i < 3 ? kCategoryDownload : kCategoryDownloaded), j);
    }
    EXPECT_EQ(saveJobDatabase(defaultDatabasePath(dataDir()), tree), 1);
  }

  void start() {
    DesktopSession::Options o;
    o.roleEntry = [](RoleRecord&) {};
    session = std::make_unique<DesktopSession>(o);
    session->loadSettings();
    window = std::make_unique<MainWindow>(*session);
    window->setPrompts(&boxes, nullptr, &permanent);
    std::string error;
    ASSERT_TRUE(session->openStartupDatabase("", nullptr, &error)) << error;
    window->startUp();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void stop() {
    window->quitQuietly();
    window.reset();
    session.reset();
  }

  CategoryRecord& category(uint16_t id) { return *session->tree().findCategory(id); }
  bool enabled(int id) {
    window->refreshCommands();
    return window->commands().enabled(id);
  }
  void selectRow(int row) { window->selectJobs({window->jobModel().jobAt(row)}); }

  test::TempDir m_home{"fw-window"};
  AnswerAll boxes;
  PermanentOk permanent;
  std::unique_ptr<DesktopSession> session;
  std::unique_ptr<MainWindow> window;
};

TEST(MainWindow, CommandsFollowTheCategoryShownAndTheSelection) {
  WindowRig rig;
  rig.start();
  ASSERT_EQ(rig.window->jobModel().rows(), 3);
  EXPECT_FALSE(rig.enabled(kStart));
  EXPECT_TRUE(rig.enabled(kStartAll));
  EXPECT_TRUE(rig.enabled(kNewDownload));
  EXPECT_TRUE(rig.enabled(kOptions));
  rig.selectRow(1);
  EXPECT_TRUE(rig.enabled(kStart));
  EXPECT_TRUE(rig.enabled(kMoveUp));
  EXPECT_FALSE(rig.enabled(kOpenFile));

  rig.window->showCategory(rig.category(kCategoryDownloaded));
  EXPECT_EQ(rig.window->jobModel().rows(), 2);
  EXPECT_FALSE(rig.enabled(kDelete)) << "the selection went with the list";
  rig.selectRow(0);
  EXPECT_TRUE(rig.enabled(kOpenFile));
  EXPECT_TRUE(rig.enabled(kCheckForUpdate));
  EXPECT_FALSE(rig.enabled(kStart));
  EXPECT_FALSE(rig.enabled(kMoveUp));

  // Moving a queued job up moves it in the list and keeps it selected.
  rig.window->showCategory(rig.category(kCategoryDownload));
  rig.selectRow(2);
  rig.window->commands().run(kMoveTop);
  EXPECT_EQ(rig.window->jobModel().jobAt(0)->url, "http://h/f2");
  EXPECT_EQ(rig.window->selectedJobs().front()->url, "http://h/f2");
  rig.stop();
}

TEST(MainWindow, DeleteMovesToDeletedAndShiftDeleteRemovesForGood) {
  WindowRig rig;
  rig.start();
  QTreeView* list = rig.window->jobView();
  list->setFocus();
  rig.selectRow(0);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(rig.window->jobModel().rows(), 2);
  EXPECT_EQ(CategoryTree::jobCount(rig.category(kCategoryDeleted)), 1u);
  EXPECT_EQ(rig.permanent.asked, 0);

  rig.selectRow(0);
  QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(rig.permanent.asked, 1);
  EXPECT_EQ(rig.window->jobModel().rows(), 1);
  EXPECT_EQ(CategoryTree::jobCount(rig.category(kCategoryDeleted)), 1u) << "gone, not moved";

  // In "Deleted" a plain Delete is for good too.
  rig.window->showCategory(rig.category(kCategoryDeleted));
  rig.selectRow(0);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(rig.permanent.asked, 2);
  EXPECT_EQ(CategoryTree::jobCount(rig.category(kCategoryDeleted)), 0u);
  // Nothing selected: nothing happens.
  rig.window->showCategory(rig.category(kCategoryDownload));
  QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(rig.permanent.asked, 2);
  rig.stop();
}

TEST(MainWindow, BothColumnLayoutsComeBackFromTheRegistry) {
  std::vector<std::vector<ShownColumn>> before(2);
  {
    WindowRig rig;
    rig.start();
    QHeaderView* h = rig.window->jobView()->header();
    // Queue layout: hide Size, widen Name, put Percent first after the state icon.
    h->setSectionHidden(kSlotSize, true);
    h->resizeSection(kSlotName, 333);
    h->moveSection(h->visualIndex(kSlotPercent), 1);
    rig.window->showCategory(rig.category(kCategoryDownloaded));
    h->setSectionHidden(kSlotCreateTime, true);
    h->resizeSection(kSlotUrl, 123);
    auto shown = [h] {
      std::vector<ShownColumn> out;
      for (int v = 0; v < h->count(); ++v) {
        int slot = h->logicalIndex(v);
        if (!h->isSectionHidden(slot)) out.push_back({slot, h->sectionSize(slot)});
      }
      return out;
    };
    before[1] = shown();
    rig.window->showCategory(rig.category(kCategoryDownload));
    before[0] = shown();
    ASSERT_EQ(before[0][1].slot, kSlotPercent);
    rig.stop();

    // What went into the registry store.
    Registry reg(Registry::defaultPath());
    DownSetSettings stored;
    downSetSettingsIo(reg, stored, kSettingsLoad);
    EXPECT_EQ(stored.download.slots[kSlotName].width, 333);
    EXPECT_EQ(stored.download.slots[kSlotSize].visible, 0);
    EXPECT_EQ(stored.others.slots[kSlotUrl].width, 123);
    EXPECT_EQ(stored.others.slots[kSlotCreateTime].visible, 0);
    EXPECT_EQ(stored.download.order[1], kSlotPercent);
    ColumnLayout queue = stored.download;
    EXPECT_EQ(shownColumns(queue), before[0]);
    ColumnLayout others = stored.others;
    EXPECT_EQ(shownColumns(others), before[1]);
  }
}

TEST(MainWindow, PlaceAndColumnsSurviveARestartInOneHome) {
  WindowRig rig;
  rig.start();
  QHeaderView* h = rig.window->jobView()->header();
  h->resizeSection(kSlotName, 301);
  h->setSectionHidden(kSlotRetry, true);
  rig.window->setGeometry(40, 50, 700, 500);
  rig.window->showCategory(rig.category(kCategoryDownloaded));
  h->resizeSection(kSlotComment, 77);
  rig.stop();

  rig.start();
  h = rig.window->jobView()->header();
  EXPECT_EQ(h->sectionSize(kSlotName), 301);
  EXPECT_TRUE(h->isSectionHidden(kSlotRetry));
  EXPECT_EQ(rig.window->normalGeometry().topLeft(), QPoint(40, 50));
  EXPECT_EQ(rig.window->normalGeometry().size(), QSize(700, 500));
  rig.window->showCategory(rig.category(kCategoryDownloaded));
  EXPECT_EQ(h->sectionSize(kSlotComment), 77);
  EXPECT_EQ(h->sectionSize(kSlotName), ColumnLayout::builtIn(false).slots[kSlotName].width)
      << "the other layout is its own";
  rig.stop();
}

TEST(MainWindow, StoredPlaceOffEveryScreenOrShowStateZero) {
  struct Case {
    PlainRect rect;
    uint32_t showState;
    bool restored;
  };
  for (const Case& c :
       {Case{{3000, 2000, 3600, 2500}, kShowNormal, false}, Case{{30, 40, 630, 440}, 0, true}}) {
    WindowRig rig;
    {
      Registry reg(Registry::defaultPath());
      WindowPlacement p;
      p.normal = c.rect;
      p.showState = c.showState;
      std::vector<uint8_t> bytes = encodePlacement(p);
      ASSERT_EQ(reg.setBinary(RegRoot::CurrentUser, settingkeys::kMain, "winlayout",
                              std::string(bytes.begin(), bytes.end())),
                RegStatus::Ok);
    }
    rig.start();
    const QRect g = rig.window->normalGeometry();
    if (c.restored) {
      EXPECT_EQ(rig.window->frameGeometry().topLeft(), QPoint(30, 40));
      EXPECT_FALSE(rig.window->isMinimized());
      EXPECT_FALSE(rig.window->isMaximized());
    } else {
      EXPECT_LT(g.left(), 800) << "centred on the present screen, not where it was";
      EXPECT_LT(g.top(), 600);
    }
    rig.stop();
  }
}

TEST(MainWindow, WithoutATrayTheCloseButtonNeverHidesTheWindow) {
  WindowRig rig;
  rig.start();
  ASSERT_EQ(rig.window->trayIcon(), nullptr) << "the offscreen platform has no tray";
  // "Minimize main windows on click X" and "Hide window when minimized" are on by default.
  EXPECT_EQ(rig.session->settings().general.otherFlag & 0x6000, 0x6000u);
  rig.window->close();
  EXPECT_FALSE(rig.session->closing()) << "the option makes the close button minimise";
  EXPECT_TRUE(rig.window->isMinimized());
  EXPECT_FALSE(rig.window->isHidden()) << "minimised where it can be found, not hidden";
  rig.window->commands().run(cmd::kOpenHide);
  EXPECT_FALSE(rig.window->isMinimized());
  EXPECT_FALSE(rig.window->isHidden());

  // With the option off the close button ends the program (after its questions).
  rig.session->settings().general.otherFlag &= ~0x4000u;
  rig.window->close();
  EXPECT_TRUE(rig.session->closing());
  rig.window.reset();
  rig.session.reset();
}

}  // namespace
}  // namespace fw
