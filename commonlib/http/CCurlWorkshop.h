// A worker thread that drives libcurl's multi interface for every transfer handed to it.
// The main thread hands transfers in and asks for their cancellation; the worker attaches,
// performs and detaches them and reports each step as an event of the transfer.
#pragma once

#include <curl/curl.h>

#include <list>

#include "commonlib/http/CCurlBase.h"
#include "commonlib/http/CSpeedCenter.h"
#include "commonlib/thread/CCriticalLock.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/CSimpleThread.h"

class CCurlWorkshop : public CSimpleThread {
 public:
  CCurlWorkshop();
  ~CCurlWorkshop() override;

  // Sets libcurl up for the whole process, once; the first call must come before any
  // worker thread uses libcurl (Init does it). False when libcurl cannot be set up.
  static bool InitCurlOnce();

  void Init();
  bool AddRequest(const CRefPtr<CCurlBase>& transfer);
  bool CancelRequest(const CRefPtr<CCurlBase>& transfer);
  void UnInit();
  void Run() override;

  CSpeedCenter& GetSpeedCenter() { return m_speedCenter; }

 protected:
  void OnStopRequested() override;

 private:
  int Perform();
  int ReadDone();
  void ProcessPending();
  bool AddHandle(const CRefPtr<CCurlBase>& transfer);
  bool RemoveFromLists(const CRefPtr<CCurlBase>& transfer);
  static void Detach(CURLM* multi, CCurlBase* transfer);

  CURLM* m_multi;
  std::list<CRefPtr<CCurlBase>> m_pendingList;
  std::list<CRefPtr<CCurlBase>> m_runningList;
  std::list<CRefPtr<CCurlBase>> m_cancelList;
  std::list<CRefPtr<CCurlBase>> m_removeList;
  CCriticalLock m_lock;
  CSpeedCenter m_speedCenter;
};
