#pragma once
// What the DropZone decides without its widget: where it opens, how its speed graph is
// scaled, how opaque it is drawn, and which URLs a dropped text holds.
//
// Pure functions and a plain history; main (GUI) thread only.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "ui/main_window/window_placement.h"

namespace fw {

inline constexpr int kDropZoneWidth = 40;
inline constexpr int kDropZoneHeight = 38;

struct ZonePlace {
  int x = 0;
  int y = 0;
  bool operator==(const ZonePlace&) const = default;
};

// The place to open at from the stored "WDropX"/"WDropY". A place within 17 pixels of the
// desktop's right edge (or beyond it) is moved 20 pixels left, once per start. A place
// that would still leave no part of the window on the desktop (a screen that has gone
// away) is brought back inside it, since the window could not be reached otherwise.
ZonePlace dropZoneStartPlace(int storedX, int storedY, const PlainRect& desktop,
                             int width = kDropZoneWidth, int height = kDropZoneHeight);

// The graph level of one speed: bytes per second over (scale KiB/s), at least 4 while
// anything flows and at most 255 (as the queue monitor reports it).
int speedGraphLevel(int64_t bytesPerSecond, uint32_t scaleKiB);

// The overall speed once a second for the last minute, oldest first.
class SpeedHistory {
 public:
  static constexpr size_t kSamples = 60;
  void add(int64_t bytesPerSecond);
  const std::deque<int64_t>& samples() const { return m_samples; }

 private:
  std::deque<int64_t> m_samples;
};

// Bar heights in pixels for `columns` columns of `height` pixels, newest at the right:
// the last minute is spread over the columns (a column shows the highest level among its
// seconds); seconds not yet measured are empty. A level is a pixel: the scale says how
// many KiB/s one pixel of height stands for.
std::vector<int> speedGraphBars(const std::deque<int64_t>& samples, int columns, int height,
                                uint32_t scaleKiB);

// The window's opacity: 1 unless "Transparent" is on, else "Alpha" / 255. An alpha below
// 24 is drawn as 24: a window that cannot be seen could still not be found to be moved.
double dropZoneOpacity(bool transparent, uint32_t alpha);

// The URLs of a dropped text: the text up to its first NUL, split into lines and words;
// each word (without surrounding quotes or brackets) that parses as an http, https or ftp
// URL, once each, in order, at most `limit` of them.
std::vector<std::string> droppedUrls(std::string_view text, size_t limit = 10000);

}  // namespace fw
