#pragma once
// The "Detailed Info" table: "Parameter" and "Value" rows of the job or Role shown.
// Refreshed in place every second while the job runs.
//
// Main thread only.

#include <QAbstractTableModel>

#include <vector>

#include "ui/panes/detail_rows.h"

namespace fw {

class DetailModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DetailModel(QObject* parent = nullptr);

  // New rows: a reset when their number or names changed, else one dataChanged.
  void setRows(std::vector<DetailRow> rows);
  const std::vector<DetailRow>& rows() const { return m_rows; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<DetailRow> m_rows;
};

}  // namespace fw
