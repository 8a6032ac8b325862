// One outstanding block of a download: an inclusive byte range and the bytes that have
// arrived for it so far. Created by the task, lent to one source while it runs.
#pragma once

#include <cstdint>

struct BlockRequest {
  int64_t first = 0;
  int64_t last = 0;  // inclusive
  uint32_t received = 0;
  uint32_t reserved = 0;

  int64_t Length() const { return last - first + 1; }
};
