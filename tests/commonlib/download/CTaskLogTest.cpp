#include "commonlib/CTaskLog.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/logger/report/DownloadLog.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/util/StringUtils.h"

namespace {

std::string Utf8(const std::wstring& s) { return StringUtils::WideToUtf8(s); }

std::vector<std::wstring> Texts(const ProtoValue& array) {
  std::vector<std::wstring> out;
  if (const ProtoValue::Array* a = array.array()) {
    for (const ProtoValue& v : *a) out.push_back(v.string());
  }
  return out;
}

TEST(CTaskLogTest, LinesCarryTimeAndCategory) {
  CRefPtr<CTaskLog> log(new CTaskLog());
  log->AddLine(L"任务状态", L"开始下载:a.exe");
  log->AddLineF(L"源重试", L"下载源%s 第%d次重试 et:%d ec:%d", L"127.0.0.2", 1, 5, 28);
  ASSERT_EQ(log->m_lines.size(), 2u);
  std::regex shape(u8"\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\] \\[任务状态\\] 开始下载:a\\.exe");
  EXPECT_TRUE(std::regex_match(Utf8(log->m_lines.front()), shape)) << Utf8(log->m_lines.front());
  EXPECT_NE(log->m_lines.back().find(L"] [源重试] 下载源127.0.0.2 第1次重试 et:5 ec:28"), std::wstring::npos);
}

TEST(CTaskLogTest, StoredFormSurvivesTheByteFormat) {
  CRefPtr<CTaskLog> log(new CTaskLog());
  log->AddLine(L"选取源", L"选取域名源：http://h/x");
  log->AddSourceBytes(L"h", 700);
  log->AddSourceBytes(L"h", 300);
  log->AddSourceTime(L"h", 2500);
  NetRecord r;
  r.domain = L"h";
  r.ping = L"p";
  r.traceroot = L"t";
  r.nslookup = L"n";
  r.time = 1700000000;
  log->m_netRecords.push_back(r);
  ProtoValue stored;
  log->ToProtoValue(stored);
  std::string bytes;
  ASSERT_TRUE(ProtoValueToBytes(bytes, stored));
  ProtoValue back;
  ASSERT_TRUE(ProtoValueFromBytes(back, bytes));

  CRefPtr<CTaskLog> copy(new CTaskLog());
  copy->AddLine(L"x", L"earlier");  // nothing is cleared first
  EXPECT_TRUE(copy->FromProtoValue(back));
  EXPECT_EQ(copy->m_lines.size(), 2u);
  EXPECT_EQ(copy->m_lines.back(), log->m_lines.front());
  EXPECT_EQ(copy->m_bytesPerSource[L"h"], 1000);
  EXPECT_EQ(copy->m_timePerSource[L"h"], 2500);
  ASSERT_EQ(copy->m_netRecords.size(), 1u);
  EXPECT_EQ(copy->m_netRecords.front().traceroot, L"t");
  EXPECT_EQ(copy->m_netRecords.front().time, 1700000000u);

  // Without "log" nothing changes; without "nt" the other parts still come back.
  CRefPtr<CTaskLog> other(new CTaskLog());
  ProtoValue none(PV_MAP);
  none[L"fs"] = ProtoValue(1);
  EXPECT_TRUE(other->FromProtoValue(none));
  EXPECT_TRUE(other->m_lines.empty());
  ProtoValue partial = back;
  partial[L"log"][L"nt"] = ProtoValue();
  EXPECT_TRUE(other->FromProtoValue(partial));
  EXPECT_EQ(other->m_lines.size(), 1u);
  EXPECT_TRUE(other->m_netRecords.empty());
  EXPECT_EQ(other->m_bytesPerSource[L"h"], 1000);

  // Wrong kinds leave the log as it was.
  ProtoValue bad = back;
  bad[L"log"][L"ws"][L"h"] = ProtoValue(L"many");
  CRefPtr<CTaskLog> untouched(new CTaskLog());
  EXPECT_FALSE(untouched->FromProtoValue(bad));
  EXPECT_TRUE(untouched->m_lines.empty());
  EXPECT_TRUE(untouched->m_bytesPerSource.empty());
}

TEST(CTaskLogTest, BuildReportOnlyWhenFinishedAndWithTheThreeSections) {
  CRefPtr<CTaskLog> log(new CTaskLog());
  log->m_noReport = true;  // keep the download report out of this test
  int statsCalls = 0;
  log->m_ownerStats = [&](ProtoValue& record) {
    ++statsCalls;
    record[L"size"] = ProtoValue(5);
  };
  int released = 0;
  log->m_releaseFromHolder = [&](CTaskLog*) { ++released; };
  log->AddSourceBytes(L"10.0.0.1", 2097152);
  log->AddSourceTime(L"10.0.0.1", 4000);
  log->AddSourceBytes(L"bytes.only", 100);
  log->AddSourceBytes(L"zero.ms", 100);
  log->AddSourceTime(L"zero.ms", 0);
  log->AddLine(L"任务状态", L"下载完成 code:0");
  NetRecord ip;
  ip.domain = L"10.0.0.1";
  NetRecord host;
  host.domain = L"cdn.test";
  host.nslookup = L"1.2.3.4";
  log->m_netRecords = {ip, host};

  log->BuildReport();
  EXPECT_EQ(statsCalls, 0);
  EXPECT_TRUE(log->m_record.isNull());
  EXPECT_EQ(released, 0);

  log->m_finished = true;
  log->BuildReport();
  EXPECT_EQ(statsCalls, 1);
  EXPECT_EQ(released, 1);
  EXPECT_EQ(log->m_record.get(L"size").integer(), 5);
  const ProtoValue& sections = log->m_record.get(L"log");
  ASSERT_EQ(sections.size(), 3u);
  const ProtoValue::Array& s = *sections.array();
  EXPECT_EQ(Texts(s[0].get(L"下载源速度分析")),
            (std::vector<std::wstring>{L"源:10.0.0.1,下载速度512.00 KB/秒，耗时4秒",
                                       L"源:zero.ms,下载速度0 B/秒，耗时0秒"}));
  EXPECT_EQ(Texts(s[1].get(L"下载日志")).size(), 1u);
  std::vector<std::wstring> net = Texts(s[2].get(L"网络分析"));
  ASSERT_EQ(net.size(), 7u);
  EXPECT_NE(net[0].find(L"]对10.0.0.1网络分析："), std::wstring::npos);
  EXPECT_EQ(net[1], L"Ping:");
  EXPECT_EQ(net[2], L"TraceRoute:");
  EXPECT_NE(net[3].find(L"]对cdn.test网络分析："), std::wstring::npos);
  EXPECT_EQ(net[6], L"Nslookup:1.2.3.4");

  // The owner's statistics are taken once only.
  log->BuildReport();
  EXPECT_EQ(statsCalls, 1);
}

TEST(CTaskLogTest, SendLetsTheHolderDropTheLastReference) {
  struct Holder {
    CRefPtr<CTaskLog> ref;
  } holder;
  CTaskLog* raw = new CTaskLog();
  holder.ref = raw;
  raw->m_noReport = true;
  bool dropped = false;
  raw->m_releaseFromHolder = [&](CTaskLog* log) {
    EXPECT_EQ(log, raw);
    holder.ref.reset();  // the log survives this: Send holds its own reference
    dropped = true;
  };
  raw->m_finished = true;
  raw->BuildReport();
  EXPECT_TRUE(dropped);
  EXPECT_EQ(holder.ref.get(), nullptr);
}

}  // namespace
