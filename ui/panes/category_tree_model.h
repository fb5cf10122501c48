#pragma once
// The category tree of the open job database as an item model: the root category as the
// one top item, each category's sub-categories below it in their chain order. Items point
// at the CategoryRecords themselves; the tree is rebuilt (a model reset) only when its
// shape changes, never on a tick. Dropping jobs of the job list on an item asks for them
// to be moved there.
//
// Main thread only.

#include <QAbstractItemModel>

#include <functional>

#include "store/category_tree.h"

namespace fw {

class CategoryTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit CategoryTreeModel(QObject* parent = nullptr);

  // The tree to show; null shows nothing. Call reset() after the tree was replaced.
  void setTree(const CategoryTree* tree);
  void reset();
  // The category's name or counts changed.
  void categoryChanged(const CategoryRecord& cat);

  CategoryRecord* categoryAt(const QModelIndex& index) const;
  QModelIndex indexOf(const CategoryRecord* cat) const;

  // Called when jobs of the job list are dropped on `target`.
  std::function<void(CategoryRecord& target)> onJobsDropped;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 private:
  const CategoryTree* m_tree = nullptr;
};

}  // namespace fw
