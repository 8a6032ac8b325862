// What a logger puts into each line.
#pragma once

#include <cstdint>

struct LogOptions {
  enum : uint32_t {
    kTime = 2,       // local time and tick count
    kProcessId = 4,  // process id
    kThreadId = 8,   // thread id
  };
  uint32_t flags = 0xFFFFFFFFu;
  unsigned char appendCrLf = 1;  // end every line with CR LF
};
