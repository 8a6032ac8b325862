// WaitForSingleObject and WaitForMultipleObjects over every kernel object of the layer.
// Time-outs run on the monotonic clock; the waiters sleep on the one wait condition and
// re-check in short slices as well, for objects whose state is only found by polling.
#include <chrono>
#include <vector>

#include "KernelInternal.h"
#include "SyncMutex.h"
#include "errhandlingapi.h"
#include "jf/handles.h"
#include "jf/kernel.h"
#include "winerror.h"

namespace {

constexpr auto kRecheckSlice = std::chrono::milliseconds(25);

bool TakeAbandoned(const std::shared_ptr<jf::KernelObject>& object) {
  auto* mutex = dynamic_cast<jf::SyncMutex*>(object.get());
  return mutex && mutex->TakeAbandoned();
}

// One check with the wait lock held: WAIT_TIMEOUT when the wait is not satisfied yet.
DWORD TrySatisfy(const std::vector<std::shared_ptr<jf::KernelObject>>& objects, bool waitAll) {
  if (!waitAll) {
    for (size_t i = 0; i < objects.size(); ++i) {
      if (!objects[i]->IsSignaled()) continue;
      objects[i]->OnWaitSatisfied();
      return (TakeAbandoned(objects[i]) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + static_cast<DWORD>(i);
    }
    return WAIT_TIMEOUT;
  }
  for (const auto& object : objects) {
    if (!object->IsSignaled()) return WAIT_TIMEOUT;
  }
  DWORD result = WAIT_OBJECT_0;
  for (size_t i = 0; i < objects.size(); ++i) {
    objects[i]->OnWaitSatisfied();
    if (TakeAbandoned(objects[i]) && result == WAIT_OBJECT_0) result = WAIT_ABANDONED_0 + static_cast<DWORD>(i);
  }
  return result;
}

}  // namespace

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<jf::KernelObject>> objects;
  for (DWORD i = 0; i < count; ++i) {
    auto object = jf::LookupHandle(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (waitAll) {
      // Windows refuses the same object twice in a wait for all.
      for (const auto& seen : objects) {
        if (seen == object) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
      }
    }
    objects.push_back(std::move(object));
  }
  const bool infinite = milliseconds == INFINITE;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(infinite ? 0 : milliseconds);
  std::unique_lock<std::mutex> lock(jf::kernel::WaitMutex());
  for (;;) {
    DWORD result = TrySatisfy(objects, waitAll != FALSE);
    if (result != WAIT_TIMEOUT) return result;
    auto now = std::chrono::steady_clock::now();
    if (!infinite && now >= deadline) return WAIT_TIMEOUT;
    auto until = now + kRecheckSlice;
    if (!infinite && deadline < until) until = deadline;
    jf::kernel::WaitCondition().wait_until(lock, until);
  }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
