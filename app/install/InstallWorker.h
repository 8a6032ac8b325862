// The install worker: checks the download's MD5 digest, then runs the installer, writes the
// configuration and starts the launcher. It reaches the main window only by posting to it
// and by setting and killing its timers 11 and 16; once cancelled it touches the window no
// more. The owner joins it before the window and the services go away.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "app/install/RunStatistics.h"
#include "commonlib/http/ResultCodes.h"

class InstallWorker {
 public:
  // Messages to the main window.
  enum : UINT {
    kMsgDigestWrong = 0x464,  // the download's digest differs, or the file cannot be read
    kMsgInstallResult = 0x466,  // wParam error type, lParam error code (0: installed)
  };
  enum : UINT_PTR { kTimerAnimation = 11, kTimerDigest = 16 };

  // Values shared with the main thread, each read and written whole.
  struct Shared {
    std::atomic<int> animationStep{0};
    std::atomic<bool> installFinished{false};
    std::atomic<int> md5Percent{0};
    std::atomic<int64_t> installerSize{0};
    // The flow's window timers that run (bit = id): the window's framework keeps timers of
    // its own on the same window, whose ids may meet these.
    std::atomic<uint32_t> timers{0};
  };

  // Window timers of the flow, set and killed from either thread.
  static void SetFlowTimer(Shared& shared, HWND window, UINT_PTR id, UINT ms);
  static void KillFlowTimer(Shared& shared, HWND window, UINT_PTR id);
  static bool IsFlowTimer(const Shared& shared, UINT_PTR id);

  struct Job {
    HWND window = nullptr;
    bool checkDigest = true;  // false: install at once (a retry)
    std::wstring installerPath;
    std::wstring expectedMd5;
    std::wstring installDir;
    // The folder of the launcher that was found: the earlier install, removed before the
    // installer runs; empty when none was found.
    std::wstring oldInstallDir;
    bool hasAutoOption = false;
    bool autoSelected = false;
    bool hidden = false;
    bool runLauncher = true;
    int32_t gameId = 0;
    std::wstring tgIdText;  // string 1 of the string table
    int logSetting = 0;
    DWORD downloadStartTick = 0;
    std::map<int32_t, std::wstring> gameCodes;
  };

  explicit InstallWorker(Shared* shared) : m_shared(shared) {}
  ~InstallWorker();
  InstallWorker(const InstallWorker&) = delete;
  InstallWorker& operator=(const InstallWorker&) = delete;

  // Joins an earlier run first.
  void Start(const Job& job);
  // Ends the waits of the running job; nothing of the window is touched after it.
  void Cancel() { m_cancel = true; }
  void Join();
  bool IsCancelled() const { return m_cancel.load(); }
  // When the installer had run, for the success record.
  DWORD InstallEndTick() const { return m_installEndTick.load(); }

  // The pair of an installer that ended with a non-zero exit code: the type of a program's
  // own status, the code as it ended.
  static ErrorPair InstallerExitPair(DWORD exitCode);

  // The MD5 of a file, lower-case hex; "" when it cannot be opened.
  static std::wstring FileDigest(const std::wstring& path, Shared* progress);

 private:
  // The worker's thread: checks the digest (Run), then installs (StartInstallExe).
  static DWORD WINAPI Md5CheckThread(LPVOID self);
  void Run(const Job& job);
  void StartInstallExe(const Job& job);
  void Post(const Job& job, UINT message, WPARAM wParam, LPARAM lParam);

  Shared* m_shared;
  HANDLE m_thread = nullptr;
  Job m_job;
  std::atomic<bool> m_cancel{false};
  std::atomic<DWORD> m_installEndTick{0};
};
