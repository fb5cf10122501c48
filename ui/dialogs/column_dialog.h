#pragma once
// The "Colume" dialog: the job list's column slots in display order with "Show", "Hide",
// "Move Up", "Move Down", "Default" and the selected column's width. OK applies the
// result to the layout of the category shown.
//
// Main (GUI) thread only.

#include <QDialog>

#include "ui/dialogs/column_chooser.h"

class QListWidget;
class QPushButton;
class QSpinBox;

namespace fw {

class ColumnDialog : public QDialog {
  Q_OBJECT

 public:
  ColumnDialog(const ColumnLayout& layout, bool queue, QWidget* parent = nullptr);
  ColumnLayout result() const { return m_chooser.result(); }
  ColumnChooser& chooser() { return m_chooser; }

 private:
  void fill(int select);
  void updateButtons();
  int current() const;

  ColumnChooser m_chooser;
  QListWidget* m_list;
  QPushButton* m_show;
  QPushButton* m_hide;
  QPushButton* m_up;
  QPushButton* m_down;
  QSpinBox* m_width;
  bool m_filling = false;
};

}  // namespace fw
