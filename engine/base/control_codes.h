#pragma once
// Window messages and the command codes a Role sends to its job controller.

#include <cstdint>

#include "platform/message_loop.h"

namespace fw {

inline constexpr MessageId kMsgControl = 0x0BE0;     // WM_USER + 0x7E0: wParam = command code
inline constexpr MessageId kMsgJobLog = 0x0BDC;      // WM_USER + 0x7DC: a Role's log line
inline constexpr MessageId kMsgHostLookup = 0x0BE3;  // answer of an asynchronous host look-up

enum ControlCode : uint32_t {
  CtlIsLastRole = 19,
  CtlGrowToSplit = 21,
  CtlRestartRole = 22,
  CtlReleaseRange = 25,
  CtlTransferStarted = 97,
  CtlRoleDone = 114,
  CtlOfferFileName = 115,
  CtlRedrawRow = 129,
  CtlGetProxy = 148,
  CtlGetNamedProxy = 258,
  CtlNextAltUrl = 294,
  CtlRetryReport = 370,
  CtlIdleRoles = 374,
  CtlTransferStopped = 375,
  CtlGetStatusText = 400,
  CtlGetFileName = 514,
  CtlGetSaveDir = 518,
  CtlLookupHost = 630,  // lParam: HostLookupRequest* (engine/host_resolve.h)
  CtlShowSize = 631,
  CtlDirectoryListed = 632,  // lParam: DirectoryHandOff* (jobs/directory_file.h); an FTP
                             // directory job's files, made into jobs on the main thread
  CtlAssignRange = 3625,
  CtlDial = 3713,
  CtlGetUserAgentText = 3737,
  CtlHasRanges = 3842,
};

// Log line kinds.
enum LogKind : int32_t { kLogState = 0, kLogCommand = 1, kLogError = 2, kLogServer = 3 };

// Text buffers exchanged with a Role: 2,048 bytes of text and a 16-bit result word; at
// most 1,990 characters are copied in. A log text longer than 2,000 is not posted.
inline constexpr int kTextBufferSize = 2048;
inline constexpr int kTextCopyLimit = 1990;
inline constexpr int kLogTextLimit = 2000;
inline constexpr int kRoleLogLineLimit = 600;

// Result codes of the transfer engine.
inline constexpr int kResultSuccess = 1;
inline constexpr int kResultClose = -3;
inline constexpr int kResultTimeout = -9;
inline constexpr int kResultError = -10;
inline constexpr int kResultRemoteChanged = -11;
inline constexpr int kResultProxyFailed = -12;
inline constexpr int kResultTls = -13;
inline constexpr int kResultDialup = -14;

}  // namespace fw
