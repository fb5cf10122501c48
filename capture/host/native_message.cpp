#include "capture/host/native_message.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fw {

namespace {

// 1 all read, 0 nothing at all before the end, -1 the end or an error part-way.
int readExactly(const ByteReader& read, char* buf, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(buf + got, size - got);
    if (n == 0) return got == 0 ? 0 : -1;
    if (n < 0) return -1;
    got += static_cast<size_t>(n);
  }
  return 1;
}

}  // namespace

NativeRead readNativeMessage(const ByteReader& read, std::string& out, uint32_t maxBytes) {
  out.clear();
  char head[4];
  int r = readExactly(read, head, sizeof head);
  if (r == 0) return NativeRead::End;
  if (r < 0) return NativeRead::Broken;
  uint32_t length = 0;
  std::memcpy(&length, head, sizeof length);
  if (length > maxBytes) return NativeRead::TooLarge;
  out.resize(length);
  if (length > 0 && readExactly(read, out.data(), length) != 1) {
    out.clear();
    return NativeRead::Broken;
  }
  return NativeRead::Message;
}

NativeRead readNativeMessage(int fd, std::string& out, uint32_t maxBytes) {
  return readNativeMessage(
      [fd](void* buf, size_t size) {
        for (;;) {
          ssize_t n = ::read(fd, buf, size);
          if (n >= 0 || errno != EINTR) return n;
        }
      },
      out, maxBytes);
}

std::string encodeNativeMessage(std::string_view json) {
  uint32_t length = static_cast<uint32_t>(json.size());
  std::string frame(sizeof length, '\0');
  std::memcpy(frame.data(), &length, sizeof length);
  frame.append(json);
  return frame;
}

bool writeNativeMessage(int fd, std::string_view json) {
  std::string frame = encodeNativeMessage(json);
  size_t done = 0;
  while (done < frame.size()) {
    ssize_t n = ::write(fd, frame.data() + done, frame.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace fw
