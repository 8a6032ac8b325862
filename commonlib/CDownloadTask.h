// One segmented, resumable download of one file from several sources at once. Owned by the
// task queue; everything runs on the main thread. The task owns its sources, its missing
// ranges and outstanding blocks, its resume file and a reference to its task log.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "commonlib/CTaskLog.h"
#include "commonlib/CTaskMetaFile.h"
#include "commonlib/DownloadTaskRequest.h"
#include "commonlib/GapList.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/peer/BlockRequest.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/util/FileIdentity.h"

class CDownloadPeer;
class CHttpDownloadPeer;

class CDownloadTask {
 public:
  enum { kHttpBlockLimit = 5 * 262144, kOtherBlockLimit = 262144 };
  enum { TaskCodeOk = 0, TaskCodeNoSource = 809 };
  // Whether the sources run (StartTask/StopTask).
  enum RunState { kStopped = 0, kRunning = 1 };
  // How the download ended, as the report's "status" gives it.
  enum Outcome { kOutcomePending = 0, kOutcomeSucceeded = 1, kOutcomeFailed = 2 };

  // The request's user data and callbacks are the task's; the contexts go with the callbacks.
  explicit CDownloadTask(const DownloadTaskRequest& request, uintptr_t progressContext = 0,
                         uintptr_t completionContext = 0);
  virtual ~CDownloadTask();
  CDownloadTask(const CDownloadTask&) = delete;
  CDownloadTask& operator=(const CDownloadTask&) = delete;

  // Lifecycle. A completion destroys the task: after StartTask the task may be gone. A
  // successful one may first wait on its ticks for its file's move into place.
  bool StartTask();
  bool StopTask();
  // code 0 is success; any other, one of the engine's own codes, ends the task with (3, code).
  void OnTaskCompleted(int code);
  // Ends the task with the pair, a success only when its type is 0, whatever its code (a file
  // that could not be written ends it with (1, the system error)).
  void OnTaskCompleted(ErrorPair result);
  void ReportPause();
  void GetStats(ProtoValue& record);

  // Tick; false when the task has had no source for more than 10 s. A finished download that
  // waits for its move into place tries the move again here.
  bool OnTimer();
  // A finished download whose file could not be moved into place yet: it is tried again on
  // the next ticks, so that no wait blocks the main thread.
  bool IsMovingIntoPlace() const { return m_moveAttempts > 0; }
  // Attempts at the move after the first one, one per tick.
  enum { kMoveRetries = 5 };

  // Source events. OnRangeCompleted may destroy the task.
  void OnRangeCompleted(CDownloadPeer* peer, int et, int ec);
  void OnPeerResolved(CDownloadPeer* peer);
  void OnPeerRedirect(const std::wstring& logName, const std::wstring& location);
  void OnPeerIpChanged(CDownloadPeer* peer, const std::wstring& oldIp, const std::wstring& newIp);
  void OnPeerRetry(CDownloadPeer* peer, int et, int ec, int times);

  // Blocks.
  void FreeGaps(GapList& out, bool wholeRequests) const;
  bool CutBlock(BlockRequest& request, bool httpSource) const;
  int64_t GetCompletedSize() const;
  CDownloadPeer* FindIdlePeer() const;
  static bool DescribePeer(CDownloadPeer* peer, std::wstring& text);
  bool DownloadNextEmptyBlock();
  bool RemoveRequestBlock(int64_t first, int64_t last);
  std::wstring DumpBlocks() const;
  void AddPeer(CDownloadPeer* peer);
  bool HasPeer(const CDownloadPeer* peer) const;
  bool HasNonP2PPeer() const;
  void AddSourceBytes(CDownloadPeer* peer, int64_t bytes);
  void AddSourceTime(CDownloadPeer* peer);

  // Resume file: saved after every finished block and on every stop.
  void SaveMeta();
  bool LoadMeta();

  // Runs the block results that arrived while the task was inside a call of its sources;
  // the queue calls it through a posted task with the task's serial.
  static void RunDeferredResults(uint64_t serial, int unused);

