#pragma once
// The category dialogs: "Create new category" (name, folder with a browse button, and the
// parent picked in a tree), editing a category in the same dialog, its "Properties", and
// "Move to ......" (the new parent picked in a tree). OK runs the store's command, whose
// refusals keep the dialog open.
//
// Main (GUI) thread only.

#include <QDialog>

#include "store/category_commands.h"

class QLineEdit;
class QTreeView;

namespace fw {

class CategoryTreeModel;

class CategoryDialog : public QDialog {
  Q_OBJECT

 public:
  // Create: a new category under `cat` (the tree lets the user pick another parent).
  // Edit: `cat`'s name and folder.
  enum class Mode { Create, Edit };
  CategoryDialog(CategoryTree& tree, CategoryRecord& cat, const CategoryUi& ui, Mode mode,
                 QWidget* parent = nullptr);

  void setFields(const std::string& name, const std::string& saveDir);
  // The category made by OK (creating), else null.
  CategoryRecord* created() const { return m_created; }
  void accept() override;

 private:
  CategoryRecord* pickedParent() const;

  CategoryTree& m_tree;
  CategoryRecord& m_cat;  // the parent when creating, the category when editing
  CategoryUi m_ui;
  bool m_edit;
  CategoryRecord* m_created = nullptr;
  QLineEdit* m_name = nullptr;
  QLineEdit* m_dir = nullptr;
  QTreeView* m_treeView = nullptr;
  CategoryTreeModel* m_model = nullptr;
};

class CategoryPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  CategoryPropertiesDialog(const CategoryRecord& cat, QWidget* parent = nullptr);
};

class MoveCategoryDialog : public QDialog {
  Q_OBJECT

 public:
  MoveCategoryDialog(CategoryTree& tree, CategoryRecord& cat, const CategoryUi& ui,
                     QWidget* parent = nullptr);
  void setTarget(CategoryRecord* target);
  void accept() override;

 private:
  CategoryTree& m_tree;
  CategoryRecord& m_cat;
  CategoryUi m_ui;
  QTreeView* m_treeView;
  CategoryTreeModel* m_model;
};

}  // namespace fw
