#pragma once
// A Role's receive buffer: bytes read from the wire that are not yet handed to the
// job's write cache. One per Role, owned by the Role's thread; never shared.

#include <cstdint>

namespace fw {

inline constexpr uint16_t kReceiveBufferSize = 16384;

struct ReceiveBuffer {
  uint8_t data[kReceiveBufferSize];
  int64_t fileOffset = 0;  // file position of data[0]
  uint16_t fill = 0;       // bytes used in data

  uint16_t room() const { return static_cast<uint16_t>(kReceiveBufferSize - fill); }
  bool full() const { return fill >= kReceiveBufferSize; }
  void clear() {
    fill = 0;
    fileOffset = 0;
  }
};

}  // namespace fw
