// The main window as the session's view: what the job controllers and the queue monitor
// report lands here and becomes repaints of the panes.

#include <QDateTime>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "jobs/job_controller.h"
#include "ui/dialogs/small_dialogs.h"
#include "ui/main_window/main_window.h"
#include "ui/panes/category_tree_model.h"
#include "ui/panes/detail_model.h"
#include "ui/panes/job_list_model.h"
#include "ui/panes/log_model.h"
#include "ui/panes/role_tree_model.h"
#include "ui/panes/segment_map.h"
#include "ui/panes/shown_progress.h"

namespace fw {

void MainWindow::rebuildTree() {
  // Keep the open branches open and the current category current.
  std::vector<const CategoryRecord*> expanded;
  std::vector<const CategoryRecord*> pending;
  if (CategoryRecord* root = m_session.tree().root()) pending.push_back(root);
  while (!pending.empty()) {
    const CategoryRecord* c = pending.back();
    pending.pop_back();
    if (m_categoryView->isExpanded(m_categoryModel->indexOf(c))) expanded.push_back(c);
    for (const CategoryRecord* k = c->firstChild; k; k = k->nextSibling) pending.push_back(k);
  }
  CategoryRecord* shown = m_jobModel->category();
  const bool first = m_categoryModel->rowCount() == 0 || expanded.empty();
  m_categoryModel->reset();
  if (first) {
    m_categoryView->expandAll();
  } else {
    for (const CategoryRecord* c : expanded) m_categoryView->expand(m_categoryModel->indexOf(c));
  }
  if (shown) {
    QSignalBlocker block(m_categoryView->selectionModel());
    m_categoryView->setCurrentIndex(m_categoryModel->indexOf(shown));
  }
}

CategoryRecord* MainWindow::shownCategory() {
  return m_jobModel->category();
}

void MainWindow::showCategory(CategoryRecord& cat) {
  if (m_jobModel->category() != &cat) {
    const bool queue = cat.id == kCategoryDownload;
    if (m_jobModel->category() && queue != m_layoutQueue) {
      captureColumnLayout();
      m_layoutQueue = queue;
      m_jobModel->setCategory(&cat);
      applyColumnLayout();
    } else {
      m_layoutQueue = queue;
      m_jobModel->setCategory(&cat);
      applyColumnLayout();
    }
    showJobInPanes(nullptr);
  }
  QModelIndex idx = m_categoryModel->indexOf(&cat);
  if (m_categoryView->currentIndex() != idx) {
    QSignalBlocker block(m_categoryView->selectionModel());
    m_categoryView->setCurrentIndex(idx);
  }
  updateStatusCounts();
  refreshCommands();
}

void MainWindow::rowInserted(JobRecord& job) {
  m_jobModel->jobInserted(job);
  updateStatusCounts();
}

void MainWindow::rowRemoved(JobRecord& job) {
  if (&job == m_shownJob) showJobInPanes(nullptr);
  m_jobModel->jobRemoving(job);
  updateStatusCounts();
}

void MainWindow::refreshJobList() {
  m_jobModel->reload();
  showJobInPanes(nullptr);
  updateStatusCounts();
  refreshCommands();
}

void MainWindow::jobChanged(JobRecord& job) {
  m_jobModel->jobChanged(job);
  // Repainted once the core's work of this pass is done, all changed rows together.
  if (m_flushPending) return;
  m_flushPending = true;
  QTimer::singleShot(0, this, [this] {
    m_flushPending = false;
    m_jobModel->flushChanges();
  });
}

void MainWindow::jobForgotten(JobRecord& job) {
  if (&job == m_shownJob) showJobInPanes(nullptr);
  m_logLines.forget(job);
}

bool MainWindow::isShownJob(const JobRecord& job) {
  return &job == m_shownJob;
}

void MainWindow::roleTreeCleared(JobRecord& job) {
  m_logLines.forget(job);
  if (&job != m_shownJob) return;
  m_roleModel->setJob(&job);
  m_roleView->expandAll();
  m_shownRole = 0;
  m_logModel->clear();
}

void MainWindow::roleNodeAdded(JobRecord& job, int) {
  if (&job != m_shownJob) return;
  m_roleModel->rolesChanged();
  m_roleView->expandAll();
}

void MainWindow::roleNodeRemoved(JobRecord& job, int roleNo) {
  if (&job != m_shownJob) return;
  m_roleModel->rolesChanged();
  m_roleView->expandAll();
  if (roleNo == m_shownRole) m_roleView->setCurrentIndex(m_roleModel->jobIndex());
  reloadLog();
}

void MainWindow::detailRefresh(JobRecord& job) {
  if (&job == m_shownJob) refreshPanes();
}

void MainWindow::logLineAdded(JobRecord& job, int roleNo, const std::string& line) {
  size_t count = 0;
  for (const RoleLog& log : job.roleLogs)
    if (log.roleNo == roleNo) count = log.lines.size();
  const int64_t now = QDateTime::currentMSecsSinceEpoch();
  m_logLines.lineAdded(job, roleNo, count, now);
  if (&job != m_shownJob || (m_shownRole != 0 && m_shownRole != roleNo)) return;
  if (count <= 1) {
    // The list was emptied before this line: the rows shown of it are gone.
    reloadLog();
    return;
  }
  LogRow row;
  row.roleNo = roleNo;
  row.kind = !line.empty() && line[0] >= '0' && line[0] <= '3' ? line[0] - '0' : 0;
  row.text = line.empty() ? std::string() : line.substr(1);
  row.timeMs = now;
  const bool atEnd =
      m_logView->verticalScrollBar()->value() == m_logView->verticalScrollBar()->maximum();
  m_logModel->appendRow(std::move(row));
  if (atEnd) m_logView->scrollToBottom();
}

void MainWindow::jobEnded(JobRecord& job, bool) {
  if (&job == m_shownJob) {
    m_roleModel->rolesChanged();
    refreshPanes();
  }
  refreshCommands();
}

void MainWindow::databaseReplaced() {
  showJobInPanes(nullptr);
  m_logLines.clear();
  m_categoryModel->setTree(&m_session.tree());
  m_jobModel->setCategory(nullptr);
  m_categoryView->expandAll();
  if (CategoryRecord* queue = m_session.tree().findCategory(kCategoryDownload))
    showCategory(*queue);
  const std::string& path = m_session.databasePath();
  std::string name = path.empty() ? std::string("Untitled.npd") : path.substr(path.rfind('/') + 1);
  setTitle(name + " -- Fetchwright");
}

void MainWindow::notice(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages())
    m_tray->showMessage(QStringLiteral("Fetchwright"), t, QSystemTrayIcon::Information, 6000);
  statusBar()->showMessage(t, 10000);
}

