#pragma once
// Per-Role FTP state and the settings and job access the exchange routines use.
//
// engine/ftp: the FTP exchange of a Role: replies, commands, queries, data connections,
// listings, the directory walk and the Role's FTP steps. Uses engine/storage and
// everything below it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/base/proxy_record.h"
#include "engine/ftp/ftp_link.h"
#include "engine/ftp/ftp_reply.h"
#include "platform/sync.h"
#include "records/job_record.h"

namespace fw {

struct RoleRecord;

// Settings the FTP side reads; the Role's wiring copies them from the settings records.
struct FtpSettings {
  int dataOutSec = 90;                   // "DataOut": every reply and data wait
  int connOutSec = 90;                   // "ConnOut": connect and accept waits
  std::string asciiExtensions = ".TXT";  // "ASCIIMode"
  std::string loginMail;                 // "FtpLoginMail": the anonymous password
  bool stillNonResumable = false;        // "Still download from non-resumable sites"
  bool allocateOnSize = false;           // "Allocates disk space get filesize"
};

// The job as the exchange routines see it. `jobLock` guards every field but `downloaded`,
// which `progressLock` guards. The references outlive the Role.
struct FtpJobView {
  JobRecord& job;
  Lock& jobLock;
  Lock& progressLock;

  int64_t downloaded() const {
    LockGuard g(progressLock);
    return job.downloaded;
  }
};

// Opens data connections. The Role's wiring supplies one over the platform's sockets;
// tests supply scripted ones. Called on the Role's thread only.
class FtpDataDialer {
 public:
  virtual ~FtpDataDialer() = default;
  // Connects to `ip`:`port` (directly, or through `proxy` when its type is 2, 8 or 9).
  // 1 connected into `out`; 0 refused or tunnel failed; -9 time-out; or the Role's stop
  // result. The socket error, if any, goes to `errorOut`.
  virtual int connect(RoleRecord& role, const ProxyRecord& proxy, const std::string& ip, int port,
                      int timeoutMs, std::unique_ptr<FtpLink>& out, int& errorOut) = 0;
  // Listens on `localIp`, any port, backlog 4. 1 listening into `out`, -1 failed.
  virtual int listen(const std::string& localIp, std::unique_ptr<FtpListener>& out,
                     int& errorOut) = 0;
};

// One Role's FTP conversation. Owned by the Role's thread.
struct FtpSession {
  FtpLink* control = nullptr;  // the Role's control connection (not owned)
  std::unique_ptr<FtpLink> data;
  std::unique_ptr<FtpListener> listener;
  FtpDataDialer* dialer = nullptr;
  FtpReplyBuffer pending;  // text read past the end of the last reply
  int retrAttempt = 0;     // k of the fetch step, 0 to 4
  int lastReply = 0;       // code of the last reply read on the control connection

  void closeData() {
    data.reset();
    listener.reset();
  }
};

}  // namespace fw
