#pragma once
// What fetchwright-cli prints while jobs run. On a terminal: one live line per running job
// and a total line, redrawn in place. Elsewhere (a pipe, a log file): plain lines only
// when something happens. Main thread only.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fw {

struct JobLine {
  std::string name;
  int64_t downloaded = 0;
  int64_t fileSize = -1;  // -1 unknown
  int64_t speed = 0;      // bytes per second
  int activeRoles = 0;
  int splitCount = 0;
};

// "1.50 MiB", "512 B": binary units with two decimals above bytes.
std::string humanBytes(int64_t bytes);
// "1:02:03", "4:05"; "--:--" when unknown.
std::string humanDuration(int64_t seconds);
// One live line, at most `width` columns: name, bar, percent, done/total, speed, time
// left, Roles "n/m".
std::string formatJobLine(const JobLine& line, int width);

class ProgressView {
 public:
  ProgressView(std::FILE* out, bool terminal, int width = 100);

  bool terminal() const { return m_terminal; }
  // A line that stays (job started, finished, failed, a log line). On a terminal it is
  // printed above the live lines.
  void event(const std::string& text);
  // Redraws the live lines (terminal only; elsewhere nothing is printed).
  void render(const std::vector<JobLine>& jobs, int64_t overallSpeed);
  // Removes the live lines (before the summary).
  void clear();

 private:
  void erase();

  std::FILE* m_out;
  bool m_terminal;
  int m_width;
  int m_liveLines = 0;
};

}  // namespace fw
