// A condition used together with a CCriticalLock. NotifyOne wakes at most one waiter.
#pragma once

#include <windows.h>

#include <condition_variable>

#include "commonlib/thread/CCriticalLock.h"

class CCondition {
 public:
  CCondition() = default;
  CCondition(const CCondition&) = delete;
  CCondition& operator=(const CCondition&) = delete;

  // Wakes one waiter, if any.
  void NotifyOne();
  void NotifyAll();
  // The caller holds `lock` exactly once; it is released while waiting and held again on
  // return. Returns false when `timeoutMs` passed first (INFINITE waits without a limit).
  // Spurious wake-ups are possible: callers re-check their predicate.
  bool Wait(CCriticalLock& lock, DWORD timeoutMs = INFINITE);

 private:
  std::condition_variable_any m_cv;
};
