#pragma once
// The range bookkeeping of a split job: taking a free range, finding the range worth
// splitting and splitting it. Callers hold the job's progress lock, which is also what
// the owner of a range takes to read its end while receiving, so a split never races
// the owner's receive loop.

#include <cstdint>
#include <list>

#include "records/job_record.h"

namespace fw {

// Walks the ranges in list order: a range in use is skipped, a free unfinished range
// is marked in use and returned, a free finished range is removed. Null when none.
PartRange* takeFreeRange(std::list<PartRange>& parts);

// True when some range is free and unfinished; removes free finished ranges on the way.
bool hasFreeRange(std::list<PartRange>& parts);

// The range with the largest remaining length (end - start); of equal ones the first
// in list order. parts.end() when the list is empty.
std::list<PartRange>::iterator largestRange(std::list<PartRange>& parts);

// True when `r` is long enough to be split: remaining length above 0 and at least
// `minSegment` bytes.
bool worthSplitting(const PartRange& r, int64_t minSegment);

// Splits the range at `it` in two halves when it holds more than 9 bytes: the upper half
// becomes a new range, in use, inserted right after it, and is returned. Null (nothing
// changed) when it holds 9 bytes or fewer.
PartRange* splitRange(std::list<PartRange>& parts, std::list<PartRange>::iterator it);

// True when any range is not finished.
bool anyUnfinished(const std::list<PartRange>& parts);

}  // namespace fw
