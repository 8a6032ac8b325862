#include "app/install/InstallFlow.h"

#include <shellapi.h>

#include "Updater/CUpdateModule.h"
#include "app/config/AppConfig.h"
#include "app/install/AppLog.h"
#include "app/install/InstallFolderChoice.h"
#include "app/install/InstallSteps.h"
#include "app/install/LauncherDetection.h"
#include "app/install/RunStatistics.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kFile[] = L".\\app\\install\\InstallFlow.cpp";
const wchar_t kBoxTitle[] = L"提示信息";
const wchar_t kNetworkFailure[] = L"连接超时，请检查网络是否正常";
const wchar_t kDigestWrong[] = L"文件已损坏，请重新下载！";

}  // namespace

const wchar_t InstallFlow::kAgreementUrl[] = L"https://www.varnel.com/agreement/license.html";

InstallFlow::InstallFlow(IInstallView* view) : m_view(view), m_worker(&m_shared) {
  m_gameId = StringUtils::ToInt(LoadStringResource(kStringGameId));
}

InstallFlow::~InstallFlow() {
  Shutdown();
  StopUpdateModule();
}

void InstallFlow::Shutdown() {
  m_worker.Cancel();
  m_worker.Join();
}

void InstallFlow::Close(UINT code) {
  HWND window = Window();
  if (window != nullptr) PostMessageW(window, WM_CLOSE, code, 0);
}

int InstallFlow::ShowMessageBox(IInstallView::BoxSlot slot, const std::wstring& text, const std::wstring& ok,
                                const std::wstring& cancel, const std::wstring& code, bool showClose,
                                bool showCancelRow) {
  IInstallView::BoxRequest request;
  request.text = text;
  request.title = kBoxTitle;
  request.okCaption = ok;
  request.cancelCaption = cancel;
  request.codeLine = code;
  request.showClose = showClose;
  request.showCancelRow = showCancelRow;
  return m_view->RunBox(slot, request);
}

int InstallFlow::CreateMessageBox(const std::wstring& text, const std::wstring& ok, const std::wstring& cancel,
                                  const std::wstring& code) {
  return ShowMessageBox(IInstallView::kBoxRetry, text, ok, cancel, code, true, false);
}

void InstallFlow::UpdateDiskSpaceText() { m_view->SetFolderTip(InstallFolderChoice::DiskSpaceText(m_installDir)); }

void InstallFlow::PrepareInstall() {
  AppConfig& config = AppConfig::Instance();
  if (config.gameId != 0) m_gameId = config.gameId;
  m_launcherInstalled = LauncherDetection::FindInstalledLauncher(m_launcherPath, m_installDir);
  m_installDir = FileUtils::CanonicalFolder(m_installDir);
  if (config.hidden) {
    m_view->SelectOption(IInstallView::kOptionAuto, false);
    m_installDir = InstallFolderChoice::ChooseHiddenFolder(config.installPath);
    m_downloadDir = m_installDir;
    if (m_installDir.empty()) {
      ReportInstallStatistics(false);
      JF_APP_LOG(kLogInfo, kFile, L"没有合适的安装目录");
      EndHiddenRun(RunExitCode::kNoInstallFolder);
      return;
    }
    StartDownload();
    return;
  }
  if (!m_launcherInstalled) return;
  if (config.jfFlag) {
    m_view->SelectOption(IInstallView::kOptionAgree, true);
    if (!m_installDir.empty()) {
      std::wstring candidate = StringUtils::Format(L"%s%u", InstallFolderChoice::kPlatformFolder,
                                                   static_cast<unsigned>(GetCurrentProcessId()));
      if (FileUtils::GetFileName(m_installDir) == candidate) candidate += L"_new";
      m_installDir = FileUtils::PathInFolder(FileUtils::GetParentDir(m_installDir), candidate);
    }
  }
  InstallWorker::SetFlowTimer(m_shared, Window(), kTimerLauncherQuestion, 100);
}

