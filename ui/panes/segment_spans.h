#pragma once
// The segment map of a job: the file drawn as a bar, each pixel column coloured by what
// the bytes under it are: received, being fetched by a Role, or still missing. Computed
// here without widgets, painted by SegmentMap.
//
// Any thread (pure function).

#include <vector>

#include "ui/panes/shown_progress.h"

namespace fw {

enum class SpanKind { Done, Active, Missing };

struct Span {
  int x0 = 0;  // first pixel column
  int x1 = 0;  // one past the last
  SpanKind kind = SpanKind::Missing;
  bool operator==(const Span&) const = default;
};

// Spans covering [0, width) left to right, neighbours of one kind merged. Open ranges
// mark their bytes Missing, or Active when a Role holds them; every other byte of a job
// whose size is known counts as Done. A range narrower than a pixel still gets one pixel
// (Active wins over Missing, Missing over Done), so a small hole never disappears. A job
// that has no ranges yet is Done up to its downloaded count and Missing (Active while it
// runs) after it. Unknown size: one span, Done when complete, else Active or Missing.
std::vector<Span> segmentSpans(const ShownProgress& p, bool complete, int width);

}  // namespace fw
