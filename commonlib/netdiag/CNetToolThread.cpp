#include "commonlib/netdiag/CNetToolThread.h"

#include <cstdlib>

#include "commonlib/netdiag/CNSLookUpTask.h"
#include "commonlib/netdiag/CPingTask.h"
#include "commonlib/netdiag/CTraceRootTask.h"
#include "commonlib/netdiag/NetDiagStatsReporter.h"
#include "commonlib/thread/CScopedLock.h"

namespace {
// How long a stop waits for a probe under way before the worker is left to end on its own.
const uint32_t kStopWaitMs = 100;
}  // namespace

CNetToolThread::Shared::~Shared() {
  for (CNetToolTask* task : tasks) delete task;
}

CNetToolThread::CNetToolThread() : m_shared(std::make_shared<Shared>()) {}

CNetToolThread::~CNetToolThread() { Shutdown(); }

void CNetToolThread::Shutdown() {
  DestroyThread(kStopWaitMs);
  std::list<CNetToolTask*> dropped;
  {
    CScopedLock guard(m_shared->lock);
    dropped.swap(m_shared->tasks);
  }
  for (CNetToolTask* task : dropped) delete task;
}

void CNetToolThread::OnStopRequested() { m_shared->stopping = true; }

CNetToolThread& CNetToolThread::GetInstance() {
  static const bool stopAtExit = [] {
    std::atexit([] { Instance().Shutdown(); });
    return true;
  }();
  (void)stopAtExit;
  return Instance();
}

bool CNetToolThread::NSLookUp(const std::string& host, void* context) {
  if (!context || host.size() < 3) return false;
  return Queue(new CNSLookUpTask(host, std::string(), OnNSLookUpResult, context));
}

bool CNetToolThread::NSLookUpWithServer(const std::string& host, const std::string& server,
                                        void* context, NetToolCallback callback) {
  if (!context || host.size() < 3 || !callback) return false;
  return Queue(new CNSLookUpTask(host, server, callback, context));
}

bool CNetToolThread::TraceRoute(const std::string& host, void* context) {
  if (host.size() < 3) return false;
  return Queue(new CTraceRootTask(host, OnTraceRouteResult, context));
}

bool CNetToolThread::Ping(const std::string& host, void* context) {
  if (host.size() < 3) return false;
  return Queue(new CPingTask(host, OnPingResult, context));
}

bool CNetToolThread::Queue(CNetToolTask* task) {
  AddTask(task);
  return Start();
}

void CNetToolThread::AddTask(CNetToolTask* task) {
  CScopedLock guard(m_shared->lock);
  m_shared->tasks.push_back(task);
}

CNetToolTask* CNetToolThread::PopTask() {
  CScopedLock guard(m_shared->lock);
  if (m_shared->tasks.empty()) return nullptr;
  CNetToolTask* task = m_shared->tasks.front();
  m_shared->tasks.pop_front();
  return task;
}

CNetToolTask* CNetToolThread::NextOrEnd(Shared& shared) {
  CScopedLock guard(shared.lock);
  if (shared.tasks.empty()) {
    shared.active = false;
    return nullptr;
  }
  CNetToolTask* task = shared.tasks.front();
  shared.tasks.pop_front();
  return task;
}

bool CNetToolThread::Start() {
  {
    CScopedLock guard(m_shared->lock);
    if (m_shared->active) return true;
    m_shared->active = true;
  }
  // A worker that found the queue empty touches nothing more: wait until it has ended, so
  // that the start below is not mistaken for a thread still alive.
  DestroyThread(INFINITE);
  m_shared->stopping = false;
  if (CSimpleThread::Start()) return true;
  CScopedLock guard(m_shared->lock);
  m_shared->active = false;
  return false;
}

void CNetToolThread::Run() {
  std::shared_ptr<Shared> shared = m_shared;  // from here on the worker touches only this
  while (CNetToolTask* task = NextOrEnd(*shared)) {
    if (shared->stopping) {
      // Shutting down: what is still queued stays for a later worker or the owner.
      CScopedLock guard(shared->lock);
      shared->tasks.push_front(task);
      shared->active = false;
      return;
    }
    task->SetStopCheck([shared] { return shared->stopping.load(); });
    task->Run();
    delete task;
  }
}

void PostNetToolResult(NetToolCallback callback, int code, void* context,
                       const std::string& host, const std::string& text) {
  CDNSThread::PostResult(callback, code, context, host, text);
}
