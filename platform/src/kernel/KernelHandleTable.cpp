// The table behind HANDLE values: small distinct integers (multiples of 4, as on Windows),
// never reused, each naming one kernel object. Several handles may name the same object.
#include <unistd.h>

#include <cstdint>
#include <unordered_map>

#include "platform/src/kernel/KernelInternal.h"
#include <errhandlingapi.h>
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

class KernelHandleTable {
 public:
  HANDLE Add(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    uintptr_t value = next_;
    next_ += 4;
    ++handleCounts_[object.get()];
    handles_.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
  }

  std::shared_ptr<KernelObject> Find(HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(reinterpret_cast<uintptr_t>(handle));
    return it == handles_.end() ? nullptr : it->second;
  }

  // Removes a handle; returns the object and whether that was its last handle.
  std::shared_ptr<KernelObject> Remove(HANDLE handle, bool& last) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles_.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(it->second);
    handles_.erase(it);
    auto count = handleCounts_.find(object.get());
    last = --count->second == 0;
    if (last) handleCounts_.erase(count);
    return object;
  }

 private:
  std::mutex mutex_;
  uintptr_t next_ = 4;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> handles_;
  std::unordered_map<KernelObject*, int> handleCounts_;
};

KernelHandleTable& Table() {
  static KernelHandleTable* table = new KernelHandleTable;  // lives until exit; threads may still close handles
  return *table;
}

}  // namespace

namespace kernel {

std::mutex& WaitMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

std::condition_variable& WaitCondition() {
  static std::condition_variable* condition = new std::condition_variable;
  return *condition;
}

}  // namespace kernel

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  if (!object) return nullptr;
  return Table().Add(std::move(object));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object = Table().Find(handle);
  if (!object) JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
  return object;
}

void WaitList::Remove(Waiter* waiter) {
  for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
    if (*it == waiter) {
      waiters_.erase(it);
      return;
    }
  }
}

void WaitList::Notify() {
  for (Waiter* waiter : waiters_) {
    waiter->notified = true;
    waiter->condition.notify_one();
    if (waiter->wakeFd >= 0) {
      uint64_t one = 1;
      ssize_t written = write(waiter->wakeFd, &one, sizeof one);
      (void)written;  // a full counter already wakes the poll
    }
  }
}

void WithWaitLock(const std::function<void()>& fn) {
  std::lock_guard<std::mutex> lock(kernel::WaitMutex());
  fn();
}

void ChangeState(KernelObject& object, const std::function<void()>& fn) {
  std::lock_guard<std::mutex> lock(kernel::WaitMutex());
  fn();
  object.Waiters().Notify();
}

void SignalStateChanged(WaitList& waiters) {
  std::lock_guard<std::mutex> lock(kernel::WaitMutex());
  waiters.Notify();
}

}  // namespace jf

BOOL CloseHandle(HANDLE handle) {
  // The pseudo handles of the current process and thread need no closing.
  if (handle == reinterpret_cast<HANDLE>(-1) || handle == reinterpret_cast<HANDLE>(-2)) return TRUE;
  bool last = false;
  std::shared_ptr<jf::KernelObject> object = jf::Table().Remove(handle, last);
  if (!object) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (last) object->OnLastHandleClosed();
  return TRUE;
}
