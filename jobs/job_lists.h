#pragma once
// Growing a job's alternate URLs and part ranges. The job database stores each count
// in one byte, so neither list may hold more than 255 entries; every place that adds
// to them goes through these checks.

#include <cstddef>
#include <string>

#include "records/job_record.h"

namespace fw {

inline constexpr size_t kMaxAltUrls = 255;
inline constexpr size_t kMaxPartRanges = 255;

// Appends `url`; false (nothing added) when the list is full.
inline bool addAltUrl(JobRecord& job, std::string url) {
  if (job.altUrls.size() >= kMaxAltUrls) return false;
  job.altUrls.push_back(std::move(url));
  return true;
}

// True when one more range may be added (the controller splits only then).
inline bool canAddPartRange(const JobRecord& job) {
  return job.parts.size() < kMaxPartRanges;
}

// Inserts `range` before `pos`; end() when the list is full (nothing inserted).
inline std::list<PartRange>::iterator insertPartRange(JobRecord& job,
                                                      std::list<PartRange>::iterator pos,
                                                      const PartRange& range) {
  if (!canAddPartRange(job)) return job.parts.end();
  return job.parts.insert(pos, range);
}

}  // namespace fw