void InstallFlow::EndHiddenRun(RunExitCode::Code code) {
  RunExitCode::Set(code);
  Close(1);
}

void InstallFlow::RequestInstallInfo() {
  m_infoPending = true;
  m_updateModule->RequestInstallInfo();
}

void InstallFlow::StopUpdateModule() {
  if (!m_updateModule) return;
  m_updateModule->Stop();
  m_updateModule.reset();
}

void InstallFlow::StartDownload() {
  m_downloadStartTick = GetTickCount();
  m_shared.installerSize = 0;
  m_shared.md5Percent = 0;
  m_progress.Reset();
  if (!AppConfig::Instance().hidden) {
    InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
  } else if (!InstallWorker::IsFlowTimer(m_shared, kTimerRetry)) {
    // A hidden run counts its rounds from the start, so that no request, however long it
    // takes, keeps the run going past them; a download that moves stops the count.
    InstallWorker::SetFlowTimer(m_shared, Window(), kTimerRetry, 5000);
  }
  m_view->SetPicture(L"file='ad00.png'");
  InstallWorker::SetFlowTimer(m_shared, Window(), kTimerPicture, 8000);
  StopUpdateModule();
  m_updateModule.reset(new CUpdateModule(m_downloadDir, this, 0));
  m_updateModule->CreateHelperWindow();
  m_infoPending = false;
  DWORD error = m_updateModule->CreateDownloadDir();
  if (error == 0) {
    RequestInstallInfo();
  } else {
    // Without its folder the attempt fails; the failure path tells a folder problem apart.
    m_updateModule->ReportAttemptFailure(error);
  }
}

void InstallFlow::ReportInstallStatistics(bool success) {
  m_installEndTick = GetTickCount();
  RunStatistics::BuildGameCodeMap(m_gameCodes);
  RunStatistics::RunFacts facts;
  facts.installDir = m_installDir;
  facts.gameId = m_gameId;
  facts.downloadStartTick = m_downloadStartTick;
  facts.installEndTick = m_installEndTick;
  RunStatistics::Send(RunStatistics::BuildRecord(success, facts, m_gameCodes));
}

void InstallFlow::ReportRunFailure() {
  if (AppConfig::Instance().gameId != 0) m_gameId = AppConfig::Instance().gameId;
  ReportInstallStatistics(false);
}

void InstallFlow::UpdateProgress() {
  int width = m_view->GetBarWidth();
  if (m_totalBytes <= 0) {
    m_view->SetBar(InstallProgress::BarImage(0), 0);
    return;
  }
  int length = InstallProgress::ComputeLength(width, m_totalBytes, m_completeBytes, m_shared.animationStep.load(),
                                              m_shared.md5Percent.load());
  if (!m_progress.Changed(length)) return;
  if (!m_md5Checking) {
    m_view->SetBubble(
        InstallProgress::ComputeBubble(length, m_view->GetWindowHeight(), m_totalBytes, m_completeBytes));
  }
  m_view->SetBar(InstallProgress::BarImage(length), length);
}

void InstallFlow::CalcMd5() {
  m_retryingInstall = false;
  m_shared.animationStep = 0;
  JF_APP_LOG(kLogInfo, kFile, L"CalcMd5");
  m_installerPath = FileUtils::PathInFolder(m_downloadDir, L"vrinstaller.exe");
  m_shared.installerSize = static_cast<int64_t>(FileUtils::GetFileSize(m_installerPath));
  m_shared.md5Percent = 0;
  m_progress.Reset();
  m_md5Checking = true;
  JF_APP_LOG(kLogInfo, kFile, L"file:%s, size:%I64d", m_installerPath.c_str(),
             static_cast<long long>(m_shared.installerSize.load()));
  m_view->SetBubbleInstalling(true);
  StartWorker(true);
  InstallWorker::SetFlowTimer(m_shared, Window(), kTimerDigest, 100);
}

