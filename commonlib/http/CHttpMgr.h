// Keeps the requests of one side (commands or download sources), starts at most a fixed
// number at once, routes their transfers' events to them, resumes planned retries and ends
// requests that ran too long. Main thread only.
#pragma once

#include <cstdint>
#include <list>

#include "commonlib/http/CurlListener.h"

class CHttpBase;

class CHttpMgr : public CurlListener {
 public:
  explicit CHttpMgr(uint32_t maxRunning = 10);

  void OnCurlDone(CCurlBase* transfer, int curlCode) override;
  void OnRecvProgress(CCurlBase* transfer, unsigned int bytes) override;
  void OnSendProgress(CCurlBase* transfer, unsigned int bytes) override;
  void OnResponseCode(CCurlBase* transfer, int httpCode, const ProtoValue& headers) override;
  void OnRemoved(CCurlBase* transfer, int value) override;
  void OnAdded(CCurlBase* transfer, int value) override;

  // (serial, add tick) with the serial in the low half.
  virtual uint64_t Add(CHttpBase* request);
  virtual bool Remove(CHttpBase* request);
  virtual ~CHttpMgr();

  void Schedule();
  void ResumeDueRetries();
  void CheckTimeouts();
  CHttpBase* FindRequest(CCurlBase* transfer);
  void Clear();
  bool IsRegistered(const CHttpBase* request) const;

  std::list<CHttpBase*> m_requests;
  uint32_t m_maxRunning;
  uint32_t m_runningCount;

 private:
  // Starts idle requests of one priority; false when the running limit was reached.
  bool ScheduleLevel(int level);
};
