// The network-tool worker: runs queued probes (name lookups, pings, route traces) one after
// another; each result reaches the main thread as a call of the task's callback. The thread
// ends when it finds the queue empty and starts again with the next task.
#pragma once

#include <list>
#include <string>

#include "CNetToolTask.h"
#include "logger/CSingleton.h"
#include "thread/CCriticalLock.h"
#include "thread/CSimpleThread.h"

class CNetToolThread : public CSimpleThread, public CSingleton<CNetToolThread> {
 public:
  CNetToolThread();
  ~CNetToolThread() override;

  static CNetToolThread& GetInstance();
  // Asks the worker to stop and waits up to 100 ms; runs at process exit.
  static void StopAtExit();

  // Every maker: false (nothing queued) when a condition fails, else the result of Start.
  // Needs a context and a host of at least 3 characters; the diagnosis report's callback.
  bool NSLookUp(const std::string& host, void* context);
  // Same conditions; `server` is dotted addresses joined by ";". The result goes to
  // `callback` (the application's spare-DNS handler), which must not be null.
  bool NSLookUpWithServer(const std::string& host, const std::string& server, void* context,
                          NetToolCallback callback);
  // A host of at least 3 characters (the context is not checked).
  bool TraceRoute(const std::string& host, void* context);
  bool Ping(const std::string& host, void* context);

  // Takes ownership.
  void AddTask(CNetToolTask* task);
  CNetToolTask* PopTask();
  // Starts the worker unless it is running; a worker on its way out is waited for first.
  bool Start() override;
  void Run() override;

 private:
  bool Queue(CNetToolTask* task);
  // The next task, or null after marking the worker as ending (under the lock, so a task
  // queued afterwards starts a new worker).
  CNetToolTask* NextOrEnd();

  std::list<CNetToolTask*> m_tasks;
  CCriticalLock m_lock;
  bool m_active;
};

// Hands a result to the main thread, where `callback` runs with the other arguments.
void PostNetToolResult(NetToolCallback callback, int code, void* context,
                       const std::string& host, const std::string& text);
