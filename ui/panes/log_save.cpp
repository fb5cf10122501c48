#include "ui/panes/log_save.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fw {

std::string logText(const std::vector<TextRow>& rows) {
  std::string out;
  for (const TextRow& r : rows) out += r.first + "  " + r.second + "\r\n";
  return out;
}

std::string logFileName(const std::string& chosen) {
  size_t slash = chosen.find_last_of('/');
  size_t dot = chosen.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    std::string ext = chosen.substr(dot);
    if (ext.size() == 4 && (ext[1] | 0x20) == 'l' && (ext[2] | 0x20) == 'o' &&
        (ext[3] | 0x20) == 'g')
      return chosen;
  }
  return chosen + ".log";
}

bool writeLogFile(const std::string& path, const std::string& text, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error) *error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace fw