void MainWindow::setTitle(const std::string& title) {
  m_title = title;
  setWindowTitle(QString::fromStdString(title));
  if (m_tray) m_tray->setToolTip(QString::fromStdString(title));
}

void MainWindow::showOverallSpeed(const std::string& text) {
  m_speedLabel->setText(text.empty() ? QStringLiteral("0.00KB/s") : QString::fromStdString(text));
}

void MainWindow::ticked() {
  refreshDropZone();
  m_jobModel->markRunning();
  m_jobModel->flushChanges();
  if (m_shownJob) {
    m_roleModel->refreshMarks();
    refreshPanes();
  }
  updateStatusCounts();
  refreshCommands();
}

EndOfWorkView* MainWindow::openCountdownView(EndOfWorkCountdown& countdown) {
  auto* w = new CountdownWindow(countdown, this);
  w->show();
  w->raise();
  return w;
}

void MainWindow::endOfWorkSave() {
  saveLayout();
}

void MainWindow::powerOffFailed(const std::string& why) {
  notice("Cannot shut the computer down: " + why);
}

void MainWindow::endOfWorkClose() {
  // Not from inside the countdown that asks for it.
  QTimer::singleShot(0, this, [this] { shutDown(true, ""); });
}

void MainWindow::raiseWindow() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void MainWindow::minimizeOrHide() {
  // Hidden straight away rather than minimised first: a window the manager iconified and
  // that was then withdrawn does not always come back when it is shown again.
  // Open "Select Url" windows stay on screen while the main window goes (a window manager
  // minimises a window's transient windows with it).
  const bool hideNow =
      (m_session.settings().general.otherFlag & 0x2000) || selectUrlWindowCount() > 0;
  if (hideNow && hideToTrayAllowed())
    hide();
  else
    showMinimized();
}

void MainWindow::showJobInPanes(JobRecord* job) {
  if (job == m_shownJob) return;
  // The controller of a running job reports its Roles and details only while shown.
  if (m_shownJob && m_shownJob->controller) m_shownJob->controller->command(CtlHide, 0);
  m_shownJob = job;
  m_shownRole = 0;
  if (job && job->controller && job->activeRoles > 0) job->controller->command(CtlShow, 0);
  m_roleModel->setJob(job);
  m_roleView->expandAll();
  if (job) m_roleView->setCurrentIndex(m_roleModel->jobIndex());
  reloadLog();
  refreshPanes();
}

void MainWindow::reloadLog() {
  if (!m_shownJob) {
    m_logModel->clear();
    return;
  }
  m_logModel->setRows(m_logLines.rows(*m_shownJob, m_shownRole));
  m_logView->scrollToBottom();
}

void MainWindow::refreshPanes() {
  if (!m_shownJob) {
    m_detailModel->setRows({});
    m_segmentMap->clear();
    return;
  }
  const bool bytes = m_session.settings().general.sizeInBytes();
  ShownProgress p = readShown(*m_shownJob, true);
  if (m_shownRole > 0) {
    std::vector<RoleProgress> roles = readRoleProgress(*m_shownJob);
    auto it = std::find_if(roles.begin(), roles.end(),
                           [this](const RoleProgress& r) { return r.roleNo == m_shownRole; });
    RoleProgress r;
    r.roleNo = m_shownRole;
    m_detailModel->setRows(roleDetailRows(it == roles.end() ? r : *it, bytes));
  } else {
    m_detailModel->setRows(jobDetailRows(*m_shownJob, p, bytes));
  }
  m_segmentMap->setProgress(p, p.complete, bytes);
}

}  // namespace fw
