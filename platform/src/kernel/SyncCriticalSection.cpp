// Critical sections: recursive mutexes that remember their owner thread, as on Windows.
#include <pthread.h>

#include "platform/src/kernel/KernelInternal.h"
#include <windows/kernel.h>

namespace {

pthread_mutex_t* Lock(LPCRITICAL_SECTION section) { return static_cast<pthread_mutex_t*>(section->LockSemaphore); }

HANDLE Me() { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(jf::kernel::CurrentThreadId())); }

void Init(LPCRITICAL_SECTION section, DWORD spinCount) {
  auto* lock = new pthread_mutex_t;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(lock, &attr);
  pthread_mutexattr_destroy(&attr);
  section->DebugInfo = nullptr;
  section->LockCount = -1;
  section->OwningThread = nullptr;
  section->RecursionCount = 0;
  section->SpinCount = spinCount;
  section->LockSemaphore = lock;
}

void Entered(LPCRITICAL_SECTION section) {
  __atomic_store_n(&section->OwningThread, Me(), __ATOMIC_RELAXED);
  ++section->RecursionCount;
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) { Init(section, 0); }

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount) {
  Init(section, spinCount);
  return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  // A short spin first, as the spin count asks, before blocking.
  ULONG_PTR spins = section->SpinCount < 200 ? section->SpinCount : 200;
  for (ULONG_PTR i = 0; i < spins; ++i) {
    if (pthread_mutex_trylock(Lock(section)) == 0) {
      Entered(section);
      return;
    }
  }
  pthread_mutex_lock(Lock(section));
  Entered(section);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (pthread_mutex_trylock(Lock(section)) != 0) return FALSE;
  Entered(section);
  return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  // Leaving a section the thread does not hold would corrupt it on Windows; here it is ignored.
  if (__atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED) != Me()) return;
  if (--section->RecursionCount == 0) __atomic_store_n(&section->OwningThread, nullptr, __ATOMIC_RELAXED);
  pthread_mutex_unlock(Lock(section));
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_t* lock = Lock(section);
  if (!lock) return;
  pthread_mutex_destroy(lock);
  delete lock;
  section->LockSemaphore = nullptr;
}
