// The one tick source behind GetTickCount/GetTickCount64: the monotonic clock, or the
// manual clock of a test (jf/tick.h).
#pragma once
#include <cstdint>

namespace jf {

// Milliseconds since an arbitrary start; manual while an override is active.
uint64_t TickNow();
bool TickIsManual();

// Called (on the advancing thread) after every manual advance, so message queues can
// re-evaluate timers that became due. Returns an id for TickRemoveListener.
using TickListener = void (*)(void* ctx);
int TickAddListener(TickListener fn, void* ctx);
void TickRemoveListener(int id);

}  // namespace jf
