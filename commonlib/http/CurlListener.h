// Receives the events of a transfer on the main thread (the request manager implements it).
// Listeners register themselves while they live, so an event that is still queued when its
// listener went away (at shutdown) is dropped instead of reaching freed memory.
#pragma once

#include "commonlib/core/ProtoValue.h"

class CCurlBase;

class CurlListener {
 public:
  virtual void OnCurlDone(CCurlBase* transfer, int curlCode) = 0;
  virtual void OnRecvProgress(CCurlBase* transfer, unsigned int bytes) = 0;
  virtual void OnSendProgress(CCurlBase* transfer, unsigned int bytes) = 0;
  virtual void OnResponseCode(CCurlBase* transfer, int httpCode, const ProtoValue& headers) = 0;
  virtual void OnRemoved(CCurlBase* transfer, int value) = 0;
  virtual void OnAdded(CCurlBase* transfer, int value) = 0;

  static bool IsAlive(const CurlListener* listener);

 protected:
  CurlListener();
  virtual ~CurlListener();
  CurlListener(const CurlListener&) = delete;
  CurlListener& operator=(const CurlListener&) = delete;
};
