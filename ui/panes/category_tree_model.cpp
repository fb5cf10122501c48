#include "ui/panes/category_tree_model.h"

#include <QMimeData>

#include "ui/common/icons.h"
#include "ui/panes/job_list_model.h"

namespace fw {

namespace {

CategoryRecord* nthChild(const CategoryRecord* parent, int row) {
  CategoryRecord* c = parent ? parent->firstChild : nullptr;
  for (int i = 0; c && i < row; ++i) c = c->nextSibling;
  return c;
}

int childCount(const CategoryRecord* parent) {
  int n = 0;
  for (CategoryRecord* c = parent ? parent->firstChild : nullptr; c; c = c->nextSibling) ++n;
  return n;
}

// The row of `cat` among its parent's children (0 for the root).
int rowIn(const CategoryRecord* cat) {
  int row = 0;
  // linkBack leads back over the earlier siblings to the parent.
  for (const CategoryRecord* c = cat; c->linkBack && c->linkBack->nextSibling == c; c = c->linkBack)
    ++row;
  return row;
}

Icon categoryIcon(const CategoryRecord& cat) {
  switch (cat.id) {
    case kCategoryRoot:
      return Icon::CategoryRoot;
    case kCategoryDownload:
      return Icon::CategoryQueue;
    case kCategoryDownloaded:
      return Icon::CategoryDone;
    case kCategoryDeleted:
      return Icon::CategoryDeleted;
    default:
      return Icon::CategoryUser;
  }
}

}  // namespace

CategoryTreeModel::CategoryTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void CategoryTreeModel::setTree(const CategoryTree* tree) {
  beginResetModel();
  m_tree = tree;
  endResetModel();
}

void CategoryTreeModel::reset() {
  beginResetModel();
  endResetModel();
}

void CategoryTreeModel::categoryChanged(const CategoryRecord& cat) {
  QModelIndex i = indexOf(&cat);
  if (i.isValid()) Q_EMIT dataChanged(i, i);
}

CategoryRecord* CategoryTreeModel::categoryAt(const QModelIndex& index) const {
  return index.isValid() ? static_cast<CategoryRecord*>(index.internalPointer()) : nullptr;
}

QModelIndex CategoryTreeModel::indexOf(const CategoryRecord* cat) const {
  if (!cat || !m_tree) return {};
  return createIndex(rowIn(cat), 0, const_cast<CategoryRecord*>(cat));
}

QModelIndex CategoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!m_tree || !m_tree->root() || column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? createIndex(0, 0, m_tree->root()) : QModelIndex();
  CategoryRecord* child = nthChild(categoryAt(parent), row);
  return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex CategoryTreeModel::parent(const QModelIndex& child) const {
  CategoryRecord* cat = categoryAt(child);
  if (!cat) return {};
  CategoryRecord* p = CategoryTree::parentOf(*cat);
  return p ? indexOf(p) : QModelIndex();
}

int CategoryTreeModel::rowCount(const QModelIndex& parent) const {
  if (!m_tree || !m_tree->root()) return 0;
  if (!parent.isValid()) return 1;
  return childCount(categoryAt(parent));
}

int CategoryTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant CategoryTreeModel::data(const QModelIndex& index, int role) const {
  const CategoryRecord* cat = categoryAt(index);
  if (!cat) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(cat->name);
    case Qt::DecorationRole:
      return icon(categoryIcon(*cat));
    case Qt::ToolTipRole: {
      size_t jobs = CategoryTree::jobCount(*cat);
      return QStringLiteral("%1\n%2 job(s)\n%3")
          .arg(QString::fromStdString(cat->name))
          .arg(jobs)
          .arg(QString::fromStdString(cat->saveDir));
    }
    default:
      return {};
  }
}

Qt::ItemFlags CategoryTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
}

QStringList CategoryTreeModel::mimeTypes() const {
  return {QString::fromLatin1(kJobsMimeType)};
}

bool CategoryTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                        const QModelIndex& parent) const {
  return data && data->hasFormat(QString::fromLatin1(kJobsMimeType)) && categoryAt(parent);
}

bool CategoryTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                     int column, const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  if (onJobsDropped) onJobsDropped(*categoryAt(parent));
  // The move is the program's own, not the view's: nothing is to be removed by the drag.
  return false;
}

}  // namespace fw
