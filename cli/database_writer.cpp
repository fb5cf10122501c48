#include "cli/database_writer.h"

namespace fw {

DatabaseWriter::DatabaseWriter(std::function<bool(const std::string&)> write)
    : m_write(std::move(write)), m_thread([this] { loop(); }) {}

DatabaseWriter::~DatabaseWriter() {
  {
    std::lock_guard<std::mutex> g(m_mutex);
    m_stop = true;
  }
  m_cv.notify_all();
  m_thread.join();
}

void DatabaseWriter::submit(std::string bytes) {
  {
    std::lock_guard<std::mutex> g(m_mutex);
    m_waiting = std::move(bytes);
  }
  m_cv.notify_all();
}

void DatabaseWriter::drain() {
  std::unique_lock<std::mutex> g(m_mutex);
  m_cv.wait(g, [&] { return !m_waiting && !m_writing; });
}

bool DatabaseWriter::takeFailure() {
  std::lock_guard<std::mutex> g(m_mutex);
  bool failed = m_failed;
  m_failed = false;
  return failed;
}

void DatabaseWriter::loop() {
  std::unique_lock<std::mutex> g(m_mutex);
  // Ends only once nothing waits: what was submitted before the end is written.
  for (;;) {
    m_cv.wait(g, [&] { return m_waiting || m_stop; });
    if (!m_waiting) return;
    std::string bytes = std::move(*m_waiting);
    m_waiting.reset();
    m_writing = true;
    g.unlock();
    bool ok = m_write(bytes);
    g.lock();
    m_writing = false;
    if (!ok) m_failed = true;
    m_cv.notify_all();
  }
}

}  // namespace fw
