#pragma once
// The FTP steps of the Role's step machine, from the login after the welcome reply to the
// end of a transfer. Each step function takes the Role and its FTP context, does its
// exchange, and returns the number of the next step. Where the next step is the code
// dispatch (22) the code is left in ctx.code; where it is the retry pause (0) the step to
// go to afterwards is left in ctx.retryStep. Role thread only.
//
// Steps:
//   6  USER           8  PASS          10 PWD and the resume probe
//   12 TYPE           14 listing, MDTM and SIZE, once per run
//   16 disk check and data connection   18 REST          20 RETR and the data loop

#include <atomic>
#include <cstdint>

#include "engine/ftp/ftp_data.h"
#include "engine/ftp/ftp_session.h"

namespace fw {

struct RoleRecord;

// Steps of the Role's machine that the FTP steps lead to.
inline constexpr int kStepRetryPause = 0;
inline constexpr int kStepUrl = 1;
inline constexpr int kStepFreshSocket = 2;
inline constexpr int kStepFtpUser = 6;
inline constexpr int kStepFtpPass = 8;
inline constexpr int kStepFtpDirectory = 10;
inline constexpr int kStepFtpType = 12;
inline constexpr int kStepFtpSizeDate = 14;
inline constexpr int kStepFtpData = 16;
inline constexpr int kStepFtpRest = 18;
inline constexpr int kStepFtpRetr = 20;
inline constexpr int kStepDispatch = 22;
inline constexpr int kStepEnd = 24;

// Bits of the controller's flag word the FTP steps read and set.
namespace ftpctl {
inline constexpr uint32_t kTransferStartedSent = 0x01;
inline constexpr uint32_t kSizeKnown = 0x02;
inline constexpr uint32_t kSizeQueried = 0x04;
inline constexpr uint32_t kGrowSent = 0x80;
inline constexpr uint32_t kResumeProbed = 0x100;
}  // namespace ftpctl

// What the steps need from the Role's storage and job handling. The Role's wiring
// implements it over the job's storage and the controller; tests script it.
class FtpStepHooks {
 public:
  virtual ~FtpStepHooks() = default;
  // Whether the controller holds an open target file.
  virtual bool hasOpenTarget() = 0;
  // Creates or reopens the target under the file lock: 1 ready, -1 failed.
  virtual int prepareTarget() = 0;
  // 1 enough space or nothing to check, 0 not enough, -1 invalid save path.
  virtual int checkDiskSpace() = 0;
  // Deletes the target file (save directory and name as the controller has them).
  virtual void deleteTarget() = 0;
  // The job reset of the Role (flags, dates, sizes and counters back to a new run).
  virtual void resetJob() = 0;
  // Where the next received byte belongs in the file (the receive buffer's file offset).
  virtual void setBufferOffset(int64_t offset) = 0;
  // Hands a non-empty receive buffer to the write cache: 1 done, negative on failure.
  virtual int flushBuffer() = 0;
  // The receive mechanics the data loop pours into.
  virtual FtpReceiveSink& receiveSink() = 0;
};

struct FtpStepContext {
  FtpSession& session;
  FtpJobView& job;
  const FtpSettings& settings;
  FtpStepHooks& hooks;
  std::atomic<uint32_t>& ctlFlags;  // the controller's flag word (bits of ftpctl)
  int code = 0;                     // the code for step 22
  int retryStep = 0;                // the step after the retry pause
};

int ftpStepUser(RoleRecord& role, FtpStepContext& ctx);
int ftpStepPassword(RoleRecord& role, FtpStepContext& ctx);
int ftpStepDirectory(RoleRecord& role, FtpStepContext& ctx);
int ftpStepType(RoleRecord& role, FtpStepContext& ctx);
int ftpStepSizeDate(RoleRecord& role, FtpStepContext& ctx);
int ftpStepData(RoleRecord& role, FtpStepContext& ctx);
int ftpStepRest(RoleRecord& role, FtpStepContext& ctx);
int ftpStepRetr(RoleRecord& role, FtpStepContext& ctx);

// Runs the step `step` (6 to 20); any other number goes to step 22 with -10.
int runFtpStep(int step, RoleRecord& role, FtpStepContext& ctx);

// The fetch command of attempt `k` (0 to 4) for the URL path `path` (percent-encoded as
// in the URL), its decoded form and the server's current directory.
std::string retrCommand(int k, const std::string& path, const std::string& decoded,
                        const std::string& ftpDir);

// Sum of year, month, day, hour, minute and second: how dates are compared here.
int dateSum(const DateStamp& d);

}  // namespace fw
