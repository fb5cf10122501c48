#pragma once
// The Role tree: the job shown in the panes as the root node and below it one node per
// log list of its run, "Role1", "Role2", ..., marked as running while that Role lives.
// Rebuilt when Roles are added or removed, which the job's controller reports.
//
// Main thread only.

#include <QAbstractItemModel>

#include <vector>

#include "records/job_record.h"

namespace fw {

class RoleTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit RoleTreeModel(QObject* parent = nullptr);

  void setJob(JobRecord* job);
  JobRecord* job() const { return m_job; }
  // The job's Roles changed (added, removed, run restarted).
  void rolesChanged();
  // Which Roles run: repaints their marks.
  void refreshMarks();

  // 0 for the job's node, else the Role number; -1 for no node.
  int roleAt(const QModelIndex& index) const;
  QModelIndex jobIndex() const;
  QModelIndex roleIndex(int roleNo) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  bool alive(int roleNo) const;

  JobRecord* m_job = nullptr;
  std::vector<int> m_roles;  // Role numbers, in the order of the job's log lists
};

}  // namespace fw
