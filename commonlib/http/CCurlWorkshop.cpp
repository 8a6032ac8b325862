#include "commonlib/http/CCurlWorkshop.h"

#include <windows.h>

#include <mutex>

#include "commonlib/http/HttpLog.h"
#include "commonlib/thread/CScopedLock.h"

namespace {
const wchar_t kFile[] = L"http\\CurlWorkshop";

// The longest sleep while transfers are attached, so one that its request gave up without
// cancelling it is detached soon; libcurl's own timers wake the worker earlier.
const int kBusyWaitLimitMs = 100;
// The longest sleep without transfers: new requests and stop requests wake the worker.
const int kIdleWaitLimitMs = 10000;
}  // namespace

CCurlWorkshop::CCurlWorkshop() : m_multi(nullptr) {}

bool CCurlWorkshop::InitCurlOnce() {
  // Left to itself libcurl sets up lazily inside the first handle, on whatever thread
  // makes it; that set-up is not safe to race everywhere. Never undone: handles may live
  // until the process exits.
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_ALL); });
  return result == CURLE_OK;
}

CCurlWorkshop::~CCurlWorkshop() {
  // An owner that did not stop the worker first would leave it running on a freed object,
  // and transfers still attached would outlive their multi handle.
  DestroyThread(INFINITE);
  if (m_multi) UnInit();
}

void CCurlWorkshop::Init() {
  CScopedLock guard(m_lock);
  if (m_multi) return;
  if (!InitCurlOnce()) {
    JF_HTTP_LOG(kLogError, kFile, L"CCurlWorkshop::Init() curl_global_init failed");
    return;
  }
  m_multi = curl_multi_init();
  JF_HTTP_LOG(kLogInfo, kFile, L"CCurlWorkshop::Init() %x",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_multi)));
}

bool CCurlWorkshop::AddRequest(const CRefPtr<CCurlBase>& transfer) {
  CScopedLock guard(m_lock);
  if (!m_multi) return false;
  m_pendingList.push_back(transfer);
  for (auto it = m_cancelList.begin(); it != m_cancelList.end(); ++it) {
    if (*it == transfer) {
      m_cancelList.erase(it);
      break;
    }
  }
  curl_multi_wakeup(m_multi);
  return true;
}

bool CCurlWorkshop::CancelRequest(const CRefPtr<CCurlBase>& transfer) {
  CScopedLock guard(m_lock);
  if (!m_multi) return false;
  m_cancelList.push_back(transfer);
  curl_multi_wakeup(m_multi);
  return true;
}

void CCurlWorkshop::OnStopRequested() {
  CScopedLock guard(m_lock);
  if (m_multi) curl_multi_wakeup(m_multi);
}

void CCurlWorkshop::Detach(CURLM* multi, CCurlBase* transfer) {
  if (!transfer->GetEasy()) return;
  if (multi) curl_multi_remove_handle(multi, transfer->GetEasy());
  transfer->FreeEasy();
}

void CCurlWorkshop::UnInit() {
  CScopedLock guard(m_lock);
  JF_HTTP_LOG(kLogInfo, kFile, L"CCurlWorkshop::UnInit() %x",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_multi)));
  if (m_multi) {
    for (auto& t : m_runningList) Detach(m_multi, t.get());
    // Handles still waiting to be detached go with the multi handle too.
    for (auto& t : m_removeList) Detach(m_multi, t.get());
    m_removeList.clear();
    curl_multi_cleanup(m_multi);
    m_multi = nullptr;
  }
  m_cancelList.clear();
  m_pendingList.clear();
  m_runningList.clear();
}

void CCurlWorkshop::Run() {
  while (!IsStopRequested()) {
    Perform();
    ReadDone();
    if (IsStopRequested()) break;
    // Sleeps until a socket of a transfer is ready, libcurl's next timer is due, or
    // AddRequest, CancelRequest or a stop request wakes it. Chosen on purpose in place of
    // curl_multi_fdset and a 5 ms select: that loop woke the worker hundreds of times a
    // second while idle and delayed every new request by up to one select.
    int limit = kIdleWaitLimitMs;
    {
      CScopedLock guard(m_lock);
      if (!m_runningList.empty()) limit = kBusyWaitLimitMs;
    }
    // Without a multi handle (libcurl could not be set up) there is nothing to wait in.
    if (curl_multi_poll(m_multi, nullptr, 0, limit, nullptr) != CURLM_OK) Sleep(kBusyWaitLimitMs);
  }
}

