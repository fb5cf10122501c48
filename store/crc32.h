#pragma once
// The reflected CRC-32 (polynomial 0xEDB88320) that zlib and PNG use.

#include <cstddef>
#include <cstdint>

namespace fw {

// Continues `crc` (0 to start) over `size` bytes; returns the finished value, so
// crc32Update(crc32Update(0, a), b) equals the CRC of a followed by b.
uint32_t crc32Update(uint32_t crc, const void* data, size_t size);

inline uint32_t crc32(const void* data, size_t size) {
  return crc32Update(0, data, size);
}

}  // namespace fw
