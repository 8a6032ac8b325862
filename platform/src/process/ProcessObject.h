// The kernel object behind a process handle (or the thread handle of a started program):
// signalled once the process has ended.
#pragma once
#include <memory>

#include "platform/src/process/ProcessState.h"
#include "platform/src/internal/handles.h"

namespace jf {

class ProcessObject : public KernelObject {
 public:
  ProcessObject(std::shared_ptr<ProcessState> state, bool mainThread)
      : state_(std::move(state)), mainThread_(mainThread) {}

  bool IsSignaled() override { return state_->IsSignaled(); }
  WaitList& Waiters() override { return state_ ? state_->Waiters() : KernelObject::Waiters(); }
  const std::shared_ptr<ProcessState>& State() const { return state_; }
  // The handle names the program's main thread rather than the process.
  bool IsMainThread() const { return mainThread_; }

  // The process behind a handle: the calling process for GetCurrentProcess()'s pseudo handle
  // (null state, `self` set), else a process handle's state; false with
  // ERROR_INVALID_HANDLE for anything else.
  // With `result`: the caller's out pointer, which must not be null (ERROR_INVALID_PARAMETER,
  // checked after the handle as Windows does).
  static bool Resolve(HANDLE handle, std::shared_ptr<ProcessState>& state, bool& self,
                      const void* result = &kNoResult);

 private:
  static const int kNoResult;  // stands for "no out pointer to check"
  std::shared_ptr<ProcessState> state_;
  bool mainThread_;
};

}  // namespace jf
