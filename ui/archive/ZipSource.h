// The byte source under the skin archive reader: a file opened for shared reading, or a
// memory block that the caller keeps alive (no copy is made).
#pragma once

#include <windows.h>

#include <cstdint>

namespace SkinUI {

class CZipSource {
 public:
  // Result of a seek that cannot be done.
  enum { kNotSeekable = 29, kBadOrigin = 19 };

  static CZipSource* OpenFile(const wchar_t* path);  // null when the file cannot be opened
  static CZipSource* OpenMemory(const void* data, size_t length);
  ~CZipSource();
  CZipSource(const CZipSource&) = delete;
  CZipSource& operator=(const CZipSource&) = delete;

  unsigned long Read(void* buffer, unsigned long size);
  uint64_t Tell();
  // origin: 0 from the start, 1 from the current position, 2 from the end.
  long Seek(uint64_t offset, int origin);
  bool HasError() const { return m_error; }

 private:
  CZipSource() = default;

  HANDLE m_file = INVALID_HANDLE_VALUE;
  bool m_seekable = false;
  uint64_t m_start = 0;
  const unsigned char* m_data = nullptr;
  size_t m_length = 0;
  size_t m_pos = 0;
  bool m_error = false;
};

}  // namespace SkinUI
