#include "cli/run_settings.h"

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/job_database.h"
#include "store/run_config.h"
#include "store/settings_io.h"

namespace fw {

Settings loadRunSettings() {
  Settings s = defaultSettings();
  std::string dir = configDir();
  makeDirs(dir, 0700);
  Registry reg(Registry::defaultPath());
  settingsIo(reg, s, kSettingsLoad);
  return s;
}

RunSettings applyCliOverrides(const CliOptions& o, const Settings& s) {
  RunSettings r;
  r.proxies = s.proxy.proxies;
  if (o.proxy) {
    ProxyRecord p;
    p.title = "command line proxy";
    p.server = o.proxy->host;
    p.port = o.proxy->port;
    p.type = o.proxy->type;
    p.user = o.proxy->user;
    p.pass = o.proxy->password;
    p.flags = proxyflags::kPassive | (p.user.empty() ? 0u : proxyflags::kAuthenticate);
    r.proxies.push_back(p);
    r.cliProxyIndex = static_cast<uint8_t>(r.proxies.size());
  }

  r.monitor = monitorSettingsFrom(s);
  // A terminal run ends with its own summary: no countdowns, no hang-up.
  r.monitor.hangUpWhenDone = false;
  r.monitor.shutDownWhenDone = false;
  r.monitor.closeWhenDone = false;
  if (o.jobs) r.monitor.simuRole = static_cast<uint32_t>(*o.jobs);
  // The stored "Pacing" value is the desktop program's; the command line goes without
  // pacing unless asked.
  r.monitor.pacing = o.pace;
  r.bandwidthMode = bandwidthModeFrom(s);
  if (o.limit) {
    r.bandwidthMode = 1;
    r.monitor.manualBand = static_cast<uint32_t>(std::min<int64_t>(*o.limit, UINT32_MAX));
  }

  RoleSettings& role = r.role;
  role = roleSettingsFrom(s);
  if (o.timeout) role.connOutSec = role.dataOutSec = static_cast<int>(*o.timeout);
  if (o.retryDelay) role.relaytSec = static_cast<int>(*o.retryDelay);
  if (o.retries) {
    role.retryNum = *o.retries;
    role.connType &= ~conntype::kAlwaysRetry;
  }
  if (o.noVerify) role.tlsVerify = 0;
  // A command-line download of a server that cannot resume still runs, on one connection.
  role.stillDownloadNonResumable = true;
  role.pacing = o.pace;

  r.storage = storageOptionsFrom(s);
  r.storage.collision = CollisionRule::AutoRename;
  return r;
}

std::string databasePathFor(const CliOptions& o, const Settings& s) {
  if (o.db) return *o.db;
  if (!s.dataFile.remoteFile.empty()) return s.dataFile.remoteFile;
  return defaultDatabasePath(dataDir());
}

AddJobRequest addRequestFor(const CliOptions& o, const RunSettings& run, const std::string& url) {
  AddJobRequest req;
  req.url = url;
  req.startMode = kStartManual;
  if (o.dir) req.saveDir = *o.dir;
  if (o.split) req.splitCount = static_cast<uint8_t>(*o.split);
  if (o.referer) req.referer = *o.referer;
  if (o.user) req.userName = *o.user;
  if (o.password) req.password = *o.password;
  if (run.cliProxyIndex) req.ftpProxy = req.httpProxy = run.cliProxyIndex;
  if (o.recursive) req.extraFlags |= jobflags::kFtpSubdirs | jobflags::kFtpCreateDirs;
  if (o.ftpCategory) req.extraFlags |= jobflags::kFtpCategory;
  return req;
}

RunConfig runConfigFor(const RunSettings& run, const Settings& s, const JobRecord& /*job*/) {
  RunConfig cfg;
  cfg.role = run.role;
  cfg.storage = run.storage;
  EndingOptions& e = cfg.ending;
  e = endingOptionsFrom(s);
  e.successNotice = false;  // the command line reports every end itself
  e.failureNotice = false;
  e.soundsOn = false;
  e.keepFinishedOut = false;
  e.onDownloadView = false;
  return cfg;
}

}  // namespace fw
