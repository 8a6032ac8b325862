// Runs a piece of work on the thread that registered a window's drop target, so that drops
// from another program (read on the X thread) reach the target on its own thread, as the
// window procedures are. One hidden message-only window per such thread carries the calls.
#pragma once
#include <windows.h>

#include <functional>

namespace jf {

class DropRelay {
 public:
  // Called on a thread that registers a target: makes that thread's relay once.
  static void EnsureForThisThread();
  // Runs `work` on the thread of `hwnd` (directly when that is this thread) and waits for
  // it; false when that thread has no relay.
  static bool Run(HWND hwnd, const std::function<void()>& work);
};

}  // namespace jf
