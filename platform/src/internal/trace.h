// Trace channels of the layer, one per area, chosen at run time with JF_TRACE:
// "JF_TRACE=+user,+gdi" turns on those areas, "+all" every area, "-gdi" turns one off again;
// "JF_TRACE=1" (or "+debug") only echoes OutputDebugString to standard error, as before.
// The macros take the area capitalised (User, Gdi, Controls). A channel that is off costs
// one relaxed atomic load; the arguments are not evaluated.
#pragma once

#include <atomic>

namespace jf {

enum TraceChannel : unsigned {
  kTraceDebug = 0,
  kTraceKernel,
  kTraceText,
  kTraceFiles,
  kTraceRegistry,
  kTraceShell,
  kTraceProcess,
  kTraceNet,
  kTraceResources,
  kTraceGdi,
  kTraceGdiplus,
  kTraceUser,
  kTraceDisplay,
  kTraceControls,
  kTraceWeb,
  kTraceChannelCount
};

// Bit n is channel n. Read from JF_TRACE when first asked; TraceReload reads it again.
extern std::atomic<unsigned> g_traceMask;
void TraceReload();
unsigned TraceParse(const char* setting);

inline bool TraceOn(TraceChannel channel) {
  return (g_traceMask.load(std::memory_order_relaxed) >> channel) & 1u;
}

// One line on standard error: "<channel>:<kind>:<function> <text>\n". `kind` is "entry",
// "fail" or "fixme" (a message or flag the layer does not handle).
void TracePrintf(TraceChannel channel, const char* kind, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace jf

// JF_TRACE_ENTRY(User, "hwnd %p msg 0x%x", hwnd, msg): the entry of a window procedure or call.
#define JF_TRACE_ENTRY(area, ...)                                                        \
  do {                                                                                   \
    if (::jf::TraceOn(::jf::kTrace##area)) ::jf::TracePrintf(::jf::kTrace##area, "entry", __func__, __VA_ARGS__); \
  } while (0)
// JF_TRACE_FAIL(Files, "error %lu", err): a call that fails.
#define JF_TRACE_FAIL(area, ...)                                                         \
  do {                                                                                   \
    if (::jf::TraceOn(::jf::kTrace##area)) ::jf::TracePrintf(::jf::kTrace##area, "fail", __func__, __VA_ARGS__); \
  } while (0)
// JF_FIXME(Controls, "message 0x%x", msg): something the layer does not implement.
#define JF_FIXME(area, ...)                                                              \
  do {                                                                                   \
    if (::jf::TraceOn(::jf::kTrace##area)) ::jf::TracePrintf(::jf::kTrace##area, "fixme", __func__, __VA_ARGS__); \
  } while (0)
