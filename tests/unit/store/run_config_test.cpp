#include "store/run_config.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(RunConfig, StoredSettingsBecomeTheRunsOptions) {
  Settings s;
  s.connection.simuRole = 2;
  s.connection.manaulBand = 9000;
  s.sounds.sflag = soundflags::kFailureNotice | soundflags::kAllDoneNotice | soundflags::kSoundsOn;
  s.general.monitor = 0x80 | 0x2E;
  s.general.otherFlag = 0x02000000 | 0x8000 | 0x020000;  // Automatic, close when done, keep out
  s.general.mFlags = 0x10 | 0x08;                        // scanner on, "Stop" when the file exists
  s.general.virusExe = "/usr/bin/clamscan";
  s.dialUp.flags = dialupflags::kHangUpWhenDone;

  MonitorSettings m = monitorSettingsFrom(s);
  EXPECT_EQ(m.simuRole, 2u);
  EXPECT_EQ(m.manualBand, 9000u);
  EXPECT_TRUE(m.shutDownWhenDone);
  EXPECT_TRUE(m.closeWhenDone);
  EXPECT_TRUE(m.hangUpWhenDone);
  EXPECT_EQ(bandwidthModeFrom(s), 2);

  EndingOptions e = endingOptionsFrom(s);
  EXPECT_FALSE(e.successNotice);
  EXPECT_TRUE(e.failureNotice);
  EXPECT_TRUE(e.soundsOn);
  EXPECT_TRUE(e.runProgram);
  EXPECT_TRUE(e.keepFinishedOut);
  EXPECT_TRUE(e.onDownloadView);
  EXPECT_EQ(storageOptionsFrom(s).collision, CollisionRule::Stop);
}

TEST(RunConfig, CollisionRuleAndBandwidthModeBits) {
  struct Case {
    uint32_t mFlags;
    CollisionRule rule;
  };
  for (const Case& c : {Case{0x00, CollisionRule::Overwrite}, Case{0x04, CollisionRule::AutoRename},
                        Case{0x08, CollisionRule::Stop}, Case{0x0C, CollisionRule::AutoRename},
                        Case{0x05, CollisionRule::AutoRename}}) {
    Settings s;
    s.general.mFlags = c.mFlags;
    EXPECT_EQ(storageOptionsFrom(s).collision, c.rule) << c.mFlags;
  }
  Settings s;
  s.general.otherFlag = 0x0C641F;
  for (int mode : {2, 0, 1}) {
    setBandwidthMode(s, mode);
    EXPECT_EQ(bandwidthModeFrom(s), mode);
    EXPECT_EQ(s.general.otherFlag & 0x00FFFFFF, 0x0C641Fu) << "the other option bytes stay";
  }
  s.general.otherFlag = 0x07000000;  // a stored mode out of range
  EXPECT_EQ(bandwidthModeFrom(s), 0);
  MonitorSettings m;
  m.manualBand = 600;
  m.autoBand = 200;
  EXPECT_EQ(bandwidthLimit(m, 0), 0u);
  EXPECT_EQ(bandwidthLimit(m, 1), 600u);
  EXPECT_EQ(bandwidthLimit(m, 2), 200u);
}

}  // namespace
}  // namespace fw
