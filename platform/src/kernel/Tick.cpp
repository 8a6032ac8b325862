#include "platform/testing/hooks/tick.h"

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

uint64_t RealNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  // Start well above zero, like a machine that has been up a while.
  return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u + 3600000u;
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
