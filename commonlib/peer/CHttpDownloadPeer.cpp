#include "commonlib/peer/CHttpDownloadPeer.h"

#include <windows.h>

#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/http/DownloadChannel.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/peer/CVRDownloadFileIO.h"
#include "commonlib/peer/DAEventCenter.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"peer\\HttpDownloadPeer";

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t n = wcslen(prefix);
  return text.size() >= n && StringUtils::ToLower(text.substr(0, n)) == prefix;
}
}  // namespace

CHttpDownloadPeer::CHttpDownloadPeer(const std::string& options, const std::wstring& url,
                                     const std::wstring& fullName, bool restartOnRedirect)
    : CHttpBase(g_downloadWorkshop, g_downloadManager),
      m_cdn(false),
      m_restartOnRedirect(restartOnRedirect),
      m_accountTick(0),
      m_attemptOffset(0),
      m_attemptExpected(0),
      m_attemptCounted(false),
      m_attemptWritten(0),
      m_floorTick(0),
      m_floorBytes(0) {
  m_url = url;
  m_fullName = fullName;
  m_totalTimeout = 16000;
  if (!options.empty()) ProtoValueJsonConvertor::FromJson(StringUtils::FromUtf8(options), m_options);
}

CHttpDownloadPeer::~CHttpDownloadPeer() {
  m_block = nullptr;
  CHttpBase::Stop();
}

bool CHttpDownloadPeer::StartBlock(BlockRequest* block) {
  if (m_accountTick == 0) m_accountTick = GetTickCount();
  if (m_started) return false;
  m_block = block;
  m_busy = true;
  if (!g_downloadManager || !g_downloadWorkshop) return false;
  // The channel may have been restarted since this source was made: use the current one.
  m_manager = g_downloadManager;
  m_workshop = g_downloadWorkshop;
  // The manager may start (and finish) the request before Add returns: nothing of this
  // object may be touched afterwards, its owner may have dropped it.
  g_downloadManager->Add(this);
  return true;
}

bool CHttpDownloadPeer::Stop() {
  m_block = nullptr;
  Cancel();
  return true;
}

std::wstring CHttpDownloadPeer::GetIp() { return m_address; }

std::wstring CHttpDownloadPeer::GetHost() { return CommonUtils::GetUrlHost(m_url); }

std::wstring CHttpDownloadPeer::GetLogName() {
  if (!m_cdn && !m_redirected && !m_address.empty()) return m_address;
  return GetHost();
}

void CHttpDownloadPeer::SetIp(const std::wstring& host, const std::wstring& ip, uint16_t port) {
  m_address = ip;
  CHttpBase::SetIp(host, ip, port);
}

std::wstring CHttpDownloadPeer::ServerIp() {
  CCurlHttp* t = dynamic_cast<CCurlHttp*>(m_curlHttp.get());
  return t ? StringUtils::AnsiToWide(t->GetServerIp()) : std::wstring();
}

void CHttpDownloadPeer::FireEvent(int event, ErrorPair error, ProtoValue& payload) {
  DAEventCenter::GetInstance().Fire(event, error.type, error.code, payload);
}

uint64_t CHttpDownloadPeer::Start() {
  if (m_started) return 0;
  if (!m_block) {
    JF_HTTP_LOG(kLogInfo, kFile, L"CHttpDownloadFile::Start() url:%s BLOCK==NULL", m_url.c_str());
    return ErrorPair{kErrUser, -1}.Packed();
  }
  ReleaseTransfer();
  m_attemptCounted = false;
  CCurlHttp* transfer = new CCurlHttp(m_workshop, m_manager);
  m_curlHttp = transfer;
  transfer->EnableProgress(true);

  int64_t offset = m_block->first + m_block->received;
  CVRDownloadFileIO* io = new CVRDownloadFileIO();
  if (!io->open(m_fullName, static_cast<uint64_t>(offset), m_block->last)) {
    ErrorPair error{io->GetErrorType(), io->GetErrorCode()};
    io->Close();
    delete io;
    // A failed open always carries a system pair; never report it as started.
    if (error == ErrorPair()) error.type = kErrSys;
    return error.Packed();
  }
  transfer->m_output = io;
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpDownloadFile::Start() url:%s", m_url.c_str());

  uint32_t length = static_cast<uint32_t>(m_block->last - m_block->first + 1);
  if (length != 0 && m_block->received > length) {
    JF_HTTP_LOG(kLogError, kFile, L"%s已经完成大小(%lld)超过预期(%lld)大小  ", m_fullName.c_str(),
                static_cast<long long>(m_block->received), static_cast<long long>(length));
    return ErrorPair{kErrUser, ResultCode::kNothingToFetch}.Packed();
  }
  if (length != 0 && m_block->received == length) {
    JF_HTTP_LOG(kLogInfo, kFile, L"文件大小等于预计大小，下载已完成 %s pos:%d", m_fullName.c_str(),
                static_cast<int>(length));
    return ErrorPair{kErrUser, ResultCode::kNothingToFetch}.Packed();
  }
  transfer->m_rangeRequested = offset != 0 || m_block->last != 0;
  m_rangeStart = static_cast<uint64_t>(offset);
  m_rangeEnd = static_cast<uint64_t>(m_block->last);
  m_attemptOffset = offset;
  m_attemptExpected = m_block->last - offset + 1;
  m_attemptWritten = 0;
  m_floorBytes = 0;
  uint64_t result = CHttpBase::Start();
  m_attemptCounted = result == 0;
  return result;
}