  std::wstring GetFullName() const { return m_directory + L"\\" + m_fileName; }
  std::wstring GetTempFilePath() const { return GetFullName() + L".vrdt"; }
  std::wstring GetMetaFilePath() const { return GetTempFilePath() + L".vrmt"; }
  const std::wstring& GetUrl() const { return m_url; }
  const std::wstring& GetMd5() const { return m_md5; }
  int64_t GetSize() const { return m_size; }
  uint64_t GetSerial() const { return m_serial; }
  RunState GetRunState() const { return m_runState; }
  Outcome GetOutcome() const { return m_outcome; }
  bool IsCdnUsed() const { return m_isCdn; }
  bool IsSwitched() const { return m_switched; }
  const CRefPtr<CTaskLog>& GetLog() const { return m_log; }
  const GapList& GetGaps() const { return m_gaps; }
  const std::list<BlockRequest*>& GetRequests() const { return m_requests; }
  const std::list<CDownloadPeer*>& GetPeers() const { return m_peers; }
  const std::vector<std::wstring>& GetSpareAddresses() const { return m_spareAddresses; }
  CTaskMetaFile& GetMetaFile() { return m_meta; }

 private:
  struct DeferredResult {
    CDownloadPeer* peer;
    ErrorPair result;
  };

  // Creates and sizes the temporary file; 0 or the system error.
  DWORD CreateEmptyFile();
  // Takes note of the file the download writes (or, when nothing is left to write, the final
  // file it stands for); 0 or the system error.
  DWORD NoteOwnFile(const std::wstring& path);
  // The file under path is the one noted: not removed, nor replaced by another.
  bool IsOwnFile(const std::wstring& path) const;
  // One attempt at moving the finished file into place; the task ends when it succeeds or
  // when no attempt is left (and is gone then).
  void MoveIntoPlace();
  // Unlists the task, tells the caller and destroys the task.
  void FinishTask(ErrorPair result);
  void DeletePeers();
  void DeleteMetaFiles();
  // Stops, unlists and destroys one source.
  void DropPeer(CDownloadPeer* peer);
  CHttpDownloadPeer* NewHttpPeer(const std::wstring& url, bool restartOnRedirect);
  void SwitchToCdn();
  // A block's outcome once it has left the outstanding requests; OnBlockFetched answers
  // whether the block completed the file (the task is gone then).
  bool OnBlockFetched(CDownloadPeer* peer, int64_t first, int64_t last);
  void OnSourceFailed(CDownloadPeer* peer, ErrorPair error);
  int Percent(int64_t completed) const;
  bool IsComplete() const;
  void Log(int level, int line, const wchar_t* format, ...);
  // Calls into sources may finish blocks synchronously: inside such a call results wait.
  void EnterSourceCall() { ++m_sourceCallDepth; }
  // Ends such a call; the outermost one hands waiting results to the main loop.
  void LeaveSourceCall();

  CRefPtr<CTaskLog> m_log;
  uintptr_t m_userData;
  DownloadProgressCallback m_progress;
  uintptr_t m_progressContext;
  DownloadCompletionCallback m_completion;
  uintptr_t m_completionContext;
  GapList m_gaps;
  std::list<BlockRequest*> m_requests;
  std::list<CDownloadPeer*> m_peers;
  std::wstring m_url;
  std::vector<std::wstring> m_spareAddresses;
  int m_sourceLimit;
  std::wstring m_md5;
  std::wstring m_directory;
  std::wstring m_fileName;
  std::wstring m_cdnHost;
  int64_t m_cdnMinSpeed;
  uint32_t m_lastGoodTick;
  bool m_switched;
  bool m_isCdn;
  int64_t m_accumulatedMs;
  uint32_t m_startTick;
  int64_t m_size;
  uint32_t m_noSourceSince;
  RunState m_runState;
  int64_t m_p2pBytes;
  Outcome m_outcome;
  CTaskMetaFile m_meta;
  std::string m_options;

  uint64_t m_serial;
  int m_sourceCallDepth;
  bool m_deferredPosted;
  std::list<DeferredResult> m_deferred;
  int m_moveAttempts = 0;
  // The file this download wrote, as the file system knows it.
  FileIdentity m_ownFile;
  bool m_ownFileNoted = false;
  // The file was removed or replaced under the download.
  bool m_fileLost = false;
};
