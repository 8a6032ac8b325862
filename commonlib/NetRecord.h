// One network-analysis record of a task log: the probed host, the texts of its three
// probes and when they ran.
#pragma once

#include <cstdint>
#include <string>

struct NetRecord {
  std::wstring domain;
  std::wstring ping;
  std::wstring traceroot;
  std::wstring nslookup;
  uint32_t time = 0;  // seconds since 1970
};
