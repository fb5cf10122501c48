#include "cli/progress_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace fw {
namespace {

TEST(ProgressView, HumanUnits) {
  EXPECT_EQ(humanBytes(0), "0 B");
  EXPECT_EQ(humanBytes(1023), "1023 B");
  EXPECT_EQ(humanBytes(1536), "1.50 KiB");
  EXPECT_EQ(humanBytes(int64_t(3) << 30), "3.00 GiB");
  EXPECT_EQ(humanDuration(-1), "--:--");
  EXPECT_EQ(humanDuration(65), "1:05");
  EXPECT_EQ(humanDuration(3723), "1:02:03");
}

TEST(ProgressView, JobLineFitsItsWidthAndShowsProgress) {
  JobLine l{"a-very-long-file-name-that-will-not-fit-anywhere.iso",
            512 * 1024,
            1024 * 1024,
            256 * 1024,
            3,
            8};
  std::string s = formatJobLine(l, 90);
  EXPECT_LE(s.size(), 90u);
  EXPECT_NE(s.find(" 50%"), std::string::npos) << s;
  EXPECT_NE(s.find("[##########          ]"), std::string::npos) << s;
  EXPECT_NE(s.find("512.00 KiB/1.00 MiB"), std::string::npos) << s;
  EXPECT_NE(s.find("0:02"), std::string::npos) << "time left at the current speed: " << s;
  EXPECT_NE(s.find("3/8"), std::string::npos) << s;
  EXPECT_NE(s.find('~'), std::string::npos) << "a long name is cut visibly: " << s;

  JobLine unknown{"f", 4096, -1, 0, 1, 1};
  s = formatJobLine(unknown, 80);
  EXPECT_NE(s.find("4.00 KiB/?"), std::string::npos) << s;
  EXPECT_NE(s.find("--:--"), std::string::npos) << s;
  JobLine empty{"e", 0, 0, 0, 0, 1};
  EXPECT_NE(formatJobLine(empty, 80).find("100%"), std::string::npos);
}

TEST(ProgressView, PipesGetEventLinesOnly) {
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* f = open_memstream(&buf, &len);
  {
    ProgressView v(f, false);
    v.render({JobLine{"x", 1, 2, 3, 1, 1}}, 10);
    v.event("done x");
    v.clear();
  }
  std::fclose(f);
  EXPECT_EQ(std::string(buf, len), "done x\n");
  std::free(buf);
}

TEST(ProgressView, TerminalRedrawsLiveLinesInPlace) {
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* f = open_memstream(&buf, &len);
  {
    ProgressView v(f, true, 80);
    v.render({JobLine{"x", 1, 2, 3, 1, 1}}, 10);
    v.event("started y");
  }
  std::fclose(f);
  std::string out(buf, len);
  std::free(buf);
  // Two live lines (job and total) are erased before the event line is written.
  size_t ev = out.find("started y\n");
  ASSERT_NE(ev, std::string::npos);
  std::string before = out.substr(0, ev);
  size_t ups = 0;
  for (size_t p = before.find("\x1b[1A"); p != std::string::npos; p = before.find("\x1b[1A", p + 1))
    ++ups;
  EXPECT_EQ(ups, 2u);
}

}  // namespace
}  // namespace fw
