// What the layer knows about one process: whether it has ended and with which code. Our own
// children are reaped by a thread that waits for them; other processes are watched through
// a pidfd (or by polling /proc where the host has none).
#pragma once
#include <sys/types.h>

#include <atomic>
#include <memory>

#include "platform/src/internal/handles.h"
#include <windef.h>

namespace jf {

struct ProcessWatch;

class ProcessState : public std::enable_shared_from_this<ProcessState> {
 public:
  // Registers a child we started and begins reaping it.
  static std::shared_ptr<ProcessState> ForChild(pid_t pid);
  // The state of a running process (the child's own state for our children); null when no
  // process has that id.
  static std::shared_ptr<ProcessState> ForRunning(pid_t pid);

  ProcessState(pid_t pid, bool child);
  ~ProcessState();
  ProcessState(const ProcessState&) = delete;
  ProcessState& operator=(const ProcessState&) = delete;

  pid_t Pid() const { return pid_; }
  bool IsChild() const { return child_; }
  // Whether the process has ended; one that is not our child is checked now (cheap, no thread).
  bool HasExited();
  // For waits (called with the wait lock held): like HasExited, and makes sure that the end
  // of the process will wake the waiters.
  bool IsSignaled();
  // STILL_ACTIVE while running.
  DWORD ExitCode();
  // SIGKILL; the code is what ExitCode reports afterwards. False (errno set) on failure.
  bool Terminate(DWORD exitCode);
  // The waits on any handle of this process (guarded by the wait lock).
  WaitList& Waiters() { return waiters_; }

 private:
  void Record(DWORD code);
  // Records the end (unless known) and wakes the waiters.
  void MarkExited(DWORD code);
  void StartWatching();
  static void Reap(std::shared_ptr<ProcessState> state);

  const pid_t pid_;
  const bool child_;
  std::atomic<bool> exited_{false};
  std::atomic<DWORD> exitCode_{0};
  std::atomic<bool> terminated_{false};
  std::atomic<DWORD> terminateCode_{0};
  std::atomic<bool> watching_{false};
  // The process's pidfd; for a non-child also the watcher's stop signal, given on destruction.
  std::shared_ptr<ProcessWatch> watch_;
  WaitList waiters_;
};

}  // namespace jf
