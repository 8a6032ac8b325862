#include "commonlib/DownloadEngine.h"

#include "commonlib/CDownloadTaskQueue.h"
#include "commonlib/peer/DAEventCenter.h"
#include "commonlib/logger/report/DownloadLog.h"

namespace {
std::wstring TextOrEmpty(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }
}  // namespace

void CALLBACK DownloadTimerProc(HWND, UINT, UINT_PTR, DWORD) { CDownloadTaskQueue::GetInstance().OnTimer(); }

namespace DownloadEngine {

bool Start() {
  InitHttp();
  DAEventCenter& center = DAEventCenter::GetInstance();
  if (!center.IsEngineStarted()) {
    UINT_PTR timer = SetTimer(nullptr, 0, 1000, DownloadTimerProc);
    center.AddListener(&CDownloadTaskQueue::GetInstance());
    center.EngineStarted(static_cast<uint32_t>(timer));
  }
  return true;
}

bool Stop() {
  DAEventCenter& center = DAEventCenter::GetInstance();
  if (center.IsEngineStarted()) {
    KillTimer(nullptr, center.EngineStopped());
    center.RemoveListener(&CDownloadTaskQueue::GetInstance());
  }
  UninitHttp();
  return true;
}

bool InitDownloadLog(const wchar_t* reportAddress, const wchar_t* version, const wchar_t* productId) {
  if (!reportAddress || !version || !productId) return false;
  return DownloadLog::GetInstance().Init(reportAddress, version, productId);
}

bool AddTask(const wchar_t* url, const wchar_t* spareAddresses, const wchar_t* cdnHost, int64_t cdnMinSpeed,
             const wchar_t* fullPath, const wchar_t* md5, int64_t size, const char* options, uintptr_t userData,
             DownloadProgressCallback progress, DownloadCompletionCallback completion) {
  DownloadTaskRequest request{TextOrEmpty(url),      TextOrEmpty(spareAddresses),
                              TextOrEmpty(cdnHost),  cdnMinSpeed,
                              TextOrEmpty(fullPath), TextOrEmpty(md5),
                              size,                  options ? std::string(options) : std::string(),
                              userData,              progress,
                              completion};
  return AddTask(request);
}

bool AddTask(const DownloadTaskRequest& request) {
  CDownloadTaskQueue::GetInstance().AddTask(request);
  return true;
}

bool RemoveTask(const wchar_t*, const wchar_t* fullPath) {
  CDownloadTaskQueue::GetInstance().RemoveTask(TextOrEmpty(fullPath));
  return true;
}

}  // namespace DownloadEngine
