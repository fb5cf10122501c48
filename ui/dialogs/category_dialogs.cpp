#include "ui/dialogs/category_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/common/icons.h"
#include "ui/dialogs/category_edit.h"
#include "ui/panes/category_tree_model.h"

namespace fw {

namespace {

QDialogButtonBox* okCancel(QDialog* d) {
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
  QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return b;
}

QTreeView* categoryPicker(QWidget* parent, CategoryTreeModel* model, CategoryRecord* current) {
  auto* view = new QTreeView(parent);
  view->setModel(model);
  view->setHeaderHidden(true);
  view->expandAll();
  view->setCurrentIndex(model->indexOf(current));
  view->setMinimumHeight(160);
  return view;
}

}  // namespace

CategoryDialog::CategoryDialog(CategoryTree& tree, CategoryRecord& cat, const CategoryUi& ui,
                               Mode mode, QWidget* parent)
    : QDialog(parent), m_tree(tree), m_cat(cat), m_ui(ui), m_edit(mode == Mode::Edit) {
  setWindowTitle(m_edit ? QStringLiteral("Edit Category") : QStringLiteral("Create new category"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_name = new QLineEdit(this);
  m_name->setMaxLength(static_cast<int>(kCategoryNameMax) + 64);
  form->addRow(QStringLiteral("Category Name:"), m_name);
  auto* dirRow = new QHBoxLayout;
  m_dir = new QLineEdit(this);
  auto* browse = new QToolButton(this);
  browse->setIcon(icon(Icon::Folder));
  browse->setToolTip(QStringLiteral("Choose the folder"));
  dirRow->addWidget(m_dir, 1);
  dirRow->addWidget(browse);
  form->addRow(QStringLiteral("Save directory:"), dirRow);
  layout->addLayout(form);
  connect(browse, &QToolButton::clicked, this, [this] {
    QString dir =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Save directory"), m_dir->text());
    if (!dir.isEmpty()) m_dir->setText(dir);
  });

  if (m_edit) {
    setFields(cat.name, cat.saveDir);
    m_name->setEnabled(cat.id > kCategoryDeleted);
  } else {
    layout->addWidget(new QLabel(QStringLiteral("Create the category under:"), this));
    m_model = new CategoryTreeModel(this);
    m_model->setTree(&tree);
    m_treeView = categoryPicker(this, m_model, &cat);
    layout->addWidget(m_treeView, 1);
    auto follow = [this] {
      if (CategoryRecord* p = pickedParent()) m_dir->setText(QString::fromStdString(p->saveDir));
    };
    connect(m_treeView->selectionModel(), &QItemSelectionModel::currentChanged, this, follow);
    follow();
  }
  layout->addWidget(okCancel(this));
  resize(460, m_edit ? sizeHint().height() : 420);
}

void CategoryDialog::setFields(const std::string& name, const std::string& saveDir) {
  m_name->setText(QString::fromStdString(name));
  m_dir->setText(QString::fromStdString(saveDir));
}

CategoryRecord* CategoryDialog::pickedParent() const {
  if (!m_treeView) return &m_cat;
  CategoryRecord* p = m_model->categoryAt(m_treeView->currentIndex());
  return p ? p : &m_cat;
}

void CategoryDialog::accept() {
  const std::string name = m_name->text().toStdString();
  const std::string dir = m_dir->text().toStdString();
  if (m_edit) {
    if (!editCategory(m_cat, name, dir, m_ui)) return;
  } else {
    m_created = createCategory(m_tree, *pickedParent(), name, dir, m_ui);
    if (!m_created) return;
  }
  QDialog::accept();
}

CategoryPropertiesDialog::CategoryPropertiesDialog(const CategoryRecord& cat, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Properties"));
  CategoryCounts counts = countCategory(cat);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto value = [this](const QString& text) {
    auto* l = new QLabel(text, this);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  };
  form->addRow(QStringLiteral("Name:"), value(QString::fromStdString(cat.name)));
  form->addRow(QStringLiteral("Default directory:"), value(QString::fromStdString(cat.saveDir)));
  form->addRow(QStringLiteral("Jobs:"), value(QString::number(counts.jobs)));
  form->addRow(QStringLiteral("Sub-categories:"), value(QString::number(counts.subCategories)));
  form->addRow(QStringLiteral("Jobs with sub-categories:"), value(QString::number(counts.allJobs)));
  layout->addLayout(form);
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(b);
  setMinimumWidth(360);
}

MoveCategoryDialog::MoveCategoryDialog(CategoryTree& tree, CategoryRecord& cat,
                                       const CategoryUi& ui, QWidget* parent)
    : QDialog(parent), m_tree(tree), m_cat(cat), m_ui(ui) {
  setWindowTitle(QStringLiteral("Move to ......"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(QStringLiteral("Move \"%1\" under:").arg(QString::fromStdString(cat.name)), this));
  m_model = new CategoryTreeModel(this);
  m_model->setTree(&tree);
  m_treeView = categoryPicker(this, m_model, CategoryTree::parentOf(cat));
  layout->addWidget(m_treeView, 1);
  layout->addWidget(okCancel(this));
  resize(380, 400);
}

void MoveCategoryDialog::setTarget(CategoryRecord* target) {
  m_treeView->setCurrentIndex(m_model->indexOf(target));
}

void MoveCategoryDialog::accept() {
  CategoryRecord* target = m_model->categoryAt(m_treeView->currentIndex());
  if (!target) return;
  // A refusal ("Can't move Category!") closes the dialog without change, as does a move.
  moveCategory(m_tree, m_cat, *target, m_ui);
  QDialog::accept();
}

}  // namespace fw
