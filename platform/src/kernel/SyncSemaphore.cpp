// Semaphore objects: signaled while the count is above zero; each satisfied wait takes one.
#include <errhandlingapi.h>
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

class SyncSemaphore : public KernelObject {
 public:
  SyncSemaphore(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
  bool IsSignaled() override { return count_ > 0; }
  void OnWaitSatisfied() override { --count_; }
  // False (count unchanged) when the release would pass the maximum.
  bool Release(LONG by, LONG& previous) {
    previous = count_;
    if (by > maximum_ - count_) return false;
    count_ += by;
    return true;
  }

 private:
  LONG count_;
  const LONG maximum_;
};

}  // namespace
}  // namespace jf

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCWSTR) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE handle = jf::RegisterHandle(std::make_shared<jf::SyncSemaphore>(initialCount, maximumCount));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL ReleaseSemaphore(HANDLE handle, LONG releaseCount, LPLONG previousCount) {
  auto semaphore = jf::LookupHandleAs<jf::SyncSemaphore>(handle);
  if (!semaphore) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (releaseCount <= 0) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool released = false;
  LONG previous = 0;
  jf::ChangeState(*semaphore, [&] { released = semaphore->Release(releaseCount, previous); });
  if (!released) {
    JF_SET_ERROR(Kernel, ERROR_TOO_MANY_POSTS);
    return FALSE;
  }
  if (previousCount) *previousCount = previous;
  return TRUE;
}
