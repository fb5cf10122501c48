#pragma once
// The "Dialing" window without its widgets: the status list, the caption, the attempts
// and the wait between them, the redial timer and what closing does. The dial-up
// manager (jobs/dial_manager.h) opens it for a dial request and feeds it the status
// lines; a view (a Qt dialog, or nothing in the command-line program and the tests)
// only draws what it holds.
//
// Threads: main thread only.

#include <string>
#include <vector>

#include "platform/message_loop.h"

namespace fw {

class DialManager;

inline constexpr const char* kDialingCaption = "Dialing";
inline constexpr int kDialingTimerId = 7;
inline constexpr size_t kDialingMaxLines = 600;
inline constexpr size_t kDialStatusMaxChars = 2046;

// What the window shows. The view reads the window's state when told and never keeps
// a pointer to it after closeView().
class DialingView {
 public:
  virtual ~DialingView() = default;
  virtual void setCaption(const std::string& caption) = 0;
  // lines() changed: a line was appended or the list was emptied.
  virtual void linesChanged() = 0;
  // The seconds until the next attempt changed (secondsToRedial()).
  virtual void countdownChanged() {}
  // The window has closed: the view goes away and must not call the window again.
  virtual void closeView() = 0;
};

class DialingWindow final : public Window {
 public:
  const std::string& caption() const { return m_caption; }
  const std::vector<std::string>& lines() const { return m_lines; }
  bool reconnect() const { return m_reconnect; }
  // Failed attempts so far.
  int attempts() const { return m_attempts; }
  // Seconds until the next attempt while waiting for one, else 0.
  int secondsToRedial() const;
  bool closed() const { return m_closed; }

  // The user closes the window. Dialling stops; a line that is up stays up.
  void close();

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;

 private:
  friend class DialManager;
  DialingWindow(MessageLoop& loop, DialManager& manager, bool reconnect, int waitSeconds, int times,
                const std::string& establish);

  void setView(DialingView* view) { m_view = view; }
  // Shows the first line and dials.
  void open();
  // A status line from the dial (cut to 2046 characters).
  void appendStatus(const std::string& text);
  // The attempt failed (the manager already showed why).
  void dialFailed();
  // The line is up: the window closes itself from the loop.
  void postClose();

  void append(const std::string& text);
  void dialNow();
  void onTimer();
  void finish();

  DialManager& m_manager;
  DialingView* m_view = nullptr;
  const bool m_reconnect;
  const int m_waitSeconds;
  const int m_times;
  std::string m_caption;
  std::vector<std::string> m_lines;
  int m_attempts = 0;
  int m_ticks = 0;
  bool m_timerOn = false;
  bool m_redialing = false;
  bool m_closed = false;
};

}  // namespace fw
