#include "commonlib/util/Pause.h"

#include <atomic>

namespace {
std::atomic<Pause::SleepFn> g_sleep{nullptr};
}  // namespace

void Pause::For(DWORD ms) {
  SleepFn fn = g_sleep.load();
  if (fn) {
    fn(ms);
  } else {
    Sleep(ms);
  }
}

void Pause::SetSleep(SleepFn fn) { g_sleep = fn; }
