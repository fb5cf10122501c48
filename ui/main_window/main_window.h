#pragma once
// The program's main window: the category tree at the left, the job list at the right,
// and below it the Role tree beside the "Summary/Log" and "Detailed Info" tabs with the
// segment map; the menus, the toolbar, the status bar and the tray icon; the start-up,
// close and shut-down sequences; and the window layout kept in the registry store.
//
// The window is the session's view (SessionView): the job controllers and the queue
// monitor report through it. Every command runs through the CommandSet, bound in one
// place (bindCommands in main_window_commands.cpp).
//
// Main (GUI) thread only.

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/receiver/hand_off_window.h"
#include "ui/common/qt_message_boxes.h"
#include "ui/dialogs/job_finder.h"
#include "ui/dialogs/job_sheet_values.h"
#include "ui/drop_zone/drop_zone.h"
#include "ui/main_window/command_set.h"
#include "ui/main_window/delete_flow.h"
#include "ui/main_window/desktop_session.h"
#include "ui/main_window/exit_flow.h"
#include "ui/main_window/url_offer.h"
#include "ui/panes/log_lines.h"

class QLabel;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeView;

namespace fw {

class CategoryTreeModel;
class DetailModel;
class JobListModel;
class LogModel;
class RoleTreeModel;
class SegmentMap;
class SelectUrlWindow;

class MainWindow : public QMainWindow, public SessionView {
  Q_OBJECT

