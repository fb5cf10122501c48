#pragma once
// The Role worker: one connection of a running job, driven through numbered steps until
// it ends. Every transition goes through RoleWorker::run(), one method per step.
//
// Steps (the step byte keeps these values):
//   31 wait for the line (dial-up) and seed the random generator
//    1 parse the URL, offer the file name, fetch the proxy
//    2 close the previous connection and open a fresh socket
//    4 connect, directly or through the proxy
//   26 HTTP/HTTPS: send the request, read and judge the response head
//   30 HTTP/HTTPS: receive the body into the target
//   22 turn a code into a log line, a retry, a restart or the end
//    0 retry pause ("Relayt"), then the remembered step
//   24 end: flush, last-Role duties, CtlRoleDone
// FTP steps 6 to 20 are engine/role_ftp_steps.h.
//
// Threads: run on the Role's own thread only. Everything it needs of the job it asks the
// controller through role.channel, or reads under the locks of role.shared->storage.
//
// engine/role: the Role worker's step machine and what ties its HTTP and FTP steps to the
// job's storage. The top of the engine: uses every folder below it; jobs/ uses it.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/base/role_job_access.h"
#include "engine/base/role_record.h"
#include "engine/ftp/role_ftp_steps.h"
#include "engine/http/chunked_decoder.h"
#include "engine/http/response_head_reader.h"
#include "engine/role/role_job.h"
#include "engine/storage/receive_buffer.h"

namespace fw {

inline constexpr int kStepConnect = 4;
inline constexpr int kStepHttpHead = 26;
inline constexpr int kStepHttpBody = 30;
inline constexpr int kStepLine = 31;
// Redirects a Role follows without receiving data before it gives up.
inline constexpr int kMaxRedirects = 20;
// Longest request text the plain-HTTP line sender sends.
inline constexpr size_t kMaxPlainRequest = 2045;

class TlsSession;
class ByteSource;
class RoleFtpGlue;

// The thread entry of a Role: runs it to its end. `role.shared`, `role.channel` and
// `role.clock` must be set.
void runRoleWorker(RoleRecord& role);

class RoleWorker {
 public:
  explicit RoleWorker(RoleRecord& role);
  ~RoleWorker();
  void run();

 private:
  int doLine();
  int doUrl();
  int doSocket();
  int doConnect();
  int doHttpHead();
  int judgeHead();
  int doHttpBody();
  int receiveChunked(ByteSource& source);
  int doFtpWelcome();
  int doFtpStep(int step);
  int doDispatch();
  int doRetryPause();
  void doEnd();

  intptr_t ctl(uint32_t code, intptr_t arg = 0);
  void log(int kind, const std::string& text);
  // Remembers the step to go to after the retry pause.
  int retry(int after) {
    m_after = after;
    return kStepRetryPause;
  }
  int fail(int code) {
    m_code = code;
    return kStepDispatch;
  }
  bool isLastRole();
  void dropRange();
  void closeConnection();
  // Hands a non-empty buffer to the cache. 1 or -10.
  int flushBuffer();
  void emptyBuffer() { m_buf->clear(); }
  std::string positionText();
  void retakeCookies();
  ByteSource& source();

  RoleRecord& m_r;
  RoleJob& m_sh;
  JobRecord& m_job;
  JobStorage& m_st;
  Clock& m_clock;
  RoleJobAccess m_access;
  int m_code = 0;
  int m_after = kStepUrl;
  int m_fd = -1;
  bool m_keepReferer = false;
  int m_redirects = 0;         // followed since the Role last received data
  std::string m_spill;         // bytes that followed a proxy's CONNECT reply
  std::string m_contentRange;  // the last response's Content-Range value
  std::unique_ptr<TlsSession> m_tls;
  std::unique_ptr<ByteSource> m_plain;
  std::unique_ptr<ReceiveBuffer> m_buf;
  std::unique_ptr<RoleFtpGlue> m_ftp;  // made when the Role first reaches an FTP server
  ResponseHeadReader m_head;
  ChunkedDecoder m_chunked;
};

// Parses a Content-Range value ("bytes 100-199/1000"): first byte, last byte and total
// (-1 when "*" or missing). False when it is not of that form.
bool parseContentRange(const std::string& value, int64_t& first, int64_t& last, int64_t& total);

}  // namespace fw
