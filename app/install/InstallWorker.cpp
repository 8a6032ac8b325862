#include "app/install/InstallWorker.h"

#include <cstdio>

#include "Updater/ErrorPairParams.h"
#include "app/install/AppLog.h"
#include "app/install/InstallSteps.h"
#include "app/install/OldInstallRemoval.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kFile[] = L".\\app\\install\\InstallWorker.cpp";

// The digest's progress hook is process-wide; one check runs at a time.
std::atomic<InstallWorker::Shared*> g_digestProgress{nullptr};

void OnMd5Progress(int64_t bytesDone) {
  InstallWorker::Shared* shared = g_digestProgress.load();
  if (shared == nullptr) return;
  int64_t size = shared->installerSize.load();
  if (size <= 0) return;
  int64_t percent = bytesDone * 100 / size;
  shared->md5Percent = static_cast<int>(percent > 100 ? 100 : percent);
}

}  // namespace

ErrorPair InstallWorker::InstallerExitPair(DWORD exitCode) {
  return ErrorPair{kErrCrt, static_cast<int>(exitCode)};
}

void InstallWorker::SetFlowTimer(Shared& shared, HWND window, UINT_PTR id, UINT ms) {
  if (id < 32) shared.timers |= 1u << id;
  SetTimer(window, id, ms, nullptr);
}

void InstallWorker::KillFlowTimer(Shared& shared, HWND window, UINT_PTR id) {
  if (id < 32) shared.timers &= ~(1u << id);
  KillTimer(window, id);
}

bool InstallWorker::IsFlowTimer(const Shared& shared, UINT_PTR id) {
  return id < 32 && (shared.timers.load() & (1u << id)) != 0;
}

InstallWorker::~InstallWorker() {
  Cancel();
  Join();
}

void InstallWorker::Start(const Job& job) {
  Join();
  m_cancel = false;
  m_job = job;
  m_thread = CreateThread(nullptr, 0, Md5CheckThread, this, 0, nullptr);
  if (m_thread == nullptr) {
    JF_APP_LOG(kLogError, kFile, L"install worker not started:%u", static_cast<unsigned>(GetLastError()));
  }
}

void InstallWorker::Join() {
  if (m_thread == nullptr) return;
  WaitForSingleObject(m_thread, INFINITE);
  CloseHandle(m_thread);
  m_thread = nullptr;
}

DWORD WINAPI InstallWorker::Md5CheckThread(LPVOID self) {
  InstallWorker* worker = static_cast<InstallWorker*>(self);
  worker->Run(worker->m_job);
  return 0;
}

void InstallWorker::Post(const Job& job, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_cancel) PostMessageW(job.window, message, wParam, lParam);
}

std::wstring InstallWorker::FileDigest(const std::wstring& path, Shared* progress) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return std::wstring();
  g_digestProgress = progress;
  MD5::SetProgressHook(OnMd5Progress);
  MD5 digest(file);  // closes the file
  MD5::SetProgressHook(nullptr);
  g_digestProgress = nullptr;
  return StringUtils::ToLower(StringUtils::Utf8ToWide(digest.hex_digest()));
}

void InstallWorker::Run(const Job& job) {
  if (job.checkDigest) {
    // An empty or missing file is never run, digest or not: it is no installer.
    const uint64_t size = FileUtils::GetFileSize(job.installerPath);
    if (size == static_cast<uint64_t>(-1) || size == 0) {
      JF_APP_LOG(kLogInfo, kFile, L"installer empty or missing:%s", job.installerPath.c_str());
      Post(job, kMsgDigestWrong, 0, 0);
      return;
    }
  }
  if (job.checkDigest && !job.expectedMd5.empty()) {
    std::wstring digest = FileDigest(job.installerPath, m_shared);
    if (digest.empty() || digest != StringUtils::ToLower(job.expectedMd5)) {
      JF_APP_LOG(kLogInfo, kFile, L"md5 mismatch file:%s md5:%s", digest.c_str(), job.expectedMd5.c_str());
      Post(job, kMsgDigestWrong, 0, 0);
      return;
    }
  }
  if (!m_cancel) StartInstallExe(job);
}

void InstallWorker::StartInstallExe(const Job& job) {
  if (m_cancel) return;
  JF_APP_LOG(kLogInfo, kFile, L"StartInstallExe begin");
  KillFlowTimer(*m_shared, job.window, kTimerDigest);
  SetFlowTimer(*m_shared, job.window, kTimerAnimation, 100);
  if (!job.oldInstallDir.empty()) OldInstallRemoval::EndProcessAndDelFile(job.oldInstallDir);
  if (m_cancel) return;

  InstallSteps::RunResult run = InstallSteps::RunProcessAndWait(
      job.installerPath, InstallSteps::InstallerCommandLine(job.installerPath, job.installDir), &m_cancel);
  if (run.cancelled || m_cancel) return;
  if (run.startError != 0) {
    // Nothing was installed: configuring and starting a launcher that is not there would
    // report a failure as success.
    JF_APP_LOG(kLogError, kFile, L"installer start failed:%u", static_cast<unsigned>(run.startError));
    KillFlowTimer(*m_shared, job.window, kTimerAnimation);
    const ErrorPair failure = SystemErrorPair(run.startError);
    Post(job, kMsgInstallResult, ErrorTypeParam(failure), ErrorCodeParam(failure));
    return;
  }
  JF_APP_LOG(kLogInfo, kFile, L"installer exit code:%u", static_cast<unsigned>(run.exitCode));
  if (run.exitCode != 0) {
    // An installer that failed or was killed installed nothing usable: an install error,
    // not a success.
    KillFlowTimer(*m_shared, job.window, kTimerAnimation);
    const ErrorPair failure = InstallerExitPair(run.exitCode);
    Post(job, kMsgInstallResult, ErrorTypeParam(failure), ErrorCodeParam(failure));
    return;
  }

  if (job.tgIdText != L"0") InstallSteps::WriteTgId(job.installDir, job.tgIdText);
  if (job.hasAutoOption) InstallSteps::WritePreference(job.installDir, job.autoSelected);

  m_installEndTick = GetTickCount();
  RunStatistics::RunFacts facts;
  facts.installDir = job.installDir;
  facts.gameId = job.gameId;
  facts.downloadStartTick = job.downloadStartTick;
  facts.installEndTick = m_installEndTick;
  RunStatistics::Send(RunStatistics::BuildRecord(true, facts, job.gameCodes));

  InstallSteps::WriteLauncherIni(job.installDir, job.hidden);

  m_shared->installFinished = true;
  JF_APP_LOG(kLogInfo, kFile, L"progress_time:%d", m_shared->animationStep.load());
  while (m_shared->animationStep.load() < 450) {
    if (m_cancel) return;
    Sleep(20);
  }
  JF_APP_LOG(kLogInfo, kFile, L"progress_time:%d", m_shared->animationStep.load());
  if (job.runLauncher) {
    DWORD error = InstallSteps::StartLauncher(job.installDir, job.gameId);
    if (error != 0) JF_APP_LOG(kLogError, kFile, L"launcher start failed:%u", static_cast<unsigned>(error));
  }
  DeleteFileW(job.installerPath.c_str());
  InstallSteps::CleanMiniLog(job.logSetting);
  Post(job, WM_CLOSE, 1, 0);
}
