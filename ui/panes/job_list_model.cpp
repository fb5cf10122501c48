#include "ui/panes/job_list_model.h"

#include <QMimeData>

#include <algorithm>

#include "ui/common/icons.h"
#include "ui/panes/job_columns.h"
#include "ui/panes/shown_progress.h"

namespace fw {

namespace {

Icon stateIcon(JobState s) {
  switch (s) {
    case JobState::Running:
      return Icon::StateRunning;
    case JobState::Complete:
      return Icon::StateComplete;
    case JobState::Failed:
      return Icon::StateFailed;
    case JobState::Queued:
      return Icon::StateQueued;
    case JobState::Scheduled:
      return Icon::StateScheduled;
    case JobState::Stopped:
      return Icon::StateStopped;
  }
  return Icon::StateStopped;
}

QString oneLine(const std::string& s) {
  QString q = QString::fromStdString(s);
  q.replace(QLatin1Char('\r'), QLatin1Char(' '));
  q.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return q;
}

bool rightAligned(int slot) {
  switch (slot) {
    case kSlotSize:
    case kSlotComplete:
    case kSlotPercent:
    case kSlotElapsed:
    case kSlotLeft:
    case kSlotSpeed:
    case kSlotRetry:
      return true;
    default:
      return false;
  }
}

}  // namespace

JobListModel::JobListModel(QObject* parent) : QAbstractTableModel(parent) {}

void JobListModel::setCategory(CategoryRecord* cat) {
  m_category = cat;
  reload();
}

void JobListModel::reload() {
  beginResetModel();
  m_rows.clear();
  m_dirty.clear();
  if (m_category)
    for (JobRecord* j = m_category->firstJob; j; j = j->next) m_rows.push_back(j);
  endResetModel();
}

void JobListModel::reorder() {
  Q_EMIT layoutAboutToBeChanged();
  std::vector<JobRecord*> old = m_rows;
  m_rows.clear();
  if (m_category)
    for (JobRecord* j = m_category->firstJob; j; j = j->next) m_rows.push_back(j);
  QModelIndexList from, to;
  for (const QModelIndex& idx : persistentIndexList()) {
    int row = -1;
    if (idx.row() < static_cast<int>(old.size())) row = rowOf(*old[static_cast<size_t>(idx.row())]);
    from.push_back(idx);
    to.push_back(row < 0 ? QModelIndex() : index(row, idx.column()));
  }
  changePersistentIndexList(from, to);
  Q_EMIT layoutChanged();
}

void JobListModel::jobInserted(JobRecord& job) {
  int row = std::clamp<int>(job.listIndex, 0, static_cast<int>(m_rows.size()));
  beginInsertRows({}, row, row);
  m_rows.insert(m_rows.begin() + row, &job);
  endInsertRows();
}

void JobListModel::jobRemoving(JobRecord& job) {
  int row = rowOf(job);
  if (row < 0) return;
  beginRemoveRows({}, row, row);
  m_rows.erase(m_rows.begin() + row);
  m_dirty.erase(&job);
  endRemoveRows();
}

void JobListModel::jobChanged(const JobRecord& job) {
  m_dirty.insert(&job);
}

void JobListModel::markRunning() {
  for (const JobRecord* j : m_rows)
    if (j->activeRoles > 0 || j->controller) m_dirty.insert(j);
}

void JobListModel::flushChanges() {
  if (m_dirty.empty()) return;
  std::vector<int> rows;
  for (const JobRecord* j : m_dirty) {
    int r = rowOf(*j);
    if (r >= 0) rows.push_back(r);
  }
  m_dirty.clear();
  std::sort(rows.begin(), rows.end());
  // One signal per run of neighbouring rows.
  for (size_t i = 0; i < rows.size();) {
    size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
    Q_EMIT dataChanged(index(rows[i], 0), index(rows[j], kColumnSlots - 1));
    i = j + 1;
  }
}

JobRecord* JobListModel::jobAt(int row) const {
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return nullptr;
  return m_rows[static_cast<size_t>(row)];
}

int JobListModel::rowOf(const JobRecord& job) const {
  const int at = job.listIndex;
  if (at >= 0 && at < static_cast<int>(m_rows.size()) && m_rows[static_cast<size_t>(at)] == &job)
    return at;
  auto it = std::find(m_rows.begin(), m_rows.end(), &job);
  return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

void JobListModel::setSizeInBytes(bool on) {
  if (on == m_sizeInBytes) return;
  m_sizeInBytes = on;
  if (!m_rows.empty()) Q_EMIT dataChanged(index(0, 0), index(rows() - 1, kColumnSlots - 1));
}

int JobListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int JobListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnSlots;
}

QVariant JobListModel::data(const QModelIndex& index, int role) const {
  const JobRecord* job = jobAt(index.row());
  if (!job) return {};
  const int slot = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      if (slot == kSlotStatus) return {};
      ShownProgress p = readShown(*job, false);
      CellInputs in;
      in.sizeInBytes = m_sizeInBytes;
      in.retries = m_retries ? m_retries(*job) : 0;
      return oneLine(cellText(*job, p, slot, in));
    }
    case Qt::DecorationRole:
      if (slot == kSlotStatus) return icon(stateIcon(jobState(*job)));
      return {};
    case Qt::ToolTipRole:
      if (slot == kSlotStatus) return QString::fromLatin1(stateName(jobState(*job)));
      if (slot == kSlotUrl) return QString::fromStdString(job->url);
      if (slot == kSlotComment) return QString::fromStdString(job->comment);
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter |
                                 (rightAligned(slot) ? Qt::AlignRight : Qt::AlignLeft));
    default:
      return {};
  }
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(slotCaption(section));
  if (role == Qt::ToolTipRole) return QString::fromLatin1(slotName(section));
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter |
                               (rightAligned(section) ? Qt::AlignRight : Qt::AlignLeft));
  return {};
}

Qt::ItemFlags JobListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
         Qt::ItemNeverHasChildren;
}

QStringList JobListModel::mimeTypes() const {
  return {QString::fromLatin1(kJobsMimeType)};
}

QMimeData* JobListModel::mimeData(const QModelIndexList& indexes) const {
  // The drop takes the list's selection, as dropping on a category always did; the
  // payload only says that jobs are coming and from which list.
  auto* data = new QMimeData;
  QByteArray rows;
  for (const QModelIndex& i : indexes)
    if (i.column() == 0) rows += QByteArray::number(i.row()) + ' ';
  data->setData(QString::fromLatin1(kJobsMimeType), rows);
  return data;
}

}  // namespace fw
