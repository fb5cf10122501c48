#pragma once
// The dial-up manager: dials the chosen entry before Roles connect, shows the dial in a
// Dialing window (jobs/dialing_window.h), redials after failures, notices when the line
// drops, and hangs up on request or when all downloads are done. The line itself is the
// Dialup backend's (platform/dialup/dialup.h).
//
// Roles see the manager only as a DialLine: they wait on lineUpEvent() and ask their
// controller for a dial (CtlDial), which ends in requestDial(0).
//
// dialState: 0 idle (a dial request is carried out only in this state), 2 dialling or
// connected, 26 the user closed the Dialing window, 27 the last attempt failed.
//
// Threads: the DialLine members and requestDial may be called from any thread; every
// other member on the main thread only. The backend's callback arrives on the main
// thread.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/dial_line.h"
#include "jobs/dialing_window.h"
#include "platform/dialup/dialup.h"
#include "platform/message_loop.h"

namespace fw {

inline constexpr const char* kNeverDialEntry = "Fetchwright Never Dial";

inline constexpr int kDialIdle = 0;
inline constexpr int kDialDialling = 2;
inline constexpr int kDialUserClosed = 26;
inline constexpr int kDialFailed = 27;

// Sub-codes of the main window's command message 0x0BE0 served here.
inline constexpr WParam kCmdDialRequest = 3713;  // lParam 0 first dial, 1 reconnect

// The "DialUp" settings as the manager uses them ("Times" and "WTime" already within
// their ranges).
struct DialConfig {
  bool inUse = false;    // "WDialup": an entry other than "Fetchwright Never Dial" is chosen
  std::string entry;     // "DialTitle"
  std::string user;      // "User"
  std::string password;  // "Pass": handed to the backend only, never logged or shown
  int times = 5;         // "Times": failed attempts before giving up
  int waitSeconds = 5;   // "WTime": seconds between attempts
  std::string establish = "Reestablish Connection";  // caption when reconnecting
  bool hangUpWhenDone = false;                       // "Flags" bit 0
  bool redial = true;                                // "Flags" bit 1
};

// What the manager asks of the program. Main thread only.
class DialManagerHost {
 public:
  virtual ~DialManagerHost() = default;
  // A Dialing window opened: the view that draws it, or nullptr to run it unseen. The
  // view must return at once (a Qt dialog is shown, not exec()'d).
  virtual DialingView* openDialingView(DialingWindow& window) = 0;
  // Every job leaves the start queue (start mode Manual, queue bit cleared, row redrawn)
  // and every running job is stopped with `code` (-2, or -14 after a failed dial).
  virtual void stopAllJobs(int code) = 0;
  // Connect/Disconnect with no entry chosen: the options sheet on its Dial-Up
  // Networking page.
  virtual void openDialUpOptions() = 0;
};

class DialManager final : public DialLine, private Window {
 public:
  DialManager(MessageLoop& loop, Dialup& backend, DialManagerHost& host, DialConfig config);
  ~DialManager() override;

  void setConfig(const DialConfig& config);
  const DialConfig& config() const { return m_config; }

  // DialLine (any thread).
  bool enabled() const override { return m_inUse.load(); }
  Event& lineUpEvent() override { return m_lineUp; }
  int dialState() const override { return m_dialState.load(); }
  void runStarting() override;

  // The dial request: carried out from the loop when there is no Dialing window, no
  // connection and dialState is 0; otherwise ignored. `reconnect` 1 gives the window
  // the "Establish" caption. Any thread.
  void requestDial(int reconnect);

  // The Connect/Disconnect command: hangs up a connection (every job leaves the queue
  // and stops first), else dials when an entry is chosen, else opens the options.
  void connectDisconnect();

  // A connection made by the program exists (dialling or up).
  bool linkUp() const { return m_handle != 0; }
  // The line check (the queue monitor calls it every sixth tick while linkUp()): a line
  // that went down is hung up, dialState returns to 0 and, with "redial if
  // disconnected", a reconnect is requested.
  void checkLine();
  // All downloads are done with "Hang up when done": hangs up, dialState 0.
  void hangUpWhenDone();

  // "Fetchwright Never Dial" followed by the backend's entries.
  std::vector<std::string> entryChoices();

  // The open Dialing window, or nullptr.
  DialingWindow* dialingWindow() const { return m_window.get(); }

 private:
  friend class DialingWindow;

  LResult handleMessage(MessageId msg, WParam w, LParam l) override;
  void openWindow(int reconnect);
  // Starts one attempt; 0 or the code of a dial that could not start.
  int startDial();
  void hangUpLine();
  void onStatus(DialHandle handle, int state, int error);
  void lineDropped();
  std::string errorTextFor(int error, bool undefinedFallback);
  void windowClosed(DialingWindow& window);

  Dialup& m_backend;
  DialManagerHost& m_host;
  DialConfig m_config;
  std::atomic<bool> m_inUse{false};
  std::atomic<int> m_dialState{kDialIdle};
  Event m_lineUp{Event::Reset::Manual, false};
  DialHandle m_handle = 0;
  std::unique_ptr<DialingWindow> m_window;
  std::unique_ptr<DialingWindow> m_closing;  // closed, deleted from the loop
  bool m_checking = false;
};

}  // namespace fw
