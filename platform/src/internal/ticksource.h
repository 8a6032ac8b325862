// The one tick source behind GetTickCount/GetTickCount64: the monotonic clock (optionally
// sped up for end-to-end tests by JF_TICK_SCALE), or the manual clock of a test (jf/tick.h).
#pragma once
#include <cstdint>

namespace jf {

// Milliseconds since an arbitrary start; manual while an override is active.
uint64_t TickNow();
bool TickIsManual();
// Wall-clock milliseconds to wait for `ms` of the tick source: fewer when the clock runs
// scaled (JF_TICK_SCALE); as given for the manual clock, whose waits end on advances.
uint64_t TickToWallMs(uint64_t ms);

// Called (on the advancing thread) after every manual advance, so message queues can
// re-evaluate timers that became due. Returns an id for TickRemoveListener.
using TickListener = void (*)(void* ctx);
int TickAddListener(TickListener fn, void* ctx);
void TickRemoveListener(int id);

}  // namespace jf
