#include "http/CDNSThread.h"

#include "core/DeploymentProfile.h"
#include "http/CDnsResolver.h"
#include "thread/MainThreadQueue.h"
#include "thread/MainThreadTask4.h"

CDNSThread::CDNSThread() : m_callback(nullptr), m_context(nullptr) {}

// Run reads this object's fields when it begins, and a thread that was slow to begin may do
// so late: the waits below are unbounded. Run sees a stop within one 20 ms poll.
CDNSThread::~CDNSThread() {
  DestroyThread(INFINITE);
  m_host.clear();
  m_server.clear();
}

bool CDNSThread::Resolve(void* context, const std::string& host, DnsResultCallback callback) {
  if (!context || host.size() < 3) return false;
  DestroyThread(INFINITE);
  m_context = context;
  m_callback = callback;
  m_host = host;
  return Start();
}

void CDNSThread::PostResult(DnsResultCallback callback, int code, void* context,
                            const std::string& host, const std::string& text) {
  if (!callback) return;
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask4<int, int, void*, void*, std::string, const std::string&, std::string,
                          const std::string&>(callback, code, context, host, text);
  PostToMainThread(InvokeMainThreadTask, task);
}

void CDNSThread::Run() {
  // Copies: the owner may reuse its fields for a later run.
  const std::string host = m_host;
  const std::string server = m_server;
  void* const context = m_context;
  const DnsResultCallback callback = m_callback;
  auto stopped = [this] { return IsStopRequested(); };

  CDnsResolver resolver;
  resolver.Init();  // a failed set-up only makes every query below fail
  std::vector<std::string> texts;
  bool ok = false;
  if (server.empty()) {
    for (const std::string& entry : DeploymentProfile::PublicResolvers()) {
      if (IsStopRequested()) break;
      ok = resolver.Resolve(host.c_str(), inet_addr(entry.c_str()), texts, stopped);
      if (ok) break;
    }
  } else {
    ok = resolver.Resolve(host.c_str(), inet_addr(server.c_str()), texts, stopped);
  }
  if (!IsStopRequested()) {
    std::string joined;
    for (const auto& t : texts) joined += (joined.empty() ? "" : ";") + t;
    PostResult(callback, ok ? 0 : -1, context, host, ok ? joined : std::string());
  }
  resolver.Release();
}
