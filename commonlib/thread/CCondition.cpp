#include "commonlib/thread/CCondition.h"

#include <chrono>

namespace {

// Lets the standard condition release and retake a CCriticalLock.
class LockAdapter {
 public:
  explicit LockAdapter(CCriticalLock& lock) : m_lock(lock) {}
  void lock() { m_lock.Lock(); }
  void unlock() { m_lock.Unlock(); }

 private:
  CCriticalLock& m_lock;
};

}  // namespace

void CCondition::NotifyOne() { m_cv.notify_one(); }

void CCondition::NotifyAll() { m_cv.notify_all(); }

bool CCondition::Wait(CCriticalLock& lock, DWORD timeoutMs) {
  LockAdapter adapter(lock);
  if (timeoutMs == INFINITE) {
    m_cv.wait(adapter);
    return true;
  }
  return m_cv.wait_for(adapter, std::chrono::milliseconds(timeoutMs)) == std::cv_status::no_timeout;
}
