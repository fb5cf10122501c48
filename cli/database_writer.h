#pragma once
// Writes the job database of a fetchwright-cli run on a thread of its own, so that the
// message loop, and every Role waiting on it, never waits for the disk. The main thread
// encodes the database and hands the bytes over; bytes handed over while a write is under
// way replace any still waiting, so the newest state is always the next one written and
// the disk is not asked to keep up with every job's end.
//
// Thread safety: submit() and drain() on the thread that owns the writer (the main
// thread); the write function runs on the writer's thread, one call at a time.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace fw {

class DatabaseWriter {
 public:
  // `write` stores one encoded database (true on success).
  explicit DatabaseWriter(std::function<bool(const std::string&)> write);
  // Writes what is still waiting, then ends the thread.
  ~DatabaseWriter();
  DatabaseWriter(const DatabaseWriter&) = delete;
  DatabaseWriter& operator=(const DatabaseWriter&) = delete;

  void submit(std::string bytes);
  // Waits until everything submitted so far is written.
  void drain();
  // Whether a write failed since the last call (the failure is reported once).
  bool takeFailure();

 private:
  void loop();

  std::function<bool(const std::string&)> m_write;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::optional<std::string> m_waiting;  // m_mutex
  bool m_writing = false;                // m_mutex
  bool m_failed = false;                 // m_mutex
  bool m_stop = false;                   // m_mutex
  std::thread m_thread;
};

}  // namespace fw
