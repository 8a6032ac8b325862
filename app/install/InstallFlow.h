// The conductor of the install flow behind the main window: the first step, the reactions
// to the window's controls, timers and messages, and the update module's reports. Runs on
// the main thread; the install worker reaches it only through the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "Updater/ErrorPairParams.h"
#include "Updater/IGameEventListener.h"
#include "Updater/MakePatch/CPatcher.h"
#include "app/config/RunExitCode.h"
#include "app/install/IInstallView.h"
#include "app/install/InstallProgress.h"
#include "app/install/InstallWorker.h"

class CUpdateModule;

class InstallFlow : public IGameEventListener {
 public:
  enum : UINT_PTR {
    kTimerAnimation = 11,
    kTimerRetry = 12,
    kTimerLauncherQuestion = 13,
    kTimerPicture = 15,
    kTimerDigest = 16,
    kTimerPlatformWait = 18,
  };
  enum : UINT { kMsgDigestWrong = 0x464, kMsgRedraw = 0x465, kMsgInstallResult = 0x466 };

  explicit InstallFlow(IInstallView* view);
  ~InstallFlow();
  InstallFlow(const InstallFlow&) = delete;
  InstallFlow& operator=(const InstallFlow&) = delete;

  // The first step, once the window's controls exist.
  void PrepareInstall();
  // The window's messages; handled: the window's own handling is skipped.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Stops the install worker and waits for it: after the message loop, before the services
  // go down.
  void Shutdown();

  // Notifications of the controls; the install click answers whether the install started.
  void OnProgressTimer() { UpdateProgress(); }
  void OnClickClose();
  bool OnClickInstall();
  void OnClickFree();
  void OnClickSelect();
  void OnClickAgreement();
  void OnFolderTextChanged(const std::wstring& text);

  // IGameEventListener
  void Reserved0(int32_t, int32_t, int32_t, int32_t) override {}
  void Reserved1(int32_t, int32_t, int32_t) override {}
  void OnDownloadProgress(int64_t totalBytes, int64_t completedBytes, int32_t speed, int32_t reserved) override;
  void OnDownloadResult(int32_t errorType, int32_t errorCode, const std::wstring& message) override;
  void Reserved4(int32_t, int32_t, int32_t) override {}
  void Reserved5(int32_t) override {}
  void Reserved6(int32_t, int32_t, int32_t) override {}
  void Reserved7(int32_t, int32_t) override {}
  void Reserved8(int32_t, int32_t) override {}
  void OnDownloadEvent(int32_t event, int32_t value) override;
  void OnInstallInfoResult(int32_t errorType, int32_t errorCode, const std::wstring& version,
                           const std::wstring& md5) override;

  void UpdateProgress();
  void StartDownload();
  void CalcMd5();
  void ReportInstallStatistics(bool success);
  // A run that ends before its first step (its window could not be built): the failure
  // record, with the game of the command line.
  void ReportRunFailure();

  // State the window and the tests read.
  const std::wstring& GetInstallDir() const { return m_installDir; }
  const std::wstring& GetDownloadDir() const { return m_downloadDir; }
  const std::wstring& GetLauncherPath() const { return m_launcherPath; }
  const std::wstring& GetInstallerPath() const { return m_installerPath; }
  int32_t GetGameId() const { return m_gameId; }
  bool IsLauncherInstalled() const { return m_launcherInstalled; }
  bool IsDigestChecking() const { return m_md5Checking; }
  CUpdateModule* GetUpdateModule() const { return m_updateModule.get(); }
  InstallWorker::Shared& GetShared() { return m_shared; }
  const InstallProgress& GetProgress() const { return m_progress; }
  void SetInstallDir(const std::wstring& folder) { m_installDir = folder; }

  static const wchar_t kAgreementUrl[];

 private:
  // A failed attempt: a folder problem when its pair is the error of one of the folder's
  // files, else a network failure.
  void OnAttemptFailure(ErrorPair failure);
  // True when the failure is the download folder's; then the user (or the hidden run's end)
  // hears of the folder, not of the network.
  bool OnFolderFailure(ErrorPair failure);
  void OnNetworkFailure(ErrorPair failure);
  void RequestInstallInfo();
  // Ends a hidden run that failed, with the code of its kind of failure.
  void EndHiddenRun(RunExitCode::Code code);
  void OnDigestWrong();
  // Drops the downloaded file and the progress, and fetches the installer again.
  void DownloadAgain();
  void OnInstallResult(ErrorPair outcome);
  void OnTimer(UINT_PTR id, bool& handled);
  void OnAnimationTimer();
  void OnRetryTimer();
  // true when the launcher was started instead: the window's own handling is skipped.
  bool OnLauncherQuestionTimer();
  void OnPlatformWaitTimer();
  void StartWorker(bool checkDigest);
  void StopUpdateModule();
  void Close(UINT code);
  int ShowMessageBox(IInstallView::BoxSlot slot, const std::wstring& text, const std::wstring& ok,
                     const std::wstring& cancel, const std::wstring& code, bool showClose, bool showCancelRow);
  // The retry box: close button shown, button row hidden, held by the view as the open box
  // while it runs, so that a progress report can close it.
  int CreateMessageBox(const std::wstring& text, const std::wstring& ok, const std::wstring& cancel,
                       const std::wstring& code);
  // The folder tip: the free space of the folder's drive, or why it cannot be used.
  void UpdateDiskSpaceText();
  HWND Window() { return m_view->GetViewWindow(); }

  IInstallView* m_view;
  std::wstring m_installDir;
  std::wstring m_launcherPath;
  std::wstring m_downloadDir;
  std::wstring m_installerPath;
  int32_t m_gameId = 0;
  InstallWorker::Shared m_shared;
  CPatcher m_patcher;
  std::unique_ptr<CUpdateModule> m_updateModule;
  bool m_mayShowRetryBox = true;
  bool m_launcherInstalled = false;
  bool m_md5Checking = false;
  bool m_closing = false;
  // The installer-information request runs (from its start to the module's answer).
  bool m_infoPending = false;
  // An install retry checks the file again: a bad file is downloaded again, not run.
  bool m_retryingInstall = false;
  // Ticks of the retry timer in hidden mode and of the wait for the platform's programs;
  // never reset (one flow lives as long as the process).
  int m_hiddenRetryTicks = 0;
  int m_platformWaitTicks = 0;
  std::wstring m_expectedMd5;
  int64_t m_totalBytes = 0;
  int64_t m_completeBytes = 0;
  int32_t m_speed = 0;
  DWORD m_downloadStartTick = 0;
  DWORD m_installEndTick = 0;
  std::map<int32_t, std::wstring> m_gameCodes;
  InstallProgress m_progress;
  InstallWorker m_worker;
};
