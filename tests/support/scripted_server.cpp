#include "support/scripted_server.h"

namespace fw::test {

bool ScriptedServer::startPath(const std::string& scriptPath,
                               const std::vector<std::string>& args) {
  std::string python = findBinary("python3");
  if (python.empty()) {
    m_error = "python3 missing";
    return false;
  }
  m_port = freeTcpPort();
  std::vector<std::string> argv{python, scriptPath, std::to_string(m_port)};
  argv.insert(argv.end(), args.begin(), args.end());
  if (!m_process.start(argv, m_dir.file("server.log")) || !waitForTcpPort(m_port) ||
      !m_process.running()) {
    m_error = "scripted server did not come up: " + output();
    m_process.stop();
    return false;
  }
  return true;
}

}  // namespace fw::test
