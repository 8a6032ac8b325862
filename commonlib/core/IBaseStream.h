// A source of bytes.
#pragma once

#include <cstdint>

class IBaseStream {
 public:
  virtual ~IBaseStream() {}
  // Bytes read, 0 at the end of the data, -1 on failure.
  virtual int32_t Read(void* buffer, uint32_t count) = 0;
  virtual int64_t GetSize() = 0;
  virtual void Close() = 0;
};
