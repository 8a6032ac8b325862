// Reads bytes from memory, either borrowed from the caller or copied.
#pragma once

#include "commonlib/core/IBaseStream.h"

class IBufferStream : public IBaseStream {
 public:
  // copy: the stream keeps its own copy; otherwise the caller's bytes must outlive it.
  IBufferStream(const void* data, uint32_t size, bool copy);
  ~IBufferStream() override;
  IBufferStream(const IBufferStream&) = delete;
  IBufferStream& operator=(const IBufferStream&) = delete;

  // 0 at the end of the data; -1 (nothing consumed) when fewer than count bytes are left.
  int32_t Read(void* buffer, uint32_t count) override;
  int64_t GetSize() override { return m_size; }
  void Close() override;

  // Base-128 varint: bytes consumed (1..10), 0 when no byte is left, -1 when the data ends
  // inside it or it runs past 10 bytes (nothing consumed then).
  int32_t ReadVarint(uint64_t& out);

  uint32_t GetPosition() const { return m_position; }
  uint32_t Remaining() const { return m_size - m_position; }

 protected:
  const unsigned char* m_data;
  uint32_t m_size;
  uint32_t m_position;
  bool m_owns;
};
