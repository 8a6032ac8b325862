#include "commonlib/logger/FileLogger.h"

#include <windows.h>

#include "commonlib/logger/LogRecordCipher.h"
#include "commonlib/thread/CScopedLock.h"

FileLogger::FileLogger() : m_file(nullptr) { SetOptions(new LogOptions()); }

bool FileLogger::Open(const std::wstring& path) {
  CScopedLock lock(m_lock);
  if (m_file) {
    fflush(m_file);
    fclose(m_file);
    m_file = nullptr;
  }
  m_file = _wfopen(path.c_str(), L"wb");
  return m_file != nullptr;
}

void FileLogger::Close() {
  CScopedLock lock(m_lock);
  if (!m_file) return;
  fflush(m_file);
  fclose(m_file);
  m_file = nullptr;
}

void FileLogger::Write(std::wstring& line) {
  CScopedLock lock(m_lock);
  if (!IsEnabled()) return;
  std::string record = LogRecordCipher::MakeRecord(line);
  fwrite(record.data(), 1, record.size(), m_file);
  fflush(m_file);  // the log survives a crash up to the last whole record
}

bool FileLogger::IsEnabled() { return m_options != nullptr && m_file != nullptr; }
