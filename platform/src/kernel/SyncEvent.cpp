// Event objects: manual-reset events stay set until ResetEvent; auto-reset events wake one
// waiter and reset themselves.
#include <errhandlingapi.h>
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

class SyncEvent : public KernelObject {
 public:
  SyncEvent(bool manualReset, bool signaled) : manualReset_(manualReset), signaled_(signaled) {}
  bool IsSignaled() override { return signaled_; }
  void OnWaitSatisfied() override {
    if (!manualReset_) signaled_ = false;
  }
  void Set(bool signaled) { signaled_ = signaled; }

 private:
  const bool manualReset_;
  bool signaled_;
};

BOOL ChangeEvent(HANDLE handle, bool signaled) {
  auto event = LookupHandleAs<SyncEvent>(handle);
  if (!event) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ChangeState(*event, [&] { event->Set(signaled); });
  return TRUE;
}

}  // namespace
}  // namespace jf

// Names are not shared for events: nothing in the program opens an event by name.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR) {
  HANDLE handle = jf::RegisterHandle(std::make_shared<jf::SyncEvent>(manualReset != FALSE, initialState != FALSE));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL SetEvent(HANDLE event) { return jf::ChangeEvent(event, true); }

BOOL ResetEvent(HANDLE event) { return jf::ChangeEvent(event, false); }
