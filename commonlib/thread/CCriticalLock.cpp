#include "commonlib/thread/CCriticalLock.h"

CCriticalLock::CCriticalLock() : m_depth(0) { InitializeCriticalSection(&m_cs); }

CCriticalLock::~CCriticalLock() { DeleteCriticalSection(&m_cs); }

void CCriticalLock::Lock() {
  EnterCriticalSection(&m_cs);
  ++m_depth;
}

void CCriticalLock::Unlock() {
  --m_depth;
  LeaveCriticalSection(&m_cs);
}
