#include "store/database_session.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "jobs/queue_hooks.h"
#include "platform/paths.h"
#include "store/job_database.h"
#include "store/tree_view.h"

namespace fw {
namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool statFile(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string timeText(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

// Moves a file that could not be used out of the way instead of writing over it, so a
// damaged database can still be looked at or repaired.
void keepAside(const std::string& path) {
  struct stat st {};
  if (!statFile(path, st) || st.st_size == 0) return;
  for (int n = 0; n < 10; ++n) {
    std::string target = path + ".bad" + (n ? "." + std::to_string(n) : "");
    struct stat other {};
    if (::lstat(target.c_str(), &other) == 0) continue;
    if (::rename(path.c_str(), target.c_str()) == 0) return;
  }
}

void finish(StartupOutcome& out, const std::string& path) {
  out.haveDatabase = true;
  out.path = path;
  out.title = path + kTitleSuffix;
}

void createDefaultAt(StartupOutcome& out, CategoryTree& tree, const std::string& path,
                     const std::string& downloadFolder, TreeView* view) {
  makeDirs(folderOf(path), 0700);
  createDefaultDatabase(tree, downloadFolder, path, view);
  out.createdDefault = true;
  finish(out, path);
}

}  // namespace

std::vector<std::string> backupNames(const std::string& dbPath) {
  std::string stem = dbPath;
  auto slash = stem.rfind('/');
  auto dot = stem.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) stem.resize(dot);
  std::vector<std::string> names;
  for (int n = 1; n <= kBackupCount; ++n) names.push_back(stem + ".bak" + std::to_string(n));
  return names;
}

std::vector<BackupCandidate> existingBackups(const std::string& dbPath) {
  std::vector<BackupCandidate> out;
  for (const std::string& name : backupNames(dbPath)) {
    struct stat st {};
    if (!statFile(name, st)) continue;
    if (!(st.st_mode & S_IWUSR)) ::chmod(name.c_str(), (st.st_mode & 07777) | S_IWUSR);
    out.push_back({name, timeText(st.st_mtime)});
  }
  return out;
}

std::string nextBackupName(const std::string& dbPath) {
  std::vector<std::string> names = backupNames(dbPath);
  std::string oldest;
  struct timespec oldestTime {};
  for (const std::string& name : names) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return name;
    if (oldest.empty() || st.st_mtim.tv_sec < oldestTime.tv_sec ||
        (st.st_mtim.tv_sec == oldestTime.tv_sec && st.st_mtim.tv_nsec < oldestTime.tv_nsec)) {
      oldest = name;
      oldestTime = st.st_mtim;
    }
  }
  return oldest;
}

int createDefaultDatabase(CategoryTree& tree, const std::string& downloadFolder,
                          const std::string& writePath, TreeView* view) {
  buildDefaultTree(tree, downloadFolder);
  int result = 1;
  if (!writePath.empty()) {
    keepAside(writePath);
    result = saveJobDatabase(writePath, tree);
  }
  if (view) view->rebuildTree();
  return result;
}

StartupOutcome openDatabaseAtStartup(CategoryTree& tree, const std::string& remoteFile,
                                     const std::string& defaultPath,
                                     const std::string& downloadFolder, BackupChooser* chooser,
                                     QueueHooks* queue, TreeView* view) {
  StartupOutcome out;
  const std::string path = remoteFile.empty() ? defaultPath : remoteFile;
  int result = loadJobDatabase(path, tree, queue);
  if (result == kDbLoaded) {
    finish(out, path);
  } else if (result == kDbCannotOpen) {
    if (defaultPath.size() < 3) return out;
    if (defaultPath != path && loadJobDatabase(defaultPath, tree, queue) == kDbLoaded)
      finish(out, defaultPath);
    else
      createDefaultAt(out, tree, defaultPath, downloadFolder, view);
  } else {
    std::vector<BackupCandidate> backups = existingBackups(path);
    if (backups.empty()) {
      createDefaultAt(out, tree, path, downloadFolder, view);
    } else {
      int pick = chooser ? chooser->choose(backups) : -1;
      if (pick >= 0 && pick < static_cast<int>(backups.size()) &&
          loadJobDatabase(backups[static_cast<size_t>(pick)].path, tree, queue) == kDbLoaded) {
        out.restoredBackup = true;
        finish(out, path);
      } else if (defaultPath != path && loadJobDatabase(defaultPath, tree, queue) == kDbLoaded) {
        // A good default database is never replaced by an empty one.
        finish(out, defaultPath);
      } else {
        createDefaultAt(out, tree, defaultPath, downloadFolder, view);
      }
    }
  }
  if (view && !out.createdDefault) view->rebuildTree();
  return out;
}

DatabaseAutoSave::DatabaseAutoSave(Clock& clock, const GeneralSettings& settings,
                                   std::function<int(const std::string&)> save,
                                   std::function<std::string()> currentPath)
    : m_clock(clock),
      m_settings(settings),
      m_save(std::move(save)),
      m_path(std::move(currentPath)) {}

void DatabaseAutoSave::tick() {
  ++m_seconds;
  if (++m_ticks >= kDatabaseCheckTicks) {
    m_ticks = 0;
    check(m_clock.localTime());
  }
}

void DatabaseAutoSave::databaseChecks(const CalendarTime& now) {
  m_seconds += kDatabaseCheckTicks;
  check(now);
}

void DatabaseAutoSave::check(const CalendarTime& now) {
  const std::string path = m_path();
  if (now.day != m_lastDay) {
    m_lastDay = now.day;
    if (m_settings.option(generalcheck::kDailyBackup) && !path.empty())
      m_save(nextBackupName(path));
  }
  if (m_seconds > m_settings.autoSaveSeconds) {
    m_seconds = 0;
    if (m_settings.option(generalcheck::kAutoSave) && !path.empty()) m_save(path);
  }
}

}  // namespace fw
