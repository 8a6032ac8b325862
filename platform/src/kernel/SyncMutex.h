// A mutex object: owned by one thread at a time, recursively; abandoned when its owner
// thread ends while holding it (the next waiter gets WAIT_ABANDONED and the ownership).
#pragma once
#include <memory>
#include <string>

#include "platform/src/kernel/SyncNamedLock.h"
#include "platform/src/internal/handles.h"

namespace jf {

class SyncMutex : public KernelObject, public std::enable_shared_from_this<SyncMutex> {
 public:
  SyncMutex(std::wstring name, std::unique_ptr<SyncNamedLock> namedLock)
      : name_(std::move(name)), namedLock_(std::move(namedLock)) {}
  // Lets go of the name (and of the cross-process lock) when the last reference goes.
  ~SyncMutex() override;

  // The wait lock is held for all of these.
  bool IsSignaled() override;
  void OnWaitSatisfied() override;
  // True once after the mutex was taken over from an owner that had ended.
  bool TakeAbandoned();
  // False when the calling thread does not own the mutex.
  bool Release();
  bool OwnedBy(DWORD tid) const { return owner_ == tid; }
  // The owner thread `tid` is ending.
  void Abandon(DWORD tid);

  const std::wstring& Name() const { return name_; }

 private:
  std::wstring name_;
  std::unique_ptr<SyncNamedLock> namedLock_;
  DWORD owner_ = 0;
  LONG recursion_ = 0;
  bool abandoned_ = false;
};

}  // namespace jf
