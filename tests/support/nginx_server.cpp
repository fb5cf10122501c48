#include "support/nginx_server.h"

#include <unistd.h>

#include <filesystem>

#include "engine/url/host_text.h"

namespace fw::test {

NginxServer::NginxServer() {
  m_root = m_dir.file("htdocs");
  std::filesystem::create_directories(m_root);
}

NginxServer::~NginxServer() {
  stop();
}

void NginxServer::addFile(const std::string& name, const std::string& content) {
  m_dir.write("htdocs/" + name, content);
}

size_t NginxServer::addTlsSite(const std::string& cert, const std::string& key) {
  m_sites.push_back(NginxTlsSite{cert, key, 0});
  return m_sites.size() - 1;
}

std::string NginxServer::errorLog() const {
  return readFileText(m_dir.file("error.log"));
}

std::string NginxServer::accessLog() const {
  return readFileText(m_dir.file("access.log"));
}

bool NginxServer::start(const std::string& nginxPath) {
  if (nginxPath.empty()) {
    m_error = "nginx binary missing";
    return false;
  }
  const std::string d = m_dir.path();
  std::filesystem::create_directories(d + "/tmp");
  const std::string listen = bracketedHost(address) + ":";
  m_httpPort = freeTcpPort(address);
  std::string servers = "  server {\n    listen " + listen + std::to_string(m_httpPort) +
                        ";\n    root " + m_root + ";\n" + m_serverExtra + "  }\n";
  for (auto& s : m_sites) {
    s.port = freeTcpPort(address);
    servers += "  server {\n    listen " + listen + std::to_string(s.port) +
               " ssl;\n    server_name localhost;\n    ssl_certificate " + s.cert +
               ";\n    ssl_certificate_key " + s.key + ";\n    root " + m_root + ";\n" +
               m_serverExtra + "  }\n";
  }
  // master_process off keeps nginx in one process that never switches user, so it runs
  // as whoever runs the test (root included) without touching system paths.
  std::string conf = "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + d +
                     "/nginx.pid;\nerror_log " + d +
                     "/error.log info;\nevents { worker_connections 64; }\nhttp {\n"
                     "  access_log " +
                     d +
                     "/access.log;\n"
                     "  client_body_temp_path " +
                     d +
                     "/tmp/body;\n"
                     "  proxy_temp_path " +
                     d +
                     "/tmp/proxy;\n"
                     "  fastcgi_temp_path " +
                     d +
                     "/tmp/fastcgi;\n"
                     "  uwsgi_temp_path " +
                     d +
                     "/tmp/uwsgi;\n"
                     "  scgi_temp_path " +
                     d +
                     "/tmp/scgi;\n"
                     "  default_type application/octet-stream;\n" +
                     m_extra + servers + "}\n";
  std::string confPath = m_dir.write("nginx.conf", conf);
  if (!m_process.start({nginxPath, "-p", d, "-c", confPath, "-e", d + "/error.log"},
                       d + "/stdout.log")) {
    m_error = "could not start " + nginxPath;
    return false;
  }
  bool up = waitForTcpPort(m_httpPort, 10000, address);
  for (const auto& s : m_sites) up = up && waitForTcpPort(s.port, 10000, address);
  if (!up || !m_process.running()) {
    m_error = "nginx did not come up: " + errorLog() + readFileText(d + "/stdout.log");
    m_process.stop();
    return false;
  }
  return true;
}

void NginxServer::stop() {
  m_process.stop();
}

}  // namespace fw::test
