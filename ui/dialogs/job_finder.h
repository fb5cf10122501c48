#pragma once
// What "Find" and "Find next" look for: a text in the chosen fields of the jobs of the
// list, ignoring case, from the row after the current one down, then from the top.
//
// Main thread only (reads job records).

#include <functional>
#include <string>

#include "records/job_record.h"

namespace fw {

struct FindQuery {
  std::string text;
  bool name = true;     // "Name"
  bool url = true;      // "URL"
  bool comment = true;  // "Comment"
  bool valid() const { return !text.empty() && (name || url || comment); }
};

bool jobMatches(const JobRecord& job, const FindQuery& q);

// The first matching row after `current` (-1: from the top), wrapping around once;
// `current` itself is looked at last. -1 when no row matches. `jobAt` gives row i's job.
int findNextRow(int rows, int current, const FindQuery& q,
                const std::function<const JobRecord*(int)>& jobAt);

}  // namespace fw
