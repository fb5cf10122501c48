#pragma once
// The hand-off block: a 4,096-byte POSIX shared-memory object "/Velto-<uid>" (mode 0600)
// that holds text lines, each followed by CR LF, from offset 0, NUL after the text. The
// capture module writes it for one delivery and removes it right after; the program reads
// it while the writer waits for the program's answer on the control socket.
//
// Its existence is the lock of a delivery: it is created with O_CREAT|O_EXCL, and a writer
// that finds it existing drops its delivery. A writer that crashed would leave it behind
// for good, so the writer also holds an exclusive flock() on it for the whole delivery: a
// later writer that finds the block existing but unlocked (and still under the name)
// removes it and tries once more.
//
// Bounds: the writer never writes a line that would not fit whole (the last byte always
// stays NUL); the reader copies at most 4,096 bytes and stops at the first NUL.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace fw {

inline constexpr size_t kHandOffBlockSize = 4096;

// "/Velto-<effective uid>". FETCHWRIGHT_HOME, which moves every per-user file of a test
// run, gives the block a name of its own as well: "/Velto-<uid>-<hash of the folder>".
std::string handOffBlockName(const EnvLookup& env = processEnv());

// Lays `lines` out into `block` (kHandOffBlockSize bytes, zero-filled first): each line as
// "%s\r\n" (a line ends at a NUL it holds; CR and LF inside a line become spaces, so that a
// line never splits in two). A line that would not fit whole, with its CR LF and a final
// NUL, is left out together with every line after it. Returns the number of lines written.
// Pure, any thread.
size_t layOutHandOffLines(const std::vector<std::string>& lines, char* block);

// One delivery's block. Any thread; one owner.
class HandOffBlockWriter {
 public:
  explicit HandOffBlockWriter(std::string name = handOffBlockName());
  ~HandOffBlockWriter();  // close()
  HandOffBlockWriter(const HandOffBlockWriter&) = delete;
  HandOffBlockWriter& operator=(const HandOffBlockWriter&) = delete;

  enum class Open {
    Created,  // the block is ours, locked, sized and zeroed
    Busy,     // another delivery holds it (or won the race for a stale one)
    Failed,   // it could not be created, locked, sized or mapped
  };
  Open create();
  // Writes the lines (layOutHandOffLines). Only after Created.
  size_t write(const std::vector<std::string>& lines);
  // Unmaps, removes the name, and releases the lock. Safe to repeat.
  void close();

 private:
  Open createOnce(bool& foundStale);
  bool removeIfStale();

  std::string m_name;
  int m_fd = -1;
  char* m_map = nullptr;
};

enum class BlockRead {
  Read,     // `text` holds the block's text
  Missing,  // no block under the name
  Failed,   // it exists but could not be mapped, or another user owns it
};

// Copies the text of the block (at most kHandOffBlockSize bytes, up to the first NUL).
// Any thread.
BlockRead readHandOffBlock(std::string& text, const std::string& name = handOffBlockName());

}  // namespace fw
