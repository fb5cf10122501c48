#include "ui/main_window/window_placement.h"

#include <algorithm>
#include <cstdio>

namespace fw {

namespace {

constexpr size_t kPlacementSize = 44;

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t getU32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool parseField(const std::string& s, size_t at, int& out) {
  int value = 0;
  bool negative = false;
  bool digits = false;
  for (size_t i = at; i < at + 4; ++i) {
    char c = s[i];
    if (c == '-' && i == at) {
      negative = true;
    } else if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      digits = true;
    } else {
      return false;
    }
  }
  out = negative ? -value : value;
  return digits;
}

}  // namespace

std::vector<uint8_t> encodePlacement(const WindowPlacement& p) {
  std::vector<uint8_t> out;
  putU32(out, kPlacementSize);
  putU32(out, p.flags);
  putU32(out, p.showState);
  for (int32_t v : {p.minX, p.minY, p.maxX, p.maxY, p.normal.left, p.normal.top, p.normal.right,
                    p.normal.bottom})
    putU32(out, static_cast<uint32_t>(v));
  return out;
}

std::optional<WindowPlacement> decodePlacement(const std::vector<uint8_t>& b) {
  if (b.size() != kPlacementSize) return std::nullopt;
  WindowPlacement p;
  p.flags = getU32(b, 4);
  p.showState = getU32(b, 8);
  if (p.showState == 0) p.showState = kShowDefault;
  auto i32 = [&](size_t at) { return static_cast<int32_t>(getU32(b, at)); };
  p.minX = i32(12);
  p.minY = i32(16);
  p.maxX = i32(20);
  p.maxY = i32(24);
  p.normal = PlainRect{i32(28), i32(32), i32(36), i32(40)};
  return p;
}

bool reachableOnScreens(const PlainRect& r, const std::vector<PlainRect>& screens) {
  if (r.width() <= 0 || r.height() <= 0) return false;
  const int stripBottom = r.top + std::min(32, r.height());
  for (const PlainRect& s : screens) {
    int left = std::max(r.left, s.left), right = std::min(r.right, s.right);
    int top = std::max(r.top, s.top), bottom = std::min(stripBottom, s.bottom);
    if (right - left >= 64 && bottom > top) return true;
  }
  return false;
}

std::string formatPaneRect(const PlainRect& r) {
  // Four characters a field: anything wider would shift every later field.
  auto fit = [](int v) { return std::clamp(v, -999, 9999); };
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%04d%04d%04d", fit(r.top), fit(r.bottom), fit(r.left),
                fit(r.right));
  return buf;
}

std::optional<PlainRect> parsePaneRect(const std::string& text) {
  if (text.size() != 16) return std::nullopt;
  PlainRect r;
  if (!parseField(text, 0, r.top) || !parseField(text, 4, r.bottom) ||
      !parseField(text, 8, r.left) || !parseField(text, 12, r.right))
    return std::nullopt;
  return r;
}

}  // namespace fw
