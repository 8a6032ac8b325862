// The installer's link to the update server and the download engine: fetches the
// installer-information file, downloads the installer and reports to an IGameEventListener.
// Everything runs on the main thread; the request and engine callbacks only post to the
// module's message-only window, whose procedure does the work.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Updater/CUpdateInfo.h"
#include "Updater/ErrorPairParams.h"
#include "Updater/IGameEventListener.h"
#include "Updater/InstallInfo.h"
#include "commonlib/DownloadTaskRequest.h"
#include "commonlib/core/ProtoValue.h"
#include "commonlib/http/CHttpCommand.h"

class CUpdateModule {
 public:
  // Messages of the helper window.
  enum : UINT {
    kMsgInfoDone = 0x7E8,      // wParam error type, lParam error code of the request
    kMsgProgress = 0x7E9,      // the data is in the progress record
    kMsgDownloadDone = 0x7EA,  // wParam error type, lParam error code of the download
  };

  // The pair of an answer that names no installer or no usable size or digest.
  static const ErrorPair kUnusableAnswer;

  CUpdateModule(const std::wstring& downloadDir, IGameEventListener* listener, uint32_t ownerValue);
  ~CUpdateModule();
  CUpdateModule(const CUpdateModule&) = delete;
  CUpdateModule& operator=(const CUpdateModule&) = delete;

  // 0 on success, else the system error number.
  DWORD CreateHelperWindow();
  // Creates the download folder with every missing level: 0, or the system error number.
  DWORD CreateDownloadDir();
  // Starts (or restarts) the installer-information request from the first address.
  void RequestInstallInfo();
  // Hands a failed attempt to the listener as OnInstallInfoResult(kErrSys, error), after the
  // current dispatch (directly when there is no helper window).
  void ReportAttemptFailure(DWORD error);
  // Cancels everything and removes the helper window; no listener call follows.
  void Stop();
  // Hands the same download task to the engine again.
  void ResumeDownload();

  // Callbacks of the request and of the engine; user data is the helper window.
  static void OnInfoHttpDone(void* userData, const std::string& body, int errorType, int errorCode);
  static void OnDownloadProgressCallback(uintptr_t userData, int64_t total, int64_t complete, int32_t speed);
  static void OnDownloadDoneCallback(uintptr_t userData, int32_t errorType, int32_t errorCode);
  static LRESULT CALLBACK HelperWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND GetMessageWindow() const { return m_messageWindow; }
  const std::wstring& GetWindowClassName() const { return m_windowClassName; }
  const std::vector<std::wstring>& GetUrlList() const { return m_urlList; }
  const InstallInfo& GetInstallInfo() const { return m_installInfo; }
  const std::wstring& GetInstallerPath() const { return m_installerPath; }
  const std::wstring& GetPartialName() const { return m_partialName; }
  const std::string& GetOptionsText() const { return m_optionsText; }
  bool IsDownloading() const { return m_downloading != 0; }

 private:
  void DestroyHelperWindow();
  void OnInstallInfoReceived(ErrorPair result);
  // On failure, result is the pair of the file that could not be written.
  bool StoreAndReadInstallInfo(const std::wstring& path, ErrorPair& result);
  // 0 when the task was handed to the engine, else the system error of the folder.
  DWORD StartInstallerDownload(const std::wstring& suffix);
  void AddDownloadTask();
  void OnProgressMessage();
  void OnDownloadFinished(ErrorPair result);
  void NotifyDownloadResult(ErrorPair result, const wchar_t* message);
  static void LogPostFailure(DWORD error);
  static void PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::wstring m_infoText;
  [[maybe_unused]] uint32_t m_ownerValue;  // kept as given; nothing reads it
  ProtoValue m_progressRecord;
  HWND m_messageWindow = nullptr;
  std::vector<std::wstring> m_urlList;
  CUpdateInfo m_updateInfo;
  CHttpCommand m_infoCommand;
  int32_t m_downloading = 0;
  std::wstring m_downloadDir;
  std::wstring m_windowClassName;
  IGameEventListener* m_listener;
  InstallInfo m_installInfo;
  std::wstring m_installerPath;
  std::wstring m_partialName;
  std::string m_optionsText;
  // The task last handed to the engine, handed again by ResumeDownload.
  DownloadTaskRequest m_task;
  // The engine holds the task: from its hand-over until the engine's completion call, which
  // comes after the engine has let the task go.
  bool m_taskHeld = false;
};
