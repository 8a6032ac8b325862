// A timer of a window or of a thread, kept by the queue of the thread it ticks on.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include "platform/src/internal/ticksource.h"

namespace jf {

struct WindowRecord;

struct MsgTimer {
  HWND hwnd = nullptr;
  std::weak_ptr<WindowRecord> window;  // expired or dead: the timer is dropped
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  uint64_t due = 0;  // jf::TickNow() value of the next tick
};

}  // namespace jf
