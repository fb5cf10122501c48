#pragma once
// Real FTP servers for the download tests, on a free port of 127.0.0.1 (or ::1), serving
// files the test puts into a private root: vsftpd (anonymous, read-only; it must start as root) and
// the scripted pyftpdlib server of tests/servers/ftp_fault_server.py (anonymous, with
// faults named on its command line).

#include <ctime>
#include <string>
#include <vector>

#include "support/server_process.h"
#include "support/temp_dir.h"

namespace fw::test {

// Thread safety: one owner thread.
class FtpTestServer {
 public:
  virtual ~FtpTestServer() = default;
  // Puts `content` at `path` below the served root ("pub/a.txt"), readable by anyone.
  void addFile(const std::string& path, const std::string& content);
  // Sets the modification time of a served file (what MDTM answers), seconds since 1970.
  bool setModified(const std::string& path, std::time_t when);
  // Takes every permission from a served file: it is listed, but cannot be fetched.
  void lock(const std::string& path);
  void stop() { m_process.stop(); }
  int port() const { return m_port; }
  // "ftp://127.0.0.1:<port>/<path>" ("ftp://[::1]:<port>/<path>" on IPv6).
  std::string url(const std::string& path) const;
  // The address to listen on, 127.0.0.1 or ::1; set before start().
  std::string address = "127.0.0.1";
  const std::string& error() const { return m_error; }
  // The server's own output, for failure messages.
  std::string log() const { return readFileText(m_dir.file("server.log")); }

 protected:
  bool launch(const std::vector<std::string>& argv);
  std::string root() const { return m_dir.file("root"); }

  TempDir m_dir{"fw-ftpsrv"};
  ServerProcess m_process;
  int m_port = 0;
  std::string m_error;
};

class VsftpdServer final : public FtpTestServer {
 public:
  // Files are served in ASCII mode (LF to CRLF) when the client asks "TYPE A".
  bool asciiDownload = false;
  // Bytes a second each session may send; 0 for no limit.
  unsigned maxRate = 0;
  // Starts `binary`; false with error() set when it does not answer.
  bool start(const std::string& binary);
};

class PyftpdlibServer final : public FtpTestServer {
 public:
  // Starts the scripted server with `faults` (see the script); false with error() set.
  // The server answers "EPSV" and "EPRT" as well as "PASV" and "PORT".
  bool start(const std::vector<std::string>& faults = {});
  // Whether python3 with pyftpdlib is there.
  static bool available();
};

// LF line ends turned into CRLF: what an FTP server sends in ASCII mode for a text file
// written with LF line ends (and no CR of its own).
std::string crlfText(const std::string& lfText);

// A text of `lines` lines with LF ends and varied lengths, for ASCII-mode transfers.
std::string sampleText(int lines);

}  // namespace fw::test
