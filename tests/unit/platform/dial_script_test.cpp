#include "platform/dialup/dial_script.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dialup/dialup_backend.h"
#include "platform/dialup/simulated_dialup.h"
#include "platform/fake_clock.h"
#include "support/temp_dir.h"

namespace fw {
namespace {

using Kind = DialScriptStep::Kind;

TEST(DialScriptTest, ReadsEntriesTextsAndAttempts) {
  DialScript s;
  std::string error;
  ASSERT_TRUE(
      parseDialScript("# a comment\n"
                      "entry ISP Dial\r\n"
                      "entry  Mobile  \n"
                      "\n"
                      "text 691 Access denied: wrong password.\n"
                      "attempt refuse 623\n"
                      "attempt\n"
                      "after 200 state 4097\n"
                      "after 0 fail 691\n"
                      "attempt\n"
                      "after 300 connect\n"
                      "after 60000 drop\n",
                      s, error))
      << error;
  EXPECT_EQ(s.entries, (std::vector<std::string>{"ISP Dial", "Mobile"}));
  EXPECT_EQ(s.errorTexts.at(691), "Access denied: wrong password.");
  ASSERT_EQ(s.attempts.size(), 3u);
  EXPECT_EQ(s.attempts[0].refuse, 623);
  EXPECT_TRUE(s.attempts[0].steps.empty());
  ASSERT_EQ(s.attempts[1].steps.size(), 2u);
  EXPECT_EQ(s.attempts[1].steps[0].afterMs, 200);
  EXPECT_EQ(s.attempts[1].steps[0].kind, Kind::State);
  EXPECT_EQ(s.attempts[1].steps[0].value, 4097);
  EXPECT_EQ(s.attempts[1].steps[1].kind, Kind::Fail);
  EXPECT_EQ(s.attempts[1].steps[1].value, 691);
  ASSERT_EQ(s.attempts[2].steps.size(), 2u);
  EXPECT_EQ(s.attempts[2].steps[0].kind, Kind::Connect);
  EXPECT_EQ(s.attempts[2].steps[1].kind, Kind::Drop);
}

TEST(DialScriptTest, RefusesBadLinesNamingTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"dial now\n", "line 1: unknown directive 'dial'"},
      {"attempt\nafter 100 state 18\n", "line 2: unknown dial state"},
      {"attempt\nafter 100 state 8192\n", "line 2: unknown dial state"},
      {"after 100 connect\n", "line 1: 'after' before the first 'attempt'"},
      {"attempt\nafter -5 connect\n", "line 2: 'after' needs a delay in milliseconds"},
      {"attempt\nafter 100 fail 0\n", "line 2: fail needs an error code above 0"},
      {"attempt\nafter 100 connect now\n", "line 2: unexpected text at the end"},
      {"attempt refuse\n", "line 1: expected 'attempt' or 'attempt refuse <code>'"},
      {"entry\n", "line 1: entry without a name"},
      {"text x Oops\n", "line 1: text needs an error code above 0"},
  };
  for (const auto& c : cases) {
    DialScript s;
    s.entries.push_back("kept");
    std::string error;
    EXPECT_FALSE(parseDialScript(c.text, s, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_EQ(s.entries, (std::vector<std::string>{"kept"})) << "a refused script changes nothing";
  }
}

TEST(DialScriptTest, TheEnvironmentVariableChoosesTheSimulatorAndItsScript) {
  test::TempDir dir;
  const struct {
    const char* name;
    std::string path;  // empty: the variable is not set
    const char* error;
    std::vector<std::string> entries;
  } cases[] = {
      {"a script", dir.write("ok", "entry Mobile\n"), "", {"Mobile"}},
      {"a missing file", dir.file("none"), "cannot read the dial-up script", {}},
      {"a bad script", dir.write("bad", "dial\n"), "line 1: unknown directive 'dial'", {}},
  };
  FakeClock clock;
  MessageLoop loop(clock);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::setenv(kDialScriptEnv, c.path.c_str(), 1);
    std::string error;
    std::unique_ptr<Dialup> backend = makeDialup(loop, nullptr, error);
    ::unsetenv(kDialScriptEnv);
    if (c.entries.empty()) {
      EXPECT_EQ(backend, nullptr);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    ASSERT_NE(backend, nullptr) << error;
    std::vector<std::string> entries;
    EXPECT_EQ(backend->entries(entries), 0);
    EXPECT_EQ(entries, c.entries);
  }
  std::string error;
  std::unique_ptr<Dialup> nm = makeDialup(loop, nullptr, error);
  ASSERT_NE(nm, nullptr);
  DialHandle h = 0;
  EXPECT_EQ(nm->dial(DialParams{"ISP Dial", "", ""}, nullptr, h), kDialErrorNoBus)
      << "without the variable: NetworkManager, here without a bus";
}

}  // namespace
}  // namespace fw
