// A manual clock for the smoothed system clock: a system time and a 1 MHz performance
// counter that tests move by hand, installed for the lifetime of the object.
#pragma once

#include <windows.h>

#include "commonlib/core/SystemClock.h"

class FakeClock {
 public:
  explicit FakeClock(double systemMs, int64_t perfUs = 10000000, bool hasCounter = true) {
    s_systemMs = systemMs;
    s_perfUs = perfUs;
    s_hasCounter = hasCounter;
    static const SystemClockSource source = {SystemTime, Counter, Frequency, Tick};
    SetSystemClockSource(&source);
  }
  ~FakeClock() { SetSystemClockSource(nullptr); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  // Both clocks move together.
  static void Advance(double ms) {
    s_systemMs += ms;
    s_perfUs += static_cast<int64_t>(ms * 1000);
  }
  // Only the system time moves (set forward or back by the user).
  static void StepSystemTime(double ms) { s_systemMs += ms; }
  static void StepCounter(int64_t us) { s_perfUs += us; }

 private:
  static void SystemTime(FILETIME* ft) {
    uint64_t t = static_cast<uint64_t>(s_systemMs * 10000.0) + 116444736000000000ull;
    ft->dwLowDateTime = static_cast<DWORD>(t);
    ft->dwHighDateTime = static_cast<DWORD>(t >> 32);
  }
  static BOOL Counter(LARGE_INTEGER* c) {
    c->QuadPart = s_perfUs;
    return s_hasCounter;
  }
  static BOOL Frequency(LARGE_INTEGER* f) {
    f->QuadPart = s_hasCounter ? 1000000 : 0;
    return s_hasCounter;
  }
  static DWORD Tick() { return static_cast<DWORD>(s_perfUs / 1000); }

  static inline double s_systemMs = 0;
  static inline int64_t s_perfUs = 0;
  static inline bool s_hasCounter = true;
};
