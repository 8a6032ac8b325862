#include "commonlib/logger/report/DownloadLog.h"

#include <windows.h>

#include <ctime>

#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/thread/CScopedLock.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"

namespace {
const wchar_t kFile[] = L"logger\\DownloadLog";

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

// " x64" under WOW64 or in a 64-bit build (the system is then 64-bit too), else " x32".
const wchar_t* BitnessText() {
  BOOL wow64 = FALSE;
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  IsWow64ProcessFn fn =
      kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process"))) : nullptr;
  if (fn && !fn(GetCurrentProcess(), &wow64)) wow64 = FALSE;
  return (wow64 || sizeof(void*) == 8) ? L" x64" : L" x32";
}
}  // namespace

const char* const DownloadLog::kSignKey = "Hq4Zp8Wn2Lc7Rv3B";

DownloadLog::DownloadLog() : m_command(nullptr), m_id(0), m_busy(0) {}

DownloadLog::~DownloadLog() { UnInit(); }

DownloadLog& DownloadLog::GetInstance() {
  // Never destroyed: a post may still finish while the process exits.
  static DownloadLog* instance = new DownloadLog();
  return *instance;
}

bool DownloadLog::Init(const std::wstring& reportAddress, const std::wstring& version,
                       const std::wstring& productId) {
  CScopedLock guard(m_lock);
  m_pending.reset(new Json::Value(Json::arrayValue));
  delete m_command;
  m_command = new CHttpCommand();
  m_busy = 0;
  m_reportAddress = reportAddress;
  m_version = version;
  m_productId = productId;
  m_os = CommonUtils::GetOSVersionName() + BitnessText();
  m_mac = CommonUtils::GetMacAddress();
  m_localIp = CommonUtils::GetLocalIp();
  return true;
}

void DownloadLog::UnInit() {
  CScopedLock guard(m_lock);
  m_pending.reset();
  delete m_command;
  m_command = nullptr;
  m_busy = 0;
}

uint32_t DownloadLog::GetPendingCount() {
  CScopedLock guard(m_lock);
  return m_pending ? m_pending->size() : 0;
}

void DownloadLog::Report(const ProtoValue& fields) {
  CScopedLock guard(m_lock);
  if (m_reportAddress.empty() || !m_pending) return;
  m_pending->append(MakeRecord(fields));
  Send();
}

Json::Value DownloadLog::MakeRecord(const ProtoValue& fields) {
  Json::Value record(Json::objectValue);
  std::wstring text;
  if (ProtoValueJsonConvertor::ToJson(fields, text)) {
    Json::Reader reader;
    Json::Value parsed;
    if (reader.parse(StringUtils::WideToUtf8(text), parsed, false) && parsed.isObject()) {
      record = parsed;
    }
  }
  record["upload_platform"] = "PC";
  record["product_id"] = StringUtils::WideToUtf8(m_productId);
  record["login_ip"] = m_localIp;
  record["mac"] = StringUtils::WideToUtf8(m_mac);
  record["os"] = StringUtils::WideToUtf8(m_os);
  record["version"] = StringUtils::WideToUtf8(m_version);
  record["id"] = m_id;
  record["ftime"] = StringUtils::WideToUtf8(CommonUtils::GetTimeString(time(nullptr)));
  return record;
}

void DownloadLog::Send() {
  CScopedLock guard(m_lock);
  if (!m_command || m_busy || !m_pending || m_pending->empty()) return;
  Json::StyledWriter writer;
  std::string data = writer.write(*m_pending);
  if (!data.empty()) {
    m_command->ClearFormFields();
    std::string sign = Sign(kSignKey, data);
    m_command->AddFormField("sign", sign);
    m_command->AddFormField("data", data);
    if (m_command->Post("", m_reportAddress, &DownloadLog::OnSendResult)) m_busy = 1;
    JF_HTTP_LOG(kLogInfo, kFile, L"发送网络日志统计 url:%s data:%s sign:%s", m_reportAddress.c_str(),
                StringUtils::Utf8ToWide(data).c_str(), StringUtils::Utf8ToWide(sign).c_str());
  }
  // Whatever became of the post, these records are gone.
  *m_pending = Json::Value(Json::arrayValue);
}

void DownloadLog::OnSendResult(void* /*userData*/, const std::string& response, int errorType,
                               int errorCode) {
  JF_HTTP_LOG(kLogInfo, kFile, L"下载日志统计上传结果 %d:%d %s", errorType, errorCode,
              StringUtils::Utf8ToWide(response).c_str());
  DownloadLog& self = GetInstance();
  CScopedLock guard(self.m_lock);
  self.m_busy = 0;
}

std::string DownloadLog::JoinKeyAndData(const std::string& key, const std::string& data) {
  return key + data;
}

std::string DownloadLog::Sign(const std::string& key, const std::string& data) {
  std::string joined = JoinKeyAndData(key, data);
  MD5 md5(reinterpret_cast<const unsigned char*>(joined.data()), static_cast<uint32_t>(joined.size()));
  return md5.hex_digest();
}
