// A download task's account of itself: readable lines, per-source byte and time totals and
// the record that becomes the download report. It survives a pause inside the resume file
// and outlives its task until the report has gone. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>

#include "commonlib/NetRecord.h"
#include "commonlib/core/ProtoValue.h"
#include "commonlib/thread/CRefThreadSafeBase.h"

class CTaskLog : public CRefThreadSafeBase<CTaskLog> {
 public:
  // Restored byte counts and times above this (2^50: a PiB, 35,000 years of ms) are damaged.
  static const int64_t kMaxCounter = int64_t{1} << 50;

  CTaskLog();
  virtual ~CTaskLog();
  CTaskLog(const CTaskLog&) = delete;
  CTaskLog& operator=(const CTaskLog&) = delete;

  // Appends "[time] [category] text".
  void AddLine(const std::wstring& category, const std::wstring& text);
  // Formats the text first (Windows wide printf rules).
  void AddLineF(const wchar_t* category, const wchar_t* format, ...);
  void AddSourceBytes(const std::wstring& source, int64_t bytes) { m_bytesPerSource[source] += bytes; }
  void AddSourceTime(const std::wstring& source, int64_t ms) { m_timePerSource[source] += ms; }

  // out["log"] := {"tl": lines, "nt": network records, "ws": bytes, "it": times}.
  void ToProtoValue(ProtoValue& out) const;
  // Appends what a stored "log" entry holds; nothing is cleared first. A value without a
  // "log" map changes nothing (true). A "log" entry with parts of the wrong kind changes
  // nothing and gives false (logged).
  bool FromProtoValue(const ProtoValue& in);
  // Once finished: takes the owner's statistics, adds the three summary sections to the
  // record and sends it.
  void BuildReport();
  // Hands the record to the download report (unless no-report is set), then lets the holder
  // drop its reference.
  void Send();

  std::list<std::wstring> m_lines;
  std::list<NetRecord> m_netRecords;
  std::map<std::wstring, int64_t> m_bytesPerSource;
  std::map<std::wstring, int64_t> m_timePerSource;
  bool m_noReport;
  bool m_finished;
  ProtoValue m_record;
  // The owning task's statistics writer; called once by BuildReport, then cleared.
  std::function<void(ProtoValue& record)> m_ownerStats;
  // Set by the holder (the task queue): drops the holder's reference after sending.
  std::function<void(CTaskLog* log)> m_releaseFromHolder;
};
