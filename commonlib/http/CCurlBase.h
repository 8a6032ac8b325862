// One libcurl easy handle for one attempt of one HTTP request, shared by the request, the
// worker's lists and every queued event (reference-counted).
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/CRefThreadSafeBase.h"

class CCurlWorkshop;
class CurlListener;

class CCurlBase : public CRefThreadSafeBase<CCurlBase> {
 public:
  CCurlBase(CCurlWorkshop* workshop, CurlListener* listener);
  virtual ~CCurlBase();
  CCurlBase(const CCurlBase&) = delete;
  CCurlBase& operator=(const CCurlBase&) = delete;

  // Worker thread, with the stream lock held and the transfer active.
  virtual size_t OnRecieveHeader(const char* data, size_t size) = 0;
  virtual size_t OnRecieveBody(const char* data, size_t size) = 0;
  virtual size_t OnSendBody(char* buffer, size_t size) = 0;
  // Closes the streams (they stay owned).
  virtual void Close() = 0;

  // The owning request gives the transfer up: the callbacks refuse data from now on and
  // the streams are closed. Waits for a callback that is using the streams right now, so
  // a sink is never closed under a running write.
  void Abandon();
  bool IsActive() const { return m_active.load(); }

  // Forwarders of the events to the listener (main thread).
  static void OnDoneTrampoline(const CRefPtr<CCurlBase>& transfer, int value);
  static void OnRecvProgressTrampoline(const CRefPtr<CCurlBase>& transfer, unsigned int value);
  static void OnSendProgressTrampoline(const CRefPtr<CCurlBase>& transfer, unsigned int value);
  static void OnResponseCodeTrampoline(const CRefPtr<CCurlBase>& transfer, int value,
                                       const ProtoValue& headers);
  static void OnRemovedTrampoline(const CRefPtr<CCurlBase>& transfer, int value);
  static void OnAddedTrampoline(const CRefPtr<CCurlBase>& transfer, int value);

  // The easy handle: made and set up by the owning request before the transfer goes to the
  // worker, then used by the worker alone, which frees it when it detaches the transfer.
  CURL* GetEasy() const { return m_easy; }
  // Makes the handle, or resets the one there is; null when libcurl cannot make one.
  CURL* PrepareEasy();
  void FreeEasy();
  // Progress events (and the speed count) for received data; off by default.
  void EnableProgress(bool on) { m_progressEnabled = on; }

 private:
  CURL* m_easy;
  CurlListener* m_listener;
  CCurlWorkshop* m_workshop;
  bool m_progressEnabled;
  uint64_t m_pendingBytes;
  uint32_t m_lastProgressTick;

 protected:
  friend size_t CurlHeaderCallback(char*, size_t, size_t, void*);
  friend size_t CurlWriteCallback(char*, size_t, size_t, void*);
  friend size_t CurlReadCallback(char*, size_t, size_t, void*);

  // Runs fn with the stream lock held when the transfer is still active; false otherwise.
  template <class Fn>
  bool WhileActive(Fn fn) {
    std::lock_guard<std::mutex> guard(m_streamLock);
    if (!m_active) return false;
    fn();
    return true;
  }

  std::atomic<bool> m_active;
  // Held by the callbacks while they use the streams, and by Abandon.
  std::mutex m_streamLock;
};

typedef void (*CurlResultForwarder)(const CRefPtr<CCurlBase>&, int);
typedef void (*CurlProgressForwarder)(const CRefPtr<CCurlBase>&, unsigned int);

// Any thread: queue an event of the transfer to the main thread.
void PostCurlResult(CurlResultForwarder forwarder, const CRefPtr<CCurlBase>& transfer, int value);
void PostCurlProgress(CurlProgressForwarder forwarder, const CRefPtr<CCurlBase>& transfer,
                      unsigned int value);
void PostCurlResponse(const CRefPtr<CCurlBase>& transfer, int httpCode, const ProtoValue& headers);

// libcurl callbacks; the user pointer is the transfer.
size_t CurlHeaderCallback(char* data, size_t size, size_t nmemb, void* user);
size_t CurlWriteCallback(char* data, size_t size, size_t nmemb, void* user);
size_t CurlReadCallback(char* buffer, size_t size, size_t nmemb, void* user);
