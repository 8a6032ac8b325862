#include "commonlib/CTaskLog.h"

#include <cstdarg>
#include <ctime>
#include <vector>

#include "commonlib/core/ProtoValueException.h"
#include "commonlib/http/HttpLog.h"
#include "commonlib/logger/report/DownloadLog.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kFile[] = L"DownloadTask";

// The elements of an array or the values of a map; nothing for any other kind.
std::vector<const ProtoValue*> Elements(const ProtoValue& v) {
  std::vector<const ProtoValue*> out;
  if (const ProtoValue::Array* a = v.array()) {
    for (const ProtoValue& e : *a) out.push_back(&e);
  } else if (const ProtoValue::Map* m = v.map()) {
    for (const auto& e : *m) out.push_back(&e.second);
  }
  return out;
}

// A text where a stored text is expected; a wrong kind throws like the accessor does.
std::wstring TextOf(const ProtoValue& v) {
  if (v.type() != PV_STRING && !v.isNull()) {
    throw ProtoValueException(-1, L"text expected");
  }
  return v.string();
}

int64_t IntegerOf(const ProtoValue& v) {
  if (v.type() != PV_INTEGER && !v.isNull()) {
    throw ProtoValueException(-1, L"integer expected");
  }
  return v.integer();
}

int64_t CounterOf(const ProtoValue& v) {
  int64_t n = IntegerOf(v);
  if (n < 0 || n > CTaskLog::kMaxCounter) throw ProtoValueException(-1, L"counter out of range");
  return n;
}

}  // namespace

CTaskLog::CTaskLog() : m_noReport(false), m_finished(false) {}

CTaskLog::~CTaskLog() {}

void CTaskLog::AddLine(const std::wstring& category, const std::wstring& text) {
  m_lines.push_back(StringUtils::Format(L"[%s] [%s] %s",
                                        CommonUtils::GetTimeString(time(nullptr)).c_str(),
                                        category.c_str(), text.c_str()));
}

void CTaskLog::AddLineF(const wchar_t* category, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = StringUtils::FormatV(format, args);
  va_end(args);
  AddLine(category ? category : L"", text);
}

void CTaskLog::ToProtoValue(ProtoValue& out) const {
  ProtoValue log(PV_MAP);
  ProtoValue lines(PV_ARRAY);
  for (const std::wstring& line : m_lines) lines.append(ProtoValue(line));
  ProtoValue net(PV_ARRAY);
  for (const NetRecord& r : m_netRecords) {
    ProtoValue item(PV_MAP);
    item[L"time"] = ProtoValue(static_cast<int64_t>(r.time));
    item[L"domain"] = ProtoValue(r.domain);
    item[L"ping"] = ProtoValue(r.ping);
    item[L"traceroot"] = ProtoValue(r.traceroot);
    item[L"nslookup"] = ProtoValue(r.nslookup);
    net.append(item);
  }
  ProtoValue bytes(PV_MAP);
  for (const auto& e : m_bytesPerSource) bytes[e.first] = ProtoValue(static_cast<long long>(e.second));
  ProtoValue times(PV_MAP);
  for (const auto& e : m_timePerSource) times[e.first] = ProtoValue(static_cast<long long>(e.second));
  log[L"tl"] = lines;
  log[L"nt"] = net;
  log[L"ws"] = bytes;
  log[L"it"] = times;
  out[L"log"] = log;
}

