#pragma once
// The program's small dialogs: "About", the permanent-delete confirmation with its two
// check boxes, "Restore backup file", and the end-of-work countdown's window.
//
// Main (GUI) thread only.

#include <QDialog>

#include <string>
#include <vector>

#include "jobs/end_of_work.h"
#include "store/database_session.h"
#include "ui/main_window/delete_flow.h"

class QCheckBox;
class QLabel;
class QListWidget;

namespace fw {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  // `homePage`: the link shown, none when empty.
  explicit AboutDialog(const std::string& homePage, QWidget* parent = nullptr);
};

class PermanentDeleteDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PermanentDeleteDialog(QWidget* parent = nullptr);
  PermanentDeleteChoice choice() const;

 private:
  QCheckBox* m_downloaded;
  QCheckBox* m_uncompleted;
};

class BackupChooserDialog : public QDialog, public BackupChooser {
  Q_OBJECT

 public:
  explicit BackupChooserDialog(QWidget* parent = nullptr);
  // Shows the dialog with `candidates`; the chosen index or -1.
  int choose(const std::vector<BackupCandidate>& candidates) override;

 private:
  QListWidget* m_list;
};

// The all-done countdown's window: the countdown's text, refreshed each second, with OK
// and Cancel. The countdown itself (jobs/end_of_work.h) decides what happens; the window
// only shows it and passes the buttons on. Non-modal: the program keeps running under it.
class CountdownWindow : public QDialog, public EndOfWorkView {
  Q_OBJECT

 public:
  CountdownWindow(EndOfWorkCountdown& countdown, QWidget* parent = nullptr);
  ~CountdownWindow() override;
  void textChanged() override;
  void closeView() override;
  QString text() const;

 private:
  EndOfWorkCountdown* m_countdown;
  QLabel* m_text;
};

}  // namespace fw
