// Polling for a condition that another thread or process makes true.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Polls for up to ten seconds: on a loaded machine threads and processes start late.
inline bool WaitUntil(const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}
