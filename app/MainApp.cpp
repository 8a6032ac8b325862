#include "app/MainApp.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "BigDataLog.h"
#include "CNetToolThread.h"
#include "DownloadEngine.h"
#include "app/AppConfig.h"
#include "app/MainDlg.h"
#include "app/MsgBoxDlg.h"
#include "http/CHttpCommand.h"
#include "http/CHttpMgr.h"
#include "DownloadChannel.h"
#include "logger/DownloadLog.h"
#include "logger/FileLogger.h"
#include "thread/MainThreadQueue.h"
#include "util/CommandLineOptions.h"
#include "util/CommonUtils.h"
#include "util/StringUtils.h"
#include "window/WndShadow.h"
#include "window/WindowManagerUI.h"

const wchar_t kInstanceMutexName[] = L"vrjf_install_20170309";

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

bool InitAppServices(int32_t gameId) {
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

bool InitApp(CMainDlg* window) { return InitAppServices(window ? window->GetFlow().GetGameId() : 0); }

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
    // A record queued while an earlier one was on its way waits for the next send.
    if (!statistics.IsBusy() && statistics.PendingCount() > 0) statistics.Send();
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

void ShowAlreadyRunningBox() {
  CMsgBoxDlg* box = new CMsgBoxDlg(L"您已经运行了一个聚峰安装程序。", L"提示信息", L"");
  if (box->Create(nullptr, L"提示信息", WS_POPUP, 0, 0, 0, 0, 0) == nullptr) return;
  box->CenterWindow();
  box->SetRowVisible(false);
  box->ShowWindow(true, true);
  box->ShowModal();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::unique_ptr<CommandLineOptions> options(new CommandLineOptions(argc, argv));
  ReadCommandLine(*options);

  SkinUI::CWindowManagerUI::SetInstance(instance);
  SkinUI::CWindowManagerUI::SetResourceInstance(instance);
  SkinUI::CWndShadow::Initialize(instance);

  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    if (!AppConfig::Instance().hidden) ShowAlreadyRunningBox();
    if (argv) LocalFree(argv);
    return 0;
  }

  std::unique_ptr<CMainDlg> window(new CMainDlg());
  InitApp(window.get());
  window->Create(nullptr, LoadStringResource(kStringWindowTitle).c_str(), WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0,
                 0, 0, 0, 0);
  window->CenterWindow();
  if (!AppConfig::Instance().hidden) window->ShowWindow(true, true);
  CoInitialize(nullptr);
  OleInitialize(nullptr);
  int result = RunMessageLoop();

  // The worker must be done with the window and the services before they go.
  window->GetFlow().Shutdown();
  SkinUI::CWindowManagerUI::CloseResourceZip();
  // The run's records would be lost with the request side: let them go out first.
  FlushPendingReports(3000);
  UninitApp();
  OleUninitialize();
  if (mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  window.reset();
  options.reset();
  if (argv) LocalFree(argv);
  return result;
}
