#pragma once
// The lines of the "Summary/Log" table. A Role's log list (JobRecord::roleLogs) holds its
// lines without times, so the window notes when each line arrived; the table shows the
// lines of one Role, or of every Role of the job merged in the order they arrived.
//
// Main thread only (reads the job's log lists, which the controller fills there).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "records/job_record.h"

namespace fw {

struct LogRow {
  int roleNo = 0;
  int kind = 0;         // 0 State, 1 Command, 2 Error, 3 Server
  std::string text;     // without the kind digit
  int64_t timeMs = -1;  // wall-clock milliseconds when the line arrived; -1 unknown
};

class LogLines {
 public:
  // A line was appended to Role `roleNo`'s list of `job`, which now holds `count` lines
  // (fewer than noted before: the list was emptied first, as it is past 600 lines).
  void lineAdded(const JobRecord& job, int roleNo, size_t count, int64_t nowMs);
  // The job's log lists were freed or restarted, or the job is gone.
  void forget(const JobRecord& job);
  void clear() { m_times.clear(); }

  // The lines of Role `roleNo` of `job`, or of all its Roles (roleNo 0) in arrival
  // order; lines whose arrival was not seen come first, in Role order.
  std::vector<LogRow> rows(const JobRecord& job, int roleNo) const;

 private:
  struct Stamp {
    int64_t timeMs;
    uint64_t seq;
  };
  // Per job, per Role number: the stamps of the list's lines, oldest first.
  std::map<const JobRecord*, std::map<int, std::vector<Stamp>>> m_times;
  uint64_t m_seq = 0;
};

// "HH:MM:SS" of local time.
std::string logTimeText(int64_t timeMs);

}  // namespace fw
