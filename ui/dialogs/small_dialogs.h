#pragma once
// The program's small dialogs: "About", the permanent-delete confirmation with its two
// check boxes, "Restore backup file", and the end-of-work countdown.
//
// Main (GUI) thread only.

#include <QDialog>
#include <QTimer>

#include <string>
#include <vector>

#include "store/database_session.h"
#include "ui/main_window/delete_flow.h"

class QCheckBox;
class QLabel;
class QListWidget;

namespace fw {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
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

// "Fetchwright will close in %d seconds": counts down once a second and accepts itself
// at 0, as if OK were pressed.
class CountdownDialog : public QDialog {
  Q_OBJECT

 public:
  CountdownDialog(int seconds, const std::string& format, QWidget* parent = nullptr);
  int remaining() const { return m_remaining; }

 private:
  void step();
  void showText();

  int m_remaining;
  std::string m_format;
  QLabel* m_text;
  QTimer m_timer;
};

}  // namespace fw
