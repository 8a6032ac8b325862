// Critical sections: recursive mutexes that remember their owner thread, as on Windows.
#include "KernelInternal.h"
#include "jf/kernel.h"

namespace {

void Init(LPCRITICAL_SECTION section, DWORD spinCount) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->Mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  section->OwningThread = 0;
  section->RecursionCount = 0;
  section->SpinCount = spinCount;
  section->Initialized = TRUE;
}

void Entered(LPCRITICAL_SECTION section) {
  __atomic_store_n(&section->OwningThread, jf::kernel::CurrentThreadId(), __ATOMIC_RELAXED);
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
  DWORD spins = section->SpinCount < 200 ? section->SpinCount : 200;
  for (DWORD i = 0; i < spins; ++i) {
    if (pthread_mutex_trylock(&section->Mutex) == 0) {
      Entered(section);
      return;
    }
  }
  pthread_mutex_lock(&section->Mutex);
  Entered(section);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (pthread_mutex_trylock(&section->Mutex) != 0) return FALSE;
  Entered(section);
  return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  // Leaving a section the thread does not hold would corrupt it on Windows; here it is ignored.
  if (__atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED) != jf::kernel::CurrentThreadId()) return;
  if (--section->RecursionCount == 0) __atomic_store_n(&section->OwningThread, 0, __ATOMIC_RELAXED);
  pthread_mutex_unlock(&section->Mutex);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  if (!section->Initialized) return;
  pthread_mutex_destroy(&section->Mutex);
  section->Initialized = FALSE;
}
