#include "platform/src/kernel/SyncOwnedMutexes.h"

#include "platform/src/kernel/KernelInternal.h"
#include "platform/src/kernel/SyncMutex.h"

namespace jf {

SyncOwnedMutexes& SyncOwnedMutexes::ForThisThread() {
  static thread_local SyncOwnedMutexes owned;
  return owned;
}

void SyncOwnedMutexes::Add(const std::shared_ptr<SyncMutex>& mutex, DWORD tid) {
  std::vector<std::weak_ptr<SyncMutex>> kept;
  for (auto& weak : owned_) {
    auto owned = weak.lock();
    if (owned && owned != mutex && owned->OwnedBy(tid)) kept.push_back(weak);
  }
  kept.push_back(mutex);
  owned_.swap(kept);
}

void SyncOwnedMutexes::AbandonAll(DWORD tid) {
  for (auto& weak : owned_) {
    if (auto mutex = weak.lock()) mutex->Abandon(tid);
  }
  owned_.clear();
}

SyncOwnedMutexes::~SyncOwnedMutexes() {
  if (owned_.empty()) return;
  DWORD tid = kernel::CurrentThreadId();
  WithWaitLock([&] { AbandonAll(tid); });
}

namespace kernel {

void AbandonOwnedMutexes() { SyncOwnedMutexes::ForThisThread().AbandonAll(CurrentThreadId()); }

}  // namespace kernel
}  // namespace jf
