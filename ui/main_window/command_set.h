#pragma once
// The main window's commands as Qt actions, dispatched by id in one place. Each id has a
// primary action (the main menu's, with the table's caption and shortcut) and any number
// of aliases for menus and toolbar buttons that name it differently; all of them run the
// one handler bound to the id and show one enabled state and one check mark. An id
// without a handler is disabled everywhere: a later dialog plugs in with one bind().
//
// Main (GUI) thread only.

#include <QAction>
#include <QObject>

#include <functional>
#include <map>
#include <vector>

#include "ui/main_window/command_table.h"

namespace fw {

class CommandSet : public QObject {
  Q_OBJECT

 public:
  explicit CommandSet(QObject* parent = nullptr);

  // The primary action of `id`, made on first use.
  QAction* action(int id);
  // A further action for `id` captioned `caption`.
  QAction* alias(int id, const QString& caption);

  void bind(int id, std::function<void()> handler);
  bool bound(int id) const { return m_handlers.count(id) != 0; }
  // Runs `id`'s handler when it has one and its actions are enabled. True when it ran.
  bool run(int id);

  // Applies the table's rules to every action made so far.
  void refresh(const CommandContext& ctx);
  bool enabled(int id) const;

 Q_SIGNALS:
  // Before and after a command runs (the window refreshes its state afterwards).
  void commandRan(int id);

 private:
  QAction* make(int id, const QString& caption);

  std::map<int, std::function<void()>> m_handlers;
  std::map<int, std::vector<QAction*>> m_actions;  // [0] is the primary one
  std::map<int, bool> m_enabled;
};

}  // namespace fw
