// The network-diagnosis collector: when a download source on the CDN host fails for good,
// it builds a record of the source's fields and its identity, probes the failing host on
// the network-tool thread (ping, route trace and, for a name, a lookup) and, once the three
// answers are in, adds the record to its pending array.
//
// It works only while an identity (a pending array and a report address) is set; nothing
// in the program sets one, so Start returns at once and no probe runs. There is no sending
// path.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <list>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/thread/CCriticalLock.h"

// One diagnosis record: the source's fields, the identity members and, under "stats_rel",
// the probes' answers.
typedef Json::Value NetDiagReport;

class NetDiagStatsReporter {
 public:
  static NetDiagStatsReporter& GetInstance();
  ~NetDiagStatsReporter();
  NetDiagStatsReporter(const NetDiagStatsReporter&) = delete;
  NetDiagStatsReporter& operator=(const NetDiagStatsReporter&) = delete;

  void Start(const ProtoValue& fields, const std::string& host);
  // A new record: the fields as JSON and the identity members. The caller owns it.
  NetDiagReport* BuildReport(const ProtoValue& fields);
  // kind 1 name lookup, 2 route trace, 3 ping; `context` is the record of an entry.
  void OnProbeResult(int kind, void* context, const std::string& text);

  // Sets up the identity and an empty pending array (nothing in the program calls this).
  void SetIdentity(const std::wstring& reportAddress, const std::wstring& version,
                   const std::wstring& productId, const std::wstring& os,
                   const std::wstring& mac, const std::string& localIp, uint32_t userId);
  // Back to no identity: the pending array and the unfinished entries are dropped.
  void ClearIdentity();
  bool IsCollecting() const { return m_pending != nullptr && !m_reportAddress.empty(); }
  // A copy of the pending array (null without an identity).
  Json::Value PendingRecords();
  size_t EntryCount();

 private:
  struct Entry {
    NetDiagReport* record;
    uint8_t waitLookup;
    uint8_t waitTrace;
    uint8_t waitPing;
  };

  NetDiagStatsReporter();

  Json::Value* m_pending;
  std::wstring m_reportAddress;
  std::wstring m_version;
  std::wstring m_productId;
  std::wstring m_os;
  std::wstring m_mac;
  std::string m_localIp;
  uint32_t m_userId;
  std::list<Entry> m_entries;
  CCriticalLock m_lock;
};

// The probe callbacks of the network-tool thread (main thread); the code is not looked at.
void OnPingResult(int code, void* context, const std::string& host, const std::string& text);
void OnTraceRouteResult(int code, void* context, const std::string& host, const std::string& text);
void OnNSLookUpResult(int code, void* context, const std::string& host, const std::string& text);
