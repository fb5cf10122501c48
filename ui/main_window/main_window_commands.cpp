// The main window's commands: every id bound to its handler in bindCommands(), the one
// place a command is dispatched from. An unbound command is disabled.

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

#include <QMenu>

#include "engine/base/text_buffer.h"
#include "engine/storage/target_file.h"
#include "jobs/after_download.h"
#include "jobs/job_controller.h"
#include "jobs/job_progress.h"
#include "platform/paths.h"
#include "store/category_commands.h"
#include "store/settings_io.h"
#include "ui/dialogs/category_dialogs.h"
#include "ui/dialogs/column_dialog.h"
#include "ui/dialogs/find_dialog.h"
#include "ui/dialogs/small_dialogs.h"
#include "ui/dialogs/text_dialogs.h"
#include "ui/dialogs/toolbar_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/help_links.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/toolbar_buttons.h"
#include "ui/panes/category_tree_model.h"
#include "ui/panes/detail_model.h"
#include "ui/panes/job_list_model.h"
#include "ui/panes/log_model.h"
#include "ui/panes/log_save.h"
#include "ui/panes/role_tree_model.h"
#include "ui/panes/shown_progress.h"

namespace fw {

namespace {

// "Monitor" flag bits of the toggles.
constexpr uint32_t kMonitorClipboardBit = 0x01;
constexpr uint32_t kMonitorBrowserBit = 0x20;
constexpr uint32_t kShutDownBit = 0x80;

std::string filePath(const JobRecord& job) {
  return job.saveDir + "/" + job.fileName;
}

bool webUrl(const std::string& url) {
  QUrl u(QString::fromStdString(url));
  const QString scheme = u.scheme().toLower();
  return u.isValid() && (scheme == "http" || scheme == "https" || scheme == "ftp");
}

}  // namespace

void MainWindow::bindCommands() {
  using namespace cmd;
  CommandSet& c = *m_commands;
  DesktopSession& s = m_session;

  // Files.
  c.bind(kNewDatabase, [this] { onNewDatabase(); });
  c.bind(kOpenDatabase, [this] { onOpenDatabase(); });
  c.bind(kSaveDatabase, [this] { onSaveDatabase(); });
  c.bind(kSaveAs, [this] { onSaveAs(); });
  c.bind(kExit, [this] { onExit(); });

  // Jobs.
  c.bind(kStart, [this, &s] { s.startJobs(selectedJobs()); });
  c.bind(kPause, [this, &s] { s.pauseJobs(selectedJobs()); });
  c.bind(kStartAll, [&s] { s.startAll(); });
  c.bind(kPauseAll, [&s] { s.pauseAll(); });
  c.bind(kSchedule, [this, &s] { s.scheduleJobs(selectedJobs()); });
  auto move = [this, &s](JobMove how) {
    std::vector<JobRecord*> sel = selectedJobs();
    if (CategoryRecord* cat = m_jobModel->category()) s.moveJobs(*cat, sel, how);
    selectJobs(sel);
  };
  c.bind(kMoveUp, [move] { move(JobMove::Up); });
  c.bind(kMoveDown, [move] { move(JobMove::Down); });
  c.bind(kMoveTop, [move] { move(JobMove::Top); });
  c.bind(kMoveBottom, [move] { move(JobMove::Bottom); });
  c.bind(kDelete,
         [this] { onDelete((QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) != 0); });
  c.bind(kNewDownload, [this] { openNewJobSheet({}); });
  c.bind(kProperty, [this] { onProperty(); });
  c.bind(kAddBatch, [this] { onAddBatch(); });
  c.bind(kComment, [this] { onComment(); });
  c.bind(kRename, [this] { onRename(); });
  c.bind(kBrowseReferrer, [this] {
    std::vector<JobRecord*> sel = selectedJobs();
    if (sel.size() == 1) onOpenUrl(sel.front()->referer);
  });
  c.bind(kCopyUrl, [this] { onCopyUrl(); });
  c.bind(kCopyUrl2, [this] { onCopyUrl(); });
  auto split = [this, &s](bool more) {
    std::vector<JobRecord*> jobs = selectedOrShown();
    if (jobs.size() == 1) s.changeSplit(*jobs.front(), more);
  };
  c.bind(kIncreaseSplit, [split] { split(true); });
  c.bind(kDecreaseSplit, [split] { split(false); });
  c.bind(kCheckForUpdate, [this] { onCheckForUpdate(); });
  c.bind(kDownloadAgain, [this] { onDownloadAgain(); });
  c.bind(kOpenFolder, [this] {
    std::vector<JobRecord*> sel = selectedJobs();
    if (sel.size() == 1)
      QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(sel.front()->saveDir)));
  });
  c.bind(kOpenFile, [this] {
    std::vector<JobRecord*> sel = selectedJobs();
    if (sel.size() == 1)
      QDesktopServices::openUrl(
          QUrl::fromLocalFile(QString::fromStdString(filePath(*sel.front()))));
  });
  c.bind(kCopyFile, [this] { onCopyFile(); });
  c.bind(kVirusScan, [this] { onVirusScan(); });
  c.bind(kSelectAll, [this] { m_jobView->selectAll(); });
  c.bind(kReverse, [this] {
    QItemSelection all(m_jobModel->index(0, 0),
                       m_jobModel->index(m_jobModel->rows() - 1, m_jobModel->columnCount() - 1));
    m_jobView->selectionModel()->select(all, QItemSelectionModel::Toggle);
  });
  c.bind(kFind, [this] { onFind(false); });
  c.bind(kFindNext, [this] { onFind(true); });

  // Speed and switches.
  c.bind(kSpeed, [this, &s] {
    s.setBandwidthMode((s.bandwidthMode() + 1) % 3);
    updateStatusCounts();
  });
  c.bind(kUnlimited, [this, &s] { s.setBandwidthMode(0), updateStatusCounts(); });
  c.bind(kManual, [this, &s] { s.setBandwidthMode(1), updateStatusCounts(); });
  c.bind(kAutomatic, [this, &s] { s.setBandwidthMode(2), updateStatusCounts(); });
  c.bind(kShutDownWhenDone, [&s] { s.toggleMonitorBit(kShutDownBit); });
  c.bind(kHangUpWhenDone, [&s] { s.toggleHangUpWhenDone(); });
  c.bind(kConnect, [this, &s] {
    if (DialManager* dial = s.dial())
      dial->connectDisconnect();
    else
      openDialUpOptions();
  });
  c.bind(kCheckNewVersion, [this] { openUpdateWindow(); });
  c.bind(kMonitorClipboard, [&s] { s.toggleMonitorBit(kMonitorClipboardBit); });
  c.bind(kMonitorBrowser, [&s] { s.toggleMonitorBit(kMonitorBrowserBit); });

  // Categories.
  c.bind(kNewCategory, [this] { onNewCategory(); });
  c.bind(kEditCategory, [this] { onEditCategory(); });
  c.bind(kCategoryProperties, [this] { onCategoryProperties(); });
  c.bind(kDeleteCategory, [this] { onDeleteCategory(); });
  c.bind(kMoveCategory, [this] { onMoveCategory(); });

  // View.
  c.bind(kDetailPane, [this] {
    m_detailShown = !m_detailShown;
    m_bottom->setVisible(m_detailShown);
  });
  c.bind(kGridLines, [this] {
    m_gridLines = !m_gridLines;
    saveLayout();
    applyViewFlags();
  });
  c.bind(kColumns, [this] { onColumns(); });
  c.bind(kCustomizeToolbar, [this] { onCustomizeToolbar(); });
  c.bind(kSkinFirst, [&s] { s.settings().general.skin = 0; });
  c.bind(kOpenHide, [this] { onOpenHide(); });
  c.bind(kOptions, [this] { showOptions(0); });
  c.bind(kDropZone, [this] { showDropZone(!m_dropZoneShown); });
  c.bind(kExportHtml, [this] { onExportHtml(); });

  // The Role tree and the log pane.
  for (int id : {kRoleStart, kRoleStop, kRoleRestart})
    c.bind(id, [this, id] { onRoleCommand(id); });
  c.bind(kChangeProxy, [] {});
  c.bind(kLogCopy, [this] { onLogCopy(); });
  c.bind(kLogSelectAll,
         [this] { (m_tabs->currentIndex() == 0 ? m_logView : m_detailView)->selectAll(); });
  c.bind(kLogSave, [this] { onLogSave(); });

  // Help.
  c.bind(kUserManual, [] {
    QString path = manualPath();
    if (!path.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  });
  c.bind(kHomePage,
         [&s] { QDesktopServices::openUrl(homePageUrl(s.settings().general.homePage)); });
  c.bind(kFaq, [&s] { QDesktopServices::openUrl(faqUrl(s.settings().general.homePage)); });
  c.bind(kAbout, [this, &s] {
    AboutDialog about(homePageUrl(s.settings().general.homePage).toString().toStdString(), this);
    about.exec();
  });
}

