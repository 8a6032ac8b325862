// The program's entry: configuration from the command line, one running instance, the
// services brought up and taken down in a fixed order around the main window's message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "app/config/AppConfig.h"
#include "app/config/RunExitCode.h"
#include "app/MainApp.h"
#include "app/MainDlg.h"
#include "app/MsgBoxDlg.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/util/CommandLineOptions.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/window/WndShadow.h"

namespace {
const wchar_t kInstanceMutexName[] = L"vrjf_install_20170309";
}  // namespace

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
  if (CommandLineHoldsHide(argc, argv)) AppConfig::Instance().hidden = true;

  SkinUI::CWindowManagerUI::SetInstance(instance);
  SkinUI::CWindowManagerUI::SetResourceInstance(instance);
  SkinUI::CWndShadow::Initialize(instance);

  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    const bool hidden = AppConfig::Instance().hidden;
    if (!hidden) ShowAlreadyRunningBox();
    if (argv) LocalFree(argv);
    // A caller of a hidden run must not take "installed" from a run that did nothing.
    return hidden ? RunExitCode::kAnotherCopyRuns : 0;
  }

  std::unique_ptr<CMainDlg> window(new CMainDlg());
  InitApp(window.get());
  const HWND created = window->Create(nullptr, LoadStringResource(kStringWindowTitle).c_str(),
                                     WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 0);
  if (created) {
    window->CenterWindow();
    if (!AppConfig::Instance().hidden) window->ShowWindow(true, true);
  }
  CoInitialize(nullptr);
  OleInitialize(nullptr);
  int result = 0;
  if (!created) {
    // A window that could not be built: a hidden run's skin (a window's run ended at the
    // skin's box already). A failed run, counted as every failed run is.
    window->GetFlow().ReportRunFailure();
    result = AppConfig::Instance().hidden ? RunExitCode::kSkinNotLoaded : 1;
  } else {
    result = RunMessageLoop();
    // A hidden run tells its caller how it ended; a window's user has seen it.
    if (result == 0 && AppConfig::Instance().hidden) result = RunExitCode::Get();
  }

  // The worker must be done with the window and the services before they go.
  window->GetFlow().Shutdown();
  SkinUI::CWindowManagerUI::CloseResourceZip();
  // The run's records would be lost with the request side: each gets the time a request has
  // to be answered before it goes.
  FlushPendingReports(CHttpCommand::kAnswerTimeoutMs);
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
