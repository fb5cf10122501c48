#include "support/ftp_servers.h"

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/url/host_text.h"

namespace fw::test {

namespace fs = std::filesystem;

namespace {

// vsftpd serves anonymous users as an unprivileged user: every folder on the way to a
// file must be open to others, and the file readable.
void openPath(const std::string& base, const std::string& file) {
  const auto dirPerms = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec;
  fs::path p = fs::path(file).parent_path();
  while (p.string().size() >= base.size()) {
    fs::permissions(p, dirPerms);
    if (p.string() == base) break;
    p = p.parent_path();
  }
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read);
}

}  // namespace

void FtpTestServer::addFile(const std::string& path, const std::string& content) {
  std::string full = m_dir.write("root/" + path, content);
  openPath(m_dir.path(), full);
}

bool FtpTestServer::setModified(const std::string& path, std::time_t when) {
  utimbuf t{when, when};
  return ::utime((root() + "/" + path).c_str(), &t) == 0;
}

void FtpTestServer::lock(const std::string& path) {
  fs::permissions(root() + "/" + path, fs::perms::none);
}

std::string FtpTestServer::url(const std::string& path) const {
  return "ftp://" + bracketedHost(address) + ":" + std::to_string(m_port) + "/" + path;
}

bool FtpTestServer::launch(const std::vector<std::string>& argv) {
  if (!m_process.start(argv, m_dir.file("server.log")) || !waitForTcpPort(m_port, 10000, address) ||
      !m_process.running()) {
    m_error = "FTP server did not come up (" + m_process.describe() + "): " + log();
    m_process.stop();
    return false;
  }
  return true;
}

bool VsftpdServer::start(const std::string& binary) {
  fs::create_directories(root());
  fs::create_directories(m_dir.file("empty"));
  openPath(m_dir.path(), m_dir.file("empty/."));
  fs::permissions(root(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  m_port = freeTcpPort(address);
  // Over IPv6 the data connections are negotiated with EPSV and EPRT, which name no
  // address: pasv_address is for PASV alone.
  const bool v6 = isIPv6Literal(address);
  std::ofstream(m_dir.file("vsftpd.conf"))
      << (v6 ? "listen=NO\nlisten_ipv6=YES\nlisten_address6=" : "listen=YES\nlisten_address=")
      << address << "\nlisten_port=" << m_port
      << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=NO\n"
      << "anon_root=" << root() << "\nno_anon_password=YES\n"
      << "secure_chroot_dir=" << m_dir.file("empty") << "\nseccomp_sandbox=NO\n"
      << "pasv_enable=YES\n"
      << (v6 ? "" : "pasv_address=127.0.0.1\n") << "xferlog_enable=NO\n"
      << "ascii_download_enable=" << (asciiDownload ? "YES" : "NO") << "\n"
      << "anon_max_rate=" << maxRate << "\n"
      << "vsftpd_log_file=" << m_dir.file("vsftpd.log") << "\n";
  return launch({binary, m_dir.file("vsftpd.conf")});
}

bool PyftpdlibServer::available() {
  return std::system("/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null") == 0;
}

bool PyftpdlibServer::start(const std::vector<std::string>& faults) {
  fs::create_directories(root());
  m_port = freeTcpPort(address);
  std::vector<std::string> argv = {"/usr/bin/python3",
                                   FW_SOURCE_DIR "/tests/servers/ftp_fault_server.py",
                                   std::to_string(m_port), root(), "bind=" + address};
  argv.insert(argv.end(), faults.begin(), faults.end());
  return launch(argv);
}

std::string crlfText(const std::string& lfText) {
  std::string out;
  out.reserve(lfText.size() + lfText.size() / 16);
  for (char c : lfText) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string sampleText(int lines) {
  std::string out;
  for (int i = 0; i < lines; ++i) {
    out += "line " + std::to_string(i) + ":";
    for (int k = 0; k < i % 37; ++k) out += static_cast<char>('a' + (i + k) % 26);
    out += '\n';
  }
  return out;
}

}  // namespace fw::test
