#include "commonlib/http/CHttpCommand.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "commonlib/core/IBufferStream.h"
#include "commonlib/core/OBufferStream.h"
#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CDNSThread.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/http/HttpChannel.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/logger/report/HttpErrorReport.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask4.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

CCurlWorkshop* g_commandWorkshop = nullptr;
CHttpMgr* g_commandManager = nullptr;

namespace {
const wchar_t kFile[] = L"http\\HttpCommand";

unsigned Id(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }
}  // namespace

bool HttpCommandEngineInit() { return HttpChannel::Open(g_commandWorkshop, g_commandManager); }

bool HttpCommandEngineUninit() { return HttpChannel::Close(g_commandWorkshop, g_commandManager); }

bool IsCommandRegistered(CHttpBase* request) {
  return g_commandManager && g_commandManager->IsRegistered(request);
}

CHttpCommand::CHttpCommand()
    : CHttpBase(g_commandWorkshop, g_commandManager),
      m_resultCallback(nullptr),
      m_userData(nullptr),
      m_reportErrors(false),
      m_resendAfterTimeout(true),
      m_dnsRetried(false),
      m_useResolved(false),
      m_dnsPending(false),
      m_fallbackError() {
  m_totalTimeout = kAnswerTimeoutMs;
}

CHttpCommand::~CHttpCommand() {
  StopDnsThread();
  CHttpBase::Stop();
}

void CHttpCommand::StopDnsThread() {
  m_dnsPending = false;
  if (m_dnsThread) {
    // A run that does not end within the wait keeps the thread object alive itself and
    // reports nothing (it sees its stop flag within 20 ms).
    m_dnsThread->DestroyThread(100);
    m_dnsThread.reset();
  }
}

bool CHttpCommand::IsDottedIpv4(const std::wstring& text) {
  int parts = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t dot = text.find(L'.', pos);
    std::wstring part = text.substr(pos, dot == std::wstring::npos ? std::wstring::npos : dot - pos);
    if (part.empty() || part.size() > 3) return false;
    for (wchar_t ch : part)
      if (ch < L'0' || ch > L'9') return false;
    if (std::wcstol(part.c_str(), nullptr, 10) > 255) return false;
    ++parts;
    if (dot == std::wstring::npos) break;
    pos = dot + 1;
  }
  return parts == 4;
}

bool CHttpCommand::GetWithIps(const std::wstring& allUrls, const std::wstring& url, void* userData,
                              const std::wstring& ipList, HttpCommandCallback callback) {
  if (!allUrls.empty()) m_urls = StringUtils::SplitToList(allUrls);
  if (!url.empty()) {
    for (auto it = m_urls.begin(); it != m_urls.end();)
      it = (*it == url || it->size() < 3) ? m_urls.erase(it) : std::next(it);
  }
  if (!ipList.empty()) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    std::vector<std::wstring> parts;
    StringUtils::Split(parts, ipList, L";", true);
    for (int i = 0; i < 3 && !parts.empty(); ++i) {
      size_t k = static_cast<size_t>(std::rand()) % parts.size();
      m_resolvedAddresses.push_back(parts[k]);
      parts.erase(parts.begin() + static_cast<long>(k));
    }
  }
  return Get(url, userData, callback);
}

bool CHttpCommand::AddFirstUrl(const std::wstring& url) {
  if (m_started) return false;
  if (url.size() >= 3) m_urls.push_front(url);
  return !m_urls.empty();
}

bool CHttpCommand::Launch(void* userData, HttpCommandCallback callback) {
  m_userData = userData;
  m_reportErrors = false;
  m_resultCallback = callback;
  CommonUtils::SortHttpsFirst(m_urls);
  m_savedUrl = GetUrl();
  m_dnsRetried = false;
  m_useResolved = false;
  return Submit();
}

bool CHttpCommand::Get(const std::wstring& url, void* userData, HttpCommandCallback callback) {
  if (!AddFirstUrl(url)) return false;
  return Launch(userData, callback);
}

bool CHttpCommand::Post(const std::string& body, const std::wstring& url, HttpCommandCallback callback) {
  if (!AddFirstUrl(url)) return false;
  m_body = body;
  m_postSize = body.size();
  m_method = 2;
  return Launch(nullptr, callback);
}