void CHttpDownloadPeer::OnReceived(int64_t bytes) {
  uint32_t n = static_cast<uint32_t>(bytes);
  // A source that trickles is as good as stalled: the stall clock restarts only once a
  // floor of bytes has come since it last started (the start or the header restart it too).
  if (m_startTick != m_floorTick) m_floorBytes = 0;
  m_floorBytes += n;
  if (m_floorBytes >= kStallFloorBytes) {
    m_startTick = GetTickCount();
    m_floorBytes = 0;
  }
  m_floorTick = m_startTick;
  if (m_block) m_block->received += n;
  m_speedMeter.AddBytes(n);
}

std::wstring CHttpDownloadPeer::FindHeader(const ProtoValue& headers, const std::wstring& name) {
  const ProtoValue::Map* map = headers.map();
  if (!map) return std::wstring();
  std::wstring wanted = StringUtils::ToLower(name);
  for (const auto& entry : *map) {
    if (StringUtils::ToLower(entry.first) == wanted && entry.second.type() == PV_STRING)
      return entry.second.string();
  }
  return std::wstring();
}

bool CHttpDownloadPeer::NamesRange(const std::wstring& contentRange, uint64_t first, uint64_t last) {
  std::wstring text = StringUtils::ToLower(contentRange);
  size_t i = 0;
  auto skipSpaces = [&] {
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  };
  auto number = [&](uint64_t& out) {
    size_t start = i;
    out = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
      if (out > (UINT64_MAX - 9) / 10) return false;
      out = out * 10 + static_cast<uint64_t>(text[i++] - L'0');
    }
    return i > start;
  };
  skipSpaces();
  if (text.compare(i, 5, L"bytes") != 0) return false;
  i += 5;
  skipSpaces();
  uint64_t a = 0, b = 0;
  if (!number(a)) return false;
  skipSpaces();
  if (i >= text.size() || text[i++] != L'-') return false;
  skipSpaces();
  if (!number(b)) return false;
  skipSpaces();
  if (i < text.size() && text[i] != L'/') return false;
  return a == first && b == last;
}

std::wstring CHttpDownloadPeer::ResolveLocation(const std::wstring& base, const std::wstring& location) {
  if (location.empty()) return location;
  if (StartsWithNoCase(location, L"http://") || StartsWithNoCase(location, L"https://")) return location;
  size_t schemeEnd = base.find(L"://");
  if (schemeEnd == std::wstring::npos) return location;
  if (location.compare(0, 2, L"//") == 0) return base.substr(0, schemeEnd + 1) + location;
  size_t authorityEnd = base.find_first_of(L"/?#", schemeEnd + 3);
  std::wstring origin = base.substr(0, authorityEnd);
  if (location[0] == L'/') return origin + location;
  std::wstring path = authorityEnd == std::wstring::npos ? std::wstring(L"/") : base.substr(authorityEnd);
  size_t cut = path.find_first_of(L"?#");
  if (cut != std::wstring::npos) path.erase(cut);
  // An address with a query or fragment but no path ("http://h?x") has the root path.
  if (path.empty()) path = L"/";
  if (location[0] == L'?') return origin + path + location;
  path.erase(path.rfind(L'/') + 1);
  return origin + path + location;
}

