#include "commonlib/http/CCurlBase.h"

#include <windows.h>

#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CurlListener.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask2.h"
#include "commonlib/thread/MainThreadTask3.h"

CCurlBase::CCurlBase(CCurlWorkshop* workshop, CurlListener* listener)
    : m_easy(nullptr),
      m_listener(listener),
      m_workshop(workshop),
      m_progressEnabled(false),
      m_pendingBytes(0),
      m_lastProgressTick(0),
      m_active(true) {}

CCurlBase::~CCurlBase() { FreeEasy(); }

CURL* CCurlBase::PrepareEasy() {
  if (!m_easy) {
    m_easy = CCurlWorkshop::InitCurlOnce() ? curl_easy_init() : nullptr;
  } else {
    curl_easy_reset(m_easy);
  }
  return m_easy;
}

void CCurlBase::FreeEasy() {
  if (m_easy) {
    curl_easy_cleanup(m_easy);
    m_easy = nullptr;
  }
}

void CCurlBase::Abandon() {
  std::lock_guard<std::mutex> guard(m_streamLock);
  m_active = false;
  Close();
}

void CCurlBase::OnDoneTrampoline(const CRefPtr<CCurlBase>& t, int value) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnCurlDone(t.get(), value);
}

void CCurlBase::OnRecvProgressTrampoline(const CRefPtr<CCurlBase>& t, unsigned int value) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnRecvProgress(t.get(), value);
}

void CCurlBase::OnSendProgressTrampoline(const CRefPtr<CCurlBase>& t, unsigned int value) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnSendProgress(t.get(), value);
}

void CCurlBase::OnResponseCodeTrampoline(const CRefPtr<CCurlBase>& t, int value,
                                         const ProtoValue& headers) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnResponseCode(t.get(), value, headers);
}

void CCurlBase::OnRemovedTrampoline(const CRefPtr<CCurlBase>& t, int value) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnRemoved(t.get(), value);
}

void CCurlBase::OnAddedTrampoline(const CRefPtr<CCurlBase>& t, int value) {
  if (t && CurlListener::IsAlive(t->m_listener)) t->m_listener->OnAdded(t.get(), value);
}

void PostCurlResult(CurlResultForwarder forwarder, const CRefPtr<CCurlBase>& transfer, int value) {
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask2<CRefPtr<CCurlBase>, const CRefPtr<CCurlBase>&, int, int>(forwarder,
                                                                                  transfer, value);
  PostToMainThread(InvokeMainThreadTask, task);
}

void PostCurlProgress(CurlProgressForwarder forwarder, const CRefPtr<CCurlBase>& transfer,
                      unsigned int value) {
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask2<CRefPtr<CCurlBase>, const CRefPtr<CCurlBase>&, unsigned int,
                          unsigned int>(forwarder, transfer, value);
  PostToMainThread(InvokeMainThreadTask, task);
}

void PostCurlResponse(const CRefPtr<CCurlBase>& transfer, int httpCode, const ProtoValue& headers) {
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask3<CRefPtr<CCurlBase>, const CRefPtr<CCurlBase>&, int, int, ProtoValue,
                          const ProtoValue&>(CCurlBase::OnResponseCodeTrampoline, transfer,
                                             httpCode, headers);
  PostToMainThread(InvokeMainThreadTask, task);
}

size_t CurlHeaderCallback(char* data, size_t size, size_t nmemb, void* user) {
  CCurlBase* t = static_cast<CCurlBase*>(user);
  if (!t) return 0;
  CRefPtr<CCurlBase> hold(t);
  size_t n = 0;
  t->WhileActive([&] { n = t->OnRecieveHeader(data, size * nmemb); });
  return n;
}

size_t CurlWriteCallback(char* data, size_t size, size_t nmemb, void* user) {
  CCurlBase* t = static_cast<CCurlBase*>(user);
  if (!t) return 0;
  CRefPtr<CCurlBase> hold(t);
  size_t n = 0;
  if (!t->WhileActive([&] { n = t->OnRecieveBody(data, size * nmemb); })) return 0;
  t->m_pendingBytes += n;
  if (t->m_progressEnabled && static_cast<uint32_t>(GetTickCount() - t->m_lastProgressTick) > 10) {
    t->m_lastProgressTick = GetTickCount();
    PostCurlProgress(CCurlBase::OnRecvProgressTrampoline, hold,
                     static_cast<unsigned int>(t->m_pendingBytes));
    if (t->m_workshop) t->m_workshop->GetSpeedCenter().AddDownloadSize(t->m_pendingBytes);
    t->m_pendingBytes = 0;
  }
  return n;
}

size_t CurlReadCallback(char* buffer, size_t size, size_t nmemb, void* user) {
  CCurlBase* t = static_cast<CCurlBase*>(user);
  if (!t) return 0;
  CRefPtr<CCurlBase> hold(t);
  size_t n = 0;
  if (!t->WhileActive([&] { n = t->OnSendBody(buffer, size * nmemb); })) return 0;
  if (t->m_progressEnabled && static_cast<uint32_t>(GetTickCount() - t->m_lastProgressTick) > 100) {
    t->m_lastProgressTick = GetTickCount();
    PostCurlProgress(CCurlBase::OnSendProgressTrampoline, hold, static_cast<unsigned int>(n));
  }
  return n;
}
