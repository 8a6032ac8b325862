#include "commonlib/netdiag/NetDiagStatsReporter.h"

#include <windows.h>

#include "commonlib/netdiag/CNetToolThread.h"
#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/thread/CScopedLock.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {
// The text as JSON; null when it is not JSON.
Json::Value ParseOrNull(const std::string& text) {
  Json::Value value;
  Json::Reader reader;
  if (!reader.parse(text, value, false)) return Json::Value();
  return value;
}
}  // namespace

NetDiagStatsReporter& NetDiagStatsReporter::GetInstance() {
  static NetDiagStatsReporter instance;
  return instance;
}

NetDiagStatsReporter::NetDiagStatsReporter() : m_pending(nullptr), m_userId(0) {}

NetDiagStatsReporter::~NetDiagStatsReporter() { ClearIdentity(); }

void NetDiagStatsReporter::SetIdentity(const std::wstring& reportAddress,
                                       const std::wstring& version,
                                       const std::wstring& productId, const std::wstring& os,
                                       const std::wstring& mac, const std::string& localIp,
                                       uint32_t userId) {
  CScopedLock guard(m_lock);
  if (!m_pending) m_pending = new Json::Value(Json::arrayValue);
  m_reportAddress = reportAddress;
  m_version = version;
  m_productId = productId;
  m_os = os;
  m_mac = mac;
  m_localIp = localIp;
  m_userId = userId;
}

void NetDiagStatsReporter::ClearIdentity() {
  CScopedLock guard(m_lock);
  for (Entry& entry : m_entries) delete entry.record;
  m_entries.clear();
  delete m_pending;
  m_pending = nullptr;
  m_reportAddress.clear();
}

Json::Value NetDiagStatsReporter::PendingRecords() {
  CScopedLock guard(m_lock);
  return m_pending ? *m_pending : Json::Value();
}

size_t NetDiagStatsReporter::EntryCount() {
  CScopedLock guard(m_lock);
  return m_entries.size();
}

NetDiagReport* NetDiagStatsReporter::BuildReport(const ProtoValue& fields) {
  std::wstring json;
  NetDiagReport* record = new NetDiagReport(Json::objectValue);
  if (ProtoValueJsonConvertor::ToJson(fields, json)) {
    Json::Value parsed = ParseOrNull(StringUtils::WideToUtf8(json));
    if (parsed.isObject()) *record = parsed;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  NetDiagReport& r = *record;
  r["upload_platform"] = "PC";
  r["product_id"] = StringUtils::WideToUtf8(m_productId);
  r["login_ip"] = m_localIp;
  r["mac"] = StringUtils::WideToUtf8(m_mac);
  r["os"] = StringUtils::WideToUtf8(m_os);
  r["version"] = StringUtils::WideToUtf8(m_version);
  r["uid"] = static_cast<Json::UInt>(m_userId);
  r["title"] = 4;
  r["ftime"] = StringUtils::FormatA("%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay,
                                    now.wHour, now.wMinute, now.wSecond);
  return record;
}

void NetDiagStatsReporter::Start(const ProtoValue& fields, const std::string& host) {
  CScopedLock guard(m_lock);
  if (!IsCollecting()) return;
  NetDiagReport* record = BuildReport(fields);
  if (host.empty()) {
    delete record;  // nothing to probe: the record has no way to complete
    return;
  }
  const bool dotted = CommonUtils::IsIpAddress(StringUtils::AnsiToWide(host));
  m_entries.push_back(Entry{record, static_cast<uint8_t>(dotted ? 0 : 1), 1, 1});
  CNetToolThread& tools = CNetToolThread::GetInstance();
  tools.Ping(host, record);
  tools.TraceRoute(host, record);
  if (!dotted) tools.NSLookUp(host, record);
}

void NetDiagStatsReporter::OnProbeResult(int kind, void* context, const std::string& text) {
  CScopedLock guard(m_lock);
  auto it = m_entries.begin();
  while (it != m_entries.end() && it->record != context) ++it;
  if (it == m_entries.end()) return;
  Json::Value& stats = (*it->record)["stats_rel"];
  if (kind == 1) {
    it->waitLookup = 0;
    stats["NSLookUp"] = text;
  } else if (kind == 2) {
    it->waitTrace = 0;
    stats["TraceRoot"] = ParseOrNull(text);
  } else if (kind == 3) {
    it->waitPing = 0;
    stats["Ping"] = ParseOrNull(text);
  }
  if (it->waitLookup || it->waitTrace || it->waitPing) return;
  if (m_pending) m_pending->append(*it->record);
  delete it->record;
  m_entries.erase(it);
}

void OnPingResult(int, void* context, const std::string&, const std::string& text) {
  NetDiagStatsReporter::GetInstance().OnProbeResult(3, context, text);
}

void OnTraceRouteResult(int, void* context, const std::string&, const std::string& text) {
  NetDiagStatsReporter::GetInstance().OnProbeResult(2, context, text);
}

void OnNSLookUpResult(int, void* context, const std::string&, const std::string& text) {
  NetDiagStatsReporter::GetInstance().OnProbeResult(1, context, text);
}
