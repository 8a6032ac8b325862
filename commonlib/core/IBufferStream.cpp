#include "commonlib/core/IBufferStream.h"

#include <cstring>

IBufferStream::IBufferStream(const void* data, uint32_t size, bool copy)
    : m_data(static_cast<const unsigned char*>(data)), m_size(data != nullptr ? size : 0), m_position(0),
      m_owns(false) {
  if (copy) {
    size = m_size;
    unsigned char* own = new unsigned char[size > 0 ? size : 1];
    if (size > 0) std::memcpy(own, m_data, size);
    m_data = own;
    m_owns = true;
  }
}

IBufferStream::~IBufferStream() { Close(); }

int32_t IBufferStream::Read(void* buffer, uint32_t count) {
  if (m_position >= m_size) return 0;
  if (count > m_size - m_position || count > 0x7FFFFFFFu) return -1;
  if (count > 0) std::memcpy(buffer, m_data + m_position, count);
  m_position += count;
  return static_cast<int32_t>(count);
}

void IBufferStream::Close() {
  if (m_owns) delete[] m_data;
  m_data = nullptr;
  m_owns = false;
  m_size = 0;
  m_position = 0;
}

int32_t IBufferStream::ReadVarint(uint64_t& out) {
  if (m_position >= m_size) return 0;
  uint64_t value = 0;
  uint32_t at = m_position;
  for (int i = 0; i < 10; ++i) {
    if (at >= m_size) return -1;
    unsigned char b = m_data[at++];
    value |= static_cast<uint64_t>(b & 0x7F) << (7 * i);
    if ((b & 0x80) == 0) {
      out = value;
      m_position = at;
      return i + 1;
    }
  }
  return -1;
}
