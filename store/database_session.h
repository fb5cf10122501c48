#pragma once
// The open job database over a run of the program: which file is opened at start-up
// (with its fall-backs and the offer of a backup copy), the default database, and the
// automatic save and daily backup driven by the queue monitor's one-second tick.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "store/category_tree.h"
#include "store/settings_records.h"

namespace fw {

class QueueHooks;
class TreeView;

inline constexpr const char* kTitleSuffix = " -- Fetchwright";
inline constexpr int kBackupCount = 4;  // ".bak1" .. ".bak4"
inline constexpr int kDatabaseCheckTicks = 57;

struct BackupCandidate {
  std::string path;
  std::string timeText;  // last write, local time, "%02d/%02d/%02d %02d:%02d:%02d" (m/d/y)
};

// The "Restore backup file" dialog.
class BackupChooser {
 public:
  virtual ~BackupChooser() = default;
  // Index of the chosen candidate, or -1 when the user chose none.
  virtual int choose(const std::vector<BackupCandidate>& candidates) = 0;
};

// "<folder>/<base name without extension>.bakN" for N = 1..4.
std::vector<std::string> backupNames(const std::string& dbPath);
// The existing backups of `dbPath` in number order; read-only ones are made writable.
std::vector<BackupCandidate> existingBackups(const std::string& dbPath);
// Where the next daily backup goes: the first of the four names that does not exist,
// else the one written longest ago.
std::string nextBackupName(const std::string& dbPath);

// CreateDefault: builds the default tree; with a non-empty `writePath` saves it there at
// once (an unreadable file already there is first kept as "<path>.bad"); then asks the
// view to rebuild. Returns the save result (1, or 0 when it could not be written; 1 when
// nothing was to be written).
int createDefaultDatabase(CategoryTree& tree, const std::string& downloadFolder,
                          const std::string& writePath, TreeView* view = nullptr);

struct StartupOutcome {
  bool haveDatabase = false;  // false only when no usable default path exists
  std::string path;           // the current database path
  std::string title;          // main window title: path + " -- Fetchwright"
  bool restoredBackup = false;
  bool createdDefault = false;
};

// Opening at start-up. `remoteFile` is the "Remotefile" setting (empty: `defaultPath`).
//  - loads: that file;
//  - cannot be opened: `defaultPath` when it differs and loads, else a new default
//    database written at `defaultPath`;
//  - damaged: the user may pick one of its backups (which then loads under the original
//    path); without backups a default database replaces it at its own path; when the
//    user picks none or the pick fails: `defaultPath` when it loads, else a new default
//    there. A damaged file that gets replaced is kept as "<path>.bad".
// The folder of `defaultPath` is created (mode 0700) when a default must be written.
StartupOutcome openDatabaseAtStartup(CategoryTree& tree, const std::string& remoteFile,
                                     const std::string& defaultPath,
                                     const std::string& downloadFolder, BackupChooser* chooser,
                                     QueueHooks* queue = nullptr, TreeView* view = nullptr);

// Auto-save and daily backup. The host calls tick() once per second, or, when the queue
// monitor already counts its 57 ticks, databaseChecks() on each 57th tick instead.
class DatabaseAutoSave {
 public:
  // `save(path)` writes the open database to `path` (1 on success); `currentPath()` names
  // the open database ("" while it has no file yet).
  DatabaseAutoSave(Clock& clock, const GeneralSettings& settings,
                   std::function<int(const std::string&)> save,
                   std::function<std::string()> currentPath);

  void tick();
  void databaseChecks(const CalendarTime& now);

 private:
  void check(const CalendarTime& now);

  Clock& m_clock;
  const GeneralSettings& m_settings;
  std::function<int(const std::string&)> m_save;
  std::function<std::string()> m_path;
  int m_ticks = 0;
  uint32_t m_seconds = 0;
  int m_lastDay = 0;  // day of the month of the last check; 0 before the first
};

}  // namespace fw
