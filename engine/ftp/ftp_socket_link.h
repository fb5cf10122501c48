#pragma once
// FTP links over the platform's TCP sockets, and the dialer that opens FTP data
// connections directly or through the Role's proxy. Role thread only.

#include <memory>
#include <string>

#include "engine/ftp/ftp_session.h"
#include "platform/clock.h"
#include "platform/sync.h"

namespace fw {

// Owns `fd` (closed with the link). `initial` holds bytes that already arrived for this
// connection (what a proxy sent after its CONNECT reply); they are read first.
class FtpSocketLink final : public FtpLink {
 public:
  FtpSocketLink(int fd, Clock& clock, int sendTimeoutMs, std::string initial = {});
  ~FtpSocketLink() override;
  FtpSocketLink(const FtpSocketLink&) = delete;
  FtpSocketLink& operator=(const FtpSocketLink&) = delete;

  long sendAll(const char* data, size_t len, int& errorOut) override;
  int waitReadable(int ms, int& errorOut) override;
  long receive(char* buf, size_t len, int& errorOut) override;
  long receiveNow(char* buf, size_t len, int& errorOut) override;
  std::string peerAddress() const override;
  std::string localAddress() const override;
  int descriptor() const override { return m_fd; }
  // Gives up ownership of the descriptor (the Role keeps closing its control socket).
  void release() { m_fd = -1; }

 private:
  int m_fd;
  Clock& m_clock;
  int m_sendTimeoutMs;
  std::string m_initial;
  Event m_never{Event::Reset::Manual};
};

class FtpSocketDialer final : public FtpDataDialer {
 public:
  int connect(RoleRecord& role, const ProxyRecord& proxy, const std::string& ip, int port,
              int timeoutMs, std::unique_ptr<FtpLink>& out, int& errorOut) override;
  int listen(const std::string& localIp, std::unique_ptr<FtpListener>& out, int& errorOut) override;
  int dataOutMs = 90000;  // each wait for a proxy's reply
};

}  // namespace fw