void InstallFlow::StartWorker(bool checkDigest) {
  AppConfig& config = AppConfig::Instance();
  InstallWorker::Job job;
  job.window = Window();
  job.checkDigest = checkDigest;
  job.installerPath = m_installerPath;
  job.expectedMd5 = m_expectedMd5;
  job.installDir = m_installDir;
  // The old install is where its launcher is: the folder of this run (a -p folder, the
  // default, a typed one) may be anyone's, with files and programs of its own. With -j the
  // caller says the platform is installed and the run installs beside it: the launcher there
  // (perhaps the caller) stays unless this run installs into its very folder, as the file
  // system tells (not the spelling: "." and "..", or a case that names another folder here).
  if (m_launcherInstalled) {
    const std::wstring old = FileUtils::CanonicalFolder(FileUtils::GetParentDir(m_launcherPath));
    if (!config.jfFlag || FileUtils::IsSameFolder(old, m_installDir)) job.oldInstallDir = old;
  }
  job.hasAutoOption = m_view->HasOption(IInstallView::kOptionAuto);
  job.autoSelected = m_view->IsOptionSelected(IInstallView::kOptionAuto);
  job.hidden = config.hidden;
  job.runLauncher = config.runLauncher;
  job.gameId = m_gameId;
  job.tgIdText = LoadStringResource(kStringTgId);
  job.logSetting = config.logEnabled;
  job.downloadStartTick = m_downloadStartTick;
  RunStatistics::BuildGameCodeMap(m_gameCodes);
  job.gameCodes = m_gameCodes;
  m_worker.Start(job);
}

void InstallFlow::OnClickClose() {
  if (m_view->IsBoxOpen(IInstallView::kBoxExit)) return;
  IInstallView::BoxRequest request;
  request.text = L"是否退出安装？";
  request.title = L"退出安装";
  request.showClose = true;
  request.showCancelRow = true;
  if (m_view->RunBox(IInstallView::kBoxExit, request) == 1) Close(1);
}

bool InstallFlow::OnClickInstall() {
  if (!m_view->IsOptionSelected(IInstallView::kOptionAgree)) {
    ShowMessageBox(IInstallView::kBoxPlain, L"请点击阅读 软件许可协议 并勾选同意。", L"", L"", L"", true, false);
    return false;
  }
  m_installDir = InstallFolderChoice::PickInstallFolder(m_installDir);
  if (m_installDir.empty()) {
    m_installDir = InstallFolderChoice::FindFirstDriveFolder();
    m_view->SetFolderText(m_installDir);
    return false;
  }
  if (m_downloadDir.empty()) m_downloadDir = m_installDir;
  m_view->ShowProgressPage(m_gameId != 0);
  if (m_view->IsOptionSelected(IInstallView::kOptionAuto)) {
    CommonUtils::SetAutoRun(InstallSteps::kRunValueName,
                            InstallSteps::AutoRunText(FileUtils::PathInFolder(m_downloadDir, LauncherDetection::kLauncherExe)));
  }
  StartDownload();
  return true;
}

void InstallFlow::OnClickFree() {
  if (m_view->IsPanelVisible()) {
    m_view->SetPanelVisible(false);
    return;
  }
  m_view->SetPanelVisible(true);
  m_installDir = InstallFolderChoice::PickInstallFolder(m_installDir);
  if (m_installDir.empty()) m_installDir = InstallFolderChoice::FindFirstDriveFolder();
  m_view->SetFolderText(m_installDir);
}

void InstallFlow::OnClickSelect() {
  std::wstring chosen = FileUtils::CanonicalFolder(m_view->BrowseForFolder(m_installDir));
  if (chosen.empty()) return;
  m_installDir = FileUtils::PathInFolder(chosen, InstallFolderChoice::kPlatformFolder);
  m_view->SetFolderText(m_installDir);
}

