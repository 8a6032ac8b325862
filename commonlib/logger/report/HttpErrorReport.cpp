#include "commonlib/logger/report/HttpErrorReport.h"

#include <windows.h>

#include <cstdarg>

#include "commonlib/thread/CScopedLock.h"
#include "commonlib/util/StringUtils.h"

HttpErrorLog::HttpErrorLog() : m_pending(nullptr), m_userId(0) {}

HttpErrorLog::~HttpErrorLog() { delete m_pending; }

HttpErrorLog& GetHttpErrorLog() {
  static HttpErrorLog log;
  return log;
}

void HttpErrorLog::AddRecord(int level, int source, int errorType, int errorCode,
                             const wchar_t* format, ...) {
  if (!IsCollecting() || !format) return;
  va_list args;
  va_start(args, format);
  std::wstring message = StringUtils::FormatV(format, args);
  va_end(args);
  CScopedLock guard(m_lock);
  m_pending->append(BuildRecord(level, source, errorType, errorCode, message));
}

HttpErrorRecord HttpErrorLog::BuildRecord(int level, int source, int errorType, int errorCode,
                                      const std::wstring& message) const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  HttpErrorRecord r(Json::objectValue);
  r["upload_platform"] = "PC";
  r["v_version"] = StringUtils::WideToUtf8(m_version);
  r["uid"] = StringUtils::UIntToStringA(m_userId);
  r["uname"] = StringUtils::WideToUtf8(m_userName);
  r["upload_system"] = StringUtils::WideToUtf8(m_system);
  r["upload_memory"] = StringUtils::WideToUtf8(m_memory);
  r["upload_cpu"] = StringUtils::WideToUtf8(m_cpu);
  r["upload_mac"] = StringUtils::WideToUtf8(m_mac);
  r["upload_ip"] = m_localIp;
  r["v_upload_time"] = StringUtils::FormatA("%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth,
                                            now.wDay, now.wHour, now.wMinute, now.wSecond);
  r["product_id"] = StringUtils::WideToUtf8(m_productId);
  r["error_level"] = StringUtils::FormatA("%d", level);
  r["error_src"] = StringUtils::FormatA("%d", source);
  r["error_type"] = StringUtils::FormatA("%d", errorType);
  r["error_code"] = StringUtils::FormatA("%d", errorCode);
  r["error_content"] = StringUtils::WideToUtf8(message);
  return r;
}
