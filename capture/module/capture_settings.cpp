#include "capture/module/capture_settings.h"

#include <algorithm>
#include <mutex>

namespace fw {

bool loadCaptureSettings(Registry& reg, CaptureSettings& out) {
  out = CaptureSettings{};
  if (!reg.keyExists(RegRoot::CurrentUser, kCaptureSettingsKey) &&
      reg.createKey(RegRoot::CurrentUser, kCaptureSettingsKey) != RegStatus::Ok)
    return false;
  uint32_t monitor = 0;
  if (reg.queryDword(RegRoot::CurrentUser, kCaptureSettingsKey, "Monitor", monitor) ==
      RegStatus::Ok)
    out.monitor = static_cast<uint8_t>(monitor & 0xFF);
  std::string types;
  if (reg.queryString(RegRoot::CurrentUser, kCaptureSettingsKey, "MonitorType", types) ==
      RegStatus::Ok) {
    if (types.size() > kMonitorTypeReadMax) types.resize(kMonitorTypeReadMax);
    // A stored NUL ends the text, as it would in a C buffer.
    types.resize(std::min(types.size(), types.find('\0')));
    if (!types.empty() && types.back() != ';') types.push_back(';');
    out.monitorType = std::move(types);
  }
  return true;
}

const CaptureSettings& processCaptureSettings() {
  static CaptureSettings settings;
  static std::once_flag once;
  std::call_once(once, [] {
    Registry reg(Registry::defaultPath());
    loadCaptureSettings(reg, settings);
  });
  return settings;
}

}  // namespace fw
