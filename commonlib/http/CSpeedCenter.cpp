#include "commonlib/http/CSpeedCenter.h"

#include "commonlib/thread/CScopedLock.h"

CSpeedCenter::CSpeedCenter() : m_enabled(false), m_total(0), m_limit(1048576) {}

void CSpeedCenter::AddDownloadSize(uint64_t bytes) {
  if (!m_enabled) return;
  CScopedLock guard(m_lock);
  m_total += bytes;
  if (m_total > m_limit) m_total = m_limit;
}

void CSpeedCenter::SetEnabled(bool enabled) {
  CScopedLock guard(m_lock);
  m_enabled = enabled;
}

uint64_t CSpeedCenter::GetTotal() {
  CScopedLock guard(m_lock);
  return m_total;
}
