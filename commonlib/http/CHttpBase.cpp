// The multipart form goes through curl_formadd, which this libcurl marks as deprecated.
#define CURL_DISABLE_DEPRECATION 1

#include "commonlib/http/CHttpBase.h"

#include <windows.h>

#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"http\\HttpBase";
const long kDownloadBufferSize = 256 * 1024;

// A libcurl list of the lines; a line that cannot be added is left out (the append gives
// null then, and the list so far must not be lost with it).
template <class Lines>
curl_slist* BuildList(const Lines& lines) {
  curl_slist* list = nullptr;
  for (const auto& line : lines) {
    curl_slist* longer = curl_slist_append(list, line.c_str());
    if (longer) list = longer;
  }
  return list;
}

int64_t CodeOf(const ProtoValue& result, const wchar_t* key) {
  const ProtoValue& code = result.get(key).get(L"code");
  return code.type() == PV_INTEGER ? code.integer() : 0;
}
}  // namespace

CHttpBase::CHttpBase(CCurlWorkshop* workshop, CHttpMgr* manager)
    : m_manager(manager),
      m_workshop(workshop),
      m_started(false),
      m_method(1),
      m_rangeStart(0),
      m_rangeEnd(0),
      m_postSize(0),
      m_attempts(0),
      m_retryLimit(2),
      m_connectTimeout(5),
      m_retryPending(false),
      m_retryTick(0),
      m_priority(0),
      m_verifyHost(false),
      m_startTick(0),
      m_totalTimeout(0),
      m_redirected(false),
      m_serial(0),
      m_addTick(0),
      m_running(false) {}

CHttpBase::~CHttpBase() { CHttpBase::Stop(); }

const std::wstring& CHttpBase::GetUrl() { return m_url; }

const wchar_t* CHttpBase::ErrorTypeName(int type) {
  static const wchar_t* const names[] = {L"ok",   L"sys",  L"crt",    L"user", L"http",
                                         L"curl", L"webkit", L"dp", L"net"};
  return type >= 0 && type <= 8 ? names[type] : nullptr;
}

uint64_t CHttpBase::GetError() {
  int64_t code;
  if (m_result.has(L"sys") && (code = CodeOf(m_result, L"sys")) != 0)
    return MakeError(kErrSys, static_cast<uint32_t>(code));
  if (m_result.has(L"user") && (code = CodeOf(m_result, L"user")) != 0)
    return MakeError(kErrUser, static_cast<uint32_t>(code));
  if (m_result.has(L"http")) {
    code = CodeOf(m_result, L"http");
    if (code < 100 || code > 399) return MakeError(kErrHttp, static_cast<uint32_t>(code));
  }
  if (m_result.has(L"curl") && (code = CodeOf(m_result, L"curl")) != 0)
    return MakeError(kErrCurl, static_cast<uint32_t>(code));
  return 0;
}

void CHttpBase::ReleaseTransfer() {
  if (m_curlHttp) {
    m_curlHttp->Abandon();
    m_curlHttp = nullptr;
  }
}

bool CHttpBase::IsRetryDue() {
  DWORD now = GetTickCount();
  uint32_t elapsed = now > m_retryTick ? now - m_retryTick : 0;
  return elapsed > 500;
}

void CHttpBase::OnStarted() { m_startTick = GetTickCount(); }

void CHttpBase::OnRemoved() {}

void CHttpBase::OnIdle() {}

void CHttpBase::OnProgress(int64_t) {}

void CHttpBase::OnResponseCode(int httpCode, const ProtoValue&) {
  if (httpCode >= 300 && httpCode <= 399) {
    m_redirected = true;
    if (!m_fixedAddresses.empty()) {
      m_fixedAddresses.clear();
      JF_HTTP_LOG(kLogInfo, kFile, L"取消指定ip");
    }
  }
}

void CHttpBase::SetIp(const std::wstring&, const std::wstring& ip, uint16_t port) {
  m_fixedAddresses.clear();
  if (ip.empty()) return;
  JF_HTTP_LOG(kLogInfo, kFile, L"设置ip%s--%s:%u", GetUrl().c_str(), ip.c_str(),
              static_cast<unsigned>(port));
  m_fixedAddresses.push_back(
      StringUtils::WideToAnsi(StringUtils::Format(L"::%s:%u", ip.c_str(), static_cast<unsigned>(port))));
}

