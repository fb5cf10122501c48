#include "capture/module/monitored_type.h"

#include <gtest/gtest.h>

#include "capture/module/capture_settings.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

const std::string kDefaultTypes = ".ZIP;.EXE;.BIN;.GZ;.Z;.TAR;.ARJ;.LZH;.MP3;.RAR;.CHM;";

TEST(MonitoredType, DecidesAsTheCaptureModuleAlwaysHas) {
  const std::string ext196 = "." + std::string(195, 'X');  // a tail of 196 bytes is kept whole
  const std::string ext197 = "." + std::string(196, 'X');  // 197: only its last 190 bytes
  struct Case {
    const char* why;
    uint8_t monitor;
    std::string types;
    std::string url;
    bool monitored;
  } cases[] = {
      {"listed type", 0x20, kDefaultTypes, "http://h/file.ZIP", true},
      {"case-blind on the URL", 0x2E, kDefaultTypes, "http://h/dir/file.zip", true},
      {"bit 0x20 clear", 0x0E, kDefaultTypes, "http://h/file.zip", false},
      {"query after the type", 0x20, kDefaultTypes, "http://h/setup.exe?x=1", true},
      {"type inside the query", 0x20, kDefaultTypes, "http://h/get?f=a.zip", true},
      {"cut at &", 0x20, kDefaultTypes, "http://h/setup.exe&x", true},
      {"slash after the dot", 0x20, kDefaultTypes, "http://h/a.zip/x", false},
      {"dotted folder, no extension", 0x20, kDefaultTypes, "http://h/v1.2/page", false},
      {"no extension", 0x20, kDefaultTypes, "http://h/download", false},
      {"local path", 0x20, kDefaultTypes, "/home/u/file.zip", false},
      {"last of two extensions", 0x20, kDefaultTypes, "http://h/a.tar.gz", true},
      {"inside a longer entry", 0x20, ".TAR.GZ;", "http://h/a.gz", true},
      {"dot belongs to the entry", 0x20, kDefaultTypes, "http://h/a.ip", false},
      {"prefix of an entry", 0x20, kDefaultTypes, "http://h/a.zi", false},
      {"single-letter entry", 0x20, kDefaultTypes, "http://h/a.z", true},
      {"a bare dot", 0x20, kDefaultTypes, "http://h/a.", false},
      {"a dot then the query", 0x20, kDefaultTypes, "http://h/a.?x", false},
      {"empty list", 0x20, "", "http://h/a.zip", false},
      {"tail of 196 bytes", 0x20, ext196 + ";", "http://h/a" + ext196, true},
      {"tail of 197 bytes loses its dot", 0x20, ext197 + ";", "http://h/a" + ext197, false},
  };
  for (const Case& c : cases) {
    CaptureSettings s;
    s.monitor = c.monitor;
    s.monitorType = c.types;
    EXPECT_EQ(isMonitoredUrl(s, c.url), c.monitored) << c.why << ": " << c.url;
  }
}

TEST(CaptureSettings, LoadReadsLowByteAndEndsTheListWithSemicolon) {
  test::TempDir dir("fwcap");
  struct Case {
    bool haveMonitor;
    uint32_t monitor;
    bool haveTypes;
    std::string types;
    uint8_t expectMonitor;
    std::string expectTypes;
  } cases[] = {
      {true, 0x12E, true, ".ZIP;.EXE", 0x2E, ".ZIP;.EXE;"},
      {true, 0x20, true, ".ZIP;", 0x20, ".ZIP;"},
      {true, 0x20, true, "", 0x20, ""},
      {false, 0, true, ".ZIP", 0, ".ZIP;"},
      {true, 0x20, false, "", 0x20, ""},
      {true, 0x20, true, std::string(1300, 'A'), 0x20, std::string(1200, 'A') + ";"},
  };
  int n = 0;
  for (const Case& c : cases) {
    Registry reg(dir.file("reg" + std::to_string(n++) + ".reg"));
    if (c.haveMonitor)
      reg.setDword(RegRoot::CurrentUser, kCaptureSettingsKey, "Monitor", c.monitor);
    if (c.haveTypes)
      reg.setString(RegRoot::CurrentUser, kCaptureSettingsKey, "MonitorType", c.types);
    CaptureSettings s;
    ASSERT_TRUE(loadCaptureSettings(reg, s));
    EXPECT_EQ(s.monitor, c.expectMonitor) << n;
    EXPECT_EQ(s.monitorType, c.expectTypes) << n;
    EXPECT_TRUE(reg.keyExists(RegRoot::CurrentUser, kCaptureSettingsKey));
  }
}

}  // namespace
}  // namespace fw