void CHttpDownloadPeer::OnHeader(int status, const ProtoValue& headers) {
  std::wstring serverIp = ServerIp();
  if (!serverIp.empty() && m_address.empty()) {
    m_address = serverIp;
    ProtoValue payload;
    payload[L"peer"] = EventId();
    payload[L"full_name"] = m_fullName;
    payload[L"server_ip"] = m_address;
    FireEvent(DAEventServerIp, ErrorPair(), payload);
  }
  if (status >= 300 && status <= 399) {
    std::wstring location = ResolveLocation(m_url, FindHeader(headers, L"Location"));
    JF_HTTP_LOG(kLogInfo, kFile, L"重定向中...  url:%s", m_url.c_str());
    ProtoValue payload;
    payload[L"peer"] = EventId();
    payload[L"full_name"] = m_fullName;
    payload[L"log_name"] = GetLogName();
    payload[L"location"] = location;
    m_location = location;
    m_fixedAddresses.clear();
    m_address.clear();
    m_redirected = true;
    FireEvent(DAEventRedirect, ErrorPair(), payload);
    if (m_restartOnRedirect) {
      m_restartOnRedirect = false;
      Done(kErrUser, ResultCode::kRestartAfterRedirect);
      return;
    }
    if (!m_location.empty()) m_url = m_location;
    m_location.clear();
    return;
  }
  m_startTick = GetTickCount();
  m_result[L"http"][L"code"] = static_cast<int64_t>(status);
  CCurlHttp* transfer = dynamic_cast<CCurlHttp*>(m_curlHttp.get());
  if (status == 200 && transfer && transfer->m_rangeRequested) {
    JF_HTTP_LOG(kLogInfo, kFile, L"不支持断点续传 url:%s", m_url.c_str());
    Done(kErrHttp, ResultCode::kRangeIgnored);
    return;
  }
  std::wstring rangeText = FindHeader(headers, L"Content-Range");
  if (status == 206 && !rangeText.empty() && transfer && transfer->m_rangeRequested &&
      !NamesRange(rangeText, m_rangeStart, m_rangeEnd)) {
    // Bytes of another range would land at the asked offset.
    JF_HTTP_LOG(kLogError, kFile, L"范围不一致 预期值:%I64u-%I64u 实际值:%s url:%s ip:%s", m_rangeStart, m_rangeEnd,
                rangeText.c_str(), m_url.c_str(), m_address.c_str());
    Done(kErrUser, ResultCode::kLengthMismatch);
    return;
  }
  std::wstring lengthText = FindHeader(headers, L"Content-Length");
  if (!lengthText.empty() && m_block) {
    int64_t n = StringUtils::ToInt64(lengthText);
    if (n > 0) {
      int64_t expected = m_block->last - (m_block->first + m_block->received) + 1;
      // The received count may lag behind the attempt's start: compare with what this
      // attempt asked for.
      if (m_attemptCounted) expected = m_attemptExpected;
      if (expected != 0 && expected != n) {
        JF_HTTP_LOG(kLogError, kFile, L"长度不一致 预期值:%d 实际值:%lld url:%s ip:%s",
                    static_cast<int>(expected), static_cast<long long>(n), m_url.c_str(), m_address.c_str());
        Done(kErrUser, ResultCode::kLengthMismatch);
      }
    }
  }
}

void CHttpDownloadPeer::SettleReceived() {
  // The transfer has been given up (no callback runs any more): its sink's count is exact,
  // unlike the rate-limited progress events.
  CCurlHttp* transfer = dynamic_cast<CCurlHttp*>(m_curlHttp.get());
  CVRDownloadFileIO* io = transfer ? dynamic_cast<CVRDownloadFileIO*>(transfer->m_output) : nullptr;
  if (!io || !m_attemptCounted) return;
  m_attemptWritten = static_cast<int64_t>(io->GetWrittenBytes());
  if (m_block && m_attemptOffset >= m_block->first) {
    int64_t done = m_attemptOffset - m_block->first + m_attemptWritten;
    int64_t length = m_block->last - m_block->first + 1;
    if (done > length) done = length;
    m_block->received = static_cast<uint32_t>(done);
  }
}

void CHttpDownloadPeer::Settle() {
  if (m_curlHttp) m_curlHttp->Abandon();
  SettleReceived();
}