uint64_t CHttpBase::Start() {
  if (m_started) return MakeError(kErrUser, static_cast<uint32_t>(-1));
  ++m_attempts;
  m_started = true;
  SetupCurl();
  if (m_curlHttp && m_workshop && !m_workshop->AddRequest(m_curlHttp)) {
    // A transfer that the worker does not take would never end: report it as failed.
    return MakeError(kErrCurl, CURLE_FAILED_INIT);
  }
  return 0;
}

bool CHttpBase::Stop() {
  // Header lines and form fields stay: every attempt of one request sends them.
  if (m_started) {
    m_started = false;
    if (m_curlHttp && m_workshop) m_workshop->CancelRequest(m_curlHttp);
    m_startTick = 0;
  }
  ReleaseTransfer();
  if (m_manager) {
    CHttpMgr* manager = m_manager;
    if (manager->Remove(this)) m_manager = nullptr;
  }
  return true;
}

std::string CHttpBase::RangeText(uint64_t start, uint64_t end, bool wanted) {
  if (start == 0 && end == 0 && !wanted) return std::string();
  if (start > 0 && end == 0) return StringUtils::FormatA("%I64u-", start);
  if (end >= start) return StringUtils::FormatA("%I64u-%I64u", start, end);
  return std::string();
}

void CHttpBase::SetupCurl() {
  CCurlHttp* t = dynamic_cast<CCurlHttp*>(m_curlHttp.get());
  if (!t) return;
  CURL* e = t->PrepareEasy();
  if (!e) return;
  t->m_uploadSize = 0;
  t->m_uploaded = 0;
  t->m_httpCode = ResultCode::kNoHttpStatus;
  t->m_headers.clear();

  std::string url = StringUtils::WideToAnsi(GetUrl());
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, CurlHeaderCallback);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, static_cast<void*>(t));
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, CurlWriteCallback);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, static_cast<void*>(t));
  curl_easy_setopt(e, CURLOPT_READFUNCTION, CurlReadCallback);
  curl_easy_setopt(e, CURLOPT_READDATA, static_cast<void*>(t));
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(e, CURLOPT_USERAGENT, "HTTP-VRJF-1.0");
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_connectTimeout));
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
  bool checkHost = m_verifyHost && GetUrl().compare(0, 5, L"https") == 0;
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, checkHost ? 2L : 0L);
  // HTTP/1.1 keeps the header names as the servers write them; only http and https may be
  // followed, so a redirect can never make the transfer read a local file.
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);

  if (m_method == 2) {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    if (t->m_input) {
      curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_postSize));
      t->m_uploadSize = m_postSize;
    }
  } else {
    std::string range = RangeText(m_rangeStart, m_rangeEnd, t->m_rangeRequested);
    if (!range.empty()) curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());
    // A download block is read and written in large pieces: with libcurl's 16 KiB, the
    // worker spends its time in system calls (a read, a poll and a write each).
    if (t->m_rangeRequested) curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kDownloadBufferSize);
  }
  // A transfer set up again gets fresh lists: the reset handle no longer points at the
  // old ones, and appending to them would send every line twice.
  if (t->m_headerList) {
    curl_slist_free_all(t->m_headerList);
    t->m_headerList = nullptr;
  }
  if (t->m_connectToList) {
    curl_slist_free_all(t->m_connectToList);
    t->m_connectToList = nullptr;
  }
  if (t->m_formFirst) {
    curl_formfree(t->m_formFirst);
    t->m_formFirst = nullptr;
    t->m_formLast = nullptr;
  }
  if (!m_headerLines.empty()) {
    t->m_headerList = BuildList(m_headerLines);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->m_headerList);
  }
  if (!m_fixedAddresses.empty()) {
    t->m_connectToList = BuildList(m_fixedAddresses);
    curl_easy_setopt(e, CURLOPT_CONNECT_TO, t->m_connectToList);
  }
  if (!m_formFields.empty()) {
    for (const auto& field : m_formFields) {
      curl_formadd(&t->m_formFirst, &t->m_formLast, CURLFORM_COPYNAME, field.first.c_str(),
                   CURLFORM_COPYCONTENTS, field.second.c_str(), CURLFORM_END);
    }
    curl_easy_setopt(e, CURLOPT_HTTPPOST, t->m_formFirst);
  }
}
