#include "commonlib/CDownloadTask.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <ctime>

#include "commonlib/CDownloadTaskQueue.h"
#include "commonlib/core/CFileEx.h"
#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/peer/CDownloadPeer.h"
#include "commonlib/peer/CHttpDownloadPeer.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask2.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"DownloadTask";
const wchar_t kCatState[] = L"任务状态";
const wchar_t kCatSource[] = L"选取源";
const wchar_t kCatResolve[] = L"源解析";
const wchar_t kCatRetry[] = L"源重试";
const wchar_t kCatFail[] = L"源失败";
const wchar_t kCatRedirect[] = L"源重定向";

std::atomic<uint64_t> g_taskSerial{0};
}  // namespace

#define TASK_LOG(level, ...) Log((level), __LINE__, __VA_ARGS__)

void CDownloadTask::Log(int level, int line, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = StringUtils::FormatV(format, args);
  va_end(args);
  HttpLog::Write(level, line, kFile, L"%s", text.c_str());
}

CDownloadTask::CDownloadTask(const DownloadTaskRequest& request, uintptr_t progressContext,
                             uintptr_t completionContext)
    : m_log(new CTaskLog()),
      m_userData(request.userData),
      m_progress(request.progress),
      m_progressContext(progressContext),
      m_completion(request.completion),
      m_completionContext(completionContext),
      m_url(request.url),
      m_sourceLimit(3),
      m_md5(request.md5),
      m_directory(FileUtils::GetParentDir(request.fullPath)),
      m_fileName(FileUtils::GetFileName(request.fullPath)),
      m_cdnHost(request.cdnHost),
      m_cdnMinSpeed(request.cdnMinSpeed),
      m_lastGoodTick(0),
      m_switched(false),
      m_isCdn(false),
      m_accumulatedMs(0),
      m_startTick(GetTickCount()),
      m_size(request.size),
      m_noSourceSince(0),
      m_runState(kStopped),
      m_p2pBytes(0),
      m_outcome(kOutcomePending),
      m_options(request.options),
      m_serial(++g_taskSerial),
      m_sourceCallDepth(0),
      m_deferredPosted(false) {
  m_log->m_ownerStats = [this](ProtoValue& record) { GetStats(record); };
  if (!request.options.empty())
    ProtoValueJsonConvertor::FromJson(StringUtils::FromUtf8(request.options), m_log->m_record);
  // The record is a map whatever the options text held.
  if (m_log->m_record.type() != PV_MAP) m_log->m_record = ProtoValue(PV_MAP);
  m_log->m_record[L"file_name"] = FileUtils::GetFileName(request.fullPath);
  TASK_LOG(kLogInfo, L"CDownloadTask::CDownloadTask full_name:%s", request.fullPath.c_str());
  const std::wstring& spareAddresses = request.spareAddresses;
  if (!spareAddresses.empty()) {
    // Empty pieces stay: they are addresses as far as the caller is concerned.
    size_t start = 0;
    for (;;) {
      size_t sep = spareAddresses.find(L';', start);
      m_spareAddresses.push_back(spareAddresses.substr(start, sep == std::wstring::npos ? sep : sep - start));
      if (sep == std::wstring::npos) break;
      start = sep + 1;
    }
    std::sort(m_spareAddresses.begin(), m_spareAddresses.end());
  }
  m_meta.SetPath(GetMetaFilePath());
}

CDownloadTask::~CDownloadTask() {
  DeletePeers();
  // The log outlives the task: it must not call back into it.
  m_log->m_ownerStats = nullptr;
}

// ---- lifecycle ----

DWORD CDownloadTask::CreateEmptyFile() {
  std::wstring path = GetTempFilePath();
  CFileEx file;
  CFileExException error;
  uint32_t flags = CFileEx::modeReadWrite | CFileEx::shareDenyNone | CFileEx::modeNoInherit |
                   CFileEx::modeCreate | CFileEx::modeNoTruncate | CFileEx::typeBinary;
  if (!file.Open(path.c_str(), flags, &error)) {
    TASK_LOG(kLogError, L"[CreateEmptyFile]打开错误 %d:%d %s", kErrSys, error.GetCode(), path.c_str());
    return error.GetCode() != 0 ? static_cast<DWORD>(error.GetCode()) : static_cast<DWORD>(ERROR_CANNOT_MAKE);
  }
  try {
    file.SetLength(static_cast<uint64_t>(m_size));
    file.Close();
    return NoteOwnFile(path);
  } catch (CFileExException& e) {
    TASK_LOG(kLogError, L"CDownloadTask::SetLength %s %lld %d:%d", path.c_str(), static_cast<long long>(m_size),
             kErrSys, e.GetCode());
    file.Abort();
    return e.GetCode() != 0 ? static_cast<DWORD>(e.GetCode()) : static_cast<DWORD>(ERROR_CANNOT_MAKE);
  }
}

