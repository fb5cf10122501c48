#include "ui/main_window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "jobs/job_controller.h"
#include "jobs/job_progress.h"
#include "ui/common/icons.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/help_links.h"
#include "ui/main_window/menus.h"
#include "ui/main_window/toolbar_buttons.h"
#include "ui/main_window/window_placement.h"
#include "ui/panes/category_tree_model.h"
#include "ui/panes/detail_model.h"
#include "ui/panes/job_columns.h"
#include "ui/panes/job_list_model.h"
#include "ui/panes/log_model.h"
#include "ui/panes/role_tree_model.h"
#include "ui/panes/segment_map.h"
#include "ui/panes/shown_progress.h"

namespace fw {

namespace {

constexpr int kDefaultWidth = 1180;
constexpr int kDefaultHeight = 760;
// "ViewFlags" under the Main key: the detail pane and the grid lines.
constexpr const char* kViewFlagsValue = "ViewFlags";
constexpr uint32_t kViewDetail = 0x80;
constexpr uint32_t kViewGrid = 0x20;
constexpr uint32_t kViewDropZone = 0x40;

PlainRect plain(const QRect& r) {
  return PlainRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QTreeView* listView(QWidget* parent) {
  auto* v = new QTreeView(parent);
  v->setRootIsDecorated(false);
  v->setUniformRowHeights(true);
  v->setAllColumnsShowFocus(true);
  v->setAlternatingRowColors(true);
  return v;
}

}  // namespace

MainWindow::MainWindow(DesktopSession& session, QWidget* parent)
    : QMainWindow(parent),
      m_session(session),
      m_commands(std::make_unique<CommandSet>(this)),
      m_qtBoxes(this) {
  setObjectName(QStringLiteral("FetchwrightMain"));
  setWindowTitle(QStringLiteral("Fetchwright"));
  setWindowIcon(icon(Icon::App));
  m_session.setBoxes(m_boxes);

  buildPanes();
  buildStatusBar();
  bindCommands();
  buildMainMenu(menuBar(), *m_commands);
  m_queueMenu = buildQueueMenu(*m_commands, this);
  m_doneMenu = buildDoneMenu(*m_commands, this);
  m_roleMenu = buildRoleMenu(*m_commands, this, &m_proxyMenu);
  m_categoryMenu = buildCategoryMenu(*m_commands, this);
  m_logMenu = buildLogMenu(*m_commands, this);
  connect(m_proxyMenu, &QMenu::aboutToShow, this, &MainWindow::fillProxyMenu);
  m_toolBar = addToolBar(QStringLiteral("Toolbar"));
  m_toolBar->setObjectName(QStringLiteral("MainToolBar"));
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  m_toolBar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_toolBar, &QToolBar::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu;
    menu.addAction(m_commands->action(cmd::kCustomizeToolbar));
    menu.exec(m_toolBar->mapToGlobal(at));
  });
  connect(m_commands.get(), &CommandSet::commandRan, this, [this] { refreshCommands(); });
  m_session.setView(this);
}

MainWindow::~MainWindow() {
  m_session.setView(nullptr);
}

void MainWindow::setPrompts(MessageBoxes* boxes, SavePathAsker* saver,
                            PermanentDeleteAsker* deleter) {
  m_boxes = boxes ? boxes : &m_qtBoxes;
  m_session.setBoxes(m_boxes);
  if (saver) m_saver = saver;
  if (deleter) m_deleter = deleter;
}

