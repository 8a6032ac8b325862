#include "platform/src/kernel/SyncMutex.h"

#include <map>
#include <thread>

#include "platform/src/kernel/KernelInternal.h"
#include "platform/src/kernel/SyncOwnedMutexes.h"
#include <errhandlingapi.h>
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

// Named mutexes of this process, so a second create or open of a name shares the object.
std::recursive_mutex g_namesMutex;
std::map<std::wstring, std::weak_ptr<SyncMutex>>& Names() {
  static auto* names = new std::map<std::wstring, std::weak_ptr<SyncMutex>>;
  return *names;
}

// Called with g_namesMutex held; unlocks it while a dying mutex of the same name is still
// letting go of its lock.
std::shared_ptr<SyncMutex> FindNamed(const std::wstring& name, std::unique_lock<std::recursive_mutex>& lock) {
  for (;;) {
    auto it = Names().find(name);
    if (it == Names().end()) return nullptr;
    if (auto mutex = it->second.lock()) return mutex;
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
  }
}

}  // namespace

bool SyncMutex::IsSignaled() { return owner_ == 0 || owner_ == kernel::CurrentThreadId(); }

void SyncMutex::OnWaitSatisfied() {
  DWORD me = kernel::CurrentThreadId();
  if (owner_ == me) {
    ++recursion_;
    return;
  }
  owner_ = me;
  recursion_ = 1;
  SyncOwnedMutexes::ForThisThread().Add(shared_from_this(), me);
}

bool SyncMutex::TakeAbandoned() {
  bool was = abandoned_;
  abandoned_ = false;
  return was;
}

bool SyncMutex::Release() {
  if (owner_ == 0 || owner_ != kernel::CurrentThreadId()) return false;
  if (--recursion_ == 0) owner_ = 0;
  return true;
}

void SyncMutex::Abandon(DWORD tid) {
  if (owner_ != tid) return;
  owner_ = 0;
  recursion_ = 0;
  abandoned_ = true;
  Waiters().Notify();
}

SyncMutex::~SyncMutex() {
  if (name_.empty()) return;
  std::lock_guard<std::recursive_mutex> lock(g_namesMutex);
  auto it = Names().find(name_);
  if (it != Names().end() && it->second.expired()) Names().erase(it);
  namedLock_.reset();  // now other processes may create the name afresh
}

}  // namespace jf

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR givenName) {
  using jf::SyncMutex;
  const std::wstring name = givenName ? jf::SyncNamedLock::Key(givenName) : std::wstring();
  std::shared_ptr<SyncMutex> mutex;
  bool existed = false;
  if (!name.empty()) {
    std::unique_lock<std::recursive_mutex> lock(jf::g_namesMutex);
    mutex = jf::FindNamed(name, lock);
    existed = mutex != nullptr;
    if (!mutex) {
      std::unique_ptr<jf::SyncNamedLock> namedLock;
      switch (jf::SyncNamedLock::TryAcquire(name, namedLock)) {
        case jf::SyncNamedLock::Result::kFailed:
          return nullptr;
        case jf::SyncNamedLock::Result::kHeldElsewhere:
          existed = true;
          break;
        case jf::SyncNamedLock::Result::kAcquired:
          break;
      }
      mutex = std::make_shared<SyncMutex>(name, std::move(namedLock));
      jf::Names()[name] = mutex;
    }
  } else {
    mutex = std::make_shared<SyncMutex>(std::wstring(), nullptr);
  }
  // The initial owner flag counts only for the creator.
  if (initialOwner && !existed) jf::WithWaitLock([&] { mutex->OnWaitSatisfied(); });
  HANDLE handle = jf::RegisterHandle(mutex);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR givenName) {
  const std::wstring name = givenName ? jf::SyncNamedLock::Key(givenName) : std::wstring();
  if (name.empty()) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<jf::SyncMutex> mutex;
  std::unique_lock<std::recursive_mutex> lock(jf::g_namesMutex);
  mutex = jf::FindNamed(name, lock);
  if (!mutex) {
    // A mutex of another process: it exists while its file is locked.
    std::unique_ptr<jf::SyncNamedLock> probe;
    if (jf::SyncNamedLock::TryAcquire(name, probe) != jf::SyncNamedLock::Result::kHeldElsewhere) {
      probe.reset();
      JF_SET_ERROR(Kernel, ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    mutex = std::make_shared<jf::SyncMutex>(name, nullptr);
    jf::Names()[name] = mutex;
  }
  return jf::RegisterHandle(mutex);
}

BOOL ReleaseMutex(HANDLE handle) {
  auto mutex = jf::LookupHandleAs<jf::SyncMutex>(handle);
  if (!mutex) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool released = false;
  jf::ChangeState(*mutex, [&] { released = mutex->Release(); });
  if (!released) {
    JF_SET_ERROR(Kernel, ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}
