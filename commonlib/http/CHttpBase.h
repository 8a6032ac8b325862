// The abstract HTTP request that a request manager schedules: what to ask for, turned into
// libcurl options on a fresh transfer at every start, and the outcome as an error pair.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/http/CCurlBase.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/thread/CRefPtr.h"

class CCurlWorkshop;
class CHttpMgr;

class CHttpBase {
 public:
  CHttpBase(CCurlWorkshop* workshop, CHttpMgr* manager);
  CHttpBase(const CHttpBase&) = delete;
  CHttpBase& operator=(const CHttpBase&) = delete;

  virtual const std::wstring& GetUrl();
  virtual void SetIp(const std::wstring& host, const std::wstring& ip, uint16_t port);
  virtual bool IsRetryDue();
  virtual ~CHttpBase();
  virtual void SetupCurl();
  // Error type in the high half, code in the low half; 0 when started.
  virtual uint64_t Start();
  virtual bool Stop();
  virtual void OnStarted();
  virtual void OnRemoved();
  virtual void Done(int errorType, int errorCode) = 0;
  virtual void OnResponseCode(int httpCode, const ProtoValue& headers);
  virtual void OnIdle();
  virtual void OnProgress(int64_t bytes);

  // The first failure recorded in m_result, as (type << 32 | code).
  uint64_t GetError();
  void ClearHeaders() { m_headerLines.clear(); }
  void AddHeader(const std::string& line) { m_headerLines.push_back(line); }
  void ClearFormFields() { m_formFields.clear(); }
  void AddFormField(const std::string& name, const std::string& value) {
    m_formFields.emplace_back(name, value);
  }
  // Gives the current transfer up (it refuses further data) and drops it.
  void ReleaseTransfer();

  // "ok", "sys", "crt", "user", "http", "curl", "webkit", "dp", "net"; null out of range.
  static const wchar_t* ErrorTypeName(int type);
  static uint64_t MakeError(uint32_t type, uint32_t code) {
    return ErrorPair{static_cast<int>(type), static_cast<int>(code)}.Packed();
  }
  // The range header value for a request of [start, end]; empty when none is wanted.
  static std::string RangeText(uint64_t start, uint64_t end, bool wanted);

  // The manager's record of the request: its serial and add time while registered, and
  // whether it counts as running.
  uint32_t GetSerial() const { return m_serial; }
  uint32_t GetAddTick() const { return m_addTick; }
  bool IsRunning() const { return m_running; }

  CRefPtr<CCurlBase> m_curlHttp;
  CHttpMgr* m_manager;
  CCurlWorkshop* m_workshop;
  std::vector<std::string> m_headerLines;
  std::vector<std::string> m_fixedAddresses;
  std::vector<std::pair<std::string, std::string>> m_formFields;
  bool m_started;
  std::wstring m_url;
  int32_t m_method;  // 1 GET, 2 POST
  uint64_t m_rangeStart;
  uint64_t m_rangeEnd;
  uint64_t m_postSize;
  uint32_t m_attempts;
  ProtoValue m_result;
  int32_t m_retryLimit;
  int32_t m_connectTimeout;
  bool m_retryPending;
  uint32_t m_retryTick;
  int32_t m_priority;
  bool m_verifyHost;
  uint32_t m_startTick;
  uint32_t m_totalTimeout;
  bool m_redirected;

 private:
  // Written by the manager alone.
  friend class CHttpMgr;
  uint32_t m_serial;
  uint32_t m_addTick;
  bool m_running;
};
