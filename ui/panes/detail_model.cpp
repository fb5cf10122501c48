#include "ui/panes/detail_model.h"

namespace fw {

DetailModel::DetailModel(QObject* parent) : QAbstractTableModel(parent) {}

void DetailModel::setRows(std::vector<DetailRow> rows) {
  bool sameShape = rows.size() == m_rows.size();
  for (size_t i = 0; sameShape && i < rows.size(); ++i)
    sameShape = rows[i].first == m_rows[i].first;
  if (!sameShape) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    return;
  }
  std::vector<int> changed;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].second != m_rows[i].second) changed.push_back(static_cast<int>(i));
  m_rows = std::move(rows);
  if (!changed.empty()) Q_EMIT dataChanged(index(changed.front(), 1), index(changed.back(), 1));
}

int DetailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DetailModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant DetailModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())) return {};
  const DetailRow& r = m_rows[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return QString::fromStdString(index.column() == 0 ? r.first : r.second);
  return {};
}

QVariant DetailModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("Parameter") : QStringLiteral("Value");
}

}  // namespace fw
