#include "ui/main_window/command_set.h"

namespace fw {

CommandSet::CommandSet(QObject* parent) : QObject(parent) {}

QAction* CommandSet::make(int id, const QString& caption) {
  const CommandInfo* info = commandInfo(id);
  auto* a = new QAction(caption, this);
  if (info) {
    // A checkable item shows its check box; an icon would take its place.
    if (!info->checkable) a->setIcon(icon(info->icon));
    a->setStatusTip(QString::fromLatin1(info->tip));
    a->setToolTip(QString(caption).remove(QLatin1Char('&')));
    a->setCheckable(info->checkable);
  }
  a->setData(id);
  a->setEnabled(bound(id) && enabled(id));
  // The check mark follows the program's state: the window refreshes every action after
  // a command ran (commandRan), whatever Qt toggled on the click.
  connect(a, &QAction::triggered, this, [this, id] { run(id); });
  m_actions[id].push_back(a);
  return a;
}

QAction* CommandSet::action(int id) {
  auto it = m_actions.find(id);
  if (it != m_actions.end() && !it->second.empty()) return it->second.front();
  const CommandInfo* info = commandInfo(id);
  QAction* a = make(id, info ? QString::fromLatin1(info->caption) : QString::number(id));
  if (info && info->shortcut[0]) a->setShortcut(QKeySequence(QString::fromLatin1(info->shortcut)));
  return a;
}

QAction* CommandSet::alias(int id, const QString& caption) {
  action(id);
  return make(id, caption);
}

void CommandSet::bind(int id, std::function<void()> handler) {
  m_handlers[id] = std::move(handler);
  for (QAction* a : m_actions[id]) a->setEnabled(enabled(id));
}

bool CommandSet::enabled(int id) const {
  if (!bound(id)) return false;
  auto it = m_enabled.find(id);
  return it == m_enabled.end() || it->second;
}

bool CommandSet::run(int id) {
  auto it = m_handlers.find(id);
  if (it == m_handlers.end() || !enabled(id)) return false;
  // A copy: the handler may rebind commands.
  std::function<void()> handler = it->second;
  handler();
  Q_EMIT commandRan(id);
  return true;
}

void CommandSet::refresh(const CommandContext& ctx) {
  for (auto& [id, actions] : m_actions) {
    m_enabled[id] = commandEnabled(id, ctx);
    const bool on = enabled(id);
    std::optional<bool> checked = commandChecked(id, ctx);
    for (QAction* a : actions) {
      a->setEnabled(on);
      if (checked && a->isCheckable()) a->setChecked(*checked);
    }
  }
}

}  // namespace fw
