// The engine's single owner of download tasks: creates, lists, ticks and removes them,
// keeps each task's log alive until it has been sent, and routes source events to the task
// that owns the source. Main thread only.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "commonlib/CTaskLog.h"
#include "commonlib/peer/DAEventListener.h"
#include "commonlib/DownloadTaskRequest.h"
#include "commonlib/logger/CSingleton.h"
#include "commonlib/thread/CRefPtr.h"

class CDownloadTask;

class CDownloadTaskQueue : public CSingleton<CDownloadTaskQueue>, public DAEventListener {
 public:
  static CDownloadTaskQueue& GetInstance() { return Instance(); }

  // Creates the task from the request, keeps its log, lists and starts it; false when a task
  // of the same full path is listed already (the new one is dropped) or the start fails.
  bool AddTask(const DownloadTaskRequest& request, uintptr_t progressContext = 0, uintptr_t completionContext = 0);
  // The same, from the request's fields one by one.
  bool AddTask(const std::wstring& url, const std::wstring& spareAddresses, const std::wstring& cdnHost,
               int64_t cdnMinSpeed, const std::wstring& fullPath, const std::wstring& md5, int64_t size,
               const std::string& options, uintptr_t userData, DownloadProgressCallback progress,
               uintptr_t progressContext, DownloadCompletionCallback completion, uintptr_t completionContext);
  bool AddTaskToList(CDownloadTask* task);
  void RemoveTask(const std::wstring& fullPath);
  // Unlists a task that ends by itself (the task destroys itself afterwards).
  void RemoveTaskFromList(CDownloadTask* task);
  CDownloadTask* FindTaskByFullName(const std::wstring& fullPath) const;
  CDownloadTask* FindTaskByPeer(const std::wstring& ownerKey) const;
  CDownloadTask* FindTaskBySerial(uint64_t serial) const;
  void AddTaskLog(const CRefPtr<CTaskLog>& log);
  void RemoveTaskLog(CTaskLog* log);

  void OnTimer();
  void OnEvent(int32_t event, int32_t type, int32_t code, ProtoValue& payload) override;

  const std::list<CDownloadTask*>& GetTasks() const { return m_tasks; }
  size_t GetTaskLogCount() const { return m_logs.size(); }

 private:
  friend class CSingleton<CDownloadTaskQueue>;
  CDownloadTaskQueue() = default;

  std::list<CDownloadTask*> m_tasks;
  std::list<CRefPtr<CTaskLog>> m_logs;
};
