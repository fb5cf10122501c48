#include "engine/storage/bandwidth_budget.h"

#include <algorithm>

namespace fw {

void BandwidthBudget::refill(int64_t bytesPerSecond) {
  LockGuard g(m_lock);
  m_budget = bytesPerSecond;
  ++m_refills;
}

int BandwidthBudget::take(int want, uint64_t* refill) {
  if (want <= 0) return 0;
  LockGuard g(m_lock);
  if (refill) *refill = m_refills;
  if (m_budget <= 0) return 0;
  int64_t n = std::min<int64_t>(want, m_budget);
  m_budget -= n;
  return static_cast<int>(n);
}

void BandwidthBudget::giveBack(int n, uint64_t refill) {
  if (n <= 0) return;
  LockGuard g(m_lock);
  if (refill == m_refills) m_budget += n;
}

int64_t BandwidthBudget::remaining() const {
  LockGuard g(m_lock);
  return m_budget;
}

}  // namespace fw
