#include "commonlib/logger/report/DownloadLog.h"

#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <json/json.h>

#include <string>

#include "tests/commonlib/download/DownloadTestEnv.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/MD5.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string Md5Hex(const std::string& text) {
  MD5 md5(reinterpret_cast<const unsigned char*>(text.data()), static_cast<uint32_t>(text.size()));
  return md5.hex_digest();
}

class DownloadLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HttpCommandEngineInit();
    ASSERT_TRUE(server.Start());
    server.SetBody("/report", "ok");
  }
  void TearDown() override {
    DownloadLog::GetInstance().UnInit();
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
  }
  // Waits for the post with that many requests in total and for the collector to be free.
  bool WaitForPost(size_t requests) {
    return MainThreadPump::Until([&] {
      return server.RequestsFor("/report").size() >= requests && !DownloadLog::GetInstance().IsBusy();
    });
  }
  HttpTestServer server;
};

TEST_F(DownloadLogTest, PostsSignedStyledRecordsAsSignThenData) {
  DownloadLog& log = DownloadLog::GetInstance();
  ASSERT_TRUE(log.Init(Wide(server.Url("/report")), L"1.0.2|mini_downloader", L"42"));
  ProtoValue fields;
  fields[L"file_name"] = ProtoValue(L"安装.exe");
  fields[L"size"] = ProtoValue(1310721);
  fields[L"os"] = ProtoValue(L"their own");
  fields[L"id"] = ProtoValue(9);
  log.Report(fields);
  EXPECT_EQ(log.GetPendingCount(), 0u);
  ASSERT_TRUE(WaitForPost(1));

  std::vector<HttpTestServer::Request> reqs = server.RequestsFor("/report");
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].method, "POST");
  ASSERT_EQ(reqs[0].parts.size(), 2u);
  EXPECT_EQ(reqs[0].parts[0].name, "sign");
  EXPECT_EQ(reqs[0].parts[1].name, "data");
  const std::string& data = reqs[0].parts[1].data;
  EXPECT_EQ(reqs[0].parts[0].data, Md5Hex(std::string("Hq4Zp8Wn2Lc7Rv3B") + data));
  EXPECT_EQ(reqs[0].parts[0].data, DownloadLog::Sign(DownloadLog::kSignKey, data));
  EXPECT_EQ(data.compare(0, 7, "[\n   {\n"), 0) << data;  // styled, three-blank indents

  Json::Value parsed;
  Json::Reader reader;
  ASSERT_TRUE(reader.parse(data, parsed));
  ASSERT_TRUE(parsed.isArray());
  ASSERT_EQ(parsed.size(), 1u);
  const Json::Value& r = parsed[0];
  EXPECT_EQ(r["file_name"].asString(), u8"安装.exe");
  EXPECT_EQ(r["size"].asInt(), 1310721);
  EXPECT_EQ(r["upload_platform"].asString(), "PC");
  EXPECT_EQ(r["product_id"].asString(), "42");
  EXPECT_EQ(r["version"].asString(), "1.0.2|mini_downloader");
  EXPECT_EQ(r["id"].asInt(), 0);
  EXPECT_EQ(r["login_ip"].asString(), CommonUtils::GetLocalIp());
  std::string os = r["os"].asString();
  EXPECT_NE(os, "their own");
  EXPECT_EQ(os.substr(os.size() - 4), " x64");
  EXPECT_EQ(r["ftime"].asString().size(), 19u);
}

TEST_F(DownloadLogTest, RecordsWaitWhileAPostIsInFlight) {
  DownloadLog& log = DownloadLog::GetInstance();
  ASSERT_TRUE(log.Init(Wide(server.Url("/report")), L"v", L"p"));
  ProtoValue a;
  a[L"file_name"] = ProtoValue(L"a");
  ProtoValue b;
  b[L"file_name"] = ProtoValue(L"b");
  ProtoValue c;
  c[L"file_name"] = ProtoValue(L"c");
  log.Report(a);
  EXPECT_TRUE(log.IsBusy());
  log.Report(b);  // waits: the first post has not answered yet
  EXPECT_EQ(log.GetPendingCount(), 1u);
  ASSERT_TRUE(WaitForPost(1));
  log.Report(c);
  ASSERT_TRUE(WaitForPost(2));
  std::vector<HttpTestServer::Request> reqs = server.RequestsFor("/report");
  ASSERT_EQ(reqs.size(), 2u);
  Json::Value second;
  Json::Reader reader;
  ASSERT_TRUE(reader.parse(reqs[1].parts[1].data, second));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0]["file_name"].asString(), "b");
  EXPECT_EQ(second[1]["file_name"].asString(), "c");
}

