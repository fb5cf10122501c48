#pragma once
// The script the dial-up simulator plays: which entries exist, what each dial reports
// and when. Written by a test, or read from the file named in the environment variable
// FETCHWRIGHT_DIALUP_SCRIPT.
//
// File format: one directive a line; blank lines and lines starting with '#' are ignored;
// words are separated by blanks.
//
//   entry <name>               an entry the user can choose (the rest of the line, in order)
//   text <code> <text>         the error text of <code> (the rest of the line)
//   attempt                    starts the script of the next dial
//   attempt refuse <code>      the next dial cannot start: dial() returns <code>
//   after <ms> state <n>       <ms> after the previous step: report state <n> (0-17,
//                              4096-4099)
//   after <ms> fail <code>     report a failed attempt: the last state with error <code>
//   after <ms> connect         report state 8192: the line is up
//   after <ms> drop            report state 8193: the line went down
//
// Each dial plays the next attempt; once they are used up the last one is played again.
// Without any attempt every dial connects after a few steps, 300 ms apart. Example:
//
//   entry ISP Dial
//   text 691 Access denied: the user name or password is wrong.
//   attempt
//   after 200 state 0
//   after 500 state 5
//   after 800 fail 691
//   attempt
//   after 200 state 2
//   after 300 connect
//   after 60000 drop
//
// Threads: plain data; the parser is a pure function (any thread).

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

struct DialScriptStep {
  enum class Kind { State, Fail, Connect, Drop };
  int64_t afterMs = 0;
  Kind kind = Kind::State;
  int value = 0;  // the state (State) or the error code (Fail)
};

struct DialScriptAttempt {
  int refuse = 0;  // non-zero: dial() fails at once with this code
  std::vector<DialScriptStep> steps;
};

struct DialScript {
  std::vector<std::string> entries;
  std::map<int, std::string> errorTexts;
  std::vector<DialScriptAttempt> attempts;
};

inline constexpr const char* kDialScriptEnv = "FETCHWRIGHT_DIALUP_SCRIPT";
inline constexpr size_t kDialScriptMaxBytes = 64 * 1024;
inline constexpr int64_t kDialScriptMaxDelayMs = 24LL * 3600 * 1000;

// Parses `text`. False with "line N: what is wrong" in `error` on the first bad line
// (`script` is then left as it was).
bool parseDialScript(std::string_view text, DialScript& script, std::string& error);

// The attempt played when a script has none.
DialScriptAttempt defaultDialAttempt();

}  // namespace fw
