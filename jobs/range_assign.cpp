#include "jobs/range_assign.h"

namespace fw {

PartRange* takeFreeRange(std::list<PartRange>& parts) {
  for (auto it = parts.begin(); it != parts.end();) {
    if (it->inUse) {
      ++it;
    } else if (!it->finished()) {
      it->inUse = 1;
      return &*it;
    } else {
      it = parts.erase(it);
    }
  }
  return nullptr;
}

bool hasFreeRange(std::list<PartRange>& parts) {
  for (auto it = parts.begin(); it != parts.end();) {
    if (it->inUse) {
      ++it;
    } else if (!it->finished()) {
      return true;
    } else {
      it = parts.erase(it);
    }
  }
  return false;
}

std::list<PartRange>::iterator largestRange(std::list<PartRange>& parts) {
  auto best = parts.end();
  for (auto it = parts.begin(); it != parts.end(); ++it) {
    if (best == parts.end() || it->end - it->start > best->end - best->start) best = it;
  }
  return best;
}

bool worthSplitting(const PartRange& r, int64_t minSegment) {
  int64_t left = r.end - r.start;
  return left > 0 && left >= minSegment;
}

PartRange* splitRange(std::list<PartRange>& parts, std::list<PartRange>::iterator it) {
  // [s, s + 9] holds ten bytes and is split into [s, s + 3] and [s + 4, s + 9].
  if (it->end - it->start + 1 <= 9) return nullptr;
  int64_t half = (it->end - it->start) / 2;
  PartRange upper{it->start + half, it->end, 1};
  it->end = it->start + half - 1;
  auto added = parts.insert(std::next(it), upper);
  return &*added;
}

bool anyUnfinished(const std::list<PartRange>& parts) {
  for (const PartRange& r : parts) {
    if (!r.finished()) return true;
  }
  return false;
}

}  // namespace fw
