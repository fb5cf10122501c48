#pragma once
// The main window's menus, built from the command set: the main menu bar, the job list's
// menus for the queue and for the other categories, the Role tree's, the category
// tree's, the tray's and the log pane's. Captions are the design's, item for item.
//
// Main (GUI) thread only.

#include <QMenu>
#include <QMenuBar>

#include "ui/main_window/command_set.h"

namespace fw {

void buildMainMenu(QMenuBar* bar, CommandSet& commands);
QMenu* buildQueueMenu(CommandSet& commands, QWidget* parent);
QMenu* buildDoneMenu(CommandSet& commands, QWidget* parent);
// `proxies` is the "Change Proxy" sub-menu, filled by the window when the menu opens.
QMenu* buildRoleMenu(CommandSet& commands, QWidget* parent, QMenu** proxies);
QMenu* buildCategoryMenu(CommandSet& commands, QWidget* parent);
QMenu* buildTrayMenu(CommandSet& commands, QWidget* parent);
QMenu* buildLogMenu(CommandSet& commands, QWidget* parent);

}  // namespace fw
