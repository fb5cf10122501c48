#include "store/service_config.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(ServiceConfigTest, DialUpIsInUseOnlyWithARealEntryChosen) {
  const struct {
    uint8_t wDialup;
    const char* title;
    bool inUse;
  } cases[] = {
      {1, "ISP Dial", true},
      {0, "ISP Dial", false},
      {1, "Fetchwright Never Dial", false},
      {1, "", false},
  };
  for (const auto& c : cases) {
    DialUpSettings s;
    s.wDialup = c.wDialup;
    s.dialTitle = c.title;
    EXPECT_EQ(dialConfigFrom(s).inUse, c.inUse) << int(c.wDialup) << " " << c.title;
  }
  DialUpSettings s;
  s.flags = dialupflags::kHangUpWhenDone;
  DialConfig c = dialConfigFrom(s);
  EXPECT_TRUE(c.hangUpWhenDone);
  EXPECT_FALSE(c.redial) << "Flags bit 1 clear";
}

TEST(ServiceConfigTest, UpdateEndpointKeepsAUsablePath) {
  GeneralSettings g;
  g.updateHost = "updates.example.org";
  g.updatePort = 8080;
  g.updatePath = "images/Update.ini";  // not absolute: the built-in path instead
  g.updatePage = "https://example.org/download";
  UpdateEndpoint e = updateEndpointFrom(g);
  EXPECT_EQ(e.host, "updates.example.org");
  EXPECT_EQ(e.port, 8080);
  EXPECT_EQ(e.path, builtInUpdatePath());
  EXPECT_EQ(e.downloadPage, "https://example.org/download");
}

}  // namespace
}  // namespace fw
