// Holds a CCriticalLock for the lifetime of a scope (also when an exception leaves it).
#pragma once

#include "commonlib/thread/CCriticalLock.h"

class CScopedLock {
 public:
  explicit CScopedLock(CCriticalLock* lock) : m_lock(lock) {
    if (m_lock) m_lock->Lock();
  }
  explicit CScopedLock(CCriticalLock& lock) : CScopedLock(&lock) {}
  ~CScopedLock() {
    if (m_lock) m_lock->Unlock();
  }
  CScopedLock(const CScopedLock&) = delete;
  CScopedLock& operator=(const CScopedLock&) = delete;

 private:
  CCriticalLock* m_lock;
};
