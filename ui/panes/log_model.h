#pragma once
// The "Summary/Log" table: "Date" and "Information" rows of the job (or one Role) shown,
// each drawn in the colours the settings give its kind of line.
//
// Main thread only.

#include <QAbstractTableModel>
#include <QColor>

#include <array>
#include <vector>

#include "store/settings_records.h"
#include "ui/panes/log_lines.h"

namespace fw {

class LogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit LogModel(QObject* parent = nullptr);

  // Text and background colours by kind, from the Color key.
  void setColors(const ColorSettings& colors);
  void setRows(std::vector<LogRow> rows);
  // One more line at the end.
  void appendRow(LogRow row);
  void clear() { setRows({}); }
  const std::vector<LogRow>& rows() const { return m_rows; }
  // The two texts of a row, as shown.
  std::pair<std::string, std::string> rowText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<LogRow> m_rows;
  std::array<QColor, 4> m_text;
  std::array<QColor, 4> m_back;
};

// A stored 0x00BBGGRR colour.
QColor colorFromRef(uint32_t ref);

}  // namespace fw
