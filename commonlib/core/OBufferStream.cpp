#include "commonlib/core/OBufferStream.h"

#include <cstring>
#include <new>

namespace {
const uint32_t kInitialCapacity = 65535;
const uint32_t kRestartCapacity = 524288;
const uint32_t kSpare = 10;
}  // namespace

OBufferStream::OBufferStream()
    : m_buffer(new unsigned char[kInitialCapacity]), m_capacity(kInitialCapacity), m_position(0) {}

OBufferStream::~OBufferStream() { delete[] m_buffer; }

void OBufferStream::Grow(uint64_t needed) {
  uint64_t capacity = m_capacity == 0 ? kRestartCapacity : static_cast<uint64_t>(m_capacity) * 2;
  while (capacity < needed) capacity *= 2;
  // Positions and capacities are 32-bit; a buffer beyond that cannot be addressed.
  if (needed > 0xFFFFFFFFull) throw std::bad_alloc();
  if (capacity > 0xFFFFFFFFull) capacity = 0xFFFFFFFFull;
  unsigned char* bigger = new unsigned char[static_cast<size_t>(capacity)];
  if (m_position > 0) std::memcpy(bigger, m_buffer, m_position);
  delete[] m_buffer;
  m_buffer = bigger;
  m_capacity = static_cast<uint32_t>(capacity);
}

void OBufferStream::Reserve(uint32_t count) {
  uint64_t needed = static_cast<uint64_t>(m_position) + count;
  if (needed > m_capacity) Grow(needed);
}

int32_t OBufferStream::Write(const void* buffer, uint32_t count) {
  if (count > 0x7FFFFFFFu) return -1;
  uint64_t needed = static_cast<uint64_t>(m_position) + count + kSpare;
  if (needed > m_capacity) Grow(needed);
  if (count > 0) std::memcpy(m_buffer + m_position, buffer, count);
  m_position += count;
  return static_cast<int32_t>(count);
}

void OBufferStream::Close() {
  delete[] m_buffer;
  m_buffer = nullptr;
  m_capacity = 0;
  m_position = 0;
}

int32_t OBufferStream::WriteVarint(uint64_t v) {
  unsigned char scratch[10];
  bool inPlace = m_buffer != nullptr && m_capacity - m_position >= kSpare;
  unsigned char* out = inPlace ? m_buffer + m_position : scratch;
  int32_t n = 0;
  do {
    unsigned char b = static_cast<unsigned char>(v & 0x7F);
    v >>= 7;
    if (v != 0) b |= 0x80;
    out[n++] = b;
  } while (v != 0);
  if (inPlace) {
    m_position += static_cast<uint32_t>(n);
    return n;
  }
  Reserve(static_cast<uint32_t>(n));
  return Write(scratch, static_cast<uint32_t>(n)) < 0 ? -1 : n;
}
