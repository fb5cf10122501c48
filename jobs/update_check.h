#pragma once
// The update check: one plain HTTP request over its own socket, on a thread of its own,
// asking the update server for the newest version and comparing it with the program's.
//
// Results (jobs/update_response.h): 7 a newer version exists, 6 this is the latest, 0 no
// socket, host or connection, -1 the request could not be sent or the status was not
// 200, -6 the answer could not be read. They reach the main thread as the notification
// codes 3703 (newer), 3702 (latest) and 3705 (anything else).
//
// An empty host (the default of a build that names none) means there is no update
// information: no check is ever made.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/message_loop.h"
#include "platform/sync.h"

namespace fw {

class UpdateWindow;

inline constexpr WParam kNoteUpdateLatest = 3702;
inline constexpr WParam kNoteUpdateNewer = 3703;
inline constexpr WParam kNoteUpdateFailed = 3705;

inline constexpr int kUpdateConnectTimeoutMs = 30000;
inline constexpr int kUpdateReadTimeoutMs = 60000;

struct UpdateEndpoint {
  std::string host;  // empty: no update information
  uint16_t port = 80;
  std::string path = "/images/Update.ini";
  std::string downloadPage;  // what "More Info" opens; empty hides the button
  std::string homePage;      // the site named when no information could be had
};

// The request bytes, every line ending in CR LF, the head ended by one empty line (a line
// of blanks there would be a folded header line, which servers refuse with 400). The
// Referer is the folder of the path; Host and Referer carry the port when it is not 80.
std::string updateRequest(const UpdateEndpoint& endpoint);

// Runs one check (blocking; any thread). `stop` ends it within one 50 ms slice, with
// result 0. The host is looked up with getaddrinfo (IPv4).
int runUpdateCheck(const UpdateEndpoint& endpoint, Clock& clock, Event& stop);

// The notification code for a result.
WParam updateNoteFor(int result);

// Owns the check thread: at most one check at a time, reported on the main thread.
// Threads: main thread only (the check itself runs on its own thread).
class UpdateChecker final : private Window {
 public:
  // `netClock` times the socket waits of the check thread.
  UpdateChecker(MessageLoop& loop, UpdateEndpoint endpoint, Clock& netClock = Clock::system());
  // Stops a running check and waits for its thread (it sees the stop within 50 ms,
  // except in a host look-up, which the system's resolver bounds).
  ~UpdateChecker() override;

  // A newer version was found while no "Check Newest Version" window was open (the main
  // window's notification 3703): the program offers the download page.
  std::function<void()> onNewerVersion;

  void setEndpoint(const UpdateEndpoint& endpoint) { m_endpoint = endpoint; }
  const UpdateEndpoint& endpoint() const { return m_endpoint; }
  bool configured() const { return !m_endpoint.host.empty(); }

  // Starts a check unless one is running or no host is configured; true when one runs
  // after the call.
  bool start();
  // The automatic check (the queue monitor's 60th tick): once per run, only when
  // `enabled` and a host is configured.
  void startAutomatic(bool enabled);
  bool running() const { return m_thread.joinable(); }
  // The last result, or 0 before any check ended.
  int lastResult() const { return m_lastResult; }

 private:
  friend class UpdateWindow;
  void attach(UpdateWindow* window) { m_window = window; }
  void detach(UpdateWindow* window);
  LResult handleMessage(MessageId msg, WParam w, LParam l) override;

  UpdateEndpoint m_endpoint;
  Clock& m_netClock;
  Event m_stop{Event::Reset::Manual, false};
  std::thread m_thread;
  UpdateWindow* m_window = nullptr;
  bool m_automaticDone = false;
  int m_lastResult = 0;
};

}  // namespace fw
