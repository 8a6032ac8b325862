// Kernel objects behind HANDLE values (threads, processes, events, semaphores, mutexes, ...).
// Every waitable object of the layer derives from KernelObject, so WaitForSingleObject and
// WaitForMultipleObjects work on all of them alike.
#pragma once
#include <functional>
#include <memory>

#include <windef.h>

namespace jf {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // True when a wait on the object would be satisfied now. Called with the wait lock held.
  virtual bool IsSignaled() = 0;
  // A wait was satisfied by this object: auto-reset events reset, semaphores count down,
  // mutexes take ownership. Called with the wait lock held.
  virtual void OnWaitSatisfied() {}
  // The last handle to the object was closed.
  virtual void OnLastHandleClosed() {}
};

// Registers an object and returns a new handle to it (never null, never INVALID_HANDLE_VALUE).
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null (ERROR_INVALID_HANDLE set) for an unknown handle.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
// A downcast lookup: null when the handle is unknown or of another kind.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Runs `fn` with the wait lock held (state changes that waiters observe go through it).
void WithWaitLock(const std::function<void()>& fn);
// Wakes every thread blocked in a wait so it re-checks its objects. Call after a state
// change made outside WithWaitLock (a process ended, a thread returned).
void SignalStateChanged();

}  // namespace jf
