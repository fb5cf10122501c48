#include "ui/panes/log_lines.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace fw {

void LogLines::lineAdded(const JobRecord& job, int roleNo, size_t count, int64_t nowMs) {
  std::vector<Stamp>& stamps = m_times[&job][roleNo];
  if (count == 0) {
    stamps.clear();
    return;
  }
  // The list was emptied before this line, or lines came before we watched: the older
  // stamps no longer match any line.
  if (stamps.size() >= count) stamps.clear();
  while (stamps.size() + 1 < count) stamps.push_back(Stamp{-1, 0});
  stamps.push_back(Stamp{nowMs, ++m_seq});
}

void LogLines::forget(const JobRecord& job) {
  m_times.erase(&job);
}

std::vector<LogRow> LogLines::rows(const JobRecord& job, int roleNo) const {
  struct Keyed {
    LogRow row;
    uint64_t seq;
  };
  std::vector<Keyed> out;
  auto jobIt = m_times.find(&job);
  for (const RoleLog& log : job.roleLogs) {
    if (roleNo != 0 && log.roleNo != roleNo) continue;
    const std::vector<Stamp>* stamps = nullptr;
    if (jobIt != m_times.end()) {
      auto it = jobIt->second.find(log.roleNo);
      // Stamps that do not describe this list's lines are of an earlier list.
      if (it != jobIt->second.end() && it->second.size() == log.lines.size()) stamps = &it->second;
    }
    for (size_t i = 0; i < log.lines.size(); ++i) {
      const std::string& line = log.lines[i];
      LogRow row;
      row.roleNo = log.roleNo;
      row.kind = !line.empty() && line[0] >= '0' && line[0] <= '3' ? line[0] - '0' : 0;
      row.text = line.empty() ? std::string() : line.substr(1);
      uint64_t seq = 0;
      if (stamps) {
        row.timeMs = (*stamps)[i].timeMs;
        seq = (*stamps)[i].seq;
      }
      out.push_back(Keyed{std::move(row), seq});
    }
  }
  if (roleNo == 0)
    std::stable_sort(out.begin(), out.end(),
                     [](const Keyed& a, const Keyed& b) { return a.seq < b.seq; });
  std::vector<LogRow> rows;
  rows.reserve(out.size());
  for (Keyed& k : out) rows.push_back(std::move(k.row));
  return rows;
}

std::string logTimeText(int64_t timeMs) {
  if (timeMs < 0) return {};
  std::time_t t = static_cast<std::time_t>(timeMs / 1000);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

}  // namespace fw
