// The main window's file commands (new, open, save, save as) and its ways out: the
// close button, the Exit command, the end of work and a signal, each ending in the one
// shut-down sequence.

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QTimer>

#include "platform/paths.h"
#include "ui/main_window/main_window.h"

namespace fw {

namespace {

const QString kDatabaseFilter = QStringLiteral("Fetchwright Files (*.npd)");

// "Minimize main windows on click X" and "Hide window when minimized" ("OtherFlag" byte 1).
constexpr uint32_t kMinimizeOnClose = 0x4000;
constexpr uint32_t kHideWhenMinimized = 0x2000;
// "On program exit when files are downloading" ("OtherFlag" byte 0).
constexpr uint32_t kConfirmExitRunning = 0x01;

class DialogSaver final : public SavePathAsker {
 public:
  explicit DialogSaver(QWidget* parent) : m_parent(parent) {}
  std::string askSavePath(const std::string& defaultName) override {
    QFileDialog d(m_parent, QStringLiteral("Save As"),
                  QString::fromStdString(dataDir() + "/" + defaultName), kDatabaseFilter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("npd"));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().front().toStdString();
  }

 private:
  QWidget* m_parent;
};

}  // namespace

std::string MainWindow::chooseSavePath(const std::string& defaultName) {
  if (m_saver) return m_saver->askSavePath(defaultName);
  DialogSaver saver(this);
  return saver.askSavePath(defaultName);
}

ExitState MainWindow::exitState() const {
  ExitState st;
  st.jobsRunning = !m_session.monitor().running().empty();
  st.confirmRunning = (m_session.settings().general.otherFlag & kConfirmExitRunning) != 0;
  st.untitled = m_session.untitled();
  return st;
}

// Before the open database is replaced: an untitled one may be saved first. False when
// the user cancelled the save dialog.
bool MainWindow::askToLeaveUntitled() {
  if (!m_session.untitled()) return true;
  if (m_boxes->show(kSaveUntitledQuestion, BoxIcon::Question, BoxButtons::YesNo) != kBoxYes)
    return true;
  std::string path = chooseSavePath(kUntitledFileName);
  if (path.empty()) return false;
  std::string error;
  if (!m_session.saveDatabaseAs(withDatabaseExtension(path), &error)) {
    m_boxes->show(error, BoxIcon::Warning, BoxButtons::Ok);
    return false;
  }
  return true;
}

void MainWindow::onNewDatabase() {
  if (!askToLeaveUntitled()) return;
  m_session.newDatabase();
  refreshCommands();
}

void MainWindow::onOpenDatabase() {
  QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Database"),
                                              QString::fromStdString(dataDir()), kDatabaseFilter);
  if (path.isEmpty() || !askToLeaveUntitled()) return;
  std::string error;
  if (!m_session.openDatabase(path.toStdString(), &error))
    m_boxes->show(error, BoxIcon::Warning, BoxButtons::Ok);
  refreshCommands();
}

void MainWindow::onSaveDatabase() {
  if (m_session.untitled()) {
    onSaveAs();
    return;
  }
  if (m_session.saveDatabase() != 1)
    m_boxes->show("Cannot save the job database " + m_session.databasePath() + ".",
                  BoxIcon::Warning, BoxButtons::Ok);
}

void MainWindow::onSaveAs() {
  std::string path = chooseSavePath(m_session.untitled() ? kUntitledFileName : kDefaultFileName);
  if (path.empty()) return;
  std::string error;
  if (!m_session.saveDatabaseAs(withDatabaseExtension(path), &error)) {
    m_boxes->show(error, BoxIcon::Warning, BoxButtons::Ok);
    return;
  }
  const std::string& p = m_session.databasePath();
  setTitle(p.substr(p.rfind('/') + 1) + " -- Fetchwright");
}

void MainWindow::onExit() {
  struct Saver final : SavePathAsker {
    MainWindow& w;
    explicit Saver(MainWindow& w) : w(w) {}
    std::string askSavePath(const std::string& name) override { return w.chooseSavePath(name); }
  } saver(*this);
  ExitPlan plan = planExit(exitState(), true, *m_boxes, saver);
  if (!plan.close) return;
  shutDown(true, plan.saveUntitledTo);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->accept();
    return;
  }
  const uint32_t other = m_session.settings().general.otherFlag;
  if (other & kMinimizeOnClose) {
    // Minimised, and hidden only where a tray icon can bring it back.
    event->ignore();
    minimizeOrHide();
    return;
  }
  struct Saver final : SavePathAsker {
    MainWindow& w;
    explicit Saver(MainWindow& w) : w(w) {}
    std::string askSavePath(const std::string& name) override { return w.chooseSavePath(name); }
  } saver(*this);
  ExitPlan plan = planExit(exitState(), false, *m_boxes, saver);
  if (!plan.close) {
    event->ignore();
    return;
  }
  event->accept();
  shutDown(true, plan.saveUntitledTo);
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  const uint32_t other = m_session.settings().general.otherFlag;
  if ((other & kHideWhenMinimized) && hideToTrayAllowed())
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
}

void MainWindow::quitQuietly() {
  if (m_closing) return;
  // Nobody is there to ask where an untitled database should go: it is kept under the
  // name the save dialog would have offered.
  std::string untitledTo;
  if (m_session.untitled()) untitledTo = dataDir() + "/" + kUntitledFileName;
  shutDown(true, untitledTo);
}

void MainWindow::shutDown(bool saveDatabase, const std::string& untitledTo) {
  if (m_closing) return;
  m_closing = true;
  m_session.setClosing();
  saveLayout();
  hide();
  closeSelectUrlWindows();
  if (m_dropZone) m_dropZone->hide();
  if (m_tray) m_tray->hide();
  bool save = saveDatabase;
  if (m_session.untitled()) {
    std::string error;
    save = !untitledTo.empty() && m_session.saveDatabaseAs(untitledTo, &error) == 1;
  }
  m_session.shutdown(save);
  close();
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace fw