DWORD CDownloadTask::NoteOwnFile(const std::wstring& path) {
  m_ownFileNoted = FileUtils::GetFileIdentity(path, m_ownFile) && !m_ownFile.directory;
  if (m_ownFileNoted) return 0;
  const DWORD error = GetLastError();
  return error != 0 ? error : static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
}

bool CDownloadTask::IsOwnFile(const std::wstring& path) const {
  FileIdentity now;
  return m_ownFileNoted && FileUtils::GetFileIdentity(path, now) && now == m_ownFile;
}

bool CDownloadTask::StartTask() {
  if (m_runState == kRunning) {
    TASK_LOG(kLogError, L"StartTask error 状态错误 %s", GetFullName().c_str());
    return false;
  }
  m_runState = kRunning;
  m_lastGoodTick = m_startTick = GetTickCount();
  DeletePeers();
  bool loaded = LoadMeta();
  m_log->AddLineF(kCatState, L"开始下载:%s", m_url.c_str());
  std::wstring tempPath = GetTempFilePath();
  if (loaded && FileUtils::IsFileExist(tempPath) &&
      !(GetFileAttributesW(tempPath.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) {
    // A temporary file shorter than the download was never sized: whatever its resume
    // file claims, the bytes are not there.
    uint64_t tempSize = FileUtils::GetFileSize(tempPath);
    if (tempSize != static_cast<uint64_t>(-1) && static_cast<int64_t>(tempSize) < m_size) {
      TASK_LOG(kLogError, L"临时文件小于预期大小,重新下载 %s %lld/%lld", tempPath.c_str(),
               static_cast<long long>(static_cast<int64_t>(tempSize)), static_cast<long long>(m_size));
      loaded = false;
    }
  }
  if (!loaded || !FileUtils::IsFileExist(tempPath)) {
    // Only a digest, checked after the download, can tell that a file of the expected size
    // is this file: without one it is fetched afresh.
    uint64_t finalSize = m_md5.empty() ? static_cast<uint64_t>(-1) : FileUtils::GetFileSize(GetFullName());
    if (finalSize != static_cast<uint64_t>(-1) && static_cast<int64_t>(finalSize) == m_size) {
      m_log->m_noReport = true;
      TASK_LOG(kLogError, L"最终文件大小等于预期大小，认为已经完成 %s %lld", GetFullName().c_str(),
               static_cast<long long>(m_size));
      // A temporary file left from an earlier run must not replace the complete file.
      m_meta.CloseFile();
      FileUtils::DeleteFileRetry(tempPath, 0);
      FileUtils::DeleteFileRetry(GetMetaFilePath(), 0);
      // The final file is the finished one: the move that follows finds nothing to move.
      const DWORD error = NoteOwnFile(GetFullName());
      OnTaskCompleted(error == 0 ? ErrorPair{} : ErrorPair{kErrSys, static_cast<int>(error)});
      return true;
    }
    // Everything is missing before the file is sized, so the resume file that the end of a
    // failed run saves cannot claim a single byte.
    m_gaps.Clear();
    if (m_size > 0) m_gaps.AddRange(0, m_size - 1);
    if (const DWORD error = CreateEmptyFile()) {
      // A file failure like the engine's others: the folder's, by its system error.
      TASK_LOG(kLogError, L"创建空文件失败 %s %lld", tempPath.c_str(), static_cast<long long>(m_size));
      OnTaskCompleted(ErrorPair{kErrSys, static_cast<int>(error)});
      return true;
    }
  } else {
    // A resumed file that is no file (a folder) is not noted: its sources' opens fail by it.
    NoteOwnFile(tempPath);
  }
  // Nothing is missing (an empty file needs no source either).
  if (m_size <= 0 || IsComplete()) {
    TASK_LOG(kLogInfo, L"任务完成，无需开始下载 %s", GetFullName().c_str());
    OnTaskCompleted(TaskCodeOk);
    return true;
  }
  CHttpDownloadPeer* domain = NewHttpPeer(m_url, false);
  AddPeer(domain);
  m_log->AddLineF(kCatSource, L"选取域名源：%s", CommonUtils::GetUrlHost(m_url).c_str());

  srand(static_cast<unsigned>(time(nullptr)));
  std::vector<std::wstring> left = m_spareAddresses;
  for (int i = 0; i < m_sourceLimit - 1 && !left.empty(); ++i) {
    size_t k = static_cast<size_t>(rand()) % left.size();
    CHttpDownloadPeer* peer = NewHttpPeer(m_url, true);
    peer->SetIp(CommonUtils::GetUrlHost(m_url), left[k], static_cast<uint16_t>(CommonUtils::GetUrlPort(m_url)));
    m_log->AddLineF(kCatSource, L"选取IP源：%s", left[k].c_str());
    TASK_LOG(kLogInfo, L"添加ip peer url:%s ip:%s", m_url.c_str(), left[k].c_str());
    AddPeer(peer);
    left.erase(left.begin() + static_cast<std::ptrdiff_t>(k));
  }
  return true;
}

CHttpDownloadPeer* CDownloadTask::NewHttpPeer(const std::wstring& url, bool restartOnRedirect) {
  CHttpDownloadPeer* peer = new CHttpDownloadPeer(m_options, url, GetTempFilePath(), restartOnRedirect);
  peer->m_verifyHost = true;
  peer->m_ownerKey = m_md5;
  return peer;
}

bool CDownloadTask::StopTask() {
  if (m_runState == kStopped) {
    // A finished download that waits for its move was stopped when it finished.
    if (!IsMovingIntoPlace()) TASK_LOG(kLogError, L"StopTask error 状态错误 %s", GetFullName().c_str());
    return false;
  }
  m_runState = kStopped;
  for (CDownloadPeer* peer : m_peers) {
    CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
    if (!http) continue;
    AddSourceTime(peer);
    http->Settle();
  }
  // Nothing of a download whose file was lost may be resumed from.
  if (m_fileLost) {
    DeleteMetaFiles();
  } else {
    SaveMeta();
  }
  DeletePeers();
  return true;
}

void CDownloadTask::DeletePeers() {
  EnterSourceCall();
  while (!m_peers.empty()) {
    CDownloadPeer* peer = m_peers.front();
    m_peers.pop_front();
    peer->Stop();
    delete peer;
  }
  m_gaps.Clear();
  for (BlockRequest* r : m_requests) delete r;
  m_requests.clear();
  // Results of sources that are gone have nothing left to change.
  m_deferred.clear();
  LeaveSourceCall();
}

void CDownloadTask::DropPeer(CDownloadPeer* peer) {
  EnterSourceCall();
  m_peers.remove(peer);
  peer->Stop();
  delete peer;
  m_deferred.remove_if([peer](const DeferredResult& d) { return d.peer == peer; });
  LeaveSourceCall();
}

void CDownloadTask::OnTaskCompleted(int code) { OnTaskCompleted(ErrorPair{code == 0 ? kErrOk : kErrUser, code}); }

void CDownloadTask::OnTaskCompleted(ErrorPair result) {
  m_log->AddLineF(kCatState, L"下载完成 code:%d", result.code);
  m_outcome = result.Ok() ? kOutcomeSucceeded : kOutcomeFailed;
  StopTask();
  m_log->m_finished = true;
  m_log->BuildReport();
  if (!result.Ok()) {
    // A failure keeps the unfinished file under its temporary name.
    FinishTask(result);
    return;
  }
  MoveIntoPlace();
}

void CDownloadTask::MoveIntoPlace() {
  ++m_moveAttempts;
  ErrorPair result;
  const bool moved = FileUtils::MoveFileRetry(GetTempFilePath(), GetFullName(), 0);
  const DWORD error = moved ? 0 : GetLastError();
  if (moved || error == ERROR_FILE_NOT_FOUND) {
    // A success only when the final name holds the finished file itself: a move that found
    // nothing (an earlier attempt's, or a file removed meanwhile) proves nothing.
    if (IsOwnFile(GetFullName())) {
      DeleteMetaFiles();
    } else {
      TASK_LOG(kLogInfo, L"文件下载完成，但是最终文件不是下载的文件 %s", GetFullName().c_str());
      result = ErrorPair{kErrSys, static_cast<int>(ERROR_FILE_NOT_FOUND)};
    }
  } else if (m_moveAttempts <= kMoveRetries) {
    // A scanner may hold the fresh file for a moment: tried again on the next tick, while
    // the main thread runs on.
    TASK_LOG(kLogInfo, L"文件重命名失败,下次定时再试 et:%d", static_cast<int>(error));
    return;
  } else {
    TASK_LOG(kLogInfo, L"文件下载完成，但是文件重命名失败 et:%d", static_cast<int>(error));
    // The folder's file failed, not a source: the pair of a file error, the system error as
    // its code (as a failed write ends the task).
    result = ErrorPair{kErrSys, error != 0 ? static_cast<int>(error) : static_cast<int>(ERROR_ACCESS_DENIED)};
  }
  FinishTask(result);
}

void CDownloadTask::FinishTask(ErrorPair result) {
  // Unlisted before the application hears of the end: its callback may remove the task by
  // its path (which would destroy it a second time) or start the same download again.
  CDownloadTaskQueue::GetInstance().RemoveTaskFromList(this);
  if (m_completion || m_completionContext) {
    if (m_completion) m_completion(m_userData, result.type, result.code);
  }
  TASK_LOG(kLogInfo, L"task:%s OnTaskCompleted:et %d,ec,%d", GetFullName().c_str(), result.type, result.code);
  delete this;
}

void CDownloadTask::DeleteMetaFiles() {
  m_meta.CloseFile();
  FileUtils::DeleteFileRetry(GetMetaFilePath(), 0);
  TASK_LOG(kLogInfo, L"配置零时文件已经删除完毕");
}

int CDownloadTask::Percent(int64_t completed) const {
  if (m_size <= 0) return 0;
  return static_cast<int>(static_cast<double>(completed) * 100.0 / static_cast<double>(m_size));
}

void CDownloadTask::ReportPause() {
  int64_t speed = 0;
  for (CDownloadPeer* peer : m_peers) {
    if (dynamic_cast<CHttpDownloadPeer*>(peer)) speed += peer->m_speedMeter.GetAverage();
  }
  int64_t completed = GetCompletedSize();
  m_log->AddLineF(kCatState, L"暂停下载,%d%%,已下载%s,下载速度为%s/秒", Percent(completed),
                  CommonUtils::FormatByteSize(static_cast<uint64_t>(completed), true).c_str(),
                  CommonUtils::FormatByteSize(static_cast<uint64_t>(speed), true).c_str());
}

void CDownloadTask::GetStats(ProtoValue& record) {
  int64_t elapsed = static_cast<int64_t>(static_cast<uint32_t>(GetTickCount() - m_startTick)) + m_accumulatedMs;
  int64_t downloaded = m_meta.GetDownloadedSize();
  int64_t seconds = elapsed / 1000;
  record[L"size"] = m_size;
  record[L"download_size"] = downloaded;
  record[L"time_comsuming"] = static_cast<int64_t>(seconds < 1 ? 1 : seconds);
  record[L"avg_speed"] = static_cast<int64_t>(elapsed > 0 ? downloaded * 1000 / elapsed : 0);
  record[L"status"] = static_cast<int64_t>(m_outcome);
  record[L"is_cdn"] = static_cast<int64_t>(m_isCdn ? 1 : 0);
}

// ---- blocks ----

bool CDownloadTask::IsComplete() const { return m_size <= 0 || m_gaps.IsFilledUpTo(m_size - 1); }

void CDownloadTask::FreeGaps(GapList& out, bool wholeRequests) const {
  GapList::Copy(m_gaps, out);
  for (const BlockRequest* r : m_requests) {
    if (wholeRequests)
      out.RemoveRange(r->first, r->last);
    else if (r->received > 0)
      out.RemoveRange(r->first, r->first + r->received - 1);
  }
}

bool CDownloadTask::CutBlock(BlockRequest& request, bool httpSource) const {
  int64_t limit = httpSource ? kHttpBlockLimit : kOtherBlockLimit;
  GapList free;
  FreeGaps(free, true);
  if (free.IsEmpty()) return false;
  const GapList::Range& r = *free.begin();
  request.first = r.first;
  request.last = r.last - r.first + 1 > limit ? r.first + limit - 1 : r.last;
  return true;
}

int64_t CDownloadTask::GetCompletedSize() const {
  if (IsComplete()) return m_size < 0 ? 0 : m_size;
  GapList free;
  FreeGaps(free, false);
  return m_size - static_cast<int64_t>(free.MissingBytesUpTo(m_size - 1));
}

CDownloadPeer* CDownloadTask::FindIdlePeer() const {
  for (CDownloadPeer* peer : m_peers) {
    if (peer->m_busy) continue;
    // A source whose result waits is not free yet.
    bool waiting = std::any_of(m_deferred.begin(), m_deferred.end(),
                               [peer](const DeferredResult& d) { return d.peer == peer; });
    if (!waiting) return peer;
  }
  return nullptr;
}

bool CDownloadTask::DescribePeer(CDownloadPeer* peer, std::wstring& text) {
  CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!http) return false;
  text = StringUtils::Format(L"p2p:0 url:%s", http->GetUrl().c_str());
  return true;
}

bool CDownloadTask::DownloadNextEmptyBlock() {
  CDownloadPeer* peer = FindIdlePeer();
  if (!peer) {
    TASK_LOG(kLogInfo, L"DownloadNextEmptyBlock 目前没有空闲的源");
    return false;
  }
  std::wstring desc;
  bool http = DescribePeer(peer, desc);
  BlockRequest* request = new BlockRequest();
  if (!CutBlock(*request, http)) {
    TASK_LOG(kLogInfo, L"DownloadNextEmptyBlock %s 选取空白文件块失败  %s", peer->m_fullName.c_str(),
             DumpBlocks().c_str());
    delete request;
    return false;
  }
  // Listed before the source sees it: a source may finish the block before StartBlock
  // returns, and its result must find the block. Such results wait until the call is over.
  m_requests.push_back(request);
  EnterSourceCall();
  bool started = peer->StartBlock(request);
  int64_t first = request->first, last = request->last;
  if (started) {
    TASK_LOG(kLogInfo, L"%s 选取空白文件块成功 %s DownloadNextEmptyBlock %lld-%lld peer_count:%d", desc.c_str(),
             peer->m_fullName.c_str(), static_cast<long long>(first), static_cast<long long>(last),
             static_cast<int>(m_peers.size()));
  } else {
    TASK_LOG(kLogInfo, L"%s DownloadNextEmptyBlock 失败 %s DownloadNextEmptyBlock %lld-%lld peer_count:%d",
             desc.c_str(), peer->m_fullName.c_str(), static_cast<long long>(first), static_cast<long long>(last),
             static_cast<int>(m_peers.size()));
    m_requests.remove(request);
    delete request;
    if (peer->m_busy) {
      peer->m_block = nullptr;
      DropPeer(peer);
    }
  }
  LeaveSourceCall();
  return started;
}

void CDownloadTask::LeaveSourceCall() {
  if (m_sourceCallDepth > 0) --m_sourceCallDepth;
  if (m_sourceCallDepth > 0 || m_deferred.empty() || m_deferredPosted) return;
  m_deferredPosted = true;
  CRefPtr<MainThreadTaskBase> task(
      new MainThreadTask2<uint64_t, uint64_t, int, int>(&CDownloadTask::RunDeferredResults, m_serial, 0));
  PostToMainThread(InvokeMainThreadTask, task);
}

void CDownloadTask::RunDeferredResults(uint64_t serial, int) {
  for (;;) {
    CDownloadTask* task = CDownloadTaskQueue::GetInstance().FindTaskBySerial(serial);
    if (!task) return;
    task->m_deferredPosted = false;
    if (task->m_deferred.empty() || task->m_sourceCallDepth > 0) return;
    DeferredResult d = task->m_deferred.front();
    task->m_deferred.pop_front();
    task->OnRangeCompleted(d.peer, d.result.type, d.result.code);
  }
}

bool CDownloadTask::RemoveRequestBlock(int64_t first, int64_t last) {
  if (first > last) return false;
  bool removed = false;
  for (auto it = m_requests.begin(); it != m_requests.end();) {
    if ((*it)->first <= first && (*it)->last >= last) {
      delete *it;
      it = m_requests.erase(it);
      removed = true;
    } else {
      ++it;
    }
  }
  return removed;
}

std::wstring CDownloadTask::DumpBlocks() const {
  std::wstring text = L"block(";
  for (const BlockRequest* r : m_requests)
    text += StringUtils::Format(L" %lld-%lld", static_cast<long long>(r->first), static_cast<long long>(r->last));
  text += L") gap(";
  for (const GapList::Range& r : m_gaps)
    text += StringUtils::Format(L" %lld-%lld", static_cast<long long>(r.first), static_cast<long long>(r.last));
  text += L")";
  return text;
}

void CDownloadTask::AddPeer(CDownloadPeer* peer) {
  if (!HasPeer(peer)) m_peers.push_back(peer);
  DownloadNextEmptyBlock();
}

bool CDownloadTask::HasPeer(const CDownloadPeer* peer) const {
  return std::find(m_peers.begin(), m_peers.end(), peer) != m_peers.end();
}

bool CDownloadTask::HasNonP2PPeer() const {
  return std::any_of(m_peers.begin(), m_peers.end(), [](CDownloadPeer* p) { return !p->IsP2P(); });
}

void CDownloadTask::AddSourceBytes(CDownloadPeer* peer, int64_t bytes) {
  if (!dynamic_cast<CHttpDownloadPeer*>(peer)) return;
  std::wstring name = peer->GetLogName();
  if (name.empty()) return;
  m_log->AddSourceBytes(name, bytes);
}

void CDownloadTask::AddSourceTime(CDownloadPeer* peer) {
  CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!http) return;
  std::wstring name = peer->GetLogName();
  if (name.empty()) return;
  int64_t ms = 0;
  if (http->m_accountTick != 0) {
    uint32_t now = GetTickCount();
    ms = static_cast<uint32_t>(now - http->m_accountTick);
    http->m_accountTick = now;
  }
  m_log->AddSourceTime(name, ms);
}

