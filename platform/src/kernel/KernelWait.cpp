// WaitForSingleObject and WaitForMultipleObjects over every kernel object of the layer.
// A blocked wait lists itself on each of its objects and sleeps until one of them changes
// state or the time-out (on the monotonic clock) runs out; nothing re-checks on a timer.
// Objects whose state follows descriptors (socket events) make the wait sleep in poll().
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <vector>

#include "platform/src/kernel/KernelInternal.h"
#include "platform/src/kernel/SyncMutex.h"
#include <errhandlingapi.h>
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

using Clock = std::chrono::steady_clock;
using Objects = std::vector<std::shared_ptr<jf::KernelObject>>;

bool TakeAbandoned(const std::shared_ptr<jf::KernelObject>& object) {
  auto* mutex = dynamic_cast<jf::SyncMutex*>(object.get());
  return mutex && mutex->TakeAbandoned();
}

// One check with the wait lock held: WAIT_TIMEOUT when the wait is not satisfied yet.
DWORD TrySatisfy(const Objects& objects, bool waitAll) {
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

// Lists the waiter on every object for as long as the wait lasts (wait lock held).
class Listing {
 public:
  Listing(const Objects& objects, jf::Waiter& waiter) : objects_(objects), waiter_(waiter) {
    for (const auto& object : objects_) object->Waiters().Add(&waiter_);
  }
  ~Listing() {
    for (const auto& object : objects_) object->Waiters().Remove(&waiter_);
    if (waiter_.wakeFd >= 0) close(waiter_.wakeFd);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

 private:
  const Objects& objects_;
  jf::Waiter& waiter_;
};

// Sleeps in poll() on the objects' descriptors and the waiter's own wake-up descriptor
// until one is ready or the deadline passes. Called with the wait lock held; drops it.
void PollOnce(std::unique_lock<std::mutex>& lock, const Objects& objects, jf::Waiter& waiter, bool infinite,
              Clock::time_point deadline) {
  if (waiter.wakeFd < 0) waiter.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::vector<pollfd> fds;
  if (waiter.wakeFd >= 0) fds.push_back(pollfd{waiter.wakeFd, POLLIN, 0});
  for (const auto& object : objects) object->AddPollFds(fds);
  int timeout = -1;
  if (!infinite) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    timeout = left <= 0 ? 0 : static_cast<int>(left < INT_MAX ? left : INT_MAX);
  }
  lock.unlock();
  if (poll(fds.data(), fds.size(), timeout) > 0 && waiter.wakeFd >= 0 && (fds[0].revents & POLLIN)) {
    uint64_t count;
    ssize_t got = read(waiter.wakeFd, &count, sizeof count);
    (void)got;
  }
  lock.lock();
}

}  // namespace

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  Objects objects;
  for (DWORD i = 0; i < count; ++i) {
    auto object = jf::LookupHandle(handles[i]);
    if (!object) {
      JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (waitAll) {
      // Windows refuses the same object twice in a wait for all.
      for (const auto& seen : objects) {
        if (seen == object) {
          JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
      }
    }
    objects.push_back(std::move(object));
  }
  const bool infinite = milliseconds == INFINITE;
  const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : milliseconds);
  std::unique_lock<std::mutex> lock(jf::kernel::WaitMutex());
  DWORD result = TrySatisfy(objects, waitAll != FALSE);
  if (result != WAIT_TIMEOUT || (!infinite && milliseconds == 0)) return result;

  jf::Waiter waiter;
  Listing listing(objects, waiter);
  std::vector<pollfd> probe;
  for (;;) {
    // Asked again each round: a socket selected on an event meanwhile joins the wait.
    probe.clear();
    for (const auto& object : objects) object->AddPollFds(probe);
    if (!probe.empty()) {
      PollOnce(lock, objects, waiter, infinite, deadline);
    } else if (infinite) {
      waiter.condition.wait(lock, [&] { return waiter.notified; });
    } else {
      waiter.condition.wait_until(lock, deadline, [&] { return waiter.notified; });
    }
    waiter.notified = false;
    result = TrySatisfy(objects, waitAll != FALSE);
    if (result != WAIT_TIMEOUT) return result;
    if (!infinite && Clock::now() >= deadline) return WAIT_TIMEOUT;
  }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
