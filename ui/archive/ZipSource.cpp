#include "ui/archive/ZipSource.h"

#include <cstring>

namespace SkinUI {

namespace {
bool FilePos(HANDLE file, LONGLONG offset, DWORD method, uint64_t* result) {
  LONG high = static_cast<LONG>(offset >> 32);
  DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  if (result) *result = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
  return true;
}
}  // namespace

CZipSource* CZipSource::OpenFile(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  CZipSource* source = new CZipSource();
  source->m_file = file;
  // A disk file can tell its position; its start is where the handle stands now.
  SetLastError(NO_ERROR);
  source->m_seekable = FilePos(file, 0, FILE_CURRENT, &source->m_start);
  if (!source->m_seekable) source->m_start = 0;
  return source;
}

CZipSource* CZipSource::OpenMemory(const void* data, size_t length) {
  CZipSource* source = new CZipSource();
  source->m_data = static_cast<const unsigned char*>(data);
  source->m_length = data ? length : 0;
  return source;
}

CZipSource::~CZipSource() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

unsigned long CZipSource::Read(void* buffer, unsigned long size) {
  if (m_file != INVALID_HANDLE_VALUE) {
    unsigned long total = 0;
    while (total < size) {
      DWORD chunk = size - total > 0x40000000ul ? 0x40000000u : static_cast<DWORD>(size - total);
      DWORD got = 0;
      if (!ReadFile(m_file, static_cast<unsigned char*>(buffer) + total, chunk, &got, nullptr)) {
        m_error = true;
        break;
      }
      if (got == 0) break;
      total += got;
    }
    return total;
  }
  size_t left = m_pos < m_length ? m_length - m_pos : 0;
  size_t n = size < left ? size : left;
  if (n) memcpy(buffer, m_data + m_pos, n);
  m_pos += n;
  return static_cast<unsigned long>(n);
}

uint64_t CZipSource::Tell() {
  if (m_file != INVALID_HANDLE_VALUE) {
    uint64_t pos = 0;
    if (!m_seekable) return 0;
    SetLastError(NO_ERROR);
    if (!FilePos(m_file, 0, FILE_CURRENT, &pos)) return 0;
    return pos - m_start;
  }
  return m_pos;
}

long CZipSource::Seek(uint64_t offset, int origin) {
  if (m_file != INVALID_HANDLE_VALUE) {
    if (!m_seekable) return kNotSeekable;
    DWORD method;
    LONGLONG to = static_cast<LONGLONG>(offset);
    switch (origin) {
      case 0:
        method = FILE_BEGIN;
        to += static_cast<LONGLONG>(m_start);
        break;
      case 1:
        method = FILE_CURRENT;
        break;
      case 2:
        method = FILE_END;
        break;
      default:
        return kBadOrigin;
    }
    SetLastError(NO_ERROR);
    return FilePos(m_file, to, method, nullptr) ? 0 : -1;
  }
  // Memory positions are clamped to the block; an offset may be a wrapped negative.
  int64_t base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = static_cast<int64_t>(m_pos);
      break;
    case 2:
      base = static_cast<int64_t>(m_length);
      break;
    default:
      return kBadOrigin;
  }
  int64_t delta = static_cast<int64_t>(offset);
  int64_t to = delta > static_cast<int64_t>(m_length) ? static_cast<int64_t>(m_length) : base + delta;
  if (to < 0) to = 0;
  if (to > static_cast<int64_t>(m_length)) to = static_cast<int64_t>(m_length);
  m_pos = static_cast<size_t>(to);
  return 0;
}

}  // namespace SkinUI
