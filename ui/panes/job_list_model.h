#pragma once
// The job list: one row per job of the category on screen, in the category's list order,
// and one column per slot (ui/panes/job_columns.h; the view hides, orders and sizes them
// by the stored layout). The model reads the job records; it holds nothing but the row
// order. Running jobs are repainted through jobChanged(), which only marks rows: the
// marked rows get one dataChanged each when flushChanges() runs (after each tick), so a
// second of progress never rebuilds the list.
//
// Main thread only.

#include <QAbstractTableModel>

#include <functional>
#include <unordered_set>
#include <vector>

#include "records/job_record.h"

namespace fw {

inline constexpr const char* kJobsMimeType = "application/x-fetchwright-jobs";

class JobListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit JobListModel(QObject* parent = nullptr);

  // Shows `cat`'s jobs (null: none).
  void setCategory(CategoryRecord* cat);
  CategoryRecord* category() const { return m_category; }
  // Rebuilds the rows from the category's list (after the list changed wholesale).
  void reload();
  // The list's order changed (jobs moved up or down): rows follow, selections stay.
  void reorder();

  // `job` was linked into the shown category at its listIndex.
  void jobInserted(JobRecord& job);
  // `job` is about to leave the shown category's list.
  void jobRemoving(JobRecord& job);
  // `job`'s cells changed; repainted at the next flushChanges().
  void jobChanged(const JobRecord& job);
  void flushChanges();
  // Marks every running job of the list changed.
  void markRunning();

  JobRecord* jobAt(int row) const;
  // -1 when the job is not in the list.
  int rowOf(const JobRecord& job) const;
  int rows() const { return static_cast<int>(m_rows.size()); }

  void setSizeInBytes(bool on);
  // The retry count of a job's last run (the controller keeps it).
  void setRetryCount(std::function<int(const JobRecord&)> retries) {
    m_retries = std::move(retries);
  }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

 private:
  CategoryRecord* m_category = nullptr;
  std::vector<JobRecord*> m_rows;
  std::unordered_set<const JobRecord*> m_dirty;
  bool m_sizeInBytes = false;
  std::function<int(const JobRecord&)> m_retries;
};

}  // namespace fw