bool CHttpCommand::Submit() {
  m_result.clear();
  if (!g_commandManager || !g_commandWorkshop) return false;
  // The channel of today: a command made before the channel was set up, or kept across a
  // restart of it, still holds the one of its construction (null, or freed).
  m_manager = g_commandManager;
  m_workshop = g_commandWorkshop;
  g_commandManager->Add(this);
  return true;
}

const std::wstring& CHttpCommand::GetUrl() {
  if (!m_urls.empty()) return m_urls.front();
  if (!m_resolvedAddresses.empty()) return m_savedUrl;
  return m_emptyUrl;
}

void CHttpCommand::SetupCurl() {
  if (m_urls.empty() && !m_savedUrl.empty() && !m_resolvedAddresses.empty()) {
    JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand setip %s %s", GetUrl().c_str(),
                m_resolvedAddresses.front().c_str());
    SetIp(L"", m_resolvedAddresses.front(), static_cast<uint16_t>(CommonUtils::GetUrlPort(m_savedUrl)));
  }
  CHttpBase::SetupCurl();
}

uint64_t CHttpCommand::Start() {
  if (m_started) return 0;
  ReleaseTransfer();
  CCurlHttp* t = new CCurlHttp(m_workshop, m_manager);
  t->m_output = new OBufferStream();
  if (m_method == 2 && !m_body.empty())
    t->m_input = new IBufferStream(m_body.data(), static_cast<uint32_t>(m_body.size()), true);
  m_curlHttp = t;
  return CHttpBase::Start();
}

bool CHttpCommand::Stop() {
  StopDnsThread();
  return CHttpBase::Stop();
}

void CHttpCommand::OnResponseCode(int httpCode, const ProtoValue& headers) {
  CHttpBase::OnResponseCode(httpCode, headers);
  m_startTick = GetTickCount();
  m_result[L"http"][L"code"] = httpCode;
}

void CHttpCommand::PostHttpCommandResult(HttpCommandCallback callback, void* userData,
                                         const std::string& body, int errorType, int errorCode) {
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask4<void*, void*, std::string, const std::string&, int, int, int, int>(
          callback, userData, body, errorType, errorCode);
  PostToMainThread(InvokeMainThreadTask, task);
}

void CHttpCommand::Retry() {
  m_retryPending = true;
  m_retryTick = GetTickCount();
  Submit();
}

namespace {
bool IsTimeout(ErrorPair error) {
  return (error.type == kErrUser && error.code == static_cast<int>(ResultCode::kRequestTimedOut)) ||
         (error.type == kErrCurl && error.code == CURLE_OPERATION_TIMEDOUT);
}

// A failure that another attempt on the same address may cure.
bool IsRetryable(ErrorPair error) {
  return (error.type == kErrCurl && error.code != 0) ||
         (error.type == kErrUser && error.code == static_cast<int>(ResultCode::kRequestTimedOut));
}

// A failure that a different address may cure.
bool CallsForOtherAddress(ErrorPair error) {
  return IsRetryable(error) || (error.type == kErrHttp && error.code != 0);
}
}  // namespace

void CHttpCommand::Done(int errorType, int errorCode) {
  CRefPtr<CCurlBase> hold = m_curlHttp;
  ErrorPair error{errorType, errorCode};
  if (!hold) {
    JF_HTTP_LOG(kLogError, kFile, L"m_curlHttp is Null et:%d ec:%d", error.type, error.code);
    return;
  }
  CCurlHttp* transfer = static_cast<CCurlHttp*>(hold.get());
  std::wstring ip = StringUtils::AnsiToWide(transfer->GetServerIp());
  if (error.type == kErrCurl) error = ReadCurlFailure(transfer, error.code);
  std::string body = transfer->CopyBufferedBody();
  std::wstring url = GetUrl();
  if (!m_resendAfterTimeout && IsTimeout(error)) {
    Finish(error, body, url, ip, true);
    return;
  }
  if (RetrySameAddress(error, url, ip) || TrySpareAddress(error, url, ip)) return;
  if (m_useResolved && !m_resolvedAddresses.empty()) m_resolvedAddresses.pop_front();
  if (!m_savedUrl.empty() && (TryResolvedAddresses(error) || StartLookup(error))) return;
  Finish(error, body, url, ip, true);
}