void InstallFlow::OnClickAgreement() {
  ShellExecuteW(Window(), L"open", kAgreementUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

void InstallFlow::OnFolderTextChanged(const std::wstring& text) {
  // Taken in the one form every later step uses, however it was typed.
  m_installDir = FileUtils::CanonicalFolder(text);
  UpdateDiskSpaceText();
}

void InstallFlow::OnDownloadProgress(int64_t totalBytes, int64_t completedBytes, int32_t speed, int32_t) {
  // Bytes arrive (however slowly): the network works, and a hidden run's rounds stop
  // counting meanwhile.
  if (AppConfig::Instance().hidden && (speed > 0 || completedBytes > m_completeBytes)) {
    InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
  }
  m_totalBytes = totalBytes;
  m_completeBytes = completedBytes;
  m_speed = speed;
  m_mayShowRetryBox = true;
  if (m_view->IsBoxOpen(IInstallView::kBoxRetry)) m_view->CloseBox(IInstallView::kBoxRetry, 2);
  UpdateProgress();
}

void InstallFlow::OnDownloadResult(int32_t errorType, int32_t errorCode, const std::wstring&) {
  const ErrorPair result{errorType, errorCode};
  if (result == ErrorPair{}) {
    if (AppConfig::Instance().hidden) InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
    m_totalBytes = 1;
    m_completeBytes = 1;
    UpdateProgress();
    CalcMd5();
    return;
  }
  OnAttemptFailure(result);
}

void InstallFlow::OnInstallInfoResult(int32_t errorType, int32_t errorCode, const std::wstring&,
                                      const std::wstring& md5) {
  m_infoPending = false;
  m_expectedMd5 = md5;
  const ErrorPair result{errorType, errorCode};
  if (!result.Ok()) OnAttemptFailure(result);
}

void InstallFlow::OnDownloadEvent(int32_t event, int32_t) {
  if (event != 0 && event != 4) return;
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
  if (!m_updateModule) return;
  DeleteFileW(FileUtils::PathInFolder(m_installDir, L"vrinstaller.exe").c_str());
  m_updateModule->ResumeDownload();
}

void InstallFlow::OnAttemptFailure(ErrorPair failure) {
  if (!OnFolderFailure(failure)) OnNetworkFailure(failure);
}

bool InstallFlow::OnFolderFailure(ErrorPair failure) {
  // The failure's own pair tells: a system error comes only from the folder's own files (its
  // creation, the stored answer, the engine's file and its move into place), whatever the
  // folder's figures say; a request or a source that failed is the network's, even where the
  // folder has little room left.
  if (failure.type != kErrSys || failure.code == 0) return false;
  const InstallFolderChoice::CheckResult check = InstallFolderChoice::WriteFailure(static_cast<DWORD>(failure.code));
  const std::wstring text = InstallFolderChoice::CheckText(check);
  ReportInstallStatistics(false);
  JF_APP_LOG(kLogInfo, kFile, L"%s %s et:%d ec:%d", text.c_str(), m_downloadDir.c_str(), failure.type, failure.code);
  // Retrying cannot mend a local problem: no retry rounds.
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
  if (AppConfig::Instance().hidden) {
    EndHiddenRun(RunExitCode::kFolderNotWritable);
    return true;
  }
  int result = ShowMessageBox(IInstallView::kBoxPlain, text, L"重试", L"退出安装",
                              StringUtils::Format(L"code:%d type:%d", failure.code, failure.type), true, true);
  if (m_closing) return true;
  if (result == 1) {
    StartDownload();
  } else {
    Close(1);
  }
  return true;
}

void InstallFlow::OnNetworkFailure(ErrorPair failure) {
  ReportInstallStatistics(false);
  JF_APP_LOG(kLogInfo, kFile, L"%s", kNetworkFailure);
  const bool hidden = AppConfig::Instance().hidden;
  // A hidden run's rounds go on at their own pace while they run.
  if (!hidden || !InstallWorker::IsFlowTimer(m_shared, kTimerRetry)) {
    InstallWorker::SetFlowTimer(m_shared, Window(), kTimerRetry, 5000);
  }
  if (!m_mayShowRetryBox || hidden) return;
  m_mayShowRetryBox = false;
  int result =
      CreateMessageBox(kNetworkFailure, L"重试", L"", StringUtils::Format(L"code:%d type:%d", failure.code, failure.type));
  m_mayShowRetryBox = true;
  if (result == 1 && !m_closing) StartDownload();
}

void InstallFlow::OnDigestWrong() {
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerDigest);
  ReportInstallStatistics(false);
  JF_APP_LOG(kLogInfo, kFile, L"%s", kDigestWrong);
  if (AppConfig::Instance().hidden) {
    // A kept file of the expected size would "complete" the next run without a download.
    FileUtils::DeleteFileRetry(m_installerPath, 3);
    EndHiddenRun(RunExitCode::kDigestWrong);
    return;
  }
  if (m_retryingInstall) {
    // The install was retried on a file that is empty or damaged: it is fetched again, as
    // running it again would fail again.
    m_retryingInstall = false;
    DownloadAgain();
    return;
  }
  int result = ShowMessageBox(IInstallView::kBoxPlain, kDigestWrong, L"重新下载", L"退出安装", L"", true, true);
  if (m_closing) return;
  if (result == 1) {
    DownloadAgain();
  } else {
    Close(1);
  }
}

void InstallFlow::DownloadAgain() {
  FileUtils::DeleteFileRetry(m_installerPath, 3);
  m_completeBytes = 0;
  m_md5Checking = false;
  m_view->SetBubbleInstalling(false);
  UpdateProgress();
  StartDownload();
}

void InstallFlow::OnInstallResult(ErrorPair outcome) {
  if (outcome.Ok()) {
    m_shared.installFinished = true;
    UpdateProgress();
    std::wstring game = InstallSteps::OtherGamePath(m_installDir);
    if (FileUtils::IsFileExist(game)) {
      DWORD started = CommonUtils::RunProcess(nullptr, game, L"");
      JF_APP_LOG(kLogError, kFile, L"启动游戏更新器 %s, ret:%d", game.c_str(), static_cast<int>(started));
      InstallSteps::CreateOtherGameShortcuts(m_installDir);
      DeleteFileW(m_installerPath.c_str());
      InstallSteps::CleanMiniLog(AppConfig::Instance().logEnabled);
      if (!CommonUtils::IsProcessRunning(L"JFMain.exe")) {
        InstallWorker::SetFlowTimer(m_shared, Window(), kTimerPlatformWait, 1000);
      } else {
        Close(1);
      }
    } else {
      JF_APP_LOG(kLogError, kFile, L"游戏启动器不存在 %s", game.c_str());
      Close(1);
    }
    ReportInstallStatistics(true);
    return;
  }
  m_installEndTick = GetTickCount();
  ReportInstallStatistics(false);
  JF_APP_LOG(kLogError, kFile, L"解压补丁出错，et:%u, ec:%u", static_cast<unsigned>(outcome.type),
             static_cast<unsigned>(outcome.code));
  if (AppConfig::Instance().hidden) {
    EndHiddenRun(RunExitCode::kInstallFailed);
    return;
  }
  int result = ShowMessageBox(IInstallView::kBoxPlain, L"安装过程出错", L"重试", L"",
                              StringUtils::Format(L"type:%d code:%d", outcome.type, outcome.code), true, false);
  // The retry runs on a new worker: the installer's wait and the animation wait must not
  // block the window. It checks the file first: an empty or damaged one is downloaded again.
  if (result == 1 && !m_closing) {
    m_retryingInstall = true;
    StartWorker(true);
  }
}

void InstallFlow::OnTimer(UINT_PTR id, bool& handled) {
  switch (id) {
    case kTimerAnimation: OnAnimationTimer(); break;
    case kTimerRetry: OnRetryTimer(); break;
    case kTimerLauncherQuestion: handled = OnLauncherQuestionTimer(); break;
    case kTimerPicture: m_view->SetPicture(L"file='ad00.png'"); break;
    case kTimerDigest: UpdateProgress(); break;
    case kTimerPlatformWait: OnPlatformWaitTimer(); break;
    default: break;
  }
}

void InstallFlow::OnAnimationTimer() {
  int step = InstallProgress::NextAnimationStep(m_shared.animationStep.load(), m_shared.installFinished.load());
  m_shared.animationStep = step;
  if (step > InstallProgress::kFullAnimationStep) {
    InstallWorker::KillFlowTimer(m_shared, Window(), kTimerAnimation);
  } else {
    UpdateProgress();
  }
}

void InstallFlow::OnRetryTimer() {
  if (AppConfig::Instance().hidden) {
    if (++m_hiddenRetryTicks > 10) {
      // An attempt cut short is a failure too. A folder's failure ended the run when it came:
      // what is left is the network's.
      const bool underWay = m_infoPending || (m_updateModule && m_updateModule->IsDownloading());
      if (underWay) ReportInstallStatistics(false);
      EndHiddenRun(RunExitCode::kNetworkFailed);
      return;
    }
    // The timer keeps its pace while a round runs, so the rounds bound the whole run
    // whatever each request takes; a new request starts only when none runs.
    if (!m_updateModule || m_infoPending || m_updateModule->IsDownloading()) return;
    if (!m_updateModule->GetUrlList().empty()) RequestInstallInfo();
    return;
  }
  if (!m_updateModule) return;
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerRetry);
  if (!m_updateModule->GetUrlList().empty()) RequestInstallInfo();
}