int CCurlWorkshop::Perform() {
  if (IsStopRequested()) return 0;
  ProcessPending();
  int running = 0;
  bool any = false;
  CURLMcode code;
  do {
    code = curl_multi_perform(m_multi, &running);
    if (running > 0) any = true;
  } while (code == CURLM_CALL_MULTI_PERFORM);
  return any ? 1 : 0;
}

int CCurlWorkshop::ReadDone() {
  int count = 0;
  int left = 0;
  CURLMsg* msg;
  while (!IsStopRequested() && (msg = curl_multi_info_read(m_multi, &left)) != nullptr) {
    if (msg->msg != CURLMSG_DONE) continue;
    ++count;
    CRefPtr<CCurlBase> found;
    for (auto& t : m_runningList) {
      if (t->GetEasy() == msg->easy_handle) {
        found = t;
        break;
      }
    }
    if (!found) continue;
    CURLcode result = msg->data.result;
    PostCurlResult(CCurlBase::OnDoneTrampoline, found, static_cast<int>(result));
    {
      CScopedLock guard(m_lock);
      RemoveFromLists(found);
    }
    Detach(m_multi, found.get());
  }
  return count;
}

void CCurlWorkshop::ProcessPending() {
  {
    CScopedLock guard(m_lock);
    for (auto& t : m_pendingList)
      if (!t->IsActive()) m_cancelList.push_back(t);
    for (auto& t : m_runningList)
      if (!t->IsActive()) m_cancelList.push_back(t);
    for (size_t n = m_cancelList.size(); n > 0; --n) {
      CRefPtr<CCurlBase> front = m_cancelList.front();
      m_removeList.push_back(front);
      RemoveFromLists(front);
      PostCurlResult(CCurlBase::OnRemovedTrampoline, front, 0);
      m_cancelList.pop_front();
    }
    for (size_t n = m_pendingList.size(); n > 0; --n) {
      AddHandle(m_pendingList.front());
      m_pendingList.pop_front();
    }
  }
  for (size_t n = m_removeList.size(); n > 0; --n) {
    Detach(m_multi, m_removeList.front().get());
    m_removeList.pop_front();
  }
}

bool CCurlWorkshop::AddHandle(const CRefPtr<CCurlBase>& transfer) {
  // Handed in twice: it runs already.
  for (const auto& t : m_runningList)
    if (t == transfer) return false;
  // A transfer that cannot be attached is reported as finished with an error, so its
  // request does not wait for ever.
  if (!transfer->GetEasy()) {
    PostCurlResult(CCurlBase::OnDoneTrampoline, transfer, CURLE_FAILED_INIT);
    return false;
  }
  CURLMcode r = curl_multi_add_handle(m_multi, transfer->GetEasy());
  if (r != CURLM_OK) {
    PostCurlResult(CCurlBase::OnDoneTrampoline, transfer, CURLE_FAILED_INIT);
    return false;
  }
  PostCurlResult(CCurlBase::OnAddedTrampoline, transfer, 0);
  m_runningList.push_back(transfer);
  return true;
}

bool CCurlWorkshop::RemoveFromLists(const CRefPtr<CCurlBase>& transfer) {
  if (!transfer->GetEasy()) return false;
  for (auto it = m_runningList.begin(); it != m_runningList.end(); ++it) {
    if ((*it)->GetEasy() == transfer->GetEasy()) {
      m_runningList.erase(it);
      return true;
    }
  }
  for (auto it = m_pendingList.begin(); it != m_pendingList.end(); ++it) {
    if ((*it)->GetEasy() == transfer->GetEasy()) {
      m_pendingList.erase(it);
      return true;
    }
  }
  return true;
}
