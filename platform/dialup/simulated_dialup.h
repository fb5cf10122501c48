#pragma once
// A dial-up backend that plays a script (platform/dialup/dial_script.h) instead of
// dialling: the tests drive the dial-up manager with it, and a user can watch the
// Dialing window work by naming a script file in FETCHWRIGHT_DIALUP_SCRIPT.
//
// Time comes from the message loop's timers, so a FakeClock-driven loop plays a script
// of minutes in microseconds.
//
// Threads: main thread only, like every Dialup.

#include <map>
#include <memory>
#include <string>

#include "platform/dialup/dial_script.h"
#include "platform/dialup/dialup.h"
#include "platform/message_loop.h"

namespace fw {

class SimulatedDialup final : public Dialup, private Window {
 public:
  SimulatedDialup(MessageLoop& loop, DialScript script);
  ~SimulatedDialup() override;

  // The script of the file named in FETCHWRIGHT_DIALUP_SCRIPT, or the default script
  // when the variable is not set. nullptr with `error` set when the file cannot be read
  // or parsed.
  static std::unique_ptr<SimulatedDialup> fromEnvironment(MessageLoop& loop, std::string& error);

  int entries(std::vector<std::string>& out) override;
  int dial(const DialParams& params, DialStatusCallback callback, DialHandle& handle) override;
  void hangUp(DialHandle handle) override;
  int connectState(DialHandle handle, int& state) override;
  bool errorText(int error, std::string& text) override;

  // What was asked of it, for tests.
  int dialCount() const { return m_dials; }
  int hangUpCount() const { return m_hangUps; }
  const DialParams& lastParams() const { return m_lastParams; }
  size_t openLines() const { return m_lines.size(); }
  // The service forgets every connection without a report, as when it restarts: their
  // handles become invalid.
  void forgetAll();

 private:
  struct Line {
    DialScriptAttempt attempt;
    size_t next = 0;
    int state = kDialStateOpenPort;
    DialStatusCallback callback;
  };

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;
  void armNext(DialHandle handle, const Line& line);
  void play(DialHandle handle);

  DialScript m_script;
  std::map<DialHandle, Line> m_lines;
  DialHandle m_nextHandle = 1;
  int m_dials = 0;
  int m_hangUps = 0;
  DialParams m_lastParams;
};

}  // namespace fw
