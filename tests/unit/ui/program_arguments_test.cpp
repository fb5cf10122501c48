#include "ui/main_window/program_arguments.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using Action = ProgramArguments::Action;

TEST(ProgramArguments, DatabaseUrlsAndOptions) {
  const struct {
    std::vector<std::string> args;
    Action action;
    std::string database;
    std::vector<std::string> urls;
  } cases[] = {
      {{}, Action::Run, "", {}},
      {{"/home/u/jobs.npd"}, Action::Run, "/home/u/jobs.npd", {}},
      // What a desktop entry's %U passes for a file the user opened.
      {{"file:///home/u/My%20Jobs.NPD"}, Action::Run, "/home/u/My Jobs.NPD", {}},
      {{"file://localhost/a.npd"}, Action::Run, "/a.npd", {}},
      {{"FILE:///bad%00.npd"}, Action::Bad, "", {}},
      {{"file://otherhost/a.npd"}, Action::Bad, "", {}},
      {{"a.npd", "b.npd", "notes.txt"}, Action::Run, "a.npd", {}},
      {{"HTTP://h/a.zip", "ftp://h/b", "https://h/c", "https://h/c"},
       Action::Run,
       "",
       {"HTTP://h/a.zip", "ftp://h/b", "https://h/c"}},
      {{"http://h/x\ny"}, Action::Run, "", {}},
      // Qt's options and their values stay Qt's.
      {{"-platform", "offscreen", "x.npd", "http://h/f"}, Action::Run, "x.npd", {"http://h/f"}},
      {{"x.npd", "--help"}, Action::Help, "", {}},
      {{"--version"}, Action::Version, "", {}},
  };
  for (const auto& c : cases) {
    ProgramArguments a = parseProgramArguments(c.args);
    std::string what = c.args.empty() ? "(none)" : c.args.front();
    EXPECT_EQ(a.action, c.action) << what;
    if (c.action == Action::Bad) {
      EXPECT_FALSE(a.error.empty()) << what;
      continue;
    }
    if (c.action != Action::Run) continue;
    EXPECT_EQ(a.database, c.database) << what;
    EXPECT_EQ(a.urls, c.urls) << what;
  }
}
}  // namespace
}  // namespace fw
