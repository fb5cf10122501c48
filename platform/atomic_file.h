#pragma once
// Whole-file replacement that never leaves a half-written file under the final name.

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace fw {

struct AtomicWriteOptions {
  // The write call; tests substitute one that fails part-way. Same contract as write(2).
  std::function<ssize_t(int fd, const void* data, size_t size)> write;
  mode_t mode = 0600;
  // When set, receives the reason of a failure ("cannot write <tmp>: <strerror>").
  std::string* error = nullptr;
};

// Writes `data` to a temporary file in `path`'s folder, flushes it to the disk, and
// renames it over `path`. Returns true on success; on any failure the temporary file is
// removed and `path` is left as it was. Any thread; concurrent writers to one path are
// the caller's business.
bool writeFileAtomically(const std::string& path, std::string_view data,
                         const AtomicWriteOptions& options = {});

// Reads a whole regular file. Returns 1 with the bytes, 0 when it cannot be opened or
// read (missing, a folder, no permission); `err` (when given) gets the errno then.
int readWholeFile(const std::string& path, std::string& out, int* err = nullptr);

}  // namespace fw