void MainWindow::buildPanes() {
  m_categoryModel = new CategoryTreeModel(this);
  m_jobModel = new JobListModel(this);
  m_roleModel = new RoleTreeModel(this);
  m_logModel = new LogModel(this);
  m_detailModel = new DetailModel(this);
  m_jobModel->setRetryCount([](const JobRecord& job) {
    return job.controller ? static_cast<int>(job.controller->retryCount()) : 0;
  });
  m_categoryModel->onJobsDropped = [this](CategoryRecord& target) { onJobsDropped(target); };

  m_categoryView = new QTreeView(this);
  m_categoryView->setObjectName(QStringLiteral("CategoryTree"));
  m_categoryView->setModel(m_categoryModel);
  m_categoryView->setHeaderHidden(true);
  m_categoryView->setAcceptDrops(true);
  m_categoryView->setDropIndicatorShown(true);
  m_categoryView->setDragDropMode(QAbstractItemView::DropOnly);
  m_categoryView->setDragDropOverwriteMode(true);
  m_categoryView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_categoryView->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) {
            if (CategoryRecord* cat = m_categoryModel->categoryAt(now)) showCategory(*cat);
          });
  connect(m_categoryView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QModelIndex i = m_categoryView->indexAt(at);
    if (i.isValid()) m_categoryView->setCurrentIndex(i);
    refreshCommands();
    m_categoryMenu->exec(m_categoryView->viewport()->mapToGlobal(at));
  });

  m_jobView = listView(this);
  m_jobView->setObjectName(QStringLiteral("JobList"));
  m_jobView->setModel(m_jobModel);
  m_jobView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_jobView->setDragEnabled(true);
  m_jobView->setDragDropMode(QAbstractItemView::DragOnly);
  m_jobView->header()->setStretchLastSection(false);
  m_jobView->header()->setSectionsMovable(true);
  m_jobView->header()->setMinimumSectionSize(kStatusMinWidth);
  m_jobView->header()->setContextMenuPolicy(Qt::CustomContextMenu);
  m_jobView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_jobView->header(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            QMenu menu;
            menu.addAction(m_commands->action(cmd::kColumns));
            menu.exec(m_jobView->header()->mapToGlobal(at));
          });
  connect(m_jobView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    refreshCommands();
    (queueShown() ? m_queueMenu : m_doneMenu)->exec(m_jobView->viewport()->mapToGlobal(at));
  });
  connect(m_jobView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { refreshCommands(); });
  connect(m_jobView->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) { showJobInPanes(m_jobModel->jobAt(now.row())); });
  connect(m_jobView, &QTreeView::doubleClicked, this, [this] { onJobActivated(); });
  // Delete acts on the list only; Shift+Delete deletes for good.
  for (bool shift : {false, true}) {
    auto* del = new QAction(this);
    del->setShortcut(shift ? QKeySequence(Qt::SHIFT | Qt::Key_Delete) : QKeySequence::Delete);
    del->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(del, &QAction::triggered, this, [this, shift] {
      if (m_commands->enabled(cmd::kDelete)) onDelete(shift);
    });
    m_jobView->addAction(del);
  }

  m_roleView = new QTreeView(this);
  m_roleView->setObjectName(QStringLiteral("RoleTree"));
  m_roleView->setModel(m_roleModel);
  m_roleView->setHeaderHidden(true);
  m_roleView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_roleView->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) {
            int r = m_roleModel->roleAt(now);
            m_shownRole = r < 0 ? 0 : r;
            reloadLog();
            refreshPanes();
            refreshCommands();
          });
  connect(m_roleView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QModelIndex i = m_roleView->indexAt(at);
    if (i.isValid()) m_roleView->setCurrentIndex(i);
    refreshCommands();
    m_roleMenu->exec(m_roleView->viewport()->mapToGlobal(at));
  });

  m_logView = listView(this);
  m_logView->setObjectName(QStringLiteral("LogTable"));
  m_logView->setModel(m_logModel);
  m_logView->setAlternatingRowColors(false);
  m_logView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_logView->header()->resizeSection(0, 80);
  m_logView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_logView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    refreshCommands();
    m_logMenu->exec(m_logView->viewport()->mapToGlobal(at));
  });
  connect(m_logView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { refreshCommands(); });

  m_detailView = listView(this);
  m_detailView->setObjectName(QStringLiteral("DetailTable"));
  m_detailView->setModel(m_detailModel);
  m_detailView->header()->resizeSection(0, 130);
  m_detailView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_detailView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_detailView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    refreshCommands();
    m_logMenu->exec(m_detailView->viewport()->mapToGlobal(at));
  });

  m_tabs = new QTabWidget(this);
  m_tabs->addTab(m_logView, QStringLiteral("Summary/Log"));
  m_tabs->addTab(m_detailView, QStringLiteral("Detailed Info"));
  connect(m_tabs, &QTabWidget::currentChanged, this, [this] { refreshCommands(); });
  m_segmentMap = new SegmentMap(this);

  auto* detailSide = new QWidget(this);
  auto* detailLayout = new QVBoxLayout(detailSide);
  detailLayout->setContentsMargins(0, 0, 0, 0);
  detailLayout->setSpacing(2);
  detailLayout->addWidget(m_tabs, 1);
  detailLayout->addWidget(m_segmentMap);

  m_bottomSplit = new QSplitter(Qt::Horizontal, this);
  m_bottomSplit->addWidget(m_roleView);
  m_bottomSplit->addWidget(detailSide);
  m_bottomSplit->setStretchFactor(1, 1);
  m_bottom = m_bottomSplit;

  m_rightSplit = new QSplitter(Qt::Vertical, this);
  m_rightSplit->addWidget(m_jobView);
  m_rightSplit->addWidget(m_bottomSplit);
  m_rightSplit->setStretchFactor(0, 3);
  m_rightSplit->setStretchFactor(1, 2);

  m_mainSplit = new QSplitter(Qt::Horizontal, this);
  m_mainSplit->addWidget(m_categoryView);
  m_mainSplit->addWidget(m_rightSplit);
  m_mainSplit->setStretchFactor(1, 1);
  setCentralWidget(m_mainSplit);

  m_mainSplit->setSizes({200, kDefaultWidth - 200});
  m_rightSplit->setSizes({380, 260});
  m_bottomSplit->setSizes({170, kDefaultWidth - 370});
}

