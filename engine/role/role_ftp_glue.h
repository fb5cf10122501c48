#pragma once
// What an FTP Role carries between its steps: the session on the Role's control socket,
// the data dialer, the settings copied from the run, and the storage side of the steps
// (target file, disk check, the receive buffer and the write cache). One per Role,
// created when the Role first reaches an FTP server; Role thread only.

#include <memory>

#include "engine/base/role_record.h"
#include "engine/ftp/role_ftp_steps.h"
#include "engine/role/role_job.h"
#include "engine/storage/receive_buffer.h"
#include "engine/storage/receive_loop.h"

namespace fw {

class FtpSocketLink;
class FtpSocketDialer;

class RoleFtpGlue final : private FtpStepHooks, private FtpReceiveSink {
 public:
  // `buffer` is the Role's receive buffer; all references outlive the glue.
  RoleFtpGlue(RoleRecord& role, RoleJob& shared, ReceiveBuffer& buffer, Clock& clock);
  ~RoleFtpGlue() override;
  RoleFtpGlue(const RoleFtpGlue&) = delete;
  RoleFtpGlue& operator=(const RoleFtpGlue&) = delete;

  // Takes the freshly connected control socket `fd` (not owned: the Role closes it) with
  // the bytes a proxy sent after its tunnel reply, and reads the welcome reply. Returns
  // the reply code (220 and 120 let the login go on), or readReply's 0 / negative result.
  int attach(int fd, const std::string& initial);
  // Forgets the control socket (without closing it), closes any data connection and
  // restarts the fetch attempts: the Role is about to close its socket.
  void detach();
  // Runs FTP step `step`; see runFtpStep. `code` and `retryStep` receive the context's.
  int step(int step, int& code, int& retryStep);

 private:
  // FtpStepHooks
  bool hasOpenTarget() override;
  int prepareTarget() override;
  int checkDiskSpace() override;
  void deleteTarget() override;
  void resetJob() override;
  void setBufferOffset(int64_t offset) override;
  int flushBuffer() override;
  FtpReceiveSink& receiveSink() override { return *this; }
  // FtpReceiveSink
  size_t prepare(char*& dst) override;
  int accepted(size_t n) override;
  int peerClosed() override;
  bool closeNeedsConfirmation() override;
  bool budgeted() override { return m_loop.mustWaitFirst(); }

  RoleRecord& m_role;
  RoleJob& m_shared;
  JobStorage& m_storage;
  ReceiveBuffer& m_buf;
  ReceiveLoop m_loop;
  std::unique_ptr<FtpSocketDialer> m_dialer;
  std::unique_ptr<FtpSocketLink> m_control;
  FtpSession m_session;
  FtpSettings m_settings;
  FtpJobView m_view;
  int m_asked = 0;
};

}  // namespace fw
