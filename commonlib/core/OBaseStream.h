// A sink of bytes. It carries the error pair of its last failure ((0, 0) while none), which
// the HTTP layer reads when a transfer's write fails.
#pragma once

#include <cstdint>

class OBaseStream {
 public:
  OBaseStream() : m_errorCode(0), m_errorType(0) {}
  virtual ~OBaseStream() {}
  // Bytes written, or -1 on failure.
  virtual int32_t Write(const void* buffer, uint32_t count) = 0;
  virtual void Close() = 0;
  virtual void Dispose() = 0;

  int32_t GetErrorCode() const { return m_errorCode; }
  int32_t GetErrorType() const { return m_errorType; }
  // Error pairs are (type, code) throughout the system.
  void SetError(int32_t type, int32_t code) {
    m_errorType = type;
    m_errorCode = code;
  }

 protected:
  int32_t m_errorCode;
  int32_t m_errorType;
};
