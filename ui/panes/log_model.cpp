#include "ui/panes/log_model.h"

#include <QBrush>

namespace fw {

QColor colorFromRef(uint32_t ref) {
  return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                static_cast<int>((ref >> 16) & 0xFF));
}

LogModel::LogModel(QObject* parent) : QAbstractTableModel(parent) {
  setColors(ColorSettings{});
}

void LogModel::setColors(const ColorSettings& c) {
  m_text = {colorFromRef(c.state), colorFromRef(c.command), colorFromRef(c.error),
            colorFromRef(c.server)};
  m_back = {colorFromRef(c.stateBk), colorFromRef(c.commandBk), colorFromRef(c.errorBk),
            colorFromRef(c.serverBk)};
  if (!m_rows.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 1));
}

void LogModel::setRows(std::vector<LogRow> rows) {
  beginResetModel();
  m_rows = std::move(rows);
  endResetModel();
}

void LogModel::appendRow(LogRow row) {
  int at = rowCount();
  beginInsertRows({}, at, at);
  m_rows.push_back(std::move(row));
  endInsertRows();
}

std::pair<std::string, std::string> LogModel::rowText(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  const LogRow& r = m_rows[static_cast<size_t>(row)];
  return {logTimeText(r.timeMs), "Role" + std::to_string(r.roleNo) + ": " + r.text};
}

int LogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const LogRow& r = m_rows[static_cast<size_t>(index.row())];
  const size_t kind = static_cast<size_t>(r.kind & 3);
  switch (role) {
    case Qt::DisplayRole: {
      auto texts = rowText(index.row());
      return QString::fromStdString(index.column() == 0 ? texts.first : texts.second);
    }
    case Qt::ForegroundRole:
      return QBrush(m_text[kind]);
    case Qt::BackgroundRole:
      return QBrush(m_back[kind]);
    default:
      return {};
  }
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("Date") : QStringLiteral("Information");
}

}  // namespace fw
