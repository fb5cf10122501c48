#pragma once
// A ByteSource that hands out prepared reads one at a time; after the last one it is
// either closed (read gives 0) or silent (never readable).

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "engine/net/byte_source.h"

namespace fw {

class ScriptedByteSource : public ByteSource {
 public:
  std::deque<std::string> reads;
  bool closeAtEnd = false;
  int failRead = 0;  // errno to fail the next read with, when not 0
  bool failWait = false;
  int failure = kResultError;
  int waits = 0;
  size_t consumed = 0;

  int waitReadable(int) override {
    ++waits;
    if (failWait) return -1;
    return (!reads.empty() || closeAtEnd || failRead) ? 1 : 0;
  }
  int read(uint8_t* dst, int max, int* error) override {
    if (failRead) {
      *error = failRead;
      return -1;
    }
    if (reads.empty()) return 0;
    std::string& front = reads.front();
    size_t n = std::min(front.size(), static_cast<size_t>(max));
    std::memcpy(dst, front.data(), n);
    front.erase(0, n);
    if (front.empty()) reads.pop_front();
    consumed += n;
    return static_cast<int>(n);
  }
  int failureResult() const override { return failure; }
};

}  // namespace fw