std::vector<JobRecord*> MainWindow::selectedOrShown() const {
  if (m_roleView->hasFocus() && m_shownJob) return {m_shownJob};
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.empty() && m_shownJob) sel.push_back(m_shownJob);
  return sel;
}

void MainWindow::onDelete(bool shift) {
  std::vector<JobRecord*> jobs = selectedJobs();
  CategoryRecord* shown = m_jobModel->category();
  DeleteRequest req;
  req.jobs = jobs;
  req.shownIsDeleted = shown && shown->id == kCategoryDeleted;
  req.shift = shift;
  struct DialogAsker final : PermanentDeleteAsker {
    QWidget* parent;
    explicit DialogAsker(QWidget* p) : parent(p) {}
    PermanentDeleteChoice askPermanentDelete() override {
      PermanentDeleteDialog d(parent);
      d.exec();
      return d.choice();
    }
  } dialogAsker(this);
  PermanentDeleteAsker& asker = m_deleter ? *m_deleter : dialogAsker;
  DeleteHooks hooks;
  hooks.destroy = [this](JobRecord& job) { m_session.destroyJob(job); };
  hooks.deleteFiles = [](const JobRecord& job, bool completed, bool uncompleted) {
    return deleteJobFile(FileSystem::system(), job, completed, uncompleted);
  };
  JobContext ctx = m_session.jobContext();
  deleteJobs(ctx, req, asker, hooks);
  updateStatusCounts();
  refreshCommands();
}

