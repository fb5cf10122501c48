#include "support/proxy_servers.h"

#include <unistd.h>

namespace fw::test {

bool ProxyServer::launch(const std::vector<std::string>& argv) {
  if (!m_process.start(argv, m_dir.file("proxy.log")) || !waitForTcpPort(m_port, 10000, address) ||
      !m_process.running()) {
    m_error = "proxy did not come up (" + m_process.describe() + "): " + log();
    m_process.stop();
    return false;
  }
  return true;
}

bool TinyproxyServer::start(const std::string& binary) {
  m_port = freeTcpPort();
  std::string conf = "Port " + std::to_string(m_port) +
                     "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
                     "LogLevel Info\nDisableViaHeader Yes\n";
  if (::geteuid() == 0) conf += "User root\nGroup root\n";
  if (!m_user.empty()) conf += "BasicAuth " + m_user + " " + m_pass + "\n";
  std::string path = m_dir.write("tinyproxy.conf", conf);
  return launch({binary, "-d", "-c", path});
}

bool MicrosocksServer::start(const std::string& binary) {
  m_port = freeTcpPort(address);
  std::vector<std::string> argv{binary, "-i", address, "-p", std::to_string(m_port)};
  if (!m_user.empty()) argv.insert(argv.end(), {"-u", m_user, "-P", m_pass});
  return launch(argv);
}

bool DanteServer::start(const std::string& binary) {
  m_port = freeTcpPort();
  std::string conf =
      "logoutput: stderr\n"
      "internal: 127.0.0.1 port = " +
      std::to_string(m_port) +
      "\nexternal: 127.0.0.1\n"
      "clientmethod: none\nsocksmethod: none\n";
  if (::geteuid() == 0) conf += "user.privileged: root\nuser.unprivileged: root\n";
  conf +=
      "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
      "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 command: connect }\n"
      "socks block { from: 0.0.0.0/0 to: 0.0.0.0/0 }\n";
  std::string path = m_dir.write("danted.conf", conf);
  return launch({binary, "-f", path, "-p", m_dir.file("danted.pid"), "-N", "1"});
}

}  // namespace fw::test
