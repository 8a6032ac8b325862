// Takes the pauses of retries and probes at once while it lives, adding up what they asked.
#pragma once

#include <atomic>
#include <cstdint>

#include "commonlib/util/Pause.h"

class InstantPause {
 public:
  InstantPause() {
    Asked() = 0;
    Pause::SetSleep([](DWORD ms) { Asked() += ms; });
  }
  ~InstantPause() { Pause::SetSleep(nullptr); }
  InstantPause(const InstantPause&) = delete;
  InstantPause& operator=(const InstantPause&) = delete;

  // The milliseconds the pauses asked for since this object was made.
  static uint64_t Total() { return Asked(); }

 private:
  static std::atomic<uint64_t>& Asked() {
    static std::atomic<uint64_t> asked{0};
    return asked;
  }
};
