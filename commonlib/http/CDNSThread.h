// A worker thread that re-resolves one host for one HTTP command with the own DNS query,
// asking the public resolvers in turn; the answer crosses to the main thread.
#pragma once

#include <string>

#include "thread/CSimpleThread.h"

typedef void (*DnsResultCallback)(int code, void* context, const std::string& host,
                                  const std::string& text);

class CDNSThread : public CSimpleThread {
 public:
  CDNSThread();
  ~CDNSThread() override;

  // False for a null context or a host shorter than 3 characters; otherwise stops a
  // previous run and starts a new one that reports to `callback`.
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
};