// ---- tick ----

void CDownloadTask::SwitchToCdn() {
  m_switched = true;
  m_isCdn = true;
  std::wstring cdnUrl = StringUtils::ReplaceAll(m_url, CommonUtils::GetUrlHost(m_url), m_cdnHost);
  CHttpDownloadPeer* peer = NewHttpPeer(cdnUrl, false);
  peer->m_cdn = true;
  AddPeer(peer);
}

bool CDownloadTask::OnTimer() {
  if (IsMovingIntoPlace()) {
    // Its sources are gone: only the move is left (which may end the task).
    MoveIntoPlace();
    return true;
  }
  uint32_t now = GetTickCount();
  if (m_noSourceSince == 0 && m_peers.empty()) m_noSourceSince = now == 0 ? 1 : now;
  if (m_noSourceSince != 0 && !m_peers.empty()) m_noSourceSince = 0;
  if (m_noSourceSince != 0 && static_cast<uint32_t>(now - m_noSourceSince) > 10000) return false;

  int64_t completed = GetCompletedSize();
  int64_t speed = 0;
  for (CDownloadPeer* peer : m_peers) speed += peer->m_speedMeter.Sample();

  if (!m_switched && !m_cdnHost.empty()) {
    int32_t httpSpeed = 0;
    for (CDownloadPeer* peer : m_peers) {
      if (dynamic_cast<CHttpDownloadPeer*>(peer))
        httpSpeed = static_cast<int32_t>(static_cast<uint32_t>(httpSpeed) + peer->m_speedMeter.GetAverage());
    }
    if (static_cast<int64_t>(httpSpeed) > m_cdnMinSpeed) m_lastGoodTick = now;
    // Compared as an unsigned difference, so the tick's wrap-around does not matter.
    if (static_cast<uint32_t>(now - m_lastGoodTick) > 20000) {
      SwitchToCdn();
      std::wstring text = StringUtils::Format(
          L"任务进度%d%%,已下载%s,下载速度为%s/秒低于阈值%s/秒，切换为第三方cdn下载源：%s", Percent(completed),
          CommonUtils::FormatByteSize(static_cast<uint64_t>(completed), true).c_str(),
          CommonUtils::FormatByteSize(static_cast<uint64_t>(static_cast<int64_t>(httpSpeed)), true).c_str(),
          CommonUtils::FormatByteSize(static_cast<uint64_t>(m_cdnMinSpeed), true).c_str(), m_cdnHost.c_str());
      m_log->AddLine(kCatSource, text);
      TASK_LOG(kLogInfo, L"%s", text.c_str());
    }
  }
  if (completed < m_size && FindIdlePeer()) {
    TASK_LOG(kLogInfo, L"%s 任务未完成，但还有空闲peer，开始调度下载", m_url.c_str());
    DownloadNextEmptyBlock();
  }
  std::wstring line = StringUtils::Format(L"%s 任务下载 speed:%d completed:%lld/%lld peer_count:%d", m_url.c_str(),
                                          static_cast<int>(speed), static_cast<long long>(completed),
                                          static_cast<long long>(m_size), static_cast<int>(m_peers.size()));
  FileLogger::Instance().LogAt(kLogInfo, __LINE__, kFile, L"%s", line.c_str());
  TraceLogger::Instance().Log(kLogInfo, L"%s", line.c_str());
  TraceLogger::Instance().Log(kLogError, L"%s", line.c_str());
  if (m_progress || m_progressContext) {
    if (m_progress) m_progress(m_userData, m_size, completed, static_cast<int32_t>(speed));
  }
  return true;
}

