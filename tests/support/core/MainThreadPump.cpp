#include "tests/support/core/MainThreadPump.h"

#include <chrono>
#include <thread>

#include "commonlib/thread/MainThreadQueue.h"

bool MainThreadPump::Until(const std::function<bool()>& done, int timeoutMs) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    PumpMainThreadTasks();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    if (GetMainThreadQueueSize() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void MainThreadPump::For(int ms) {
  Until([] { return false; }, ms);
}

void MainThreadPump::Drain() {
  for (int i = 0; i < 1000 && GetMainThreadQueueSize() > 0; ++i) PumpMainThreadTasks();
}
