#pragma once
// The questions asked before the main window closes: by its close button (closeButton)
// or by the Exit command. Widget-free: the answers come through MessageBoxes and a
// SavePathAsker, which the window implements with dialogs and the tests with scripts.
//
// Main thread only.

#include <string>

#include "platform/message_box.h"

namespace fw {

inline constexpr const char* kJobsRunningQuestion = "Some jobs are running, Exit anyway?";
inline constexpr const char* kSaveUntitledQuestion = "Save changes to Untitled?";
inline constexpr const char* kUntitledFileName = "Untitled.npd";
inline constexpr const char* kDefaultFileName = "Default.npd";

class SavePathAsker {
 public:
  virtual ~SavePathAsker() = default;
  // The save dialog (filter "Fetchwright Files (*.npd)", extension ".npd") offering
  // `defaultName`; the chosen path, or "" when cancelled.
  virtual std::string askSavePath(const std::string& defaultName) = 0;
};

struct ExitState {
  bool jobsRunning = false;
  bool confirmRunning = false;  // "On program exit when files are downloading"
  bool untitled = false;        // the database has no file yet
};

struct ExitPlan {
  bool close = false;  // false: the program keeps running
  // Where the untitled database is to be saved; empty with close = true means the
  // untitled database is left unsaved (the user said No). A titled database is saved to
  // its own path by the shut-down.
  std::string saveUntitledTo;
};

// Asks "Some jobs are running, Exit anyway?" when jobs run and the confirmation is on
// (No keeps the program), then for an untitled database "Save changes to Untitled?"
// (Yes opens the save dialog with "Untitled.npd" for the close button, "Default.npd" for
// the Exit command). Cancelling that save dialog keeps the program running: the user
// asked for the jobs to be kept and the database has nowhere else to go.
ExitPlan planExit(const ExitState& state, bool exitCommand, MessageBoxes& boxes,
                  SavePathAsker& saver);

// Adds ".npd" to a chosen name that has no extension.
std::string withDatabaseExtension(const std::string& path);

}  // namespace fw
