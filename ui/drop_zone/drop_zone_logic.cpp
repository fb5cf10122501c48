#include "ui/drop_zone/drop_zone_logic.h"

#include <algorithm>
#include <unordered_set>

#include "engine/url/url_parse.h"

namespace fw {

namespace {

constexpr int kRightEdgeMargin = 17;
constexpr int kRightEdgeStep = 20;
constexpr uint32_t kLeastAlpha = 24;

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Quotes and brackets that text around a link commonly puts on either side of it.
bool isWrapper(char c) {
  return c == '"' || c == '\'' || c == '<' || c == '>' || c == '(' || c == ')' || c == '[' ||
         c == ']';
}

}  // namespace

ZonePlace dropZoneStartPlace(int storedX, int storedY, const PlainRect& desktop, int width,
                             int height) {
  ZonePlace p{storedX, storedY};
  if (p.x > desktop.right - kRightEdgeMargin) p.x -= kRightEdgeStep;
  const bool reachable = p.x < desktop.right && p.x + width > desktop.left &&
                         p.y < desktop.bottom && p.y + height > desktop.top;
  if (!reachable && desktop.width() > 0 && desktop.height() > 0) {
    p.x = std::clamp(p.x, desktop.left, std::max(desktop.left, desktop.right - width));
    p.y = std::clamp(p.y, desktop.top, std::max(desktop.top, desktop.bottom - height));
  }
  return p;
}

int speedGraphLevel(int64_t bytesPerSecond, uint32_t scaleKiB) {
  if (bytesPerSecond <= 0) return 0;
  const int64_t unit = static_cast<int64_t>(std::max<uint32_t>(scaleKiB, 1)) * 1024;
  return static_cast<int>(std::clamp<int64_t>(bytesPerSecond / unit, 4, 255));
}

void SpeedHistory::add(int64_t bytesPerSecond) {
  m_samples.push_back(std::max<int64_t>(bytesPerSecond, 0));
  while (m_samples.size() > kSamples) m_samples.pop_front();
}

std::vector<int> speedGraphBars(const std::deque<int64_t>& samples, int columns, int height,
                                uint32_t scaleKiB) {
  std::vector<int> bars(static_cast<size_t>(std::max(columns, 0)), 0);
  if (columns <= 0 || height <= 0) return bars;
  const int slots = static_cast<int>(SpeedHistory::kSamples);
  const int count = std::min(static_cast<int>(samples.size()), slots);
  const int first = slots - count;  // slot of the oldest sample kept
  const size_t skip = samples.size() - static_cast<size_t>(count);
  for (int c = 0; c < columns; ++c) {
    const int from = c * slots / columns;
    const int to = std::max(from + 1, (c + 1) * slots / columns);
    int level = 0;
    for (int s = std::max(from, first); s < to; ++s)
      level = std::max(level,
                       speedGraphLevel(samples[skip + static_cast<size_t>(s - first)], scaleKiB));
    bars[static_cast<size_t>(c)] = std::min(level, height);
  }
  return bars;
}

double dropZoneOpacity(bool transparent, uint32_t alpha) {
  if (!transparent) return 1.0;
  return static_cast<double>(std::clamp<uint32_t>(alpha, kLeastAlpha, 255)) / 255.0;
}

std::vector<std::string> droppedUrls(std::string_view text, size_t limit) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> urls;
  std::unordered_set<std::string> seen;
  size_t i = 0;
  while (i < text.size() && urls.size() < limit) {
    while (i < text.size() && isSpace(text[i])) ++i;
    size_t end = i;
    while (end < text.size() && !isSpace(text[end])) ++end;
    std::string_view word = text.substr(i, end - i);
    i = end;
    while (!word.empty() && isWrapper(word.front())) word.remove_prefix(1);
    while (!word.empty() && isWrapper(word.back())) word.remove_suffix(1);
    if (word.empty()) continue;
    UrlParts parts;
    if (parseUrl(word, parts) != 1) continue;
    std::string url(word);
    if (seen.insert(url).second) urls.push_back(std::move(url));
  }
  return urls;
}

}  // namespace fw
