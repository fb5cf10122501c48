#pragma once
// The "Dialing" window: the status list of a dial and a Cancel button, drawn from a
// DialingWindow (jobs/dialing_window.h), which holds the lines, the caption and the
// redial timer. Cancel and the window's close box close the DialingWindow, which aborts
// a dial still under way; the DialingWindow closes this view through closeView().
//
// Shown window-modal over the main window, never exec()'d: the dial runs on the
// program's message loop while it is open.
//
// Main (GUI) thread only.

#include <QDialog>

#include "jobs/dialing_window.h"

class QListWidget;
class QPushButton;

namespace fw {

class DialingDialog : public QDialog, public DialingView {
  Q_OBJECT

 public:
  DialingDialog(DialingWindow& window, QWidget* parent = nullptr);
  ~DialingDialog() override;

  // DialingView.
  void setCaption(const std::string& caption) override;
  void linesChanged() override;
  void closeView() override;

  QListWidget* statusList() const { return m_list; }
  QPushButton* cancelButton() const { return m_cancel; }

 protected:
  void reject() override;

 private:
  DialingWindow* m_window;
  QListWidget* m_list;
  QPushButton* m_cancel;
  bool m_dying = false;
};

}  // namespace fw
