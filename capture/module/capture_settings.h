#pragma once
// The capture module's copy of the two settings it reads: "Monitor" and "MonitorType" of
// the General key. Each process that runs the module reads them once; a change made in
// Fetchwright's options reaches the next process (every browser message starts a new
// host process).

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace fw {

inline constexpr const char* kCaptureSettingsKey = "Software\\Fetchwright\\Fetchwright\\General\\";
// At most this many bytes of "MonitorType" are read.
inline constexpr size_t kMonitorTypeReadMax = 1200;

struct CaptureSettings {
  // Low byte of "Monitor". Zero both when nothing is enabled and when nothing was read.
  uint8_t monitor = 0;
  // Uppercase extensions with their dot, each followed by ";" once loaded.
  std::string monitorType;
};

// Opens the General key (creating it when missing) and reads both values: "Monitor" as a
// DWORD (missing or of another type: 0), "MonitorType" cut to its first 1,200 bytes, with
// ";" appended when it is not empty and does not end in one. False when the key could not
// be opened or created (the result is then all zero). Any thread.
bool loadCaptureSettings(Registry& reg, CaptureSettings& out);

// This process's settings: loaded from Registry::defaultPath() on the first call, the same
// object afterwards. Any thread (the first load is serialised).
const CaptureSettings& processCaptureSettings();

}  // namespace fw
