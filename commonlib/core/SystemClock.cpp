#include "commonlib/core/SystemClock.h"

#include <mmsystem.h>

#include <cmath>
#include <cstdint>

namespace {

const double kFileTimeTo1970 = 116444736000000000.0;  // 100 ns units from 1601 to 1970
const double kMaxDriftMs = 31.25;
const double kAcceptedBackStepMs = 2000.0;
const int64_t kMaxTickDisagreementMs = 500;

DWORD SystemGetTickCount() { return GetTickCount(); }

const SystemClockSource kSystemSource = {GetSystemTimeAsFileTime, QueryPerformanceCounter,
                                         QueryPerformanceFrequency, SystemGetTickCount};

struct ClockState {
  const SystemClockSource* source = &kSystemSource;
  bool frequencyChecked = false;
  bool counterExists = false;
  int64_t frequency = 0;
  bool haveLastReading = false;
  int64_t lastCounter = 0;
  DWORD lastTick = 0;
  bool synced = false;
  double systemAnchorMs = 0.0;
  double perfAnchorMs = 0.0;
  double lastResultMs = 0.0;
};

ClockState& State() {
  static ClockState state;
  return state;
}

}  // namespace

void SetSystemClockSource(const SystemClockSource* source) {
  State() = ClockState();
  State().source = source ? source : &kSystemSource;
}

double GetSystemTimeMs() {
  FILETIME ft;
  State().source->getSystemTimeAsFileTime(&ft);
  uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (static_cast<double>(t) - kFileTimeTo1970) / 10000.0;
}

double GetPerfCounterMs() {
  ClockState& s = State();
  LARGE_INTEGER counter;
  s.source->queryPerformanceCounter(&counter);
  DWORD tick = s.source->getTickCount();
  if (s.frequency <= 0) {
    LARGE_INTEGER f;
    if (!s.source->queryPerformanceFrequency(&f) || f.QuadPart <= 0) return 0.0;
    s.frequency = f.QuadPart;
  }
  if (s.haveLastReading) {
    int64_t counterMs = (counter.QuadPart - s.lastCounter) * 1000 / s.frequency;
    int64_t tickMs = static_cast<DWORD>(tick - s.lastTick);
    int64_t diff = tickMs - counterMs;
    if (diff > kMaxTickDisagreementMs || diff < -kMaxTickDisagreementMs) s.synced = false;
  } else {
    s.haveLastReading = true;
  }
  s.lastCounter = counter.QuadPart;
  s.lastTick = tick;
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(s.frequency);
}

double GetTimeSeconds() {
  ClockState& s = State();
  double system = GetSystemTimeMs();
  if (!s.frequencyChecked) {
    s.frequencyChecked = true;
    LARGE_INTEGER f;
    s.counterExists = s.source->queryPerformanceFrequency(&f) && f.QuadPart > 0;
    s.frequency = s.counterExists ? f.QuadPart : 0;
  }
  if (!s.counterExists) return system / 1000.0;
  double perf = GetPerfCounterMs();
  if (!s.synced) {
    timeBeginPeriod(1);
    s.systemAnchorMs = GetSystemTimeMs();
    timeEndPeriod(1);
    s.perfAnchorMs = perf;
    s.synced = true;
  }
  double now = s.systemAnchorMs + (perf - s.perfAnchorMs);
  if (std::fabs(now - system) > kMaxDriftMs) s.synced = false;  // re-anchor on the next call
  double answer;
  if (now < s.lastResultMs && s.lastResultMs - now < kAcceptedBackStepMs) {
    answer = s.lastResultMs;  // hold still through a small step back
  } else {
    answer = now;
    s.lastResultMs = now;
  }
  return answer / 1000.0;
}