ErrorPair CHttpCommand::ReadCurlFailure(CCurlHttp* transfer, int curlCode) {
  m_result[L"curl"][L"code"] = curlCode;
  ErrorPair stream = transfer->GetOutputError();
  if (stream.code != 0 && ErrorTypeName(stream.type)) m_result[ErrorTypeName(stream.type)][L"code"] = stream.code;
  ErrorPair error = ErrorPair::Unpack(GetError());
  if (error.type == kErrCurl && error.code == CURLE_PEER_FAILED_VERIFICATION)
    JF_HTTP_LOG(kLogInfo, kFile, L"ssl 验证失败:%s", GetUrl().c_str());
  return error;
}

bool CHttpCommand::RetrySameAddress(ErrorPair error, const std::wstring& url, const std::wstring& ip) {
  uint32_t limit = (m_urls.size() > 1 || !m_resolvedAddresses.empty())
                       ? 1u
                       : static_cast<uint32_t>(m_retryLimit);
  if (m_attempts > limit || !IsRetryable(error)) return false;
  Stop();
  if (m_reportErrors)
    GetHttpErrorLog().AddRecord(1, ResultCode::kCommandFailedRecord, error.type, error.code,
                                L"CHttpCommand::Done() 失败重试....url:%s ip:%s", url.c_str(), ip.c_str());
  JF_HTTP_LOG(kLogError, kFile, L"CHttpCommand::Done() 重试.... type:%d code:%d  url:%s ip:%s", error.type,
              error.code, url.c_str(), ip.c_str());
  Retry();
  return true;
}

bool CHttpCommand::TrySpareAddress(ErrorPair error, const std::wstring& url, const std::wstring& ip) {
  if (m_urls.size() <= 1 || !CallsForOtherAddress(error)) return false;
  Stop();
  m_attempts = 0;
  m_urls.pop_front();
  JF_HTTP_LOG(kLogInfo, kFile,
              L"CHttpCommand::Done() type:%d code:%d  url:%s ip:%s 连接失败，尝试使用备用地址:%s", error.type,
              error.code, url.c_str(), ip.c_str(), GetUrl().c_str());
  if (m_reportErrors)
    GetHttpErrorLog().AddRecord(1, ResultCode::kCommandFailedRecord, error.type, error.code,
                                L"CHttpCommand::Done() url:%s ip:%s 连接失败，尝试使用备用地址:%s",
                                url.c_str(), ip.c_str(), GetUrl().c_str());
  Retry();
  return true;
}

bool CHttpCommand::TryResolvedAddresses(ErrorPair error) {
  if (m_resolvedAddresses.empty() || !CallsForOtherAddress(error)) return false;
  Stop();
  m_attempts = 0;
  m_urls.clear();
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand::Done() 重试ip列表.... type:%d code:%d url:%s", error.type,
              error.code, m_savedUrl.c_str());
  m_useResolved = true;
  Retry();
  return true;
}

bool CHttpCommand::StartLookup(ErrorPair error) {
  if (m_dnsRetried || !CallsForOtherAddress(error)) return false;
  m_attempts = 0;
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand::Done() 开始重试DNS解析.... type:%d code:%d url:%s ",
              error.type, error.code, m_savedUrl.c_str());
  m_retryPending = true;
  m_retryTick = GetTickCount();
  m_dnsRetried = true;
  m_fallbackError = error;
  std::string host = StringUtils::WideToUtf8(CommonUtils::GetUrlHost(m_savedUrl));
  if (!m_dnsThread) m_dnsThread = std::make_shared<CDNSThread>();
  if (!m_dnsThread->Resolve(this, host, cmd_dns_result_callback)) {
    // No lookup can start: that is a failed lookup.
    FinishAfterFailedLookup();
    return true;
  }
  // The command stays registered while the lookup runs, and its clock runs on: a
  // time-out retries the last address (the lookup stops with it) and the ladder ends
  // without a second lookup. A lookup that a time-out started waits without a clock;
  // the lookup itself always answers.
  m_dnsPending = true;
  return true;
}

