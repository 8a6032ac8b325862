// Wraps one Win32 file handle. Open reports failure through its out-parameter; every other
// operation throws CFileExException (code: the system error, -12 for a short write).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "commonlib/core/CFileExException.h"

class CFileEx {
 public:
  // Open flags: access in the low two bits, sharing in 0x70, then inheritance and creation.
  enum OpenFlags : uint32_t {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeBinary = 0x8000,
  };
  enum SeekOrigin : uint32_t { begin = 0, current = 1, end = 2 };

  CFileEx();
  virtual ~CFileEx();
  CFileEx(const CFileEx&) = delete;
  CFileEx& operator=(const CFileEx&) = delete;

  virtual uint64_t GetPosition();
  // Never throws; on failure error (when given) gets the system error and
  // "INVALID_HANDLE_VALUE".
  virtual bool Open(const wchar_t* path, uint32_t flags, CFileExException* error);
  virtual uint64_t Seek(int64_t offset, uint32_t origin);
  // Cuts or extends the file; the position is left at length.
  virtual void SetLength(uint64_t length);
  virtual uint64_t SeekToEnd();
  // Bytes read: fewer than count near the end, 0 at the end.
  virtual uint32_t Read(void* buffer, uint32_t count);
  virtual void Write(const void* buffer, uint32_t count);
  // Closes without checking and without throwing.
  virtual void Abort();
  virtual void Flush();
  virtual void Close();

  bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
  HANDLE GetHandle() const { return m_file; }
  const std::wstring& GetFileName() const { return m_fileName; }

 private:
  [[noreturn]] static void ThrowFileExException(int code, const std::wstring& message);

  HANDLE m_file;
  BOOL m_closeOnDelete;
  std::wstring m_fileName;
};
