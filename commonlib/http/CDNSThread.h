// A worker thread that re-resolves one host for one HTTP command with the own DNS query,
// asking the public resolvers in turn; the answer crosses to the main thread. Its stops wait
// 100 ms (500 ms before a new run); an object held by a shared_ptr is kept alive by a run
// that outlasts such a wait until that run has ended.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "commonlib/thread/CSimpleThread.h"

typedef void (*DnsResultCallback)(int code, void* context, const std::string& host,
                                  const std::string& text);

class CDNSThread : public CSimpleThread, public std::enable_shared_from_this<CDNSThread> {
 public:
  CDNSThread();
  ~CDNSThread() override;

  // False for a null context or a host shorter than 3 characters, and when a previous run
  // does not end within 500 ms of being stopped; otherwise starts a new run that reports
  // to `callback`.
  bool Resolve(void* context, const std::string& host, DnsResultCallback callback);
  // One server (dotted IPv4) to ask instead of the public resolvers; empty for the list.
  void SetServer(const std::string& server) { m_server = server; }
  void Run() override;

  // Posts a result to the main thread (code 0 with the ";"-joined list, or -1 and "").
  static void PostResult(DnsResultCallback callback, int code, void* context,
                         const std::string& host, const std::string& text);

 private:
  DnsResultCallback m_callback;
  std::string m_host;
  std::string m_server;
  void* m_context;
  // Guards the fields below and the run's copies of the fields above.
  std::mutex m_lock;
  bool m_running;
  std::shared_ptr<CDNSThread> m_keepAlive;
};
