// The smoothed speed of one download source: the source adds the bytes that arrive, the
// task samples once a second, and the average covers the last ten samples. Main thread.
#pragma once

#include <cstdint>
#include <cstddef>
#include <deque>

class CPeerSpeedMeter {
 public:
  // The last tick starts at the current tick count.
  CPeerSpeedMeter();

  void AddBytes(uint32_t count) { m_bytes += count; }
  // Takes a sample (bytes since the last one per elapsed second) and returns the new
  // truncated average of the kept samples; 0 without any change while the last tick is 0.
  uint32_t Sample();
  uint32_t GetAverage() const { return m_average; }

  static const size_t kMaxSamples = 10;

  uint32_t m_bytes;
  uint32_t m_lastTick;
  uint32_t m_average;
  std::deque<double> m_samples;
};
