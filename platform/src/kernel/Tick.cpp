#include "platform/testing/hooks/tick.h"

#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <mutex>
#include <vector>
#include "platform/src/internal/ticksource.h"

namespace jf {
namespace {

std::atomic<bool> g_manual{false};
std::atomic<uint64_t> g_manualNow{0};

struct Listener {
  int id;
  TickListener fn;
  void* ctx;
};
std::mutex g_listenersLock;
std::vector<Listener> g_listeners;
int g_nextId = 1;

// JF_TICK_SCALE=n (2 to 1000) runs the program's clock n times faster than the wall clock,
// so that a whole run with time-outs of many seconds ends in a fraction of the time. Only
// end-to-end tests set it; unset (or anything else), the clock is the wall clock.
uint64_t ReadScale() {
  const char* text = getenv("JF_TICK_SCALE");
  if (!text || !*text) return 1;
  char* end = nullptr;
  unsigned long value = strtoul(text, &end, 10);
  if (*end != '\0' || value < 2 || value > 1000) return 1;
  return value;
}

uint64_t Scale() {
  static const uint64_t scale = ReadScale();
  return scale;
}

uint64_t RealNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ns = uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
  if (Scale() != 1) {
    // Counted from the first reading, so the scaled clock starts where the wall clock is; a
    // thread that read the clock just before another set the origin reads the origin.
    static const uint64_t origin = ns;
    ns = ns > origin ? origin + (ns - origin) * Scale() : origin;
  }
  // Start well above zero, like a machine that has been up a while.
  return ns / 1000000u + 3600000u;
}

void Notify() {
  std::vector<Listener> copy;
  {
    std::lock_guard<std::mutex> lock(g_listenersLock);
    copy = g_listeners;
  }
  for (const Listener& l : copy) l.fn(l.ctx);
}

}  // namespace

uint64_t TickNow() { return g_manual.load() ? g_manualNow.load() : RealNow(); }

void TickOverride(uint64_t start) {
  g_manualNow.store(start);
  g_manual.store(true);
  Notify();
}

void TickAdvance(uint64_t ms) {
  g_manualNow.fetch_add(ms);
  Notify();
}

void TickRestore() {
  g_manual.store(false);
  Notify();
}

bool TickIsManual() { return g_manual.load(); }

uint64_t TickToWallMs(uint64_t ms) { return g_manual.load() ? ms : (ms + Scale() - 1) / Scale(); }

int TickAddListener(TickListener fn, void* ctx) {
  std::lock_guard<std::mutex> lock(g_listenersLock);
  int id = g_nextId++;
  g_listeners.push_back({id, fn, ctx});
  return id;
}

void TickRemoveListener(int id) {
  std::lock_guard<std::mutex> lock(g_listenersLock);
  for (auto it = g_listeners.begin(); it != g_listeners.end(); ++it) {
    if (it->id == id) {
      g_listeners.erase(it);
      return;
    }
  }
}

}  // namespace jf
