#include "capture/module/monitored_type.h"

#include <string>

#include "capture/module/monitor_flags.h"

namespace fw {

namespace {

constexpr size_t kTailKeepFrom = 197;  // a tail this long keeps only its last kTailKept bytes
constexpr size_t kTailKept = 190;

}  // namespace

bool isMonitoredUrl(const CaptureSettings& settings, std::string_view url) {
  if (!(settings.monitor & monitorflag::kBrowser)) return false;
  if (url.find("://") == std::string_view::npos) return false;
  if (url.empty()) return false;

  std::string upper(url);
  size_t dot = std::string::npos;
  for (size_t i = upper.size() - 1; i >= 1; --i) {
    char& c = upper[i];
    if (c == '/') return false;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '.') {
      dot = i;
      break;
    }
  }
  if (dot == std::string::npos) {
    if (upper[0] != '.') return false;
    dot = 0;
  }

  std::string tail = upper.substr(dot);
  if (tail.size() >= kTailKeepFrom) tail = tail.substr(tail.size() - kTailKept);
  size_t cut = tail.find_first_of("?&");
  if (cut != std::string::npos) tail.resize(cut);
  if (tail.size() <= 1 || tail[0] != '.') return false;
  tail.push_back(';');
  return settings.monitorType.find(tail) != std::string::npos;
}

}  // namespace fw
