// The multipart form goes through curl_formadd, which this libcurl marks as deprecated.
#define CURL_DISABLE_DEPRECATION 1

#include "commonlib/http/CCurlHttp.h"

#include <cerrno>

#include "commonlib/core/OBufferStream.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/http/ResultCodes.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"http\\CurlHttp";

bool IsGood(int code) { return code >= 100 && code <= 399; }
}  // namespace

CCurlHttp::CCurlHttp(CCurlWorkshop* workshop, CurlListener* listener)
    : CCurlBase(workshop, listener),
      m_httpCode(ResultCode::kNoHttpStatus),
      m_uploadSize(0),
      m_uploaded(0),
      m_rangeRequested(false),
      m_output(nullptr),
      m_input(nullptr),
      m_headerList(nullptr),
      m_connectToList(nullptr),
      m_formFirst(nullptr),
      m_formLast(nullptr) {}

CCurlHttp::~CCurlHttp() {
  if (m_output) {
    m_output->Close();
    delete m_output;
    m_output = nullptr;
  }
  if (m_input) {
    m_input->Close();
    delete m_input;
    m_input = nullptr;
  }
  // The easy handle may still point at the lists and the form: clean it up first.
  FreeEasy();
  if (m_headerList) curl_slist_free_all(m_headerList);
  if (m_connectToList) curl_slist_free_all(m_connectToList);
  if (m_formFirst) curl_formfree(m_formFirst);
  m_serverIp.clear();
  m_headers.clear();
}

void CCurlHttp::Close() {
  if (m_output) m_output->Close();
  if (m_input) m_input->Close();
}

int CCurlHttp::ReadResponseInfo() {
  if (!GetEasy()) return ResultCode::kNoTransferHandle;
  long code = ResultCode::kNoHttpStatus;
  CURLcode err = curl_easy_getinfo(GetEasy(), CURLINFO_RESPONSE_CODE, &code);
  m_httpCode = static_cast<int>(code);
  char* ip = nullptr;
  curl_easy_getinfo(GetEasy(), CURLINFO_PRIMARY_IP, &ip);
  if (ip) {
    std::lock_guard<std::mutex> guard(m_ipLock);
    m_serverIp = ip;
  }
  return static_cast<int>(err);
}

std::string CCurlHttp::GetServerIp() {
  std::lock_guard<std::mutex> guard(m_ipLock);
  return m_serverIp;
}

std::string CCurlHttp::CopyBufferedBody() {
  std::lock_guard<std::mutex> guard(m_streamLock);
  OBufferStream* buffer = dynamic_cast<OBufferStream*>(m_output);
  return buffer ? buffer->ToString() : std::string();
}

ErrorPair CCurlHttp::GetOutputError() {
  std::lock_guard<std::mutex> guard(m_streamLock);
  return m_output ? ErrorPair{m_output->GetErrorType(), m_output->GetErrorCode()} : ErrorPair();
}

size_t CCurlHttp::OnRecieveHeader(const char* data, size_t size) {
  // An interim 1xx answer is followed by the real one, so its status is read again too.
  if (m_httpCode == ResultCode::kNoHttpStatus || (m_httpCode >= 100 && m_httpCode <= 199) ||
      (m_httpCode >= 300 && m_httpCode <= 399)) {
    int err = ReadResponseInfo();
    if (err != 0 || !IsGood(m_httpCode)) {
      JF_HTTP_LOG(kLogError, kFile, L"CCurlHttp::OnRecieveHeader HTTP error code:%d httpcode:%d ",
                  err, m_httpCode);
    }
    if (m_httpCode == 200 && m_rangeRequested) {
      JF_HTTP_LOG(kLogInfo, kFile, L"httpcode==200 不支持断点续传，清空文件");
      if (m_output) m_output->Dispose();
    }
  }
  if (!IsGood(m_httpCode)) {
    PostCurlResponse(CRefPtr<CCurlBase>(this), m_httpCode, ProtoValue());
    return size;
  }
  std::string line(data, size);
  if (line == "\r\n" || line == "\n") {
    PostCurlResponse(CRefPtr<CCurlBase>(this), m_httpCode, m_headers);
    return size;
  }
  size_t colon = line.find(':');
  if (colon != std::string::npos && colon > 0) {
    std::wstring name = StringUtils::AnsiToWide(line.substr(0, colon));
    std::wstring value = StringUtils::AnsiToWide(line.substr(colon + 1));
    StringUtils::Trim(name);
    StringUtils::Trim(value);
    m_headers[name] = ProtoValue(value);
  }
  return size;
}

size_t CCurlHttp::OnRecieveBody(const char* data, size_t size) {
  if (IsGood(m_httpCode)) {
    if (!m_output) return 0;
    int32_t r = m_output->Write(data, static_cast<uint32_t>(size));
    if (r < 0) {
      JF_HTTP_LOG(kLogError, kFile, L"CCurlHttp::OnRecieveBody  Write file error %d",
                  m_output->GetErrorCode());
      return 0;
    }
    return static_cast<size_t>(r);
  }
  std::wstring text = StringUtils::AnsiToWide(std::string(data, size < 1000 ? size : 1000));
  JF_HTTP_LOG(kLogError, kFile, L"CCurlHttp::OnRecieveBody HTTP error  httpcode:%d %s", m_httpCode,
              text.c_str());
  return 0;
}

size_t CCurlHttp::OnSendBody(char* buffer, size_t size) {
  if (m_input && m_uploadSize != 0 && m_uploaded < m_uploadSize) {
    uint64_t left = m_uploadSize - m_uploaded;
    uint32_t want = static_cast<uint32_t>(size < left ? size : left);
    int32_t r = m_input->Read(buffer, want);
    if (r >= 0) {
      m_uploaded += static_cast<uint64_t>(r);
      return static_cast<size_t>(r);
    }
    JF_HTTP_LOG(kLogError, kFile, L"CCurlHttp::OnSendBody  Read file error %d", errno);
  }
  return 0;
}
