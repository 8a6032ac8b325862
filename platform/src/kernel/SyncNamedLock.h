// The cross-process side of a named mutex: an exclusive flock on a file named after the
// mutex in the runtime folder ($XDG_RUNTIME_DIR, else /tmp). Whoever holds the lock created
// the mutex first; everyone else sees that it already exists.
#pragma once
#include <memory>
#include <string>

namespace jf {

class SyncNamedLock {
 public:
  enum class Result { kAcquired, kHeldElsewhere, kFailed };

  // Tries to take the lock for `name` without blocking. kFailed sets the last error.
  static Result TryAcquire(const std::wstring& name, std::unique_ptr<SyncNamedLock>& lock);
  // The name without a session namespace ("Global\\", "Local\\"): on one desktop they
  // make no difference.
  static std::wstring Key(const std::wstring& name);
  // The host file that stands for `name`.
  static std::string FilePath(const std::wstring& name);

  ~SyncNamedLock();
  SyncNamedLock(const SyncNamedLock&) = delete;
  SyncNamedLock& operator=(const SyncNamedLock&) = delete;

 private:
  SyncNamedLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

}  // namespace jf