TEST_F(DownloadLogTest, NothingIsSentBeforeInitOrWithoutAnAddress) {
  DownloadLog& log = DownloadLog::GetInstance();
  log.UnInit();
  ProtoValue f;
  f[L"x"] = ProtoValue(1);
  log.Report(f);
  EXPECT_EQ(log.GetPendingCount(), 0u);
  ASSERT_TRUE(log.Init(L"", L"v", L"p"));
  log.Report(f);
  EXPECT_EQ(log.GetPendingCount(), 0u);
  EXPECT_FALSE(log.IsBusy());
  MainThreadPump::For(50);
  EXPECT_EQ(server.RequestCount(), 0u);

  // Fields that are no JSON object still give a record of the collector's own members.
  Json::Value record = log.MakeRecord(ProtoValue(L"text"));
  EXPECT_TRUE(record.isObject());
  EXPECT_EQ(record["upload_platform"].asString(), "PC");
  EXPECT_EQ(record.size(), 8u);
}

}  // namespace

// A whole download through the engine ends with one report of its summary.

namespace {

class DownloadReportFlowTest : public DownloadTestEnv {
 protected:
  void SetUp() override {
    DownloadTestEnv::SetUp();
    HttpCommandEngineInit();
    server.SetBody("/report", "ok");
  }
  void TearDown() override {
    DownloadTestEnv::TearDown();
    DownloadLog::GetInstance().UnInit();
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
  }
};

TEST_F(DownloadReportFlowTest, FinishedDownloadIsReportedWithItsSummary) {
  ASSERT_TRUE(DownloadLog::GetInstance().Init(Url("/report"), L"1.0.2|mini_downloader", L"7"));
  const std::string body = HttpTestServer::RandomBody(2000000, 11);
  Serve("/f.bin", body);
  DownloadOutcome out;
  ASSERT_TRUE(Add(Url("/f.bin"), L"127.0.0.2;127.0.0.3", L"f.bin", static_cast<int64_t>(body.size()), out,
                  Md5Of(body), L"", 0, "{\"channel\":\"web\"}"));
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(out.et, 0);
  EXPECT_EQ(out.ec, 0);
  ASSERT_TRUE(MainThreadPump::Until([&] { return !server.RequestsFor("/report").empty(); }));

  HttpTestServer::Request req = server.RequestsFor("/report").front();
  ASSERT_EQ(req.parts.size(), 2u);
  EXPECT_EQ(req.parts[0].name, "sign");
  EXPECT_EQ(req.parts[1].name, "data");
  EXPECT_EQ(req.parts[0].data, Md5Hex(DownloadLog::kSignKey + req.parts[1].data));
  Json::Value all;
  Json::Reader reader;
  ASSERT_TRUE(reader.parse(req.parts[1].data, all));
  ASSERT_EQ(all.size(), 1u);
  const Json::Value& r = all[0];
  EXPECT_EQ(r["file_name"].asString(), "f.bin");
  EXPECT_EQ(r["channel"].asString(), "web");
  EXPECT_EQ(r["size"].asInt64(), 2000000);
  EXPECT_EQ(r["download_size"].asInt64(), 2000000);
  EXPECT_EQ(r["is_cdn"].asInt(), 0);
  EXPECT_GE(r["time_comsuming"].asInt(), 1);
  EXPECT_EQ(r["product_id"].asString(), "7");
  const Json::Value& log = r["log"];
  ASSERT_EQ(log.size(), 3u);
  EXPECT_TRUE(log[0].isMember(u8"下载源速度分析"));
  EXPECT_GE(log[0][u8"下载源速度分析"].size(), 1u);
  const Json::Value& lines = log[1][u8"下载日志"];
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].asString().find(u8"[任务状态] 开始下载:"), std::string::npos);
  EXPECT_NE(lines[lines.size() - 1].asString().find(u8"下载完成 code:0"), std::string::npos);
  EXPECT_EQ(log[2][u8"网络分析"].size(), 0u);
}

}  // namespace