 public:
  explicit MainWindow(DesktopSession& session, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up from creating the window on (the settings and the database are open): the
  // stored layout, the toolbar, the panes, timer 1, the tray icon, then the window is
  // shown (minimised when "Start main window minimized" is set).
  void startUp();
  // The shut-down without questions (SIGTERM, SIGINT, a session ending): jobs stopped,
  // layout, settings and database saved; then the application quits.
  void quitQuietly();

  // Test seams: the message boxes, the save dialog and the permanent-delete dialog.
  void setPrompts(MessageBoxes* boxes, SavePathAsker* saver, PermanentDeleteAsker* deleter);

  CommandSet& commands() { return *m_commands; }
  // The state the command rules read, taken now.
  CommandContext commandContext() const;
  // Applies the command rules to every action.
  void refreshCommands();

  JobListModel& jobModel() { return *m_jobModel; }
  CategoryTreeModel& categoryModel() { return *m_categoryModel; }
  RoleTreeModel& roleModel() { return *m_roleModel; }
  LogModel& logModel() { return *m_logModel; }
  DetailModel& detailModel() { return *m_detailModel; }
  QTreeView* jobView() const { return m_jobView; }
  QTreeView* categoryView() const { return m_categoryView; }
  QTreeView* roleView() const { return m_roleView; }
  QTreeView* logView() const { return m_logView; }
  QTabWidget* tabs() const { return m_tabs; }
  QToolBar* toolBar() const { return m_toolBar; }
  QSystemTrayIcon* trayIcon() const { return m_tray; }
  JobRecord* shownJob() const { return m_shownJob; }
  DropZone* dropZone() const { return m_dropZone.get(); }

  std::vector<JobRecord*> selectedJobs() const;
  void selectJobs(const std::vector<JobRecord*>& jobs);
  // While a modal property sheet is open the tray's menu does not open (ModalScope).
  int modalDepth() const { return m_modalDepth; }
  struct ModalScope {
    explicit ModalScope(MainWindow& w) : m_w(w) { ++m_w.m_modalDepth; }
    ~ModalScope() { --m_w.m_modalDepth; }
    MainWindow& m_w;
  };
  // The "Options" sheet on `page` (0 the first, 7 "Dial-Up Networking"); modal.
  void showOptions(int page);
  // Right button on the tray icon: its menu at the cursor, unless a modal sheet is open.
  // True when the menu opened.
  bool openTrayMenu();
  bool hideToTrayAllowed() const;
  // Minimises the window, or hides it into the tray when "Hide window when minimized" is
  // on and a tray icon can bring it back.
  void minimizeOrHide();

  // New jobs (main_window_offers.cpp).
  // The one entry point for URLs offered from outside (clipboard, browser, DropZone, a
  // batch, the command line). Each request carries the URL and what the source knows
  // (referrer, comment); the rest comes from the new-job defaults. decideOffer() says
  // what happens: added at once, the property sheet (opened from the event loop, so a
  // caller waiting for an answer gets it first), or a "Select Url" window for several.
  // Nothing happens once shut-down has begun.
  void offerUrls(const std::vector<AddJobRequest>& requests, UrlSource source);
  // The new-job property sheet (modal); on OK the job, and one job per URL of
  // `furtherUrls` with its settings, are added. The accepted values, or none.
  std::optional<JobSheetValues> openNewJobSheet(const NewJobOffer& offer,
                                                const std::vector<std::string>& furtherUrls = {});
  // A modeless "Select Url" window for `rows`; its OK runs the chosen URLs' sheets.
  SelectUrlWindow* openSelectUrl(const std::vector<UrlRow>& rows);
  // AddJob with the defaults for what `request` leaves open. False when nothing was added.
  bool addJobNow(const AddJobRequest& request);
  int selectUrlWindowCount() const;
  void closeSelectUrlWindows();

  // SessionView.
  void rebuildTree() override;
  CategoryRecord* shownCategory() override;
  void showCategory(CategoryRecord& cat) override;
  void rowInserted(JobRecord& job) override;
  void rowRemoved(JobRecord& job) override;
  void refreshJobList() override;
  void jobChanged(JobRecord& job) override;
  void jobForgotten(JobRecord& job) override;
  bool isShownJob(const JobRecord& job) override;
  void roleTreeCleared(JobRecord& job) override;
  void roleNodeAdded(JobRecord& job, int roleNo) override;
  void roleNodeRemoved(JobRecord& job, int roleNo) override;
  void detailRefresh(JobRecord& job) override;
  void logLineAdded(JobRecord& job, int roleNo, const std::string& line) override;
  void jobEnded(JobRecord& job, bool complete) override;
  void databaseReplaced() override;
  void notice(const std::string& text) override;
  void setTitle(const std::string& title) override;
  void showOverallSpeed(const std::string& text) override;
  void ticked() override;
  EndOfWorkView* openCountdownView(EndOfWorkCountdown& countdown) override;
  void endOfWorkSave() override;
  void powerOffFailed(const std::string& why) override;
  void endOfWorkClose() override;
  void raiseWindow() override;
  DialingView* openDialingView(DialingWindow& window) override;
  void openDialUpOptions() override;
  void offerNewerVersion() override;
  // Command 32857: the "Check Newest Version" window (main_window_dialup.cpp).
  void openUpdateWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Building (main_window.cpp).
  void buildPanes();
  void buildStatusBar();
  void buildToolBar();
  void buildTray();
  void restoreLayout();
  void saveLayout();
  void applyColumnLayout();
  void captureColumnLayout();
  void applyViewFlags();
  void applyListColors();  // the list and log colours of the settings
  void showJobInPanes(JobRecord* job);
  void refreshPanes();
  void reloadLog();
  void updateStatusCounts();
  bool queueShown() const;

  // Commands (main_window_commands.cpp).
  void bindCommands();
  // Shift: the permanent delete (the menu's command reads the Shift key).
  void onDelete(bool shift);
  void onProperty();
  void onAddBatch();
  void onComment();
  void onRename();
  void onFind(bool again);
  void onColumns();
  void onNewCategory();
  void onEditCategory();
  void onCategoryProperties();
  void onDeleteCategory();
  void onMoveCategory();
  void onCopyUrl();
  void onOpenUrl(const std::string& url);
  void onCopyFile();
  void onVirusScan();
  void onCheckForUpdate();
  void onDownloadAgain();
  void onRoleCommand(int id);
  void onChangeProxy(int proxyIndex);
  void onLogCopy();
  void onLogSave();
  void onCustomizeToolbar();
  void onOpenHide();
  void onJobsDropped(CategoryRecord& target);
  void onJobActivated();
  void onExportHtml();

  // The DropZone (main_window_drop_zone.cpp).
  void buildDropZone();
  void showDropZone(bool shown);
  // Each second: the overall speed and the Graph/Log settings.
  void refreshDropZone();
  void onDropZoneText(const QString& text);
  void fillProxyMenu();
  std::vector<JobRecord*> selectedOrShown() const;

  // Files and closing (main_window_files.cpp).
  void onNewDatabase();
  void onOpenDatabase();
  void onSaveDatabase();
  void onSaveAs();
  void onExit();
  // Algorithm 5 from its first step; `untitledTo`: where an untitled database goes ("":
  // nowhere).
  void shutDown(bool saveDatabase, const std::string& untitledTo);
  bool askToLeaveUntitled();
  ExitState exitState() const;
  std::string chooseSavePath(const std::string& defaultName);

  DesktopSession& m_session;
  std::unique_ptr<CommandSet> m_commands;
  QtMessageBoxes m_qtBoxes;
  MessageBoxes* m_boxes = &m_qtBoxes;
  SavePathAsker* m_saver = nullptr;
  PermanentDeleteAsker* m_deleter = nullptr;
  std::unique_ptr<SavePathAsker> m_ownSaver;
  std::unique_ptr<PermanentDeleteAsker> m_ownDeleter;

  CategoryTreeModel* m_categoryModel = nullptr;
  JobListModel* m_jobModel = nullptr;
  RoleTreeModel* m_roleModel = nullptr;
  LogModel* m_logModel = nullptr;
  DetailModel* m_detailModel = nullptr;
  LogLines m_logLines;

  QSplitter* m_mainSplit = nullptr;
  QSplitter* m_rightSplit = nullptr;
  QSplitter* m_bottomSplit = nullptr;
  QWidget* m_bottom = nullptr;
  QTreeView* m_categoryView = nullptr;
  QTreeView* m_jobView = nullptr;
  QTreeView* m_roleView = nullptr;
  QTreeView* m_logView = nullptr;
  QTreeView* m_detailView = nullptr;
  QTabWidget* m_tabs = nullptr;
  SegmentMap* m_segmentMap = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_countLabel = nullptr;
  QLabel* m_modeLabel = nullptr;
  QLabel* m_speedLabel = nullptr;
  QSystemTrayIcon* m_tray = nullptr;
  QMenu* m_trayMenu = nullptr;
  QMenu* m_queueMenu = nullptr;
  QMenu* m_doneMenu = nullptr;
  QMenu* m_roleMenu = nullptr;
  QMenu* m_proxyMenu = nullptr;
  QMenu* m_categoryMenu = nullptr;
  QMenu* m_logMenu = nullptr;

  JobRecord* m_shownJob = nullptr;
  int m_shownRole = 0;        // 0: the job's node
  bool m_layoutQueue = true;  // which column layout the list has now
  bool m_detailShown = true;
  bool m_gridLines = false;
  bool m_dropZoneShown = false;
  std::unique_ptr<DropZone> m_dropZone;
  FindQuery m_findQuery;
  int m_modalDepth = 0;
  std::vector<QPointer<SelectUrlWindow>> m_selectUrls;
  bool m_flushPending = false;
  bool m_closing = false;
  std::string m_title;
};

}  // namespace fw
