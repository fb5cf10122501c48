#pragma once
// The program's icons, drawn in code so that they look the same on every desktop and
// need no icon theme or image plug-in. Each is drawn on a 24-unit grid and rendered at
// the sizes toolbars, menus, lists and the tray ask for.
//
// Main (GUI) thread only.

#include <QIcon>

namespace fw {

enum class Icon {
  App,
  Start,
  Stop,
  New,
  Delete,
  Properties,
  Up,
  Down,
  Top,
  Bottom,
  OpenFile,
  Folder,
  Find,
  AddBatch,
  Options,
  Speed,
  ShutDown,
  About,
  HomePage,
  Exit,
  Comment,
  Rename,
  Copy,
  Save,
  OpenDatabase,
  NewDatabase,
  Web,
  Help,
  Schedule,
  Again,
  Columns,
  // Job states (the list's first column).
  StateRunning,
  StateComplete,
  StateFailed,
  StateQueued,
  StateScheduled,
  StateStopped,
  // Categories.
  CategoryRoot,
  CategoryQueue,
  CategoryDone,
  CategoryDeleted,
  CategoryUser,
  // Role tree.
  RoleAlive,
  RoleIdle,
};

// Cached: the same QIcon for the same kind.
QIcon icon(Icon kind);

}  // namespace fw