bool InstallFlow::OnLauncherQuestionTimer() {
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerLauncherQuestion);
  if (!AppConfig::Instance().jfFlag) {
    int result = ShowMessageBox(IInstallView::kBoxPlain, L"您已经安装了澜铭聚峰，是否覆盖安装？", L"覆盖安装",
                                L"直接启动", L"", false, true);
    if (m_closing) return false;
    if (result == 2 && CommonUtils::RunProcess(nullptr, m_launcherPath,
                                               InstallSteps::LauncherCommandLine(m_launcherPath, m_gameId)) == 0) {
      Close(1);
      return true;
    }
  }
  OnClickFree();
  return false;
}

void InstallFlow::OnPlatformWaitTimer() {
  ++m_platformWaitTicks;
  if (m_platformWaitTicks < 30 && !CommonUtils::IsProcessRunning(L"JFMain.exe") &&
      !CommonUtils::IsProcessRunning(L"VRUpdater.exe")) {
    return;
  }
  JF_APP_LOG(kLogInfo, kFile, L"Close, iTimes:%d", m_platformWaitTicks);
  InstallWorker::KillFlowTimer(m_shared, Window(), kTimerPlatformWait);
  Close(1);
}

LRESULT InstallFlow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  switch (message) {
    case WM_TIMER:
      // Only the flow's own running timers; the others belong to the window's framework.
      if (InstallWorker::IsFlowTimer(m_shared, wParam)) OnTimer(wParam, handled);
      break;
    case WM_CLOSE:
      if (m_view->IsBoxOpen(IInstallView::kBoxExit)) {
        m_view->CloseBox(IInstallView::kBoxExit, 1);
        handled = true;
        break;
      }
      m_closing = true;
      // A retry box still open would otherwise restart the download after the close.
      if (m_view->IsBoxOpen(IInstallView::kBoxRetry)) m_view->CloseBox(IInstallView::kBoxRetry, 2);
      m_worker.Cancel();
      StopUpdateModule();
      m_patcher.DestroyThread(3000);
      break;
    case kMsgDigestWrong:
      OnDigestWrong();
      handled = true;
      break;
    case kMsgRedraw:
      UpdateProgress();
      break;
    case kMsgInstallResult:
      OnInstallResult(ErrorPairFromParams(wParam, lParam));
      break;
    default:
      break;
  }
  return 0;
}