// ---- source events ----

void CDownloadTask::OnRangeCompleted(CDownloadPeer* peer, int et, int ec) {
  ErrorPair result{et, ec};
  if (m_sourceCallDepth > 0) {
    // Inside a call of the sources (a start that failed at once): the block and the source
    // are still in use up the stack, so the result waits.
    m_deferred.push_back(DeferredResult{peer, result});
    return;
  }
  if (!HasPeer(peer)) {
    // %x with the pointer-sized prefix: the whole identity, on 32-bit and 64-bit alike.
    TASK_LOG(kLogInfo, L"peer未找到 0x%Ix", reinterpret_cast<uintptr_t>(peer));
    return;
  }
  BlockRequest* block = peer->m_block;
  if (!block) {
    TASK_LOG(kLogInfo, L"et:%d ec:%d peer block_未分配而移除", result.type, result.code);
    DropPeer(peer);
    return;
  }
  std::wstring desc;
  bool http = DescribePeer(peer, desc);
  (void)http;
  TASK_LOG(kLogInfo, L"%s code=%d:%d OnRangeCompleted task %s start:%lld size:%d", desc.c_str(), result.type,
           result.code,
           GetFullName().c_str(), static_cast<long long>(block->first), static_cast<int>(block->Length()));
  TASK_LOG(kLogInfo, L"%s block+gap begin: %s", GetFullName().c_str(), DumpBlocks().c_str());
  int64_t first = block->first, last = block->last;
  bool listed = std::find(m_requests.begin(), m_requests.end(), block) != m_requests.end();
  if (!RemoveRequestBlock(first, last)) {
    TASK_LOG(kLogInfo, L"%s RemoveRequestBlock 失败", GetFullName().c_str());
    if (!listed) delete block;
  }
  peer->m_block = nullptr;

  if (result.Ok() && !IsOwnFile(GetTempFilePath())) {
    // The file was removed or replaced while the block ran (a user, a cleaner, a scanner): the
    // bytes written so far are not where they were, and a source re-creating the file would
    // only fill it in part. The download failed by its file.
    TASK_LOG(kLogError, L"%s 临时文件已被删除或替换 %s", desc.c_str(), GetTempFilePath().c_str());
    AddSourceTime(peer);
    m_fileLost = true;
    OnTaskCompleted(ErrorPair{kErrSys, static_cast<int>(ERROR_FILE_NOT_FOUND)});
    return;
  }
  if (result.Ok()) {
    // The last block ends the task, which is gone then.
    if (OnBlockFetched(peer, first, last)) return;
  } else if (result.type == kErrSys) {
    // The file failed, not the source: every source writes the same file, and a full disk
    // or a folder that refuses the file stays so. The task ends with the system error, and
    // is gone then.
    TASK_LOG(kLogError, L"%s 文件写入失败 et:%d ec:%d %s", desc.c_str(), result.type, result.code,
             GetTempFilePath().c_str());
    AddSourceTime(peer);
    OnTaskCompleted(result);
    return;
  } else {
    OnSourceFailed(peer, result);
  }
  TASK_LOG(kLogInfo, L"%s block+gap end: %s", GetFullName().c_str(), DumpBlocks().c_str());
  DownloadNextEmptyBlock();
  // The source has its next block before the resume file is written: the save never holds
  // a connection up. The new block has nothing received yet, so the file is the same.
  if (result.Ok()) SaveMeta();
}

