// Collects written bytes in a growing memory buffer that always keeps 10 spare bytes behind
// the data, so a varint can be encoded in place.
#pragma once

#include <string>

#include "commonlib/core/OBaseStream.h"

class OBufferStream : public OBaseStream {
 public:
  OBufferStream();
  ~OBufferStream() override;
  OBufferStream(const OBufferStream&) = delete;
  OBufferStream& operator=(const OBufferStream&) = delete;

  int32_t Write(const void* buffer, uint32_t count) override;
  // Frees the buffer; a later write starts a fresh one.
  void Close() override;
  void Dispose() override { Close(); }

  // Makes room for count more bytes.
  void Reserve(uint32_t count);
  // Base-128 varint of v; returns its length (1..10).
  int32_t WriteVarint(uint64_t v);

  const char* GetData() const { return reinterpret_cast<const char*>(m_buffer); }
  uint32_t GetLength() const { return m_position; }
  uint32_t GetCapacity() const { return m_capacity; }
  std::string ToString() const { return std::string(GetData(), m_position); }

 private:
  void Grow(uint64_t needed);

  unsigned char* m_buffer;
  uint32_t m_capacity;
  uint32_t m_position;
};
