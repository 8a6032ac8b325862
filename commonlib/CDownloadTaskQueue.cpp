#include "commonlib/CDownloadTaskQueue.h"

#include <algorithm>
#include <vector>

#include "commonlib/CDownloadTask.h"
#include "commonlib/netdiag/NetDiagStatsReporter.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/peer/CDownloadPeer.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"DownloadTaskQueue";

int32_t IntOf(const ProtoValue& payload, const wchar_t* key) {
  const ProtoValue& v = payload.get(key);
  return v.type() == PV_INTEGER ? static_cast<int32_t>(v.integer()) : 0;
}

std::wstring TextOf(const ProtoValue& payload, const wchar_t* key) {
  const ProtoValue& v = payload.get(key);
  return v.type() == PV_STRING ? v.string() : std::wstring();
}
}  // namespace

bool CDownloadTaskQueue::AddTask(const std::wstring& url, const std::wstring& spareAddresses,
                                 const std::wstring& cdnHost, int64_t cdnMinSpeed, const std::wstring& fullPath,
                                 const std::wstring& md5, int64_t size, const std::string& options,
                                 uintptr_t userData, DownloadProgressCallback progress, uintptr_t progressContext,
                                 DownloadCompletionCallback completion, uintptr_t completionContext) {
  DownloadTaskRequest request{url, spareAddresses, cdnHost, cdnMinSpeed, fullPath, md5, size, options,
                              userData, progress, completion};
  return AddTask(request, progressContext, completionContext);
}

bool CDownloadTaskQueue::AddTask(const DownloadTaskRequest& request, uintptr_t progressContext,
                                 uintptr_t completionContext) {
  CDownloadTask* task = new CDownloadTask(request, progressContext, completionContext);
  // The log outlives its task: it is sent after the task has ended.
  AddTaskLog(task->GetLog());
  if (!AddTaskToList(task)) {
    // The refused task's log will never be sent: let it go with the task.
    RemoveTaskLog(task->GetLog().get());
    delete task;
    return false;
  }
  return task->StartTask();
}

bool CDownloadTaskQueue::AddTaskToList(CDownloadTask* task) {
  if (!task) return false;
  if (FindTaskByFullName(task->GetFullName())) return false;
  JF_HTTP_LOG(kLogError, kFile, L"添加下载任务 url:%s", task->GetUrl().c_str());
  m_tasks.push_back(task);
  return true;
}

void CDownloadTaskQueue::RemoveTask(const std::wstring& fullPath) {
  CDownloadTask* task = FindTaskByFullName(fullPath);
  if (!task) {
    JF_HTTP_LOG(kLogError, kFile, L"CancelDownloadFile 未找到对应task %s", fullPath.c_str());
    return;
  }
  task->ReportPause();
  task->StopTask();
  m_tasks.remove(task);
  // The log is kept in the resume file; a removed task never sends it.
  CRefPtr<CTaskLog> log = task->GetLog();
  delete task;
  RemoveTaskLog(log.get());
}

void CDownloadTaskQueue::RemoveTaskFromList(CDownloadTask* task) { m_tasks.remove(task); }

CDownloadTask* CDownloadTaskQueue::FindTaskByFullName(const std::wstring& fullPath) const {
  for (CDownloadTask* t : m_tasks)
    if (t->GetFullName() == fullPath) return t;
  return nullptr;
}

CDownloadTask* CDownloadTaskQueue::FindTaskByPeer(const std::wstring& ownerKey) const {
  for (CDownloadTask* t : m_tasks)
    if (t->GetMd5() == ownerKey) return t;
  return nullptr;
}

CDownloadTask* CDownloadTaskQueue::FindTaskBySerial(uint64_t serial) const {
  for (CDownloadTask* t : m_tasks)
    if (t->GetSerial() == serial) return t;
  return nullptr;
}

void CDownloadTaskQueue::AddTaskLog(const CRefPtr<CTaskLog>& log) {
  if (!log) return;
  log->m_releaseFromHolder = [this](CTaskLog* l) { RemoveTaskLog(l); };
  m_logs.push_back(log);
}

void CDownloadTaskQueue::RemoveTaskLog(CTaskLog* log) {
  auto it = std::find_if(m_logs.begin(), m_logs.end(), [log](const CRefPtr<CTaskLog>& l) { return l.get() == log; });
  if (it == m_logs.end()) return;
  // Released outside the list operation: the log may be destroyed by it.
  CRefPtr<CTaskLog> keep = *it;
  m_logs.erase(it);
  keep->m_releaseFromHolder = nullptr;
}

void CDownloadTaskQueue::OnTimer() {
  // Callbacks run inside the walk and may remove or add tasks: walk the tasks listed now,
  // each found again by its serial, so that none is touched after it is gone. A task that
  // ends for want of a source leaves the list, and the walk starts again from its first
  // task. Every new walk follows an end, so the walks are as many as the tasks that end.
  for (bool again = true; again;) {
    again = false;
    std::vector<uint64_t> serials;
    for (CDownloadTask* t : m_tasks) serials.push_back(t->GetSerial());
    for (uint64_t serial : serials) {
      CDownloadTask* task = FindTaskBySerial(serial);
      if (!task || task->OnTimer()) continue;
      JF_HTTP_LOG(kLogError, kFile, L"下载任务，找不到任何源！！url:%s", task->GetUrl().c_str());
      task->OnTaskCompleted(CDownloadTask::TaskCodeNoSource);
      again = true;
      break;
    }
  }
}

void CDownloadTaskQueue::OnEvent(int32_t event, int32_t type, int32_t code, ProtoValue& payload) {
  if (event == DAEventDiagnose) {
    NetDiagStatsReporter::GetInstance().Start(payload.get(L"fields"), StringUtils::ToAnsi(TextOf(payload, L"host")));
    return;
  }
  if (event < DAEventRangeResult || event > DAEventRetry) return;
  const ProtoValue& id = payload.get(L"peer");
  CDownloadPeer* peer =
      id.type() == PV_INTEGER ? reinterpret_cast<CDownloadPeer*>(static_cast<intptr_t>(id.integer())) : nullptr;
  if (!peer) return;
  CDownloadTask* task = FindTaskByPeer(peer->m_ownerKey);
  // Copies of one file share the key: the task that owns the source gets its events, or
  // its block results would be lost and the download would never end.
  for (CDownloadTask* t : m_tasks) {
    if (t->GetMd5() == peer->m_ownerKey && t->HasPeer(peer)) {
      task = t;
      break;
    }
  }
  if (!task) {
    JF_HTTP_LOG(kLogError, kFile, L"未找到对应peer %s", peer->m_ownerKey.c_str());
    return;
  }
  switch (event) {
    case DAEventRangeResult:
      task->OnRangeCompleted(peer, type, code);
      break;
    case DAEventServerIp:
      task->OnPeerResolved(peer);
      break;
    case DAEventRedirect:
      task->OnPeerRedirect(TextOf(payload, L"log_name"), TextOf(payload, L"location"));
      break;
    case DAEventIpChanged:
      task->OnPeerIpChanged(peer, TextOf(payload, L"old_server_ip"), TextOf(payload, L"server_ip"));
      break;
    case DAEventRetry:
      task->OnPeerRetry(peer, IntOf(payload, L"et"), IntOf(payload, L"ec"), IntOf(payload, L"times"));
      break;
    default:
      break;
  }
}