void MainWindow::buildStatusBar() {
  m_countLabel = new QLabel(this);
  m_modeLabel = new QLabel(this);
  m_speedLabel = new QLabel(this);
  m_speedLabel->setMinimumWidth(100);
  m_speedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusBar()->addPermanentWidget(m_countLabel);
  statusBar()->addPermanentWidget(m_modeLabel);
  statusBar()->addPermanentWidget(m_speedLabel);
  statusBar()->showMessage(QStringLiteral("Ready"));
}

void MainWindow::buildToolBar() {
  m_toolBar->clear();
  for (int id : decodeToolbar(m_session.settings().toolBar.button)) {
    if (id == kToolSeparator) {
      m_toolBar->addSeparator();
      continue;
    }
    const ToolButtonSpec* b = toolButton(id);
    QAction* a = m_commands->alias(id, QString::fromLatin1(b->label));
    a->setIcon(icon(b->icon));
    m_toolBar->addAction(a);
  }
}

void MainWindow::buildTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  m_trayMenu = buildTrayMenu(*m_commands, this);
  m_tray = new QSystemTrayIcon(icon(Icon::App), this);
  m_tray->setToolTip(QStringLiteral("Fetchwright"));
  // The menu is opened by hand so that it stays shut while a property sheet is open.
  connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::DoubleClick) m_commands->run(cmd::kOpenHide);
    if (why == QSystemTrayIcon::Context) openTrayMenu();
  });
  m_tray->show();
}

bool MainWindow::openTrayMenu() {
  if (!m_trayMenu || m_modalDepth > 0) return false;
  refreshCommands();
  activateWindow();
  m_trayMenu->popup(QCursor::pos());
  return true;
}