bool CTaskLog::FromProtoValue(const ProtoValue& in) {
  if (in.type() != PV_MAP || !in.has(L"log")) return true;
  const ProtoValue& log = in.get(L"log");
  if (!log.isNull() && log.type() != PV_MAP) {
    JF_HTTP_LOG(kLogError, kFile, L"CTaskLog::FromProtoValue log of type %d", static_cast<int>(log.type()));
    return false;
  }
  // Read everything first, so a damaged entry leaves the log as it was.
  std::list<std::wstring> lines;
  std::list<NetRecord> records;
  std::vector<std::pair<std::wstring, int64_t>> bytes;
  std::vector<std::pair<std::wstring, int64_t>> times;
  try {
    for (const ProtoValue* e : Elements(log.get(L"tl"))) lines.push_back(TextOf(*e));
    for (const ProtoValue* e : Elements(log.get(L"nt"))) {
      if (e->type() != PV_MAP) throw ProtoValueException(-1, L"map expected");
      NetRecord r;
      r.time = static_cast<uint32_t>(IntegerOf(e->get(L"time")));
      r.domain = TextOf(e->get(L"domain"));
      r.ping = TextOf(e->get(L"ping"));
      r.traceroot = TextOf(e->get(L"traceroot"));
      r.nslookup = TextOf(e->get(L"nslookup"));
      records.push_back(r);
    }
    // Byte and time totals feed sums and rates: a negative or absurd one is damage.
    if (const ProtoValue::Map* m = log.get(L"ws").map()) {
      for (const auto& e : *m) bytes.emplace_back(e.first, CounterOf(e.second));
    }
    if (const ProtoValue::Map* m = log.get(L"it").map()) {
      for (const auto& e : *m) times.emplace_back(e.first, CounterOf(e.second));
    }
  } catch (ProtoValueException&) {
    JF_HTTP_LOG(kLogError, kFile, L"CTaskLog::FromProtoValue wrong kind of entry, log not restored");
    return false;
  }
  m_lines.splice(m_lines.end(), lines);
  m_netRecords.splice(m_netRecords.end(), records);
  for (const auto& e : bytes) m_bytesPerSource[e.first] = e.second;
  for (const auto& e : times) m_timePerSource[e.first] = e.second;
  return true;
}

void CTaskLog::BuildReport() {
  if (!m_finished) return;
  if (m_ownerStats) {
    std::function<void(ProtoValue&)> stats;
    stats.swap(m_ownerStats);
    stats(m_record);
  }
  ProtoValue sections(PV_ARRAY);

  ProtoValue speeds(PV_ARRAY);
  for (const auto& e : m_bytesPerSource) {
    auto t = m_timePerSource.find(e.first);
    if (t == m_timePerSource.end()) continue;
    int64_t ms = t->second;
    int64_t speed = ms > 0 ? e.second * 1000 / ms : 0;
    speeds.append(ProtoValue(StringUtils::Format(
        L"源:%s,下载速度%s/秒，耗时%d秒", e.first.c_str(),
        CommonUtils::FormatByteSize(static_cast<uint64_t>(speed < 0 ? 0 : speed), true).c_str(),
        static_cast<int32_t>(ms / 1000))));
  }
  ProtoValue first(PV_MAP);
  first[L"下载源速度分析"] = speeds;
  sections.append(first);

  ProtoValue lines(PV_ARRAY);
  for (const std::wstring& line : m_lines) lines.append(ProtoValue(line));
  ProtoValue second(PV_MAP);
  second[L"下载日志"] = lines;
  sections.append(second);

  ProtoValue net(PV_ARRAY);
  for (const NetRecord& r : m_netRecords) {
    net.append(ProtoValue(StringUtils::Format(L"[%s]对%s网络分析：",
                                              CommonUtils::GetTimeString(r.time).c_str(),
                                              r.domain.c_str())));
    net.append(ProtoValue(StringUtils::Format(L"Ping:%s", r.ping.c_str())));
    net.append(ProtoValue(StringUtils::Format(L"TraceRoute:%s", r.traceroot.c_str())));
    if (!CommonUtils::IsIpAddress(r.domain)) {
      net.append(ProtoValue(StringUtils::Format(L"Nslookup:%s", r.nslookup.c_str())));
    }
  }
  ProtoValue third(PV_MAP);
  third[L"网络分析"] = net;
  sections.append(third);

  m_record[L"log"] = sections;
  Send();
}

void CTaskLog::Send() {
  if (!m_noReport) DownloadLog::GetInstance().Report(m_record);
  // Holding a reference of our own keeps this object alive until the holder has let go.
  CRefPtr<CTaskLog> self(this);
  if (m_releaseFromHolder) {
    std::function<void(CTaskLog*)> release;
    release.swap(m_releaseFromHolder);
    release(this);
  }
}
