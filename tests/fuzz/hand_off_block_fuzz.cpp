// The hand-off block: whatever a block object holds (any size, no NUL anywhere), the reader
// copies at most 4,096 bytes up to the first NUL; whatever lines are written, the writer's
// layout stays inside the block, keeps its last byte NUL, and reads back as whole lines.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/module/hand_off_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string name = "/fwfuzz-Velto-" + std::to_string(::getpid());
  std::string input(reinterpret_cast<const char*>(data), size);

  int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) std::abort();
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
      ::pwrite(fd, input.data(), size, 0) != static_cast<ssize_t>(size))
    std::abort();
  ::close(fd);
  std::string text;
  if (fw::readHandOffBlock(text, name) != fw::BlockRead::Read) std::abort();
  ::shm_unlink(name.c_str());
  size_t expect = std::min({size, fw::kHandOffBlockSize, input.find('\0')});
  if (text != input.substr(0, expect)) std::abort();

  std::vector<std::string> lines;
  for (size_t at = 0; at <= input.size();) {
    size_t end = input.find('\x01', at);
    if (end == std::string::npos) end = input.size();
    lines.push_back(input.substr(at, end - at));
    at = end + 1;
  }
  std::vector<char> block(fw::kHandOffBlockSize + 64, '\x7f');
  size_t written = fw::layOutHandOffLines(lines, block.data());
  if (block[fw::kHandOffBlockSize - 1] != '\0') std::abort();
  for (size_t i = fw::kHandOffBlockSize; i < block.size(); ++i)
    if (block[i] != '\x7f') std::abort();
  std::string laid(block.data());
  size_t breaks = 0;
  for (size_t at = laid.find("\r\n"); at != std::string::npos; at = laid.find("\r\n", at + 2))
    ++breaks;
  if (breaks != written) std::abort();
  return 0;
}
