#pragma once
// A scripted fault server of tests/servers/ (a Python standard-library script) started
// on a free port of 127.0.0.1; the script takes the port as its first argument.

#include <string>
#include <vector>

#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw::test {

class ScriptedServer {
 public:
  // Starts tests/servers/<script> PORT args...; false with error() set on failure.
#ifdef FW_SOURCE_DIR  // a definition given to test executables, not to this library
  bool start(const std::string& script, const std::vector<std::string>& args) {
    return startPath(std::string(FW_SOURCE_DIR) + "/tests/servers/" + script, args);
  }
#endif
  bool startPath(const std::string& scriptPath, const std::vector<std::string>& args);
  void stop() {
    m_process.stop();
  }
  int port() const {
    return m_port;
  }
  const std::string& error() const {
    return m_error;
  }
  // The script's stdout and stderr so far.
  std::string output() const {
    return readFileText(m_dir.file("server.log"));
  }

 private:
  TempDir m_dir{"fw-scripted"};
  ServerProcess m_process;
  int m_port = 0;
  std::string m_error;
};

}  // namespace fw::test
