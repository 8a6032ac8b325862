// Kernel objects behind HANDLE values (threads, processes, events, semaphores, mutexes, ...).
// Every waitable object of the layer derives from KernelObject, so WaitForSingleObject and
// WaitForMultipleObjects work on all of them alike.
#pragma once
#include <poll.h>

#include <functional>
#include <memory>
#include <vector>

#include <windef.h>

namespace jf {

struct Waiter;

// The threads blocked in a wait on one object. Guarded by the wait lock.
class WaitList {
 public:
  void Add(Waiter* waiter) { waiters_.push_back(waiter); }
  void Remove(Waiter* waiter);
  bool Empty() const { return waiters_.empty(); }
  // Wakes every thread waiting on the object, and only those.
  void Notify();

 private:
  std::vector<Waiter*> waiters_;
};

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // The waiters to wake when the object's state changes (objects that share one state
  // share its list).
  virtual WaitList& Waiters() { return waiters_; }
  // Descriptors whose readiness changes the object's state with no call of the layer (the
  // sockets of a socket event): a wait that includes the object sleeps in poll() on them.
  virtual void AddPollFds(std::vector<pollfd>& fds) { (void)fds; }
  // True when a wait on the object would be satisfied now. Called with the wait lock held.
  virtual bool IsSignaled() = 0;
  // A wait was satisfied by this object: auto-reset events reset, semaphores count down,
  // mutexes take ownership. Called with the wait lock held.
  virtual void OnWaitSatisfied() {}
  // The last handle to the object was closed.
  virtual void OnLastHandleClosed() {}

 private:
  WaitList waiters_;
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
// Runs `fn` with the wait lock held, then wakes the threads waiting on `object`.
void ChangeState(KernelObject& object, const std::function<void()>& fn);
// Wakes the threads waiting on an object whose state changed outside the wait lock (a
// process ended, a socket event was set).
void SignalStateChanged(WaitList& waiters);

}  // namespace jf