void MainWindow::onComment() {
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.size() != 1) return;
  JobRecord* job = sel.front();
  CommentDialog d(*job, *m_boxes, this);
  if (d.exec() != QDialog::Accepted) return;
  job->comment = d.text();
  jobChanged(*job);
  refreshPanes();
}

void MainWindow::onRename() {
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.size() != 1 || sel.front()->activeRoles > 0) return;
  RenameDialog d(*sel.front(), *m_boxes, this);
  if (d.exec() == QDialog::Accepted) {
    jobChanged(*sel.front());
    refreshPanes();
  }
}

void MainWindow::onFind(bool again) {
  if (!again || !m_findQuery.valid()) {
    FindDialog d(m_findQuery, m_session.settings().findStrings.entries, this);
    if (d.exec() != QDialog::Accepted) return;
    m_findQuery = d.query();
    if (!m_findQuery.valid()) return;
    auto& recent = m_session.settings().findStrings;
    if (std::find(recent.entries.begin(), recent.entries.end(), m_findQuery.text) ==
        recent.entries.end())
      addMruEntry(m_session.registry(), settingkeys::kFindStr, recent, m_findQuery.text);
  }
  int current = m_jobView->currentIndex().isValid() ? m_jobView->currentIndex().row() : -1;
  int row = findNextRow(m_jobModel->rows(), current, m_findQuery,
                        [this](int r) { return m_jobModel->jobAt(r); });
  if (row < 0) {
    m_boxes->show("Cannot find \"" + m_findQuery.text + "\".", BoxIcon::Information,
                  BoxButtons::Ok);
    return;
  }
  selectJobs({m_jobModel->jobAt(row)});
}

void MainWindow::onColumns() {
  captureColumnLayout();
  Settings& s = m_session.settings();
  ColumnLayout& layout = m_layoutQueue ? s.downSet.download : s.downSet.others;
  ColumnDialog d(layout, m_layoutQueue, this);
  if (d.exec() != QDialog::Accepted) return;
  layout = d.result();
  applyColumnLayout();
}

void MainWindow::onNewCategory() {
  CategoryRecord* parent = m_categoryModel->categoryAt(m_categoryView->currentIndex());
  if (!parent) parent = m_session.tree().root();
  if (!parent) return;
  CategoryDialog d(m_session.tree(), *parent, m_session.categoryUi(), CategoryDialog::Mode::Create,
                   this);
  d.exec();
}

void MainWindow::onEditCategory() {
  CategoryRecord* cat = m_categoryModel->categoryAt(m_categoryView->currentIndex());
  if (!cat || cat->id == kCategoryRoot) return;
  CategoryDialog d(m_session.tree(), *cat, m_session.categoryUi(), CategoryDialog::Mode::Edit,
                   this);
  d.exec();
}

void MainWindow::onCategoryProperties() {
  if (CategoryRecord* cat = m_categoryModel->categoryAt(m_categoryView->currentIndex())) {
    CategoryPropertiesDialog d(*cat, this);
    d.exec();
  }
}

