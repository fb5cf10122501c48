#pragma once
// The stored layout of the main window: the "winlayout" placement record (44 bytes: length,
// flags, show state, minimised x/y, maximised x/y, normal rectangle left/top/right/bottom;
// 32-bit little-endian fields) and the "FormEx"/"ThdFormEx" pane rectangles
// ("%04d%04d%04d%04d": top, bottom, left, right).
//
// Any thread (pure data and functions).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fw {

// Show states of the placement record.
inline constexpr uint32_t kShowNormal = 1;
inline constexpr uint32_t kShowMinimized = 2;
inline constexpr uint32_t kShowMaximized = 3;
inline constexpr uint32_t kShowDefault = 5;

struct PlainRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const PlainRect&) const = default;
};

struct WindowPlacement {
  uint32_t flags = 0;
  uint32_t showState = kShowNormal;
  int32_t minX = -1, minY = -1;
  int32_t maxX = -1, maxY = -1;
  PlainRect normal;
  bool operator==(const WindowPlacement&) const = default;
};

std::vector<uint8_t> encodePlacement(const WindowPlacement& p);
// Nullopt unless exactly 44 bytes. A stored show state of 0 reads as kShowDefault.
std::optional<WindowPlacement> decodePlacement(const std::vector<uint8_t>& bytes);

// True when the window's title strip (its top 32 pixels) overlaps one of `screens` by at
// least 64 pixels of width: enough to grab the window and drag it back.
bool reachableOnScreens(const PlainRect& normal, const std::vector<PlainRect>& screens);

std::string formatPaneRect(const PlainRect& r);
// Nullopt unless exactly sixteen characters of four signed numbers.
std::optional<PlainRect> parsePaneRect(const std::string& text);

}  // namespace fw
