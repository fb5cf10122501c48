#include "ui/main_window/menus.h"

#include "ui/main_window/command_ids.h"

namespace fw {

namespace {

struct Item {
  int id;                         // 0: a separator
  const char* caption = nullptr;  // null: the command's own caption
};

void fill(QMenu* menu, CommandSet& c, std::initializer_list<Item> items) {
  for (const Item& item : items) {
    if (item.id == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* primary = c.action(item.id);
    if (!item.caption || primary->text() == QString::fromLatin1(item.caption))
      menu->addAction(primary);
    else
      menu->addAction(c.alias(item.id, QString::fromLatin1(item.caption)));
  }
}

QMenu* speedMenu(CommandSet& c, QWidget* parent) {
  auto* m = new QMenu(QStringLiteral("Speed Limit Mode "), parent);
  fill(m, c, {{cmd::kUnlimited}, {cmd::kManual}, {cmd::kAutomatic}});
  return m;
}

}  // namespace

void buildMainMenu(QMenuBar* bar, CommandSet& c) {
  using namespace cmd;
  QMenu* file = bar->addMenu(QStringLiteral("File (&F)"));
  fill(file, c,
       {{kNewDatabase},
        {kOpenDatabase},
        {kSaveDatabase},
        {kSaveAs},
        {0},
        {kExportHtml},
        {0},
        {kExit}});

  QMenu* edit = bar->addMenu(QStringLiteral("Edit (&E)"));
  fill(edit, c, {{kSelectAll}, {kReverse}, {0}, {kFind}, {kFindNext}, {0}, {kCopyUrl2}});

  QMenu* view = bar->addMenu(QStringLiteral("View (&V)"));
  fill(view, c,
       {{kDetailPane}, {kGridLines}, {kColumns}, {0}, {kDropZone}, {0}, {kCustomizeToolbar}});
  QMenu* skin = view->addMenu(QStringLiteral("Skin"));
  fill(skin, c, {{kSkinFirst}});

  QMenu* jobs = bar->addMenu(QStringLiteral("Download (&D)"));
  fill(jobs, c,
       {{kNewDownload},
        {kAddBatch},
        {0},
        {kStart},
        {kPause},
        {kStartAll},
        {kPauseAll},
        {kSchedule},
        {0},
        {kMoveUp},
        {kMoveDown},
        {kMoveTop},
        {kMoveBottom},
        {0},
        {kIncreaseSplit},
        {kDecreaseSplit},
        {0},
        {kDelete},
        {kRename},
        {kComment},
        {kProperty},
        {0},
        {kOpenFile},
        {kOpenFolder},
        {kCopyFile},
        {kBrowseReferrer},
        {0},
        {kCheckForUpdate},
        {kDownloadAgain},
        {kVirusScan}});

  QMenu* category = bar->addMenu(QStringLiteral("Category (&C)"));
  fill(category, c,
       {{kNewCategory},
        {kEditCategory},
        {kMoveCategory},
        {kDeleteCategory},
        {0},
        {kCategoryProperties}});

  QMenu* tools = bar->addMenu(QStringLiteral("Tools (&T)"));
  tools->addMenu(speedMenu(c, tools));
  fill(tools, c,
       {{0},
        {kMonitorClipboard},
        {kMonitorBrowser},
        {0},
        {kShutDownWhenDone},
        {kHangUpWhenDone},
        {kConnect},
        {0},
        {kOptions}});

  QMenu* help = bar->addMenu(QStringLiteral("Help (&H)"));
  fill(help, c, {{kUserManual}, {kHomePage}, {kFaq}, {0}, {kCheckNewVersion}, {0}, {kAbout}});
}

QMenu* buildQueueMenu(CommandSet& c, QWidget* parent) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c,
       {{kStart},
        {kPause},
        {kIncreaseSplit},
        {kDecreaseSplit},
        {kStartAll},
        {kPauseAll},
        {kSchedule},
        {0},
        {kMoveTop},
        {kMoveBottom},
        {0},
        {kDelete},
        {0},
        {kProperty},
        {kComment},
        {kBrowseReferrer},
        {kCopyUrl}});
  return m;
}

QMenu* buildDoneMenu(CommandSet& c, QWidget* parent) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c,
       {{kDelete},
        {kRename},
        {kComment},
        {kCopyFile},
        {0},
        {kProperty},
        {kBrowseReferrer, "&Browse Referer"},
        {kCopyUrl2},
        {0},
        {kCheckForUpdate},
        {kDownloadAgain},
        {0},
        {kVirusScan},
        {kOpenFile},
        {kOpenFolder}});
  return m;
}

QMenu* buildRoleMenu(CommandSet& c, QWidget* parent, QMenu** proxies) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c, {{kRoleStart}, {kRoleStop}, {kRoleRestart}, {kIncreaseSplit}, {kDecreaseSplit}});
  *proxies = m->addMenu(icon(Icon::Web), QStringLiteral("Change Proxy"));
  return m;
}

QMenu* buildCategoryMenu(CommandSet& c, QWidget* parent) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c,
       {{kNewCategory},
        {kDeleteCategory},
        {kMoveCategory},
        {0},
        {kEditCategory},
        {kCategoryProperties}});
  return m;
}

QMenu* buildTrayMenu(CommandSet& c, QWidget* parent) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c,
       {{kOpenHide},
        {0},
        {kDropZone},
        {kMonitorClipboard},
        {kMonitorBrowser},
        {kStartAll},
        {kPauseAll},
        {kNewDownload}});
  m->addMenu(speedMenu(c, m));
  fill(m, c, {{kOptions}, {kAbout}, {0}, {kExit, "Exit"}});
  m->setDefaultAction(c.action(kOpenHide));
  return m;
}

QMenu* buildLogMenu(CommandSet& c, QWidget* parent) {
  using namespace cmd;
  auto* m = new QMenu(parent);
  fill(m, c, {{kLogCopy}, {kLogSelectAll}, {kLogSave}});
  return m;
}

}  // namespace fw