void CHttpDownloadPeer::Done(int errorType, int errorCode) {
  ErrorPair error{errorType, errorCode};
  std::wstring serverIp = ServerIp();
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpDownloadFile::Done() begin type:%d code:%d  url:%s ip:%s", error.type,
              error.code, m_url.c_str(), serverIp.c_str());
  CRefPtr<CCurlBase> transfer = m_curlHttp;
  // Read before the transfer is given up: closing its file clears the file's error.
  ErrorPair fileError;
  if (CCurlHttp* http = dynamic_cast<CCurlHttp*>(transfer.get())) fileError = http->GetOutputError();
  if (transfer) transfer->Abandon();
  SettleReceived();
  bool counted = m_attemptCounted;
  m_attemptCounted = false;
  transfer = nullptr;
  Cancel();
  if (error.type == kErrCurl) {
    m_result[L"curl"][L"code"] = static_cast<int64_t>(error.code);
    // A file that could not be written is no failure of the transfer: no retry here, its
    // system error goes up in place of curl's.
    if (fileError.type == kErrSys && fileError.code != 0)
      m_result[L"sys"][L"code"] = static_cast<int64_t>(fileError.code);
    error = ErrorPair::Unpack(GetError());
  }
  m_result.clear();
  // A clean end that brought fewer bytes than the block needs is no success.
  if (error.Ok() && counted && m_attemptWritten < m_attemptExpected) {
    JF_HTTP_LOG(kLogError, kFile, L"长度不一致 预期值:%lld 实际值:%lld url:%s ip:%s",
                static_cast<long long>(m_attemptExpected), static_cast<long long>(m_attemptWritten),
                m_url.c_str(), serverIp.c_str());
    error = ErrorPair{kErrUser, ResultCode::kLengthMismatch};
  }
  if (RetryAfter(error, serverIp)) return;
  if (!error.Ok()) {
    JF_HTTP_LOG(kLogError, kFile, L"CHttpDownloadFile::Done() type:%d code:%d  url:%s ip:%s", error.type,
                error.code, m_url.c_str(), serverIp.c_str());
    if (m_cdn) {
      ProtoValue fields = m_options.type() == PV_MAP ? m_options : ProtoValue(PV_MAP);
      fields[L"opt_result"] = static_cast<int64_t>(4);
      fields[L"stats_rel"][L"msg"] = StringUtils::Format(L"url:%s;\n", m_url.c_str());
      ProtoValue diagnosis(PV_MAP);
      diagnosis[L"fields"] = fields;
      diagnosis[L"host"] = GetHost();
      FireEvent(DAEventDiagnose, error, diagnosis);
    }
  }
  m_busy = false;
  m_attempts = 0;
  ProtoValue payload;
  payload[L"peer"] = EventId();
  payload[L"full_name"] = m_fullName;
  FireEvent(DAEventRangeResult, error, payload);
}

bool CHttpDownloadPeer::RetryAfter(ErrorPair error, const std::wstring& serverIp) {
  const ErrorPair restart{kErrUser, ResultCode::kRestartAfterRedirect};
  bool retryable = (error.type == kErrCurl && error.code != 0) ||
                   error == ErrorPair{kErrUser, ResultCode::kRequestTimedOut} || error == restart;
  if (!retryable || static_cast<int32_t>(m_attempts) > m_retryLimit) return false;
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpDownloadFile::Done() 重试.... type:%d code:%d  url:%s ip:%s", error.type,
              error.code, m_url.c_str(), serverIp.c_str());
  ProtoValue payload;
  payload[L"peer"] = EventId();
  payload[L"full_name"] = m_fullName;
  payload[L"et"] = static_cast<int64_t>(error.type);
  payload[L"ec"] = static_cast<int64_t>(error.code);
  payload[L"times"] = static_cast<int64_t>(m_attempts);
  FireEvent(DAEventRetry, ErrorPair(), payload);
  if (error == restart) {
    if (!m_location.empty()) m_url = m_location;
    m_location.clear();
  }
  m_retryPending = true;
  m_retryTick = GetTickCount();
  if (g_downloadManager && g_downloadWorkshop) {
    m_manager = g_downloadManager;
    m_workshop = g_downloadWorkshop;
    g_downloadManager->Add(this);
  }
  return true;
}