bool CDownloadTask::OnBlockFetched(CDownloadPeer* peer, int64_t first, int64_t last) {
  m_gaps.RemoveRange(first, last);
  int64_t length = last - first + 1;
  if (peer->IsP2P() || !dynamic_cast<CHttpDownloadPeer*>(peer))
    m_p2pBytes += length;
  else
    AddSourceBytes(peer, length);
  if (IsComplete()) {
    TASK_LOG(kLogInfo, L"download task completed 正常完成 %s p2p部分/总大小:%lld/%lld", GetFullName().c_str(),
             static_cast<long long>(m_p2pBytes), static_cast<long long>(m_size));
    OnTaskCompleted(TaskCodeOk);
    return true;
  }
  return false;
}

void CDownloadTask::OnSourceFailed(CDownloadPeer* peer, ErrorPair error) {
  CHttpDownloadPeer* httpPeer = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!peer->IsP2P() && httpPeer)
    m_log->AddLineF(kCatFail, L"源：%s失败,et:%d,ec:%d", peer->GetLogName().c_str(), error.type, error.code);
  AddSourceTime(peer);
  DropPeer(peer);
  if (!m_switched && !m_cdnHost.empty() && !HasNonP2PPeer()) {
    int64_t completed = GetCompletedSize();
    SwitchToCdn();
    std::wstring text =
        StringUtils::Format(L"%d%%,已下载%s,下载源全部失败，切换为第三方cdn下载源：%s", Percent(completed),
                            CommonUtils::FormatByteSize(static_cast<uint64_t>(completed), true).c_str(),
                            m_cdnHost.c_str());
    m_log->AddLine(kCatSource, text);
    TASK_LOG(kLogInfo, L"%s", text.c_str());
  }
}