void MainWindow::onDeleteCategory() {
  CategoryRecord* cat = m_categoryModel->categoryAt(m_categoryView->currentIndex());
  if (!cat || cat->id <= kCategoryDeleted) return;
  deleteCategory(m_session.tree(), *cat, m_session.categoryUi());
  updateStatusCounts();
}

void MainWindow::onMoveCategory() {
  CategoryRecord* cat = m_categoryModel->categoryAt(m_categoryView->currentIndex());
  if (!cat || cat->id <= kCategoryDeleted) return;
  MoveCategoryDialog d(m_session.tree(), *cat, m_session.categoryUi(), this);
  d.exec();
}

void MainWindow::onCopyUrl() {
  QStringList urls;
  for (JobRecord* job : selectedJobs()) urls << QString::fromStdString(job->url);
  if (!urls.isEmpty()) QApplication::clipboard()->setText(urls.join(QLatin1Char('\n')));
}

void MainWindow::onOpenUrl(const std::string& url) {
  // A referrer is a web page; anything else could start some other program.
  if (!webUrl(url)) {
    m_boxes->show("Not a web address: " + url, BoxIcon::Information, BoxButtons::Ok);
    return;
  }
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void MainWindow::onCopyFile() {
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.size() != 1 || !finishedJob(*sel.front())) return;
  const JobRecord& job = *sel.front();
  QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Copy file to"),
                                                  QString::fromStdString(job.saveDir));
  if (dir.isEmpty()) return;
  QString from = QString::fromStdString(filePath(job));
  QString to = dir + QLatin1Char('/') + QString::fromStdString(job.fileName);
  if (QFileInfo(from).absoluteFilePath() == QFileInfo(to).absoluteFilePath()) return;
  if (QFile::exists(to)) {
    if (m_boxes->show("A file named \"" + job.fileName + "\" already exists in " +
                          dir.toStdString() + ". Replace it?",
                      BoxIcon::Question, BoxButtons::YesNo) != kBoxYes)
      return;
    QFile::remove(to);
  }
  if (!QFile::copy(from, to))
    m_boxes->show("Cannot copy " + from.toStdString() + " to " + dir.toStdString() + ".",
                  BoxIcon::Warning, BoxButtons::Ok);
}

void MainWindow::onVirusScan() {
  const GeneralSettings& g = m_session.settings().general;
  if (g.virusExe.empty()) return;
  for (JobRecord* job : selectedJobs()) {
    if (!finishedJob(*job)) continue;
    if (!launchDetached(afterDownloadArgv(g.virusExe, g.virusArgs, filePath(*job)))) {
      m_boxes->show("Cannot start " + g.virusExe, BoxIcon::Warning, BoxButtons::Ok);
      return;
    }
  }
}

void MainWindow::onCheckForUpdate() {
  std::vector<JobRecord*> jobs;
  JobContext ctx = m_session.jobContext();
  for (JobRecord* job : selectedJobs()) {
    if (job->activeRoles > 0) continue;
    changeJob(*job, [](JobRecord& j) { j.flags2 |= jobflags2::kDownloadAgain; });
    CategoryRecord* holder = m_session.tree().holderOf(*job);
    if (holder && holder->id != kCategoryDownload) moveJob(ctx, *job, kCategoryDownload, false);
    jobs.push_back(job);
  }
  m_session.startJobs(jobs);
  updateStatusCounts();
}

void MainWindow::onDownloadAgain() {
  std::vector<JobRecord*> jobs;
  for (JobRecord* job : selectedJobs())
    if (job->activeRoles == 0) jobs.push_back(job);
  JobContext ctx = m_session.jobContext();
  restartFromZero(ctx, jobs);
  updateStatusCounts();
}

void MainWindow::onRoleCommand(int id) {
  JobRecord* job = m_shownJob;
  if (!job || !job->controller || m_shownRole <= 0) return;
  JobController& c = *job->controller;
  const int role = m_shownRole;
  if (id == cmd::kRoleStop || id == cmd::kRoleRestart) c.command(CtlStopRole, role);
  if (id == cmd::kRoleStart || id == cmd::kRoleRestart) {
    if (job->activeRoles > 0)
      c.command(CtlRestartRole, role);
    else
      m_session.startJobs({job});
  }
  m_roleModel->rolesChanged();
  jobChanged(*job);
}

