#pragma once
// The settings of one fetchwright-cli run: the stored settings with the command line's
// values laid over them. Command-line values hold for this run only and are never
// written back.

#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "jobs/controller_runner.h"
#include "jobs/queue_monitor.h"
#include "store/job_operations.h"
#include "store/settings_records.h"

namespace fw {

struct RunSettings {
  std::vector<ProxyRecord> proxies;  // numbered from 1; the --proxy record appended
  uint8_t cliProxyIndex = 0;         // its number, 0 without --proxy
  MonitorSettings monitor;
  int bandwidthMode = 0;
  RoleSettings role;
  StorageOptions storage;
};

// The stored settings from the registry store (defaults where nothing is stored; missing
// values are written back as the desktop program does).
Settings loadRunSettings();

RunSettings applyCliOverrides(const CliOptions& opts, const Settings& settings);

// --db, else the database the desktop program last used, else the default one.
std::string databasePathFor(const CliOptions& opts, const Settings& settings);

// The AddJob request for `url` with the command line's values; the job is added stopped.
AddJobRequest addRequestFor(const CliOptions& opts, const RunSettings& run, const std::string& url);

// What a job's run starts with.
RunConfig runConfigFor(const RunSettings& run, const Settings& settings, const JobRecord& job);

}  // namespace fw
