#include "commonlib/http/CDNSThread.h"

#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CDnsResolver.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask4.h"

CDNSThread::CDNSThread() : m_callback(nullptr), m_context(nullptr), m_running(false) {}

CDNSThread::~CDNSThread() {
  // A run still going holds its own reference, so this is the last run's end or no run.
  DestroyThread(100);
  m_host.clear();
  m_server.clear();
}

bool CDNSThread::Resolve(void* context, const std::string& host, DnsResultCallback callback) {
  if (!context || host.size() < 3) return false;
  DestroyThread(500);
  std::lock_guard<std::mutex> guard(m_lock);
  // A run that outlasted its stop may still read the fields: they stay as they are.
  if (m_running) return false;
  m_context = context;
  m_callback = callback;
  m_host = host;
  m_keepAlive = weak_from_this().lock();
  m_running = true;
  if (Start()) return true;
  m_running = false;
  m_keepAlive.reset();
  return false;
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
  std::string host, server;
  void* context = nullptr;
  DnsResultCallback callback = nullptr;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    host = m_host;
    server = m_server;
    context = m_context;
    callback = m_callback;
  }
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
  // The last thing this run does: it may let the object go, which no later step touches.
  std::shared_ptr<CDNSThread> keep;
  std::lock_guard<std::mutex> guard(m_lock);
  m_running = false;
  keep.swap(m_keepAlive);
}
