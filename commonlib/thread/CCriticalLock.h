// Recursive lock over a Win32 critical section, with a count of current entries.
#pragma once

#include <windows.h>

class CCriticalLock {
 public:
  CCriticalLock();
  ~CCriticalLock();
  CCriticalLock(const CCriticalLock&) = delete;
  CCriticalLock& operator=(const CCriticalLock&) = delete;

  void Lock();
  void Unlock();
  // Number of entries currently held (by the owning thread); for diagnostics.
  LONG Depth() const { return m_depth; }

 private:
  CRITICAL_SECTION m_cs;
  LONG m_depth;
};
