// The mutexes one thread owns, so that they become abandoned when the thread ends.
#pragma once
#include <memory>
#include <vector>

#include <windef.h>

namespace jf {

class SyncMutex;

class SyncOwnedMutexes {
 public:
  // The list of the calling thread.
  static SyncOwnedMutexes& ForThisThread();

  // Called with the wait lock held; also forgets the mutexes the thread no longer owns.
  void Add(const std::shared_ptr<SyncMutex>& mutex, DWORD tid);
  // Called with the wait lock held.
  void AbandonAll(DWORD tid);
  ~SyncOwnedMutexes();

 private:
  std::vector<std::weak_ptr<SyncMutex>> owned_;
};

}  // namespace jf
