#pragma once
// A local nginx for integration tests: runs as the current user from a temporary
// folder (pid, temp paths and logs inside it, `daemon off;`), serves a document root
// over HTTP and, when certificates are given, HTTPS on further ports.

#include <map>
#include <string>
#include <vector>

#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw::test {

struct NginxTlsSite {
  std::string cert;  // PEM certificate (chain) path
  std::string key;   // PEM key path
  int port = 0;      // filled by start()
};

// Thread safety: one owner thread.
class NginxServer {
 public:
  NginxServer();
  ~NginxServer();

  // Files to serve: name (may contain '/') -> content. Call before start().
  void addFile(const std::string& name, const std::string& content);
  // One HTTPS listener per added site; returns its index into tlsSites().
  size_t addTlsSite(const std::string& cert, const std::string& key);
  // Extra text placed inside the http block, before the servers (log formats, types).
  void addHttpConfig(const std::string& text) { m_extra += text; }
  // Extra text placed inside every server block (e.g. a location of its own).
  void addServerConfig(const std::string& text) { m_serverExtra += text; }

  // The address every listener takes, 127.0.0.1 or ::1; set before start().
  std::string address = "127.0.0.1";

  // Writes the configuration, starts nginx and waits until every port answers.
  // False with error() set when the binary is missing or nginx does not come up.
  bool start(const std::string& nginxPath);
  void stop();

  int httpPort() const { return m_httpPort; }
  const std::vector<NginxTlsSite>& tlsSites() const { return m_sites; }
  const std::string& docRoot() const { return m_root; }
  const std::string& error() const { return m_error; }
  // nginx's error log, for failure messages.
  std::string errorLog() const;
  // The requests served so far, one line each.
  std::string accessLog() const;

 private:
  TempDir m_dir{"fw-nginx"};
  std::string m_root;
  std::string m_extra;
  std::string m_serverExtra;
  std::string m_error;
  int m_httpPort = 0;
  std::vector<NginxTlsSite> m_sites;
  ServerProcess m_process;
};

}  // namespace fw::test
