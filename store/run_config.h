#pragma once
// What the stored settings mean for running jobs: the queue monitor's settings, the
// settings each Role copies, the storage options and what a run's end does. The desktop
// program runs with them as they are; fetchwright-cli lays its command-line values over
// them for its run.
//
// Pure functions of the settings record; any thread that owns the record.

#include <cstdint>

#include "jobs/controller_runner.h"
#include "jobs/queue_monitor.h"
#include "store/settings_records.h"

namespace fw {

MonitorSettings monitorSettingsFrom(const Settings& s);
RoleSettings roleSettingsFrom(const Settings& s);
StorageOptions storageOptionsFrom(const Settings& s);
// Notices and sounds from "Sflag", the after-download program from "MFlags", the display
// options from "OtherFlag".
EndingOptions endingOptionsFrom(const Settings& s);
RunConfig runConfigFrom(const Settings& s);

// "OtherFlag" byte 3 (0 Unlimited, 1 Manual, 2 Automatic); any other value is Unlimited.
int bandwidthModeFrom(const Settings& s);
// Stores `mode` (0..2) in "OtherFlag" byte 3.
void setBandwidthMode(Settings& s, int mode);
// Bytes per second the budget is refilled with in `mode`; 0 for Unlimited.
uint32_t bandwidthLimit(const MonitorSettings& m, int mode);

}  // namespace fw