void CHttpCommand::Finish(ErrorPair error, const std::string& body, const std::wstring& url,
                          const std::wstring& ip, bool logFailure) {
  Stop();
  if (!error.Ok() && logFailure) {
    JF_HTTP_LOG(kLogError, kFile, L"CHttpCommand::Done() 最终失败.... type:%d code:%d  url:%s ip:%s",
                error.type, error.code, url.c_str(), ip.c_str());
    if (m_reportErrors)
      GetHttpErrorLog().AddRecord(2, ResultCode::kCommandFailedRecord, error.type, error.code,
                                  L"CHttpCommand::Done() 最终失败.... url:%s ip:%s", url.c_str(), ip.c_str());
  }
  m_urls.clear();
  m_resolvedAddresses.clear();
  m_attempts = 0;
  // Nothing of this request may pin or shape the next one of the same object.
  m_fixedAddresses.clear();
  ClearHeaders();
  ClearFormFields();
  if (m_resultCallback) PostHttpCommandResult(m_resultCallback, m_userData, body, error.type, error.code);
}

void CHttpCommand::FinishAfterFailedLookup() {
  Stop();
  ErrorPair error = m_fallbackError;
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand::OnDNSResult() 解析DNS失败 type:%d code:%d  url:%s",
              error.type, error.code, m_savedUrl.c_str());
  Finish(error, std::string(), m_savedUrl, std::wstring(), false);
}

void CHttpCommand::OnDNSResult(const std::wstring& domain, const std::wstring& ipList) {
  Stop();
  // The failure that led to the lookup, not what the result map says now.
  ErrorPair error = m_fallbackError;
  m_urls.clear();
  m_resolvedAddresses.clear();
  if (m_savedUrl.empty()) {
    JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand::OnDNSResult() 状态不对，忽略 type:%d code:%d", error.type,
                error.code);
    Finish(error, std::string(), m_savedUrl, std::wstring(), false);
    return;
  }
  std::vector<std::wstring> parts;
  StringUtils::Split(parts, ipList, L";", true);
  for (const auto& part : parts)
    if (IsDottedIpv4(part)) m_resolvedAddresses.push_back(part);
  if (!domain.empty() && !m_resolvedAddresses.empty()) {
    m_retryPending = true;
    m_retryTick = GetTickCount();
    JF_HTTP_LOG(kLogInfo, kFile,
                L"CHttpCommand::Done() 重试DNS解析到的ip列表.... type:%d code:%d  url:%s ip_list:%s", error.type,
                error.code, m_savedUrl.c_str(), ipList.c_str());
    m_useResolved = true;
    Submit();
    return;
  }
  JF_HTTP_LOG(kLogInfo, kFile, L"CHttpCommand::OnDNSResult() 解析DNS失败 type:%d code:%d  url:%s", error.type,
              error.code, m_savedUrl.c_str());
  Finish(error, std::string(), m_savedUrl, std::wstring(), false);
}

void cmd_dns_result_callback(int code, void* context, const std::string& domain,
                             const std::string& ipList) {
  if (code == 0 && !ipList.empty()) {
    JF_HTTP_LOG(kLogInfo, kFile,
                L"cmd_dns_result_callback 解析成功 code:%d, domain:%hs, ip_list:%hs, id:0x%x", 0,
                domain.c_str(), ipList.c_str(), Id(context));
  } else {
    JF_HTTP_LOG(kLogInfo, kFile, L"cmd_dns_result_callback 失败 code:%d, domain:%hs ,id:0x%x", code,
                domain.c_str(), Id(context));
  }
  CHttpBase* request = static_cast<CHttpBase*>(context);
  // A late answer (the command finished, or moved on after a time-out) is not used.
  if (!context || !IsCommandRegistered(request) ||
      !static_cast<CHttpCommand*>(request)->IsWaitingForLookup()) {
    JF_HTTP_LOG(kLogError, kFile, L"DNS回调失效 找不到相关任务 id:0x%x %hs", Id(context), domain.c_str());
    return;
  }
  static_cast<CHttpCommand*>(request)->OnDNSResult(StringUtils::Utf8ToWide(domain),
                                                   StringUtils::Utf8ToWide(ipList));
}
