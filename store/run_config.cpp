#include "store/run_config.h"

#include "platform/paths.h"
#include "store/service_config.h"

namespace fw {

namespace {
// "MFlags" bits 2-3: what to do when the destination file exists.
constexpr uint32_t kCollisionAutoRename = 0x04;
constexpr uint32_t kCollisionStop = 0x08;
constexpr uint32_t kRunProgramAfterDownload = 0x10;
}  // namespace

MonitorSettings monitorSettingsFrom(const Settings& s) {
  MonitorSettings m;
  const GeneralSettings& g = s.general;
  m.simuRole = s.connection.simuRole;
  m.manualBand = s.connection.manaulBand;
  m.autoBand = s.connection.autoBand;
  m.startTime = g.sStartTime;
  m.stopTime = g.sStopTime;
  m.days = g.flagOne;
  m.sflag = s.sounds.sflag;
  m.allDoneSound = s.sounds.allDown;
  m.hangUpWhenDone = (s.dialUp.flags & dialupflags::kHangUpWhenDone) != 0;
  m.shutDownWhenDone = (g.monitor & 0x80) != 0;
  m.closeWhenDone = g.closeWhenDone();
  m.graphScale = static_cast<int>(s.color.scale);
  m.pacing = s.connection.paced();
  return m;
}

RoleSettings roleSettingsFrom(const Settings& s) {
  RoleSettings role;
  const GeneralSettings& g = s.general;
  const ConnectionSettings& c = s.connection;
  role.connOutSec = static_cast<int>(c.connOut);
  role.dataOutSec = static_cast<int>(c.dataOut);
  role.relaytSec = static_cast<int>(c.relayt);
  role.retryNum = c.retryNum;
  role.connType = c.connType;
  role.protocolCheck = s.protocol.check;
  role.userAgent = s.protocol.userAgent;
  role.userAgentText = s.protocol.userAgentText;
  role.ftpLoginMail = s.protocol.ftpLoginMail;
  role.asciiMode = s.protocol.asciiMode;
  role.tlsVerify = s.protocol.tlsVerify;
  role.stillDownloadNonResumable = g.option(generalcheck::kNonResumable);
  // Roles wait for the line only while a dial-up entry is chosen.
  role.useDialup = dialConfigFrom(s.dialUp).inUse;
  role.allocateOnSize = g.preallocate();
  role.bufferSizeKB = static_cast<int>(g.bufferSize);
  role.pacing = s.connection.paced();
  return role;
}

StorageOptions storageOptionsFrom(const Settings& s) {
  StorageOptions st;
  st.bufferSizeKB = static_cast<int>(s.general.bufferSize);
  uint32_t rule = s.general.mFlags & (kCollisionAutoRename | kCollisionStop);
  st.collision = rule == kCollisionStop         ? CollisionRule::Stop
                 : rule == kCollisionAutoRename ? CollisionRule::AutoRename
                 : rule == 0                    ? CollisionRule::Overwrite
                                                : CollisionRule::AutoRename;
  st.fallbackDir = downloadDir();
  return st;
}

EndingOptions endingOptionsFrom(const Settings& s) {
  EndingOptions e;
  const GeneralSettings& g = s.general;
  e.successNotice = (s.sounds.sflag & soundflags::kSuccessNotice) != 0;
  e.failureNotice = (s.sounds.sflag & soundflags::kFailureNotice) != 0;
  e.soundsOn = (s.sounds.sflag & soundflags::kSoundsOn) != 0;
  e.successSound = s.sounds.downSuccess;
  e.failSound = s.sounds.downFail;
  e.runProgram = (g.mFlags & kRunProgramAfterDownload) != 0 && !g.virusExe.empty();
  e.program = g.virusExe;
  e.programArgs = g.virusArgs;
  e.programTypes = g.virusType;
  e.keepFinishedOut = g.deleteWhenComplete();
  e.errorStop = g.option(generalcheck::kStopOnError);
  e.onDownloadView = true;
  e.sizeInBytes = g.sizeInBytes();
  e.maxSplit = static_cast<int>(g.maxSplit);
  e.minSegmentBytes = g.minSegmentBytes;
  return e;
}

RunConfig runConfigFrom(const Settings& s) {
  RunConfig cfg;
  cfg.role = roleSettingsFrom(s);
  cfg.ending = endingOptionsFrom(s);
  cfg.storage = storageOptionsFrom(s);
  return cfg;
}

int bandwidthModeFrom(const Settings& s) {
  int mode = s.general.bandwidthMode();
  return mode <= 2 ? mode : 0;
}

void setBandwidthMode(Settings& s, int mode) {
  if (mode < 0 || mode > 2) mode = 0;
  s.general.otherFlag = (s.general.otherFlag & 0x00FFFFFFu) | (static_cast<uint32_t>(mode) << 24);
}

uint32_t bandwidthLimit(const MonitorSettings& m, int mode) {
  return mode == 1 ? m.manualBand : mode == 2 ? m.autoBand : 0;
}

}  // namespace fw
