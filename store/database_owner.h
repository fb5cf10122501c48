#pragma once
// One owner per job database. A process that has a job database open holds an exclusive
// advisory lock (flock) on "<database>.lock" beside it for as long as it has it open, and
// writes its program name and process id into that file, so that a second process that
// would open the same database can leave it alone and say who has it. Two processes
// saving one database would otherwise each overwrite the other's jobs.
//
// The lock file is never removed: removing a file others may be waiting to lock would
// let two owners lock two different files of the same name.
//
// Main thread only (an owner object belongs to the thread that made it).

#include <memory>
#include <string>

namespace fw {

struct DatabaseOwnerInfo {
  std::string program;  // "fetchwright", "fetchwright-cli"; empty when unknown
  long pid = 0;         // 0 when unknown
};

class DatabaseOwner {
 public:
  enum class Result {
    Owned,       // `out` holds the lock
    Busy,        // another process holds it; `holder` says who
    Unlockable,  // the lock file cannot be made (read-only folder...): nobody can own it
  };

  // Takes the lock on `dbPath` for `program` without waiting.
  static Result acquire(const std::string& dbPath, const std::string& program,
                        std::unique_ptr<DatabaseOwner>& out, DatabaseOwnerInfo* holder = nullptr);

  ~DatabaseOwner();
  DatabaseOwner(const DatabaseOwner&) = delete;
  DatabaseOwner& operator=(const DatabaseOwner&) = delete;

  // The lock file's path.
  const std::string& lockPath() const { return m_lockPath; }

 private:
  DatabaseOwner(int fd, std::string lockPath) : m_fd(fd), m_lockPath(std::move(lockPath)) {}
  int m_fd;
  std::string m_lockPath;
};

// "<database>.lock", with the database's folder resolved, so that every spelling of one
// database's path names the same lock.
std::string databaseLockPath(const std::string& dbPath);

// "The job database PATH is open in PROGRAM (process PID)." with the parts that are known.
std::string databaseBusyText(const std::string& dbPath, const DatabaseOwnerInfo& holder);

}  // namespace fw