bool MainWindow::hideToTrayAllowed() const {
  // Without a tray icon a hidden window could never be brought back.
  return m_tray && m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::startUp() {
  buildToolBar();
  applyViewFlags();
  applyListColors();
  m_categoryModel->setTree(&m_session.tree());
  rebuildTree();
  if (CategoryRecord* queue = m_session.tree().findCategory(kCategoryDownload))
    showCategory(*queue);
  m_title = m_session.startupTitle();
  setWindowTitle(QString::fromStdString(m_title.empty() ? std::string("Fetchwright") : m_title));
  restoreLayout();
  buildTray();
  buildDropZone();
  m_session.startRunning();
  updateStatusCounts();
  showOverallSpeed("");
  refreshCommands();
  m_jobView->setFocus();
  if (m_session.settings().general.option(generalcheck::kStartMinimized)) {
    showMinimized();
  }
}

void MainWindow::restoreLayout() {
  const Settings& s = m_session.settings();
  std::vector<PlainRect> screens;
  for (QScreen* screen : QGuiApplication::screens())
    screens.push_back(plain(screen->availableGeometry()));
  std::optional<WindowPlacement> placement = decodePlacement(s.main.winLayout);
  bool placed = false;
  if (placement && reachableOnScreens(placement->normal, screens)) {
    // Left and top place the window's frame; the width and height are its inside.
    const PlainRect& r = placement->normal;
    move(r.left, r.top);
    resize(std::max(400, r.width()), std::max(300, r.height()));
    placed = true;
  }
  if (!placed) {
    resize(kDefaultWidth, kDefaultHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect avail = screen->availableGeometry();
      QSize size(std::min(kDefaultWidth, avail.width()), std::min(kDefaultHeight, avail.height()));
      resize(size);
      move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
    }
  }
  if (auto cat = parsePaneRect(s.main.formEx); cat && cat->width() > 0)
    m_mainSplit->setSizes({cat->width(), std::max(200, width() - cat->width())});
  if (auto role = parsePaneRect(s.main.thdFormEx);
      role && role->width() > 0 && role->height() > 0) {
    m_bottomSplit->setSizes({role->width(), std::max(200, width() - role->width())});
    m_rightSplit->setSizes({std::max(100, height() - role->height() - 120), role->height()});
  }
  const uint32_t state = placement && placed ? placement->showState : kShowNormal;
  if (state == kShowMaximized)
    showMaximized();
  else if (state == kShowMinimized)
    showMinimized();
  else
    show();
}

void MainWindow::saveLayout() {
  Settings& s = m_session.settings();
  WindowPlacement p;
  p.showState = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
  // The frame's place in the normal state (what move() takes back) and the inside's size.
  const QRect inside = normalGeometry().isValid() ? normalGeometry() : geometry();
  const QPoint frameOffset = geometry().topLeft() - frameGeometry().topLeft();
  p.normal = plain(QRect(inside.topLeft() - frameOffset, inside.size()));
  s.main.winLayout = encodePlacement(p);
  QRect cat = m_categoryView->geometry();
  s.main.formEx =
      formatPaneRect(plain(QRect(m_categoryView->mapTo(this, QPoint(0, 0)), cat.size())));
  QRect role = m_roleView->geometry();
  s.main.thdFormEx =
      formatPaneRect(plain(QRect(m_roleView->mapTo(this, QPoint(0, 0)), role.size())));
  s.toolBar.button = encodeToolbar([this] {
    std::vector<int> ids;
    for (QAction* a : m_toolBar->actions())
      ids.push_back(a->isSeparator() ? kToolSeparator : a->data().toInt());
    return ids;
  }());
  captureColumnLayout();
  uint32_t flags = (m_detailShown ? kViewDetail : 0) | (m_gridLines ? kViewGrid : 0) |
                   (m_dropZoneShown ? kViewDropZone : 0);
  m_session.registry().setDword(RegRoot::CurrentUser, settingkeys::kMain, kViewFlagsValue, flags);
}

void MainWindow::applyViewFlags() {
  // The DropZone floats over every other window: it appears once the user asks for it.
  uint32_t flags = kViewDetail;
  m_session.registry().queryDword(RegRoot::CurrentUser, settingkeys::kMain, kViewFlagsValue, flags);
  m_detailShown = (flags & kViewDetail) != 0;
  m_gridLines = (flags & kViewGrid) != 0;
  m_dropZoneShown = (flags & kViewDropZone) != 0;
  m_bottom->setVisible(m_detailShown);
  if (m_dropZone) m_dropZone->setVisible(m_dropZoneShown);
  m_jobView->setStyleSheet(m_gridLines ? QStringLiteral("QTreeView::item { border-right: 1px solid "
                                                        "palette(midlight); border-bottom: 1px "
                                                        "solid palette(midlight); }")
                                       : QString());
}

void MainWindow::applyColumnLayout() {
  Settings& s = m_session.settings();
  ColumnLayout& layout = m_layoutQueue ? s.downSet.download : s.downSet.others;
  QHeaderView* h = m_jobView->header();
  std::vector<ShownColumn> shown = shownColumns(layout);
  std::vector<bool> isShown(kColumnSlots, false);
  int visual = 0;
  for (const ShownColumn& c : shown) {
    isShown[static_cast<size_t>(c.slot)] = true;
    int from = h->visualIndex(c.slot);
    if (from != visual) h->moveSection(from, visual);
    h->setSectionHidden(c.slot, false);
    h->resizeSection(c.slot, c.width);
    ++visual;
  }
  for (int slot = 0; slot < kColumnSlots; ++slot)
    if (!isShown[static_cast<size_t>(slot)]) h->setSectionHidden(slot, true);
}

void MainWindow::captureColumnLayout() {
  Settings& s = m_session.settings();
  ColumnLayout& layout = m_layoutQueue ? s.downSet.download : s.downSet.others;
  QHeaderView* h = m_jobView->header();
  std::vector<ShownColumn> shown;
  for (int visual = 0; visual < h->count(); ++visual) {
    int slot = h->logicalIndex(visual);
    if (!h->isSectionHidden(slot)) shown.push_back(ShownColumn{slot, h->sectionSize(slot)});
  }
  captureColumns(layout, shown);
}

bool MainWindow::queueShown() const {
  CategoryRecord* cat = m_jobModel->category();
  return cat && cat->id == kCategoryDownload;
}

std::vector<JobRecord*> MainWindow::selectedJobs() const {
  // By rows: selectedRows() wants every column selected, hidden ones too.
  std::vector<int> rows;
  for (const QItemSelectionRange& r : m_jobView->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<JobRecord*> out;
  for (int row : rows)
    if (JobRecord* j = m_jobModel->jobAt(row)) out.push_back(j);
  return out;
}

void MainWindow::selectJobs(const std::vector<JobRecord*>& jobs) {
  QItemSelection sel;
  for (JobRecord* j : jobs) {
    int row = m_jobModel->rowOf(*j);
    if (row >= 0) sel.select(m_jobModel->index(row, 0), m_jobModel->index(row, kColumnSlots - 1));
  }
  m_jobView->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
  if (!jobs.empty()) {
    int row = m_jobModel->rowOf(*jobs.front());
    if (row >= 0) {
      m_jobView->selectionModel()->setCurrentIndex(m_jobModel->index(row, 0),
                                                   QItemSelectionModel::NoUpdate);
      m_jobView->scrollTo(m_jobModel->index(row, 0));
    }
  }
}

CommandContext MainWindow::commandContext() const {
  CommandContext c;
  CategoryRecord* shown = m_jobModel->category();
  if (shown) {
    c.shown = shown->id == kCategoryDownload     ? ShownKind::Queue
              : shown->id == kCategoryDownloaded ? ShownKind::Downloaded
              : shown->id == kCategoryDeleted    ? ShownKind::Deleted
                                                 : ShownKind::Other;
  }
  c.rows = m_jobModel->rows();
  std::vector<JobRecord*> sel = selectedJobs();
  c.selected = static_cast<int>(sel.size());
  for (JobRecord* j : sel) {
    if (j->activeRoles > 0) ++c.selectedRunning;
    if (finishedJob(*j)) ++c.selectedComplete;
  }
  c.selectedHasReferer = sel.size() == 1 && !sel.front()->referer.empty();
  c.startable = m_session.startableCount();
  c.running = static_cast<int>(m_session.monitor().running().size());
  c.queued = static_cast<int>(m_session.monitor().waitQueue().size());
  c.findText = m_findQuery.valid();
  if (CategoryRecord* cat = m_categoryModel->categoryAt(m_categoryView->currentIndex())) {
    c.categorySelected = true;
    c.categoryIsRoot = cat->id == kCategoryRoot;
    c.categoryFixed = cat->id >= kCategoryDownload && cat->id <= kCategoryDeleted;
  }
  if (m_shownJob) {
    c.shownJobRunning = m_shownJob->activeRoles > 0;
    c.roleNode = m_shownRole > 0;
    c.roleAlive = c.roleNode && m_shownJob->controller &&
                  m_shownJob->controller->findRole(m_shownRole) != nullptr;
  }
  const bool logTab = m_tabs->currentIndex() == 0;
  QTreeView* table = logTab ? m_logView : m_detailView;
  c.logRows = table->model()->rowCount() > 0;
  c.logSelection = table->selectionModel()->hasSelection();
  const Settings& s = m_session.settings();
  c.virusScanner = !s.general.virusExe.empty();
  c.manualPresent = !manualPath().isEmpty();
  c.homePage = homePageUrl(s.general.homePage).isValid();
  c.bandwidthMode = m_session.bandwidthMode();
  c.monitor = s.general.monitor;
  c.detailShown = m_detailShown;
  c.gridLines = m_gridLines;
  c.dropZoneShown = m_dropZoneShown;
  c.hangUpWhenDone = (s.dialUp.flags & dialupflags::kHangUpWhenDone) != 0;
  c.skin = static_cast<int>(s.general.skin);
  return c;
}

void MainWindow::refreshCommands() {
  m_commands->refresh(commandContext());
}

void MainWindow::updateStatusCounts() {
  CategoryRecord* cat = m_jobModel->category();
  m_countLabel->setText(cat ? QStringLiteral("%1: %2 job(s)")
                                  .arg(QString::fromStdString(cat->name))
                                  .arg(m_jobModel->rows())
                            : QString());
  static const char* kModes[] = {"Unlimited", "Manual", "Automatic"};
  int mode = m_session.bandwidthMode();
  QString text = QStringLiteral("Speed limit: %1").arg(QString::fromLatin1(kModes[mode % 3]));
  if (mode != 0) {
    const MonitorSettings& m = m_session.monitor().settings();
    text +=
        QStringLiteral(" (%1 KB/s)")
            .arg(static_cast<double>(mode == 1 ? m.manualBand : m.autoBand) / 1024.0, 0, 'f', 1);
  }
  m_modeLabel->setText(text);
}

}  // namespace fw