void CDownloadTask::OnPeerResolved(CDownloadPeer* peer) {
  CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!http) return;
  const wchar_t* format = http->m_cdn ? L"CDN%s解析ip为：%s"
                          : http->m_redirected ? L"重定向源%s解析ip为：%s"
                                               : L"域名源%s解析ip为：%s";
  m_log->AddLineF(kCatResolve, format, http->GetHost().c_str(), http->GetIp().c_str());
}

void CDownloadTask::OnPeerRedirect(const std::wstring& logName, const std::wstring& location) {
  std::wstring text = StringUtils::Format(L"源%s重定向到:%s", logName.c_str(), location.c_str());
  m_log->AddLine(kCatRedirect, text);
  TASK_LOG(kLogInfo, L"%s", text.c_str());
}

void CDownloadTask::OnPeerIpChanged(CDownloadPeer* peer, const std::wstring& oldIp, const std::wstring& newIp) {
  CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!http) return;
  std::wstring text = StringUtils::Format(L"源%s更换ip%s:%s", http->GetHost().c_str(), oldIp.c_str(), newIp.c_str());
  m_log->AddLine(kCatResolve, text);
  TASK_LOG(kLogInfo, L"%s", text.c_str());
}

void CDownloadTask::OnPeerRetry(CDownloadPeer* peer, int et, int ec, int times) {
  CHttpDownloadPeer* http = dynamic_cast<CHttpDownloadPeer*>(peer);
  if (!http) return;
  m_log->AddLineF(kCatRetry, L"下载源%s 第%d次重试 et:%d ec:%d", http->GetLogName().c_str(), times, et, ec);
}

// ---- resume file ----

void CDownloadTask::SaveMeta() {
  uint64_t fileTime = 0;
  FileUtils::GetFileModifyTime(GetTempFilePath(), fileTime);
  int64_t elapsed = m_accumulatedMs + static_cast<int64_t>(static_cast<uint32_t>(GetTickCount() - m_startTick));
  GapList free;
  FreeGaps(free, false);
  m_meta.Build(static_cast<int64_t>(fileTime), m_size, m_md5, m_p2pBytes, elapsed, m_log.get(), free);
  m_meta.Save();
}

bool CDownloadTask::LoadMeta() {
  m_gaps.Clear();
  uint64_t readFt = 0;
  FileUtils::GetFileModifyTime(GetTempFilePath(), readFt);
  CTaskMetaFile::Resume resume;
  if (!m_meta.Restore(GetMetaFilePath(), m_size, m_md5, static_cast<int64_t>(readFt), m_gaps, resume, m_log.get())) {
    m_gaps.Clear();
    return false;
  }
  m_p2pBytes = resume.p2pBytes;
  m_accumulatedMs = resume.elapsedMs;
  m_isCdn = resume.isCdn;
  return true;
}
