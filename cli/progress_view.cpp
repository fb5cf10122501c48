#include "cli/progress_view.h"

#include <cinttypes>

namespace fw {

std::string humanBytes(int64_t bytes) {
  static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1024.0 && u < 4) {
    v /= 1024.0;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f %s", v, units[u]);
  return buf;
}

std::string humanDuration(int64_t seconds) {
  if (seconds < 0) return "--:--";
  char buf[32];
  int64_t h = seconds / 3600, m = seconds % 3600 / 60, s = seconds % 60;
  if (h > 0)
    std::snprintf(buf, sizeof buf, "%" PRId64 ":%02" PRId64 ":%02" PRId64, h, m, s);
  else
    std::snprintf(buf, sizeof buf, "%" PRId64 ":%02" PRId64, m, s);
  return buf;
}

std::string formatJobLine(const JobLine& line, int width) {
  bool known = line.fileSize >= 0;
  int percent = 0;
  if (known && line.fileSize > 0)
    percent = static_cast<int>(static_cast<double>(line.downloaded) * 100.0 /
                               static_cast<double>(line.fileSize));
  else if (known)
    percent = 100;
  if (percent > 100) percent = 100;

  int64_t left = -1;
  if (known && line.speed > 0) left = (line.fileSize - line.downloaded) / line.speed;

  char tail[160];
  std::snprintf(tail, sizeof tail, " %3d%% %s/%s %s/s %s %d/%d", percent,
                humanBytes(line.downloaded).c_str(),
                known ? humanBytes(line.fileSize).c_str() : "?", humanBytes(line.speed).c_str(),
                humanDuration(left).c_str(), line.activeRoles, line.splitCount);
  std::string rest = tail;

  const int barWidth = 20;
  int nameWidth = width - barWidth - 3 - static_cast<int>(rest.size());
  if (nameWidth < 8) nameWidth = 8;
  std::string name = line.name;
  if (static_cast<int>(name.size()) > nameWidth) name = name.substr(0, nameWidth - 1) + "~";
  name.resize(nameWidth, ' ');

  std::string bar(barWidth, ' ');
  int filled = known ? percent * barWidth / 100 : 0;
  for (int i = 0; i < filled; ++i) bar[i] = '#';
  std::string out = name + " [" + bar + "]" + rest;
  if (static_cast<int>(out.size()) > width) out.resize(width);
  return out;
}

ProgressView::ProgressView(std::FILE* out, bool terminal, int width)
    : m_out(out), m_terminal(terminal), m_width(width < 40 ? 40 : width) {}

void ProgressView::erase() {
  for (int i = 0; i < m_liveLines; ++i) std::fputs("\x1b[1A\x1b[2K", m_out);
  m_liveLines = 0;
}

void ProgressView::event(const std::string& text) {
  if (m_terminal) erase();
  std::fprintf(m_out, "%s\n", text.c_str());
  std::fflush(m_out);
}

void ProgressView::render(const std::vector<JobLine>& jobs, int64_t overallSpeed) {
  if (!m_terminal) return;
  erase();
  for (const JobLine& j : jobs) {
    std::fprintf(m_out, "%s\n", formatJobLine(j, m_width - 1).c_str());
    ++m_liveLines;
  }
  std::fprintf(m_out, "total %s/s, %zu running\n", humanBytes(overallSpeed).c_str(), jobs.size());
  ++m_liveLines;
  std::fflush(m_out);
}

void ProgressView::clear() {
  if (m_terminal) erase();
  std::fflush(m_out);
}

}  // namespace fw
