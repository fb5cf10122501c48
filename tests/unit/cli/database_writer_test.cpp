#include "cli/database_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sync.h"

namespace fw {
namespace {

// Saves that arrive while the disk is busy collapse into the newest one; nothing
// submitted is lost at drain() or at the end, and a failure is reported once.
TEST(DatabaseWriter, WritesTheNewestStateAndLosesNothingAtTheEnd) {
  std::mutex m;
  std::vector<std::string> written;
  Event firstStarted{Event::Reset::Manual}, release{Event::Reset::Manual};
  bool failNext = false;
  {
    DatabaseWriter writer([&](const std::string& bytes) {
      firstStarted.set();
      release.waitForever();
      std::lock_guard<std::mutex> g(m);
      written.push_back(bytes);
      bool ok = !failNext;
      failNext = false;
      return ok;
    });
    writer.submit("1");
    firstStarted.waitForever();  // "1" is being written
    writer.submit("2");
    writer.submit("3");
    release.set();
    writer.drain();
    {
      std::lock_guard<std::mutex> g(m);
      EXPECT_EQ(written, (std::vector<std::string>{"1", "3"}));
      failNext = true;
    }
    EXPECT_FALSE(writer.takeFailure());
    writer.submit("4");
    writer.drain();
    EXPECT_TRUE(writer.takeFailure());
    EXPECT_FALSE(writer.takeFailure()) << "reported once";
    writer.submit("5");  // waiting at the end: written before the writer goes
  }
  EXPECT_EQ(written, (std::vector<std::string>{"1", "3", "4", "5"}));
}

}  // namespace
}  // namespace fw
