// Runs the main-thread task queue from the test's thread, which plays the main thread.
#pragma once

#include <functional>

class MainThreadPump {
 public:
  // Runs queued tasks until `done` holds or `timeoutMs` of real time passed; returns done().
  static bool Until(const std::function<bool()>& done, int timeoutMs = 20000);
  // Runs queued tasks for `ms` of real time.
  static void For(int ms);
  // Runs what is queued now (and what those tasks queue), without waiting.
  static void Drain();
};
