#pragma once
// The toolbar's button-selection dialog: the buttons on the toolbar in order and the ones
// that are not, with "Add", "Remove", "Separator", "Move Up", "Move Down" and "Reset".
// The editing itself is ToolbarEditor, without widgets.
//
// Main (GUI) thread only for the dialog; the editor is pure data.

#include <QDialog>

#include <vector>

class QListWidget;

namespace fw {

class ToolbarEditor {
 public:
  explicit ToolbarEditor(std::vector<int> ids) : m_ids(std::move(ids)) {}
  const std::vector<int>& ids() const { return m_ids; }
  // Buttons not on the toolbar, in the order of the button list.
  std::vector<int> available() const;
  // Inserts `id` before position `at` (at the end when out of range); a button already
  // on the toolbar is not added twice. The new position, or -1.
  int add(int id, int at);
  void addSeparator(int at);
  void remove(int at);
  int moveUp(int at);
  int moveDown(int at);
  void reset();

 private:
  std::vector<int> m_ids;
};

class ToolbarDialog : public QDialog {
  Q_OBJECT

 public:
  ToolbarDialog(const std::vector<int>& ids, QWidget* parent = nullptr);
  std::vector<int> result() const { return m_editor.ids(); }

 private:
  void fill(int selectOnBar);

  ToolbarEditor m_editor;
  QListWidget* m_available;
  QListWidget* m_bar;
};

}  // namespace fw
