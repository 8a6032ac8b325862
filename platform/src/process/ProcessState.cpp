#include "platform/src/process/ProcessState.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include "platform/src/process/ProcessSnapshot.h"
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>

namespace jf {

// The watcher's descriptors outlive whichever of the state and the thread ends last.
struct ProcessWatch {
  int pidfd = -1;
  int cancelfd = -1;
  std::atomic<bool> stop{false};
  ~ProcessWatch() {
    if (pidfd >= 0) close(pidfd);
    if (cancelfd >= 0) close(cancelfd);
  }
};

namespace {

std::mutex& RegistryMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

// Children stay here while they run (the reaper holds them); other processes while a handle
// to them is open.
std::map<pid_t, std::weak_ptr<ProcessState>>& Registry() {
  static auto* registry = new std::map<pid_t, std::weak_ptr<ProcessState>>;
  return *registry;
}

// Running and not yet a zombie. A process we may not look at still counts as running.
bool IsAlive(pid_t pid) {
  char state = ProcessSnapshot::StateOf(pid);
  if (state == 0) return kill(pid, 0) == 0 || errno == EPERM;
  return state != 'Z' && state != 'X';
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

ProcessState::ProcessState(pid_t pid, bool child) : pid_(pid), child_(child) {}

ProcessState::~ProcessState() {
  if (watch_) {
    watch_->stop = true;
    uint64_t one = 1;
    if (watch_->cancelfd >= 0) (void)!write(watch_->cancelfd, &one, sizeof one);
  }
}

std::shared_ptr<ProcessState> ProcessState::ForChild(pid_t pid) {
  auto state = std::make_shared<ProcessState>(pid, true);
  // Signals go through a pidfd, so that a kill that races with the reaper cannot hit a new
  // process that got the id.
  state->watch_ = std::make_shared<ProcessWatch>();
  state->watch_->pidfd = OpenPidFd(pid);
  if (state->watch_->pidfd >= 0) fcntl(state->watch_->pidfd, F_SETFD, FD_CLOEXEC);
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry()[pid] = state;
  }
  std::thread(&ProcessState::Reap, state).detach();
  return state;
}

std::shared_ptr<ProcessState> ProcessState::ForRunning(pid_t pid) {
  if (pid <= 0) return nullptr;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto& registry = Registry();
  auto it = registry.find(pid);
  if (it != registry.end()) {
    std::shared_ptr<ProcessState> known = it->second.lock();
    if (known && !known->HasExited()) return known;
    registry.erase(it);  // ended (its id may belong to a new process now) or forgotten
  }
  if (!IsAlive(pid)) return nullptr;
  auto state = std::make_shared<ProcessState>(pid, false);
  auto watch = std::make_shared<ProcessWatch>();
  watch->pidfd = OpenPidFd(pid);
  if (watch->pidfd >= 0) fcntl(watch->pidfd, F_SETFD, FD_CLOEXEC);
  watch->cancelfd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  state->watch_ = watch;
  registry[pid] = state;
  // Drop entries whose handles are all closed, so the table does not grow without end.
  for (auto e = registry.begin(); e != registry.end();) e = e->second.expired() ? registry.erase(e) : std::next(e);
  return state;
}

bool ProcessState::HasExited() {
  if (exited_.load(std::memory_order_acquire)) return true;
  if (child_ || !watch_) return false;  // the reaper tells about children
  bool ended;
  if (watch_->pidfd >= 0) {
    pollfd fd{watch_->pidfd, POLLIN, 0};
    ended = poll(&fd, 1, 0) > 0;
  } else {
    ended = !IsAlive(pid_);
  }
  if (ended) Record(0);
  return ended;
}

bool ProcessState::IsSignaled() {
  if (HasExited()) return true;
  // Someone waits: from now on a watcher wakes the waiters when the process ends.
  if (!child_ && watch_ && !watching_.exchange(true)) StartWatching();
  return false;
}

DWORD ProcessState::ExitCode() {
  return HasExited() ? exitCode_.load(std::memory_order_acquire) : STILL_ACTIVE;
}

bool ProcessState::Terminate(DWORD exitCode) {
  // An ended process (also a child that waits to be reaped) cannot be ended again.
  pollfd ended{watch_ ? watch_->pidfd : -1, POLLIN, 0};
  if (HasExited() || (ended.fd >= 0 && poll(&ended, 1, 0) > 0)) {
    errno = EACCES;
    return false;
  }
  bool first = false;
  if (!terminated_.load()) {
    terminateCode_ = exitCode;
    first = !terminated_.exchange(true);
  }
  int rc;
#ifdef SYS_pidfd_send_signal
  if (watch_ && watch_->pidfd >= 0) rc = static_cast<int>(syscall(SYS_pidfd_send_signal, watch_->pidfd, SIGKILL, nullptr, 0));
  else rc = kill(pid_, SIGKILL);
#else
  rc = kill(pid_, SIGKILL);
#endif
  if (rc != 0) {
    int err = errno == ESRCH ? EACCES : errno;  // it ended on its own just now
    if (first) terminated_ = false;
    errno = err;
    return false;
  }
  return true;
}

void ProcessState::Record(DWORD code) {
  if (terminated_) code = terminateCode_;
  exitCode_.store(code, std::memory_order_release);
  exited_.store(true, std::memory_order_release);
}

void ProcessState::MarkExited(DWORD code) {
  if (!exited_.load(std::memory_order_acquire)) Record(code);
  SignalStateChanged(waiters_);
}

void ProcessState::Reap(std::shared_ptr<ProcessState> state) {
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(state->pid_, &status, 0);
  } while (rc < 0 && errno == EINTR);
  DWORD code = 0;  // reaped elsewhere (SIGCHLD ignored): the status is lost
  if (rc == state->pid_) {
    if (WIFEXITED(status)) code = static_cast<DWORD>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status)) code = 128u + static_cast<DWORD>(WTERMSIG(status));
  }
  state->MarkExited(code);
}

void ProcessState::StartWatching() {
  std::shared_ptr<ProcessWatch> watch = watch_;
  std::weak_ptr<ProcessState> weak = weak_from_this();
  pid_t pid = pid_;
  std::thread([watch, weak, pid] {
    pollfd fds[2] = {{watch->pidfd, POLLIN, 0}, {watch->cancelfd, POLLIN, 0}};
    while (!watch->stop) {
      if (watch->pidfd >= 0) {
        // A pidfd becomes readable when the process ends.
        int n = poll(fds, watch->cancelfd >= 0 ? 2 : 1, 200);
        if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) break;
      } else {
        if (!IsAlive(pid)) break;
        poll(&fds[1], watch->cancelfd >= 0 ? 1 : 0, 5);
      }
    }
    if (watch->stop) return;
    if (std::shared_ptr<ProcessState> state = weak.lock()) state->MarkExited(0);
  }).detach();
}

}  // namespace jf
