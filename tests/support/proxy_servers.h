#pragma once
// Real proxy servers for integration tests, each started as the current user on a free
// port of 127.0.0.1 (microsocks also of ::1) with a configuration written into its own
// temporary folder:
// tinyproxy (HTTP CONNECT, optionally with BasicAuth), microsocks (SOCKS5, optionally
// with a user name and password) and dante's danted (SOCKS4 and SOCKS5 without login).

#include <string>

#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw::test {

// Thread safety: one owner thread.
class ProxyServer {
 public:
  virtual ~ProxyServer() = default;
  // Starts the proxy from `binary`; false with error() set when it does not answer.
  virtual bool start(const std::string& binary) = 0;
  void stop() { m_process.stop(); }
  int port() const { return m_port; }
  const std::string& error() const { return m_error; }
  // The proxy's log, for failure messages.
  std::string log() const { return readFileText(m_dir.file("proxy.log")); }
  // The address it listens on; set before start() (only microsocks takes ::1).
  std::string address = "127.0.0.1";

 protected:
  bool launch(const std::vector<std::string>& argv);

  TempDir m_dir{"fw-proxy"};
  ServerProcess m_process;
  int m_port = 0;
  std::string m_error;
};

class TinyproxyServer final : public ProxyServer {
 public:
  // Empty user: no authorisation asked for.
  explicit TinyproxyServer(std::string user = "", std::string pass = "")
      : m_user(std::move(user)), m_pass(std::move(pass)) {}
  bool start(const std::string& binary) override;

 private:
  std::string m_user, m_pass;
};

class MicrosocksServer final : public ProxyServer {
 public:
  explicit MicrosocksServer(std::string user = "", std::string pass = "")
      : m_user(std::move(user)), m_pass(std::move(pass)) {}
  bool start(const std::string& binary) override;

 private:
  std::string m_user, m_pass;
};

class DanteServer final : public ProxyServer {
 public:
  bool start(const std::string& binary) override;
};

}  // namespace fw::test
