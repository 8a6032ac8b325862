// The worker's received-bytes throttle. Created switched off, and nothing switches it on,
// so counting is a no-op.
#pragma once

#include <atomic>
#include <cstdint>

#include "commonlib/thread/CCriticalLock.h"

class CSpeedCenter {
 public:
  CSpeedCenter();
  void AddDownloadSize(uint64_t bytes);
  void SetEnabled(bool enabled);
  uint64_t GetTotal();

 private:
  std::atomic<bool> m_enabled;
  CCriticalLock m_lock;
  uint64_t m_total;
  uint64_t m_limit;
};
