// The one tick source behind GetTickCount/GetTickCount64. Tests switch it to a manual
// clock and advance it, so time-outs of many seconds run without sleeping.
#pragma once
#include <cstdint>

namespace jf {

// Milliseconds since an arbitrary start; manual while an override is active.
uint64_t TickNow();

// Switches to a manual clock that starts at `start` (use a value near 2^32 to test wrap-around).
void TickOverride(uint64_t start);
// Moves the manual clock forward and wakes every waiter registered below.
void TickAdvance(uint64_t ms);
// Back to the real monotonic clock.
void TickRestore();
bool TickIsManual();

// Called (on the advancing thread) after every manual advance, so message queues can
// re-evaluate timers that became due. Returns an id for TickRemoveListener.
using TickListener = void (*)(void* ctx);
int TickAddListener(TickListener fn, void* ctx);
void TickRemoveListener(int id);

}  // namespace jf
