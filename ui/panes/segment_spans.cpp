#include "ui/panes/segment_spans.h"

#include <algorithm>

namespace fw {

namespace {

int rank(SpanKind k) {
  return k == SpanKind::Active ? 2 : k == SpanKind::Missing ? 1 : 0;
}

// Marks the pixels holding bytes [from, to] (inclusive) with `kind` unless a stronger
// kind is there.
void mark(std::vector<SpanKind>& px, int64_t size, int64_t from, int64_t to, SpanKind kind) {
  const int width = static_cast<int>(px.size());
  from = std::clamp<int64_t>(from, 0, size - 1);
  to = std::clamp<int64_t>(to, from, size - 1);
  // In long double: byte offsets times a pixel width overflow 64 bits for large files.
  int x0 = static_cast<int>(static_cast<long double>(from) * width / size);
  int x1 = static_cast<int>((static_cast<long double>(to) + 1) * width / size + 0.999999L);
  x0 = std::clamp(x0, 0, width - 1);
  x1 = std::clamp(x1, x0 + 1, width);
  for (int x = x0; x < x1; ++x)
    if (rank(kind) > rank(px[static_cast<size_t>(x)])) px[static_cast<size_t>(x)] = kind;
}

}  // namespace

std::vector<Span> segmentSpans(const ShownProgress& p, bool complete, int width) {
  std::vector<Span> out;
  if (width <= 0) return out;
  if (p.fileSize <= 0) {
    SpanKind k = complete || p.fileSize == 0 ? SpanKind::Done
                 : p.running                 ? SpanKind::Active
                                             : SpanKind::Missing;
    out.push_back(Span{0, width, k});
    return out;
  }
  std::vector<SpanKind> px(static_cast<size_t>(width), SpanKind::Done);
  if (!complete) {
    if (p.ranges.empty()) {
      if (p.downloaded < p.fileSize)
        mark(px, p.fileSize, p.downloaded, p.fileSize - 1,
             p.running ? SpanKind::Active : SpanKind::Missing);
    } else {
      for (const RangeProgress& r : p.ranges)
        mark(px, p.fileSize, r.start, r.end, r.inUse ? SpanKind::Active : SpanKind::Missing);
    }
  }
  for (int x = 0; x < width; ++x) {
    SpanKind k = px[static_cast<size_t>(x)];
    if (!out.empty() && out.back().kind == k)
      out.back().x1 = x + 1;
    else
      out.push_back(Span{x, x + 1, k});
  }
  return out;
}

}  // namespace fw
