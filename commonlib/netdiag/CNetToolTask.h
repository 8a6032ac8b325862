// One probe queued on the network-tool thread: a host, a result callback and the caller's
// context, which come back on the main thread with a code and a result text.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "commonlib/http/CDNSThread.h"

typedef DnsResultCallback NetToolCallback;

class CNetToolTask {
 public:
  CNetToolTask(const std::string& host, NetToolCallback callback, void* context);
  virtual ~CNetToolTask();
  CNetToolTask(const CNetToolTask&) = delete;
  CNetToolTask& operator=(const CNetToolTask&) = delete;

  virtual void Run() = 0;

  // A cancelled task stops between servers and reports nothing (name lookups).
  void Cancel() { m_cancel = 1; }
  // The worker's stop request, polled while the probe waits.
  void SetStopCheck(const std::function<bool()>& stop) { m_stopCheck = stop; }

  std::string m_host;
  std::atomic<uint8_t> m_cancel;
  NetToolCallback m_callback;
  void* m_context;

 protected:
  bool Stopped() const { return m_cancel != 0 || (m_stopCheck && m_stopCheck()); }
  void PostResult(int code, const std::string& text) const;

  std::function<bool()> m_stopCheck;
};
