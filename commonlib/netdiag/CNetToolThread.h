// The network-tool worker: runs queued probes (name lookups, pings, route traces) one after
// another; each result reaches the main thread as a call of the task's callback. The thread
// ends when it finds the queue empty and starts again with the next task. The process's
// instance stops its worker when the process exits.
#pragma once

#include <atomic>
#include <list>
#include <memory>
#include <string>

#include "commonlib/netdiag/CNetToolTask.h"
#include "commonlib/logger/CSingleton.h"
#include "commonlib/thread/CCriticalLock.h"
#include "commonlib/thread/CSimpleThread.h"

class CNetToolThread : public CSimpleThread, public CSingleton<CNetToolThread> {
 public:
  CNetToolThread();
  ~CNetToolThread() override;

  static CNetToolThread& GetInstance();

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
  // Asks the worker to stop, waits for it a short while and drops what is still queued.
  void Shutdown();

 protected:
  void OnStopRequested() override;

 private:
  // What the worker touches. It keeps its own reference, so a worker that outlives a
  // timed-out stop never touches a freed object.
  struct Shared {
    CCriticalLock lock;
    std::list<CNetToolTask*> tasks;
    bool active = false;
    std::atomic<bool> stopping{false};
    ~Shared();
  };

  bool Queue(CNetToolTask* task);
  // The next task, or null after marking the worker as ending (under the lock, so a task
  // queued afterwards starts a new worker).
  static CNetToolTask* NextOrEnd(Shared& shared);

  std::shared_ptr<Shared> m_shared;
};

// Hands a result to the main thread, where `callback` runs with the other arguments.
void PostNetToolResult(NetToolCallback callback, int code, void* context,
                       const std::string& host, const std::string& text);
