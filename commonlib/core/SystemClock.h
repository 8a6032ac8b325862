// Wall clock for the main-thread queue: precise as the performance counter, following the
// system time, never stepping back by small amounts.
#pragma once

#include <windows.h>

// Milliseconds since 1970-01-01 00:00 UTC, from the system time.
double GetSystemTimeMs();
// Milliseconds of the performance counter.
double GetPerfCounterMs();
// Seconds since 1970-01-01 00:00 UTC, precise and smoothed. Main thread only.
double GetTimeSeconds();

// The system facilities behind the clock. Tests replace them to drive the clock.
struct SystemClockSource {
  void (*getSystemTimeAsFileTime)(FILETIME* ft);
  BOOL (*queryPerformanceCounter)(LARGE_INTEGER* count);
  BOOL (*queryPerformanceFrequency)(LARGE_INTEGER* frequency);
  DWORD (*getTickCount)();
};

// Replaces the source (null restores the system one) and forgets all clock state.
void SetSystemClockSource(const SystemClockSource* source);
