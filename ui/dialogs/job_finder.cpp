#include "ui/dialogs/job_finder.h"

#include <algorithm>
#include <cctype>

namespace fw {

namespace {

bool containsNoCase(const std::string& hay, const std::string& needle) {
  auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  return it != hay.end();
}

}  // namespace

bool jobMatches(const JobRecord& job, const FindQuery& q) {
  if (!q.valid()) return false;
  return (q.name && containsNoCase(job.fileName, q.text)) ||
         (q.url && containsNoCase(job.url, q.text)) ||
         (q.comment && containsNoCase(job.comment, q.text));
}

int findNextRow(int rows, int current, const FindQuery& q,
                const std::function<const JobRecord*(int)>& jobAt) {
  if (rows <= 0 || !q.valid()) return -1;
  if (current < -1 || current >= rows) current = -1;
  for (int step = 1; step <= rows; ++step) {
    int row = (current + step) % rows;
    if (row < 0) row += rows;
    const JobRecord* job = jobAt(row);
    if (job && jobMatches(*job, q)) return row;
  }
  return -1;
}

}  // namespace fw
