// Tests switch the tick source behind GetTickCount/GetTickCount64 to a manual clock and
// advance it, so time-outs of many seconds run without sleeping.
#pragma once
#include <cstdint>

namespace jf {

// Switches to a manual clock that starts at `start` (use a value near 2^32 to test wrap-around).
void TickOverride(uint64_t start);
// Moves the manual clock forward and wakes every waiter on the tick source.
void TickAdvance(uint64_t ms);
// Back to the real monotonic clock.
void TickRestore();

}  // namespace jf
