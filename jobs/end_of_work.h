#pragma once
// The countdown window of the all-done actions, without its widgets: "Fetchwright will
// ShutDown in %d seconds" (30 s) before powering off, or "Fetchwright will close in %d
// seconds" (16 s) before closing. The text is refreshed every second (timer 26); at 0 the
// window acts as if OK were pressed. OK on the shut-down countdown saves everything as at
// exit, asks the system to power off and closes the program; OK on the other closes the
// program. Cancel does nothing more.
//
// Threads: main thread only.

#include <string>

#include "platform/message_loop.h"
#include "platform/power_control.h"

namespace fw {

inline constexpr int kCountdownTimerId = 26;

// What the program does at the end of the countdown.
class EndOfWorkActions {
 public:
  virtual ~EndOfWorkActions() = default;
  // Writes the settings and the job database as at exit.
  virtual void saveAll() = 0;
  // The power-off was refused (the reason for the user or the log).
  virtual void powerOffFailed(const std::string& why) = 0;
  // Closes the main window, which ends the program. Called from inside the countdown:
  // the window is closed from the loop, not destroyed within this call.
  virtual void closeProgram() = 0;
};

class EndOfWorkView {
 public:
  virtual ~EndOfWorkView() = default;
  // text() changed.
  virtual void textChanged() = 0;
  // The countdown is over (OK, Cancel or 0): the view goes away.
  virtual void closeView() = 0;
};

class EndOfWorkCountdown final : public Window {
 public:
  // `format` holds one "%d" for the seconds left. `power` may be null only when
  // `shutdown` is false.
  EndOfWorkCountdown(MessageLoop& loop, int seconds, std::string format, bool shutdown,
                     EndOfWorkActions& actions, PowerControl* power);

  // Shows the first text and starts the one-second timer.
  void start(EndOfWorkView* view);
  const std::string& text() const { return m_text; }
  int secondsLeft() const { return m_left; }
  bool shutdown() const { return m_shutdown; }
  bool finished() const { return m_finished; }

  void ok();
  void cancel();

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;

 private:
  void refresh();
  void finish();

  int m_left;
  const std::string m_format;
  const bool m_shutdown;
  EndOfWorkActions& m_actions;
  PowerControl* m_power;
  EndOfWorkView* m_view = nullptr;
  std::string m_text;
  bool m_finished = false;
};

}  // namespace fw
