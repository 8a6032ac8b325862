#include "commonlib/http/CHttpMgr.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"

namespace {
const wchar_t kFile[] = L"http\\HttpMgr";
uint32_t g_httpRequestSerial = 0;
}  // namespace

CHttpMgr::CHttpMgr(uint32_t maxRunning) : m_maxRunning(maxRunning), m_runningCount(0) {}

CHttpMgr::~CHttpMgr() { m_requests.clear(); }

bool CHttpMgr::IsRegistered(const CHttpBase* request) const {
  return std::find(m_requests.begin(), m_requests.end(), request) != m_requests.end();
}

uint64_t CHttpMgr::Add(CHttpBase* request) {
  if (!request) return 0;
  if (IsRegistered(request)) {
    JF_HTTP_LOG(kLogInfo, kFile, L"http请求重复添加 url:%s", request->GetUrl().c_str());
    return (static_cast<uint64_t>(request->m_addTick) << 32) | request->m_serial;
  }
  request->m_serial = ++g_httpRequestSerial;
  request->m_addTick = GetTickCount();
  m_requests.push_back(request);
  uint64_t pair = (static_cast<uint64_t>(request->m_addTick) << 32) | request->m_serial;
  if (!request->m_retryPending) Schedule();
  return pair;
}

bool CHttpMgr::Remove(CHttpBase* request) {
  m_requests.remove(request);
  bool wasRunning = request->m_running;
  request->m_running = false;
  if (wasRunning) {
    if (m_runningCount > 0) --m_runningCount;
    Schedule();
  }
  return true;
}

void CHttpMgr::Schedule() {
  uint32_t total = static_cast<uint32_t>(m_requests.size());
  if (m_runningCount > m_maxRunning || m_runningCount > total) {
    JF_HTTP_LOG(kLogInfo, kFile,
                L"CHttpMgr::Schedule() 正在运行的任务数计算出错，重新计算中 running:%d max:%d total:%d",
                m_runningCount, m_maxRunning, total);
    m_runningCount = static_cast<uint32_t>(
        std::count_if(m_requests.begin(), m_requests.end(), [](CHttpBase* r) { return r->m_running; }));
  }
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpMgr::Schedule() 调度任务 running:%d max:%d total:%d",
              m_runningCount, m_maxRunning, total);
  if (m_runningCount >= m_maxRunning) {
    JF_HTTP_LOG(kLogInfo, kFile, L"CHttpMgr::Schedule() 任务数超标 running:%d max:%d total:%d",
                m_runningCount, m_maxRunning, total);
    return;
  }
  if (!ScheduleLevel(1)) return;
  ScheduleLevel(0);
}

bool CHttpMgr::ScheduleLevel(int level) {
  // A request whose start failed is tried once per walk, so a request that its own Done
  // leaves idle cannot make the walk restart for ever.
  std::set<uint32_t> failed;
  bool restart = true;
  while (restart) {
    restart = false;
    // Done and Stop may change the list (even schedule again): walk a copy and only touch
    // entries that are still registered.
    std::vector<std::pair<CHttpBase*, uint32_t>> snapshot;
    for (CHttpBase* r : m_requests) snapshot.emplace_back(r, r->m_serial);
    for (const auto& entry : snapshot) {
      CHttpBase* r = entry.first;
      if (!IsRegistered(r) || r->m_serial != entry.second) continue;
      if (r->m_priority != level) continue;
      bool startFailed = false;
      if (!r->m_running && !r->m_started && !r->m_retryPending && !failed.count(entry.second)) {
        ErrorPair result = ErrorPair::Unpack(r->Start());
        if (result.code == 0) {
          r->m_running = true;
          ++m_runningCount;
        } else {
          startFailed = true;
          failed.insert(entry.second);
          // A block that is complete already ends as a success.
          if (result.code == static_cast<int>(ResultCode::kNothingToFetch)) result = ErrorPair();
          r->Done(result.type, result.code);
        }
      }
      if (m_runningCount >= m_maxRunning) return false;
      if (startFailed) {
        JF_HTTP_LOG(kLogInfo, kFile, L"CHttpMgr::Schedule 有调度任务开始失败，重新调度");
        restart = true;
        break;
      }
    }
  }
  return true;
}

void CHttpMgr::ResumeDueRetries() {
  bool any = false;
  for (CHttpBase* r : m_requests) {
    if (r->m_retryPending && r->IsRetryDue()) {
      r->m_retryPending = false;
      any = true;
    }
  }
  if (any) Schedule();
}

void CHttpMgr::CheckTimeouts() {
  std::vector<std::pair<CHttpBase*, uint32_t>> snapshot;
  for (CHttpBase* r : m_requests) snapshot.emplace_back(r, r->m_serial);
  for (const auto& entry : snapshot) {
    // An earlier Done may have finished or destroyed this request.
    CHttpBase* r = entry.first;
    if (!IsRegistered(r) || r->m_serial != entry.second) continue;
    if (r->m_totalTimeout == 0 || r->m_startTick == 0) continue;
    if (static_cast<uint32_t>(GetTickCount() - r->m_startTick) > r->m_totalTimeout) {
      // Cleared before Done: Done may destroy the request.
      r->m_startTick = 0;
      r->Done(kErrUser, ResultCode::kRequestTimedOut);
    }
  }
}

CHttpBase* CHttpMgr::FindRequest(CCurlBase* transfer) {
  for (CHttpBase* r : m_requests)
    if (r->m_curlHttp.get() == transfer) return r;
  return nullptr;
}

void CHttpMgr::Clear() {
  for (CHttpBase* r : m_requests) {
    r->m_manager = nullptr;
    r->m_workshop = nullptr;
  }
  m_requests.clear();
}

void CHttpMgr::OnCurlDone(CCurlBase* transfer, int curlCode) {
  if (CHttpBase* r = FindRequest(transfer)) r->Done(kErrCurl, curlCode);
}

void CHttpMgr::OnRecvProgress(CCurlBase* transfer, unsigned int bytes) {
  if (CHttpBase* r = FindRequest(transfer)) r->OnProgress(static_cast<int64_t>(static_cast<int32_t>(bytes)));
}

void CHttpMgr::OnSendProgress(CCurlBase* transfer, unsigned int bytes) {
  if (CHttpBase* r = FindRequest(transfer)) r->OnProgress(static_cast<int64_t>(static_cast<int32_t>(bytes)));
}

void CHttpMgr::OnResponseCode(CCurlBase* transfer, int httpCode, const ProtoValue& headers) {
  if (CHttpBase* r = FindRequest(transfer)) r->OnResponseCode(httpCode, headers);
}

void CHttpMgr::OnRemoved(CCurlBase* transfer, int) {
  if (CHttpBase* r = FindRequest(transfer)) r->OnRemoved();
}

void CHttpMgr::OnAdded(CCurlBase* transfer, int) {
  if (CHttpBase* r = FindRequest(transfer)) r->OnStarted();
}
