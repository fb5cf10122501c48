#pragma once
// The dial-up layer: what the dial-up manager (jobs/dial_manager.h) asks of the system's
// connection service. A backend dials a named entry with a user and a password, reports
// the progress of the dial through a status callback with the state numbers below, hangs
// up, tells the state of a connection, lists the entries the user can choose from and
// turns its error codes into texts.
//
// Backends: NetworkManager over D-Bus (network_manager_dialup.h) and a scripted simulator
// (simulated_dialup.h).
//
// Threads: every member is called on the main thread (the message loop's thread). The
// status callback is also delivered there, from the message loop: never from inside
// dial() or hangUp(), and never for a handle after hangUp() of that handle returned.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

// Callback states. 0 to 17 are the steps of a dial, 4096 to 4099 the paused states,
// 8192 connected and 8193 disconnected; dialStateText gives each one's text.
inline constexpr int kDialStateOpenPort = 0;
inline constexpr int kDialStateConnectDevice = 2;
inline constexpr int kDialStateDeviceConnected = 3;
inline constexpr int kDialStateAuthenticate = 5;
inline constexpr int kDialStateAuthNotify = 6;
inline constexpr int kDialStateAuthenticated = 14;
inline constexpr int kDialStateConnected = 8192;
inline constexpr int kDialStateDisconnected = 8193;

// connectState's answer for a handle the backend does not know (hung up, never dialled).
inline constexpr int kDialInvalidHandle = 6;

// Error codes shared by the backends (a backend may add its own).
inline constexpr int kDialErrorNoBus = 100;        // the system bus cannot be reached
inline constexpr int kDialErrorNoService = 101;    // the connection service is not running
inline constexpr int kDialErrorNoEntry = 102;      // no entry of that name
inline constexpr int kDialErrorRefused = 103;      // the service refused to start the dial
inline constexpr int kDialErrorTimeout = 104;      // the service did not answer in time
inline constexpr int kDialErrorServiceGone = 105;  // the service stopped during the dial
inline constexpr int kDialErrorReasonBase = 1000;  // + NetworkManager's state reason

// The text of callback state `state`, or nullptr for a number outside the table.
const char* dialStateText(int state);

// The text of one of the shared error codes above, or nullptr.
const char* dialCommonErrorText(int error);

using DialHandle = uint64_t;  // 0: no connection

struct DialParams {
  std::string entry;
  std::string user;
  std::string password;  // never logged or shown
};

// One report of a dial in progress: `state` as above, `error` 0 or the code of a failure.
using DialStatusCallback = std::function<void(DialHandle handle, int state, int error)>;

class Dialup {
 public:
  virtual ~Dialup() = default;

  // The entries the user can choose from, in the service's order. 0, or an error code
  // (the list is then empty).
  virtual int entries(std::vector<std::string>& out) = 0;

  // Starts dialling. 0: started, `handle` set, progress and the result arrive through
  // `callback` (state 8192 when the line is up, an error code when the attempt failed,
  // state 8193 when a line that was up went down). Otherwise the error code of a dial
  // that could not start; `handle` is 0.
  virtual int dial(const DialParams& params, DialStatusCallback callback, DialHandle& handle) = 0;

  // Releases the connection and forgets `handle`; waits a bounded time for the service
  // to confirm. Unknown handles (0 included) are ignored.
  virtual void hangUp(DialHandle handle) = 0;

  // 0 with the connection's callback state in `state` (8192 up, 8193 down), or
  // kDialInvalidHandle for a handle the backend does not know.
  virtual int connectState(DialHandle handle, int& state) = 0;

  // The text for an error code; false when the backend has none.
  virtual bool errorText(int error, std::string& text) = 0;
};

}  // namespace fw
