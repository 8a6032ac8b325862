// The waits between retries and between probes. They all sleep through here, so that a test
// can take them at once and count them instead.
#pragma once

#include <windows.h>

class Pause {
 public:
  typedef void (*SleepFn)(DWORD ms);

  // Sleeps `ms` milliseconds (through the replacement, when one is set).
  static void For(DWORD ms);
  // Replaces the sleep; null restores Sleep.
  static void SetSleep(SleepFn fn);
};
