#include "app/MainApp.h"

#include <string>

#include "app/MainDlg.h"
#include "app/config/AppConfig.h"
#include "commonlib/logger/report/BigDataLog.h"
#include "commonlib/netdiag/CNetToolThread.h"
#include "commonlib/DownloadEngine.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/http/DownloadChannel.h"
#include "commonlib/http/SpareDnsTable.h"
#include "commonlib/logger/report/DownloadLog.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

UINT_PTR g_requestTimer = 0;
bool g_networkStarted = false;
bool g_queueCreated = false;
unsigned g_timerTicks = 0;

}  // namespace

void CALLBACK HttpMgrTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (g_timerTicks % 2 == 0) {
    if (g_downloadManager) g_downloadManager->CheckTimeouts();
    if (g_commandManager) g_commandManager->CheckTimeouts();
  }
  if (g_downloadManager) g_downloadManager->ResumeDueRetries();
  if (g_commandManager) g_commandManager->ResumeDueRetries();
  ++g_timerTicks;
}

bool InitApp(CMainDlg* window) { return InitApp(window ? window->GetFlow().GetGameId() : 0); }

bool InitApp(int32_t gameId) {
  AppConfig& config = AppConfig::Instance();
  std::wstring ini = CommonUtils::GetModuleDir() + L"\\jfminiinstall.ini";
  wchar_t text[260] = {0};
  GetPrivateProfileStringW(L"Debug", L"Log", L"1", text, 260, ini.c_str());
  config.logEnabled = _wtoi(text);
  if (config.logEnabled != 0) FileLogger::Instance().Open(BuildLogFilePath());

  if (!g_queueCreated) {
    GetMainThreadQueueLock();
    CreateThreadingWindow();
    g_queueCreated = true;
  }
  if (!g_networkStarted) {
    HttpCommandEngineInit();
    DownloadEngine::Start();
    g_requestTimer = SetTimer(nullptr, 0, 500, HttpMgrTimerProc);
    g_networkStarted = true;
  }

  std::wstring product = L"1.0.2|mini_downloader";
  std::wstring id = L"mini_downloader";
  if (gameId != 0) {
    product = StringUtils::Format(L"%s|GameId:%d", product.c_str(), static_cast<int>(gameId));
    id = StringUtils::Format(L"%s|id:%d", id.c_str(), static_cast<int>(gameId));
  }
  DownloadEngine::InitDownloadLog(config.logServerUrl.c_str(), product.c_str(), id.c_str());

  SpareDnsTable& table = GetSpareDnsTable();
  CNetToolThread::GetInstance().NSLookUpWithServer(StringUtils::WideToAnsi(table.testDomain),
                                                   StringUtils::WideToAnsi(table.dnsServers), &table,
                                                   dns_result_callback);
  return true;
}

bool UninitApp() {
  DownloadLog::GetInstance().UnInit();
  if (g_networkStarted) {
    HttpCommandEngineUninit();
    DownloadEngine::Stop();
    KillTimer(nullptr, g_requestTimer);
    g_requestTimer = 0;
    g_networkStarted = false;
  }
  if (g_queueCreated) {
    ShutdownMainThreadQueue();
    g_queueCreated = false;
  }
  return true;
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool ReportsInFlight() {
  BigDataLog& statistics = BigDataLog::GetInstance();
  DownloadLog& report = DownloadLog::GetInstance();
  return statistics.IsBusy() || statistics.PendingCount() > 0 || report.IsBusy() || report.GetPendingCount() > 0 ||
         GetMainThreadQueueSize() > 0;
}

bool FlushPendingReports(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (ReportsInFlight()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    BigDataLog& statistics = BigDataLog::GetInstance();
    DownloadLog& report = DownloadLog::GetInstance();
    // A record queued while an earlier one was on its way waits for the next send.
    if (!statistics.IsBusy() && statistics.PendingCount() > 0) statistics.Send();
    if (!report.IsBusy() && report.GetPendingCount() > 0) report.Send();
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!any) Sleep(10);
  }
  return true;
}