void MainWindow::fillProxyMenu() {
  m_proxyMenu->clear();
  const auto& proxies = m_session.settings().proxy.proxies;
  for (size_t i = 0; i < proxies.size(); ++i) {
    QAction* a = m_proxyMenu->addAction(QString::fromStdString(proxies[i].title));
    a->setEnabled(m_commands->enabled(cmd::kChangeProxy));
    connect(a, &QAction::triggered, this, [this, i] { onChangeProxy(static_cast<int>(i) + 1); });
  }
}

void MainWindow::onChangeProxy(int proxyIndex) {
  JobRecord* job = m_shownJob;
  const auto& proxies = m_session.settings().proxy.proxies;
  if (!job || !job->controller || job->activeRoles == 0 || m_shownRole <= 0 || proxyIndex < 1 ||
      proxyIndex > static_cast<int>(proxies.size()))
    return;
  JobController& c = *job->controller;
  // A Role started with the multi-proxy option asks for the proxy named by the
  // controller's status text: the Role started anew below takes the chosen one.
  TextBuffer title;
  title.set(proxies[static_cast<size_t>(proxyIndex - 1)].title);
  c.command(CtlSetStatusText, reinterpret_cast<intptr_t>(&title));
  changeJob(*job, [](JobRecord& j) { j.flags |= jobflags::kMultiProxy; });
  onRoleCommand(cmd::kRoleRestart);
}

void MainWindow::onLogCopy() {
  const bool log = m_tabs->currentIndex() == 0;
  QTreeView* view = log ? m_logView : m_detailView;
  std::vector<int> rows;
  for (const QItemSelectionRange& r : view->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<TextRow> text;
  for (int row : rows) {
    if (log)
      text.push_back(m_logModel->rowText(row));
    else if (row < static_cast<int>(m_detailModel->rows().size()))
      text.push_back(m_detailModel->rows()[static_cast<size_t>(row)]);
  }
  if (!text.empty()) QApplication::clipboard()->setText(QString::fromStdString(logText(text)));
}

void MainWindow::onLogSave() {
  QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Save to file"), QString(),
                                                QStringLiteral("Log Files (*.log)"));
  if (chosen.isEmpty()) return;
  std::vector<TextRow> rows;
  if (m_tabs->currentIndex() == 0) {
    for (int r = 0; r < m_logModel->rowCount(); ++r) rows.push_back(m_logModel->rowText(r));
  } else {
    rows = m_detailModel->rows();
  }
  std::string error;
  std::string path = logFileName(chosen.toStdString());
  if (!writeLogFile(path, logText(rows), &error))
    m_boxes->show("Cannot write " + path + ": " + error, BoxIcon::Warning, BoxButtons::Ok);
}

void MainWindow::onCustomizeToolbar() {
  std::vector<int> ids;
  for (QAction* a : m_toolBar->actions())
    ids.push_back(a->isSeparator() ? kToolSeparator : a->data().toInt());
  ToolbarDialog d(ids, this);
  if (d.exec() != QDialog::Accepted) return;
  m_session.settings().toolBar.button = encodeToolbar(d.result());
  buildToolBar();
  refreshCommands();
}

void MainWindow::onOpenHide() {
  if (isHidden() || isMinimized()) {
    raiseWindow();
    return;
  }
  minimizeOrHide();
}

void MainWindow::onJobsDropped(CategoryRecord& target) {
  CategoryRecord* source = m_jobModel->category();
  std::vector<JobRecord*> jobs = selectedJobs();
  if (!source || jobs.empty() || &target == source) return;
  JobContext ctx = m_session.jobContext();
  moveJobs(ctx, *source, jobs, &target);
  updateStatusCounts();
}

void MainWindow::onJobActivated() {
  std::vector<JobRecord*> sel = selectedJobs();
  if (sel.size() != 1) return;
  JobRecord* job = sel.front();
  const uint32_t other = m_session.settings().general.otherFlag;
  int action;  // 0 the first choice of the option, 1 Edit, 2 Comment
  if (finishedJob(*job)) {
    action = static_cast<int>((other >> 8) & 0x03);
    if (action == 0) return m_commands->run(cmd::kOpenFile), void();
  } else if (job->flags & jobflags::kFailed) {
    action = static_cast<int>((other >> 10) & 0x03);
    if (action == 0) return m_commands->run(cmd::kOpenFolder), void();
  } else {
    action = static_cast<int>((other >> 6) & 0x03);
    if (action == 0) {
      m_commands->run(job->activeRoles > 0 || (job->flags2 & jobflags2::kQueued) ? cmd::kPause
                                                                                 : cmd::kStart);
      return;
    }
  }
  m_commands->run(action == 1 ? cmd::kProperty : cmd::kComment);
}

}  // namespace fw
