#pragma once
// The browsers' native-messaging frame, both directions: a 4-byte length in the machine's
// byte order, then that many bytes of UTF-8 JSON.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fw {

// Larger messages are refused: nothing the extension sends comes near it.
inline constexpr uint32_t kNativeMessageMax = 1024 * 1024;

enum class NativeRead {
  Message,   // `out` holds one message
  End,       // the input ended cleanly before a frame
  TooLarge,  // the frame announces more than the bound (its body is not read)
  Broken,    // the input ended or failed inside a frame
};

// Reads up to `size` bytes into `buf` as read(2) does (0 at the end, -1 on error).
using ByteReader = std::function<ssize_t(void* buf, size_t size)>;

NativeRead readNativeMessage(const ByteReader& read, std::string& out,
                             uint32_t maxBytes = kNativeMessageMax);
// From a descriptor, retrying interrupted reads.
NativeRead readNativeMessage(int fd, std::string& out, uint32_t maxBytes = kNativeMessageMax);

// The frame of `json`.
std::string encodeNativeMessage(std::string_view json);
// Writes the frame of `json` whole; false when the descriptor failed.
bool writeNativeMessage(int fd, std::string_view json);

}  // namespace fw
