#pragma once
// The main window's command table: every command's caption, shortcut, check mark and icon,
// and the rules that decide, from a snapshot of what is on screen, whether a command can
// run now and whether its check mark is set. The rules hold no widgets, so the tests check
// them directly; the window applies them to its actions (command_set.h).
//
// Any thread (pure data and functions).

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/common/icons.h"

namespace fw {

// What the job list shows.
enum class ShownKind { None, Queue, Downloaded, Deleted, Other };

struct CommandContext {
  ShownKind shown = ShownKind::None;
  int rows = 0;                     // jobs in the list
  int selected = 0;                 // selected jobs
  int selectedRunning = 0;          // of them running
  int selectedComplete = 0;         // of them complete
  bool selectedHasReferer = false;  // the one selected job has a referrer
  int startable = 0;                // jobs of the queue that Start All would start
  int running = 0;                  // jobs running in the whole program
  int queued = 0;                   // jobs waiting in the start queue
  bool findText = false;            // a search text was given in "Find"

  // The category tree's current item.
  bool categorySelected = false;
  bool categoryIsRoot = false;
  bool categoryFixed = false;  // "Download", "Downloaded" or "Deleted"

  // The Role tree's current node: the job, or one of its Roles.
  bool roleNode = false;
  bool roleAlive = false;  // that Role runs
  bool shownJobRunning = false;

  bool logRows = false;
  bool logSelection = false;

  bool virusScanner = false;   // "VirusExe" is set
  bool manualPresent = false;  // the user manual is installed
  bool homePage = false;       // a home page is set
  int bandwidthMode = 0;       // 0 Unlimited, 1 Manual, 2 Automatic
  uint32_t monitor = 0;        // "Monitor" flags
  bool detailShown = false;
  bool gridLines = false;
  bool dropZoneShown = false;
  bool hangUpWhenDone = false;
  int skin = 0;
};

struct CommandInfo {
  int id;
  const char* caption;   // main menu caption, "&" marks the mnemonic
  const char* shortcut;  // key sequence in portable text, "" for none
  bool checkable;
  Icon icon;
  const char* tip;  // status bar text
};

// Every command, in no particular order; each id once.
const std::vector<CommandInfo>& commandTable();
// The entry of `id`, or null.
const CommandInfo* commandInfo(int id);

// Whether `id` can run in `ctx` (a command without a handler is disabled by its
// CommandSet whatever this says).
bool commandEnabled(int id, const CommandContext& ctx);
// The check mark of a checkable command; nullopt for the others.
std::optional<bool> commandChecked(int id, const CommandContext& ctx);

}  // namespace fw
