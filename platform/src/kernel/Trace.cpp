// The layer's trace channels (see platform/src/internal/trace.h).
#include "platform/src/internal/trace.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace jf {

namespace {

const char* const kChannelNames[kTraceChannelCount] = {
    "debug", "kernel", "text", "files", "registry", "shell", "process", "net",
    "resources", "gdi", "gdiplus", "user", "display", "controls", "web"};

// Read once before main() so that TraceOn is a plain load from then on.
unsigned InitialMask() {
  return TraceParse(std::getenv("JF_TRACE"));
}

}  // namespace

std::atomic<unsigned> g_traceMask{InitialMask()};

unsigned TraceParse(const char* setting) {
  if (setting == nullptr || *setting == 0) return 0;
  if (std::strcmp(setting, "1") == 0) return 1u << kTraceDebug;
  unsigned mask = 0;
  std::string all(setting);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(',', start);
    if (end == std::string::npos) end = all.size();
    std::string item = all.substr(start, end - start);
    start = end + 1;
    if (item.empty()) continue;
    bool on = true;
    if (item[0] == '+' || item[0] == '-') {
      on = item[0] == '+';
      item.erase(0, 1);
    }
    unsigned bits = 0;
    if (item == "all") {
      bits = (1u << kTraceChannelCount) - 1;
    } else {
      for (unsigned c = 0; c < kTraceChannelCount; ++c) {
        if (item == kChannelNames[c]) bits = 1u << c;
      }
    }
    mask = on ? (mask | bits) : (mask & ~bits);
  }
  return mask;
}

void TraceReload() {
  g_traceMask.store(TraceParse(std::getenv("JF_TRACE")), std::memory_order_relaxed);
}

void TracePrintf(TraceChannel channel, const char* kind, const char* function, const char* format, ...) {
  char text[1024];
  int head = std::snprintf(text, sizeof text, "%s:%s:%s ", kChannelNames[channel], kind, function);
  if (head < 0) return;
  size_t used = static_cast<size_t>(head) < sizeof text ? static_cast<size_t>(head) : sizeof text - 1;
  va_list args;
  va_start(args, format);
  int body = std::vsnprintf(text + used, sizeof text - used, format, args);
  va_end(args);
  if (body > 0) used += static_cast<size_t>(body) < sizeof text - used ? static_cast<size_t>(body) : sizeof text - used - 1;
  if (used >= sizeof text - 1) used = sizeof text - 2;
  text[used++] = '\n';
  size_t done = 0;
  while (done < used) {
    ssize_t n = write(STDERR_FILENO, text + done, used - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

}  // namespace jf
