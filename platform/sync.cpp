#include "platform/sync.h"

namespace fw {

Event::Event(Reset mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

void Event::set() {
  {
    LockGuard g(m_mutex);
    m_set = true;
  }
  if (m_mode == Reset::Auto)
    m_cv.notify_one();
  else
    m_cv.notify_all();
}

void Event::reset() {
  LockGuard g(m_mutex);
  m_set = false;
}

bool Event::wait(std::chrono::milliseconds timeout) {
  UniqueLock l(m_mutex);
  if (!m_set && timeout.count() > 0) m_cv.wait_for(l, timeout, [this] { return m_set; });
  if (!m_set) return false;
  if (m_mode == Reset::Auto) m_set = false;
  return true;
}

void Event::waitForever() {
  UniqueLock l(m_mutex);
  m_cv.wait(l, [this] { return m_set; });
  if (m_mode == Reset::Auto) m_set = false;
}

bool Event::isSet() const {
  LockGuard g(m_mutex);
  return m_set;
}

}  // namespace fw
