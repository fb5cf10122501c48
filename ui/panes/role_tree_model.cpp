#include "ui/panes/role_tree_model.h"

#include <algorithm>

#include "jobs/job_controller.h"
#include "jobs/job_progress.h"
#include "ui/common/icons.h"

namespace fw {

namespace {
// Internal ids: the job's node is kJobNode, a Role's node its number.
constexpr quintptr kJobNode = 0;
}  // namespace

RoleTreeModel::RoleTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void RoleTreeModel::setJob(JobRecord* job) {
  beginResetModel();
  m_job = job;
  m_roles.clear();
  if (m_job)
    for (const RoleLog& log : m_job->roleLogs) m_roles.push_back(log.roleNo);
  endResetModel();
}

void RoleTreeModel::rolesChanged() {
  std::vector<int> now;
  if (m_job)
    for (const RoleLog& log : m_job->roleLogs) now.push_back(log.roleNo);
  if (now == m_roles) {
    refreshMarks();
    return;
  }
  // Appending is the common case (a Role was added): keep the selection.
  if (now.size() > m_roles.size() && std::equal(m_roles.begin(), m_roles.end(), now.begin())) {
    QModelIndex parent = jobIndex();
    beginInsertRows(parent, static_cast<int>(m_roles.size()), static_cast<int>(now.size()) - 1);
    m_roles = now;
    endInsertRows();
    refreshMarks();
    return;
  }
  beginResetModel();
  m_roles = now;
  endResetModel();
}

void RoleTreeModel::refreshMarks() {
  if (m_roles.empty()) return;
  QModelIndex parent = jobIndex();
  Q_EMIT dataChanged(index(0, 0, parent), index(static_cast<int>(m_roles.size()) - 1, 0, parent));
}

bool RoleTreeModel::alive(int roleNo) const {
  return m_job && m_job->controller && m_job->controller->findRole(roleNo) != nullptr;
}

int RoleTreeModel::roleAt(const QModelIndex& index) const {
  if (!index.isValid()) return -1;
  return static_cast<int>(index.internalId());
}

QModelIndex RoleTreeModel::jobIndex() const {
  return m_job ? createIndex(0, 0, kJobNode) : QModelIndex();
}

QModelIndex RoleTreeModel::roleIndex(int roleNo) const {
  for (size_t i = 0; i < m_roles.size(); ++i)
    if (m_roles[i] == roleNo)
      return createIndex(static_cast<int>(i), 0, static_cast<quintptr>(roleNo));
  return {};
}

QModelIndex RoleTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!m_job || column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? jobIndex() : QModelIndex();
  if (roleAt(parent) != 0 || row >= static_cast<int>(m_roles.size())) return {};
  return createIndex(row, 0, static_cast<quintptr>(m_roles[static_cast<size_t>(row)]));
}

QModelIndex RoleTreeModel::parent(const QModelIndex& child) const {
  int r = roleAt(child);
  return r > 0 ? jobIndex() : QModelIndex();
}

int RoleTreeModel::rowCount(const QModelIndex& parent) const {
  if (!m_job) return 0;
  if (!parent.isValid()) return 1;
  return roleAt(parent) == 0 ? static_cast<int>(m_roles.size()) : 0;
}

int RoleTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant RoleTreeModel::data(const QModelIndex& index, int role) const {
  int r = roleAt(index);
  if (r < 0 || !m_job) return {};
  if (role == Qt::DisplayRole) {
    if (r == 0) return QString::fromStdString(readProgress(*m_job).fileName);
    return QStringLiteral("Role%1").arg(r);
  }
  if (role == Qt::DecorationRole) {
    if (r == 0) return icon(m_job->activeRoles > 0 ? Icon::StateRunning : Icon::OpenFile);
    return icon(alive(r) ? Icon::RoleAlive : Icon::RoleIdle);
  }
  if (role == Qt::ToolTipRole && r > 0)
    return alive(r) ? QStringLiteral("Running") : QStringLiteral("Ended");
  return {};
}

}  // namespace fw
