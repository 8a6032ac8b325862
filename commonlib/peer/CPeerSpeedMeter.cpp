#include "commonlib/peer/CPeerSpeedMeter.h"

#include <windows.h>

CPeerSpeedMeter::CPeerSpeedMeter() : m_bytes(0), m_lastTick(GetTickCount()), m_average(0) {}

uint32_t CPeerSpeedMeter::Sample() {
  if (m_lastTick == 0) return 0;
  uint32_t now = GetTickCount();
  uint32_t elapsed = now - m_lastTick;
  m_lastTick = now;
  double rate = elapsed == 0 ? 0.0 : static_cast<double>(m_bytes) / static_cast<double>(elapsed) * 1000.0;
  m_bytes = 0;
  m_samples.push_back(rate);
  while (m_samples.size() > kMaxSamples) m_samples.pop_front();
  double sum = 0.0;
  for (double s : m_samples) sum += s;
  double mean = sum / static_cast<double>(m_samples.size());
  // Truncated toward zero; the low 32 bits are kept.
  m_average = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(mean)));
  return m_average;
}
