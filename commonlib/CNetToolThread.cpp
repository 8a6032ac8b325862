#include "CNetToolThread.h"

#include <cstdlib>
#include <mutex>

#include "CNSLookUpTask.h"
#include "CPingTask.h"
#include "CTraceRootTask.h"
#include "NetDiagStatsReporter.h"
#include "thread/CScopedLock.h"

CNetToolThread::CNetToolThread() : m_active(false) {}

CNetToolThread::~CNetToolThread() {
  DestroyThread(100);
  CScopedLock guard(m_lock);
  for (CNetToolTask* task : m_tasks) delete task;
  m_tasks.clear();
}

CNetToolThread& CNetToolThread::GetInstance() {
  // The instance lives on for a worker that outlasts the wait, but its worker is stopped
  // when the process exits, as the end of the instance would stop it.
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(&CNetToolThread::StopAtExit); });
  return Instance();
}

void CNetToolThread::StopAtExit() { Instance().DestroyThread(100); }

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
  CScopedLock guard(m_lock);
  m_tasks.push_back(task);
}

CNetToolTask* CNetToolThread::PopTask() {
  CScopedLock guard(m_lock);
  if (m_tasks.empty()) return nullptr;
  CNetToolTask* task = m_tasks.front();
  m_tasks.pop_front();
  return task;
}

CNetToolTask* CNetToolThread::NextOrEnd() {
  CScopedLock guard(m_lock);
  CNetToolTask* task = PopTask();
  if (!task) m_active = false;
  return task;
}

bool CNetToolThread::Start() {
  {
    CScopedLock guard(m_lock);
    if (m_active) return true;
    m_active = true;
  }
  // A worker that found the queue empty touches nothing more: wait until it has ended, so
  // that the start below is not mistaken for a thread still alive.
  DestroyThread(INFINITE);
  if (CSimpleThread::Start()) return true;
  CScopedLock guard(m_lock);
  m_active = false;
  return false;
}

void CNetToolThread::Run() {
  while (CNetToolTask* task = NextOrEnd()) {
    if (IsStopRequested()) {
      // Shutting down: what is still queued stays for a later worker or the destructor.
      CScopedLock guard(m_lock);
      m_tasks.push_front(task);
      m_active = false;
      return;
    }
    task->SetStopCheck([this] { return IsStopRequested(); });
    task->Run();
    delete task;
  }
}

void PostNetToolResult(NetToolCallback callback, int code, void* context,
                       const std::string& host, const std::string& text) {
  CDNSThread::PostResult(callback, code, context, host, text);
}
