// The collector of error records of failed HTTP requests (class HttpErrorLog). It gathers
// records only while its identity (report address and pending array) is set up; nothing in
// this program sets it, so AddRecord returns at once, and there is no sending path.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>

#include "commonlib/thread/CCriticalLock.h"

// One pending record of a failed request: identity, time, level, source, error pair, text.
typedef Json::Value HttpErrorRecord;

class HttpErrorLog {
 public:
  HttpErrorLog();
  ~HttpErrorLog();
  HttpErrorLog(const HttpErrorLog&) = delete;
  HttpErrorLog& operator=(const HttpErrorLog&) = delete;

  // Formats the message (wide printf rules) and appends a record to the pending array.
  void AddRecord(int level, int source, int errorType, int errorCode, const wchar_t* format, ...);
  // The record for one message, from the identity texts.
  HttpErrorRecord BuildRecord(int level, int source, int errorType, int errorCode,
                          const std::wstring& message) const;
  bool IsCollecting() const { return m_pending != nullptr && !m_reportUrl.empty(); }

 private:
  Json::Value* m_pending;
  std::wstring m_reportUrl;
  std::wstring m_version;
  std::wstring m_productId;
  std::wstring m_system;
  std::wstring m_memory;
  std::wstring m_cpu;
  std::wstring m_mac;
  std::wstring m_userName;
  uint32_t m_userId;
  std::string m_localIp;
  CCriticalLock m_lock;
};

HttpErrorLog& GetHttpErrorLog();
