#include "platform/dialup/dialup.h"

namespace fw {

namespace {

constexpr const char* kStepTexts[] = {
    "Opening the port...",
    "Port has been opened successfully",
    "Connecting to the device...",
    "The device has connected successfully.",
    "All devices in the device chain have been successfully connected.",
    "Verifying the user name and password...",
    "An authentication event has occurred.",
    "Requested another validation attempt with a new user.",
    "Server has requested a callback number.",
    "The client has requested you to change the password",
    "Registering your computer on the network...",
    "The link-speed calculation phase is starting...",
    "An authentication request is being acknowledged.",
    "Re-authentication (after callback) is starting.",
    "The client has successfully completed authentication.",
    "The line is about to disconnect for callback.",
    "Delaying to give the modem time to reset for callback.",
    "Waiting for an incoming call from server.",
};

constexpr const char* kPausedTexts[] = {
    "Projection result information is available.",
    "User authentication is being initiated or retried.",
    "Callback Set By Caller",
    "Password Expired",
};

}  // namespace

const char* dialStateText(int state) {
  constexpr int steps = static_cast<int>(sizeof kStepTexts / sizeof kStepTexts[0]);
  constexpr int paused = static_cast<int>(sizeof kPausedTexts / sizeof kPausedTexts[0]);
  if (state >= 0 && state < steps) return kStepTexts[state];
  if (state >= 4096 && state < 4096 + paused) return kPausedTexts[state - 4096];
  if (state == kDialStateConnected) return "Subentry has been connected";
  if (state == kDialStateDisconnected) return "Subentry has been disconnected";
  return nullptr;
}

const char* dialCommonErrorText(int error) {
  switch (error) {
    case kDialErrorNoBus:
      return "The system bus cannot be reached.";
    case kDialErrorNoService:
      return "NetworkManager is not running.";
    case kDialErrorNoEntry:
      return "The connection to dial does not exist.";
    case kDialErrorRefused:
      return "The connection could not be started.";
    case kDialErrorTimeout:
      return "NetworkManager did not answer in time.";
    case kDialErrorServiceGone:
      return "NetworkManager stopped while dialling.";
    default:
      return nullptr;
  }
}

}  // namespace fw
