#include "store/settings_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "support/temp_dir.h"

namespace fw {
namespace {

constexpr RegRoot kCu = RegRoot::CurrentUser;

struct SettingsIoTest : ::testing::Test {
  test::TempDir dir;
  Registry reg{dir.file("registry.reg")};

  bool has(const char* key, const char* name) {
    RegValue v;
    return reg.queryValue(kCu, key, name, v) == RegStatus::Ok;
  }
  uint32_t dword(const char* key, const char* name) {
    uint32_t v = 0xDEADBEEF;
    reg.queryDword(kCu, key, name, v);
    return v;
  }
};

// One stored DWORD and what it loads as.
struct DwordCase {
  const char* key;
  const char* name;
  bool present;
  uint32_t stored;
  uint32_t loaded;
  bool writtenBack;  // missing value created while loading
};

uint32_t loadedValue(Settings& s, const std::string& name) {
  const std::map<std::string, uint32_t> v = {
      {"MaxSplit", s.general.maxSplit},
      {"AutoSaveTime", s.general.autoSaveSeconds},
      {"BufferSize", s.general.bufferSize},
      {"MinSegment", s.general.minSegmentBytes},
      {"WDropX", static_cast<uint32_t>(s.general.wDropX)},
      {"DFlags", s.general.dFlags},
      {"Splitter", s.general.splitter},
      {"Rate", s.general.rate},
      {"ConnOut", s.connection.connOut},
      {"Relayt", s.connection.relayt},
      {"SimuRole", s.connection.simuRole},
      {"RetryNum", s.connection.retryNum},
      {"ConnType", s.connection.connType},
      {"BandWidth", s.connection.bandWidth},
      {"ManaulBand", s.connection.manaulBand},
      {"AutoBand", s.connection.autoBand},
      {"Pacing", s.connection.pacing},
      {"TlsVerify", s.protocol.tlsVerify},
      {"Scale", s.color.scale},
      {"Times", s.dialUp.times},
      {"WTime", s.dialUp.wTime},
      {"AutoUpdate", s.general.autoUpdate},
      {"UpdatePort", s.general.updatePort},
  };
  return v.at(name);
}

TEST_F(SettingsIoTest, FallbacksAndWriteBack) {
  const char* G = settingkeys::kGeneral;
  const char* C = settingkeys::kConnection;
  const DwordCase cases[] = {
      {C, "ManaulBand", true, 399, 600, false},
      {C, "ManaulBand", true, 400, 400, false},
      {C, "ManaulBand", false, 0, 26000, true},
      {C, "AutoBand", true, 99, 200, false},
      {C, "BandWidth", true, 1799, 187500, false},
      {G, "AutoSaveTime", true, 1, 17 * 60, false},
      {G, "AutoSaveTime", true, 0, 17 * 60, false},
      {G, "AutoSaveTime", true, 2, 120, false},
      {G, "AutoSaveTime", false, 0, 17 * 60, true},
      {G, "MaxSplit", true, 200, 15, false},
      {G, "MaxSplit", true, 128, 128, false},
      {G, "MaxSplit", false, 0, 15, false},  // stays missing
      {C, "ConnType", true, 0x1C, 0x18, false},
      {C, "ConnType", true, 0x9B, 0x9B, false},
      {C, "ConnType", false, 0, 0x88, true},
      {G, "BufferSize", true, 15, 4096, false},
      {G, "BufferSize", true, 8192, 4096, false},
      {G, "MinSegment", true, 9, 100 * 1024, false},
      {G, "MinSegment", true, 50, 50 * 1024, false},
      {G, "WDropX", true, 0xFFFFFFFF, 2, false},
      {G, "WDropX", false, 0, 6, false},
      {G, "DFlags", true, 0xFF, 0x3F, false},
      {G, "Splitter", true, 16, 5, false},
      {G, "Splitter", true, 0, 5, false},
      {G, "Rate", true, 6, 3, false},
      {C, "ConnOut", true, 29, 90, false},
      {C, "ConnOut", true, 601, 90, false},
      {C, "Relayt", true, 0, 5, false},
      {C, "SimuRole", true, 11, 4, false},
      {C, "RetryNum", true, 60001, 99, false},
      {C, "Pacing", false, 0, 1, true},
      {C, "Pacing", true, 0, 0, false},
      {C, "Pacing", true, 2, 2, false},  // any value but 0 keeps pacing on
      {settingkeys::kProtocol, "TlsVerify", true, 0, 0, false},
      {settingkeys::kProtocol, "TlsVerify", true, 7, 1, false},
      {settingkeys::kProtocol, "TlsVerify", false, 0, 1, false},
      {settingkeys::kColor, "Scale", true, 1001, 7, false},
      {settingkeys::kDialUp, "Times", true, 0, 100, false},
      {settingkeys::kDialUp, "Times", true, 101, 100, false},
      {settingkeys::kDialUp, "WTime", true, 61, 60, false},
      {G, "AutoUpdate", true, 0, 0, false},
      {G, "AutoUpdate", true, 5, 1, false},
      {G, "AutoUpdate", false, 0, 1, true},
      {G, "UpdatePort", true, 8080, 8080, false},
      {G, "UpdatePort", true, 0, builtInUpdatePort(), false},
      {G, "UpdatePort", true, 65536, builtInUpdatePort(), false},
      {G, "UpdatePort", false, 0, builtInUpdatePort(), false},
  };
  for (const DwordCase& c : cases) {
    reg.deleteKey(kCu, settingkeys::kRoot);
    if (c.present) reg.setDword(kCu, c.key, c.name, c.stored);
    Settings s;
    ASSERT_TRUE(settingsIo(reg, s, kSettingsLoad));
    EXPECT_EQ(loadedValue(s, c.name), c.loaded) << c.name << " " << c.stored;
    if (!c.present) {
      EXPECT_EQ(has(c.key, c.name), c.writtenBack) << c.name;
    } else {
      EXPECT_EQ(dword(c.key, c.name), c.stored) << c.name << ": a load never rewrites it";
    }
  }
}

TEST_F(SettingsIoTest, SaveWritesRegistryUnitsAndRoundTrips) {
  Settings s;
  s.general.minSegmentBytes = 30 * 1024;
  s.general.autoSaveSeconds = 5 * 60;
  s.general.monitorType = ".ISO";
  s.general.wDropX = -40;
  s.connection.manaulBand = 12345;
  s.connection.pacing = 0;
  s.protocol.tlsVerify = 0;
  s.dialUp.dialTitle = "isp";
  s.general.updateHost = "updates.example.org";
  s.general.autoUpdate = 0;
  s.color.graphFore = 0x123456;
  s.dataFile.remoteFile = "/home/u/jobs.npd";
  s.dataFile.localFile = "kept";
  s.main.winLayout.assign(44, 7);
  s.toolBar.button.assign(40, 9);
  s.downSet.others.slots[3].width = 321;
  s.downSet.others.order[0] = 12;
  ASSERT_TRUE(settingsIo(reg, s, kSettingsSave));
  EXPECT_EQ(dword(settingkeys::kGeneral, "MinSegment"), 30u);
  EXPECT_EQ(dword(settingkeys::kGeneral, "AutoSaveTime"), 5u);

  Settings back;
  ASSERT_TRUE(settingsIo(reg, back, kSettingsLoad));
  EXPECT_EQ(back.general.minSegmentBytes, 30u * 1024);
  EXPECT_EQ(back.general.autoSaveSeconds, 300u);
  EXPECT_EQ(back.general.monitorType, ".ISO");
  EXPECT_EQ(back.general.wDropX, 2);  // negative positions fall back
  EXPECT_EQ(back.connection.manaulBand, 12345u);
  EXPECT_FALSE(back.connection.paced());
  EXPECT_EQ(back.protocol.tlsVerify, 0u);
  EXPECT_EQ(back.dialUp.dialTitle, "isp");
  EXPECT_EQ(back.general.updateHost, "updates.example.org");
  EXPECT_EQ(back.general.autoUpdate, 0u);
  EXPECT_EQ(back.color.graphFore, 0x123456u);
  EXPECT_EQ(back.dataFile.remoteFile, "/home/u/jobs.npd");
  EXPECT_EQ(back.dataFile.localFile, "kept");
  EXPECT_EQ(back.main.winLayout, s.main.winLayout);
  EXPECT_EQ(back.toolBar.button, s.toolBar.button);
  EXPECT_EQ(back.downSet.others, s.downSet.others);
  EXPECT_EQ(back.downSet.download, ColumnLayout::builtIn(true));
}

TEST_F(SettingsIoTest, WrongSizedBinariesKeepTheBuiltInLayout) {
  reg.setBinary(kCu, settingkeys::kDownSet, "SaveOne", std::string(63, '\x01'));
  reg.setBinary(kCu, settingkeys::kDownSet, "OrderOne", std::string(32, '\x00'));
  reg.setBinary(kCu, settingkeys::kMain, "winlayout", std::string(43, '\x01'));
  reg.setBinary(kCu, settingkeys::kToolBar, "Button", std::string(1010, '\x02'));
  Settings s;
  ASSERT_TRUE(settingsIo(reg, s, kSettingsLoad));
  EXPECT_EQ(s.downSet.download.slots, ColumnLayout::builtIn(true).slots);
  EXPECT_EQ(s.downSet.download.order[5], 0);  // the 32-byte order was taken
  EXPECT_TRUE(s.main.winLayout.empty());
  EXPECT_EQ(s.toolBar.button.size(), 1000u);
}

TEST_F(SettingsIoTest, PathsMapToTheDownloadFolder) {
  ::setenv("FETCHWRIGHT_HOME", dir.path().c_str(), 1);
  reg.setString(kCu, settingkeys::kGeneral, "DefaultPath", "C:\\Downloaded\\Music");
  Settings s;
  ASSERT_TRUE(settingsIo(reg, s, kSettingsLoad));
  EXPECT_EQ(s.general.defaultPath, dir.path() + "/Downloads/Music");
  EXPECT_EQ(s.sounds.addNewJob, shareDir() + "/Sounds/addnew.wav");
  EXPECT_FALSE(has(settingkeys::kGeneral, "SysAt"));
  reg.deleteKey(kCu, settingkeys::kRoot);
  Settings fresh;
  ASSERT_TRUE(settingsIo(reg, fresh, kSettingsLoad));
  EXPECT_EQ(fresh.general.defaultPath, dir.path() + "/Downloads");
  ::unsetenv("FETCHWRIGHT_HOME");
}

TEST_F(SettingsIoTest, ProxyListIsNumberedWithoutGaps) {
  const std::string p = std::string(settingkeys::kProxy) + "\\";
  reg.setString(kCu, p + "Proxy2", "Title", "second");
  reg.setDword(kCu, p + "Proxy2", "Ports", 3128);
  reg.setDword(kCu, p + "Proxy2", "Type", kProxyHttpConnect);
  reg.setString(kCu, p + "Proxy3", "Title", "third");
  reg.setString(kCu, p + "Proxy5", "Title", "beyond the gap");
  reg.setString(kCu, p + "proxy7", "Title", "also beyond");
  reg.setString(kCu, p + "Other", "Title", "not numbered");
  ProxySettings s;
  ASSERT_TRUE(proxySettingsIo(reg, s, kSettingsLoad));
  ASSERT_EQ(s.proxies.size(), 3u);
  EXPECT_EQ(s.proxies[0].title, "Direct Connection");
  EXPECT_EQ(s.proxies[0].type, kProxyDirect);
  EXPECT_EQ(s.proxies[1].title, "second");
  EXPECT_EQ(s.proxies[1].port, 3128);
  EXPECT_EQ(s.proxies[1].type, kProxyHttpConnect);
  EXPECT_TRUE(reg.keyExists(kCu, p + "Proxy1"));
  EXPECT_FALSE(reg.keyExists(kCu, p + "Proxy5"));
  EXPECT_FALSE(reg.keyExists(kCu, p + "Proxy7"));
  EXPECT_TRUE(reg.keyExists(kCu, p + "Other"));

  // Deleting an entry and saving renumbers the rest and drops the old last number.
  s.proxies.erase(s.proxies.begin() + 1);
  ASSERT_TRUE(proxySettingsIo(reg, s, kSettingsSave));
  std::string title;
  reg.queryString(kCu, p + "Proxy2", "Title", title);
  EXPECT_EQ(title, "third");
  EXPECT_FALSE(reg.keyExists(kCu, p + "Proxy3"));
}

TEST_F(SettingsIoTest, MruListsDropTheOldestFromNineOn) {
  MruList dirs;
  for (int i = 1; i <= 8; ++i)
    ASSERT_TRUE(addMruEntry(reg, settingkeys::kSaveDir, dirs, "/d" + std::to_string(i)));
  EXPECT_EQ(dirs.entries.size(), 8u);
  addMruEntry(reg, settingkeys::kSaveDir, dirs, "/d9");  // eight present: appended
  EXPECT_EQ(dirs.entries.size(), 9u);
  EXPECT_EQ(dirs.entries.front(), "/d1");
  addMruEntry(reg, settingkeys::kSaveDir, dirs, "/d10");  // nine present: oldest dropped
  EXPECT_EQ(dirs.entries.size(), 9u);
  EXPECT_EQ(dirs.entries.front(), "/d2");
  EXPECT_EQ(dirs.entries.back(), "/d10");

  MruList back;
  ASSERT_TRUE(mruListIo(reg, settingkeys::kSaveDir, back, kSettingsLoad));
  EXPECT_EQ(back.entries, dirs.entries);
  EXPECT_FALSE(has(settingkeys::kSaveDir, "List10"));

  // A list stored by hand with ten entries and a gap after the third.
  for (int i = 1; i <= 10; ++i)
    reg.setString(kCu, settingkeys::kFindStr, ("List" + std::to_string(i)).c_str(),
                  "s" + std::to_string(i));
  reg.deleteValue(kCu, settingkeys::kFindStr, "List4");
  MruList find;
  ASSERT_TRUE(mruListIo(reg, settingkeys::kFindStr, find, kSettingsLoad));
  EXPECT_EQ(find.entries, (std::vector<std::string>{"s1", "s2", "s3"}));
}

TEST_F(SettingsIoTest, UnwritableRegistryKeepsTheRecord) {
  // A plain file in place of the folder: nothing can be created below it, even by root.
  Registry broken(dir.write("not-a-folder", "x") + "/registry.reg");
  ConnectionSettings c;
  c.manaulBand = 777;
  EXPECT_FALSE(connectionSettingsIo(broken, c, kSettingsLoad));
  EXPECT_EQ(c.manaulBand, 777u);
  EXPECT_FALSE(connectionSettingsIo(broken, c, kSettingsSave));
}

TEST_F(SettingsIoTest, SharedGeneralStringValue) {
  std::string v = "before";
  EXPECT_FALSE(generalStringIo(reg, "LastUrl", v, kSettingsLoad));
  EXPECT_EQ(v, "before");
  std::string w = "http://x";
  ASSERT_TRUE(generalStringIo(reg, "LastUrl", w, kSettingsSave));
  ASSERT_TRUE(generalStringIo(reg, "LastUrl", v, kSettingsLoad));
  EXPECT_EQ(v, "http://x");
}

}  // namespace
}  // namespace fw
