#include "cli/run_settings.h"

#include "platform/paths.h"
#include "platform/registry.h"
#include "store/job_database.h"
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

  const GeneralSettings& g = s.general;
  const ConnectionSettings& c = s.connection;
  r.monitor.simuRole = o.jobs ? static_cast<uint32_t>(*o.jobs) : c.simuRole;
  r.monitor.manualBand = c.manaulBand;
  r.monitor.autoBand = c.autoBand;
  r.monitor.startTime = g.sStartTime;
  r.monitor.stopTime = g.sStopTime;
  r.monitor.days = g.flagOne;
  r.monitor.sflag = s.sounds.sflag;
  // The stored "Pacing" value is the desktop program's; the command line goes without
  // pacing unless asked.
  r.monitor.pacing = o.pace;
  r.bandwidthMode = g.bandwidthMode() <= 2 ? g.bandwidthMode() : 0;
  if (o.limit) {
    r.bandwidthMode = 1;
    r.monitor.manualBand = static_cast<uint32_t>(std::min<int64_t>(*o.limit, UINT32_MAX));
  }

  RoleSettings& role = r.role;
  role.connOutSec = static_cast<int>(o.timeout ? *o.timeout : c.connOut);
  role.dataOutSec = static_cast<int>(o.timeout ? *o.timeout : c.dataOut);
  role.relaytSec = static_cast<int>(o.retryDelay ? *o.retryDelay : c.relayt);
  role.retryNum = o.retries ? *o.retries : c.retryNum;
  role.connType = c.connType;
  if (o.retries) role.connType &= ~conntype::kAlwaysRetry;
  role.protocolCheck = s.protocol.check;
  role.userAgent = s.protocol.userAgent;
  role.userAgentText = s.protocol.userAgentText;
  role.ftpLoginMail = s.protocol.ftpLoginMail;
  role.asciiMode = s.protocol.asciiMode;
  role.tlsVerify = o.noVerify ? 0 : s.protocol.tlsVerify;
  // A command-line download of a server that cannot resume still runs, on one connection.
  role.stillDownloadNonResumable = true;
  role.useDialup = false;
  role.allocateOnSize = g.preallocate();
  role.bufferSizeKB = static_cast<int>(g.bufferSize);
  role.pacing = o.pace;

  r.storage.bufferSizeKB = static_cast<int>(g.bufferSize);
  r.storage.fallbackDir = downloadDir();
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
  e.successNotice = false;  // the command line reports every end itself
  e.failureNotice = false;
  e.soundsOn = false;
  e.runProgram = (s.general.mFlags & 0x10) != 0 && !s.general.virusExe.empty();
  e.program = s.general.virusExe;
  e.programArgs = s.general.virusArgs;
  e.programTypes = s.general.virusType;
  e.keepFinishedOut = false;
  e.errorStop = s.general.option(generalcheck::kStopOnError);
  e.onDownloadView = false;
  e.sizeInBytes = s.general.sizeInBytes();
  e.maxSplit = static_cast<int>(s.general.maxSplit);
  e.minSegmentBytes = s.general.minSegmentBytes;
  return cfg;
}

}  // namespace fw
