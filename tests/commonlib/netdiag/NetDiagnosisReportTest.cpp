// The diagnosis collector: dormant without an identity; with one set here, it gathers the
// probe texts of the network-tool thread into a record.
#include <gtest/gtest.h>

#include "commonlib/netdiag/CNetToolThread.h"
#include "commonlib/netdiag/NetDiagStatsReporter.h"
#include "tests/support/core/InstantPause.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/DnsTestServer.h"
#include "commonlib/core/DeploymentProfile.h"

namespace {

class NetDiagnosisTest : public ::testing::Test {
 protected:
  InstantPause pauses;
  void SetUp() override {
    ASSERT_TRUE(dns.Start());
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
    fields = ProtoValue(PV_MAP);
    fields[L"url"] = L"http://cdn.test/file";
    fields[L"os"] = L"from the source";
    fields[L"stats_rel"][L"msg"] = L"源失败";
  }
  void TearDown() override {
    MainThreadPump::Until([] { return CNetToolThread::GetInstance().GetThreadHandle() == nullptr; }, 15000);
    MainThreadPump::Drain();
    reporter().ClearIdentity();
    DeploymentProfile::RestoreResolvers();
  }
  static NetDiagStatsReporter& reporter() { return NetDiagStatsReporter::GetInstance(); }
  void SetIdentity() {
    reporter().SetIdentity(L"http://127.0.0.1/diag", L"1.0.2", L"mini", L"Windows 10 x64",
                           L"00-11-22-33-44-55", "127.0.0.1", 7);
  }
  // Waits until the collector has no unfinished entry.
  static bool Complete() {
    return MainThreadPump::Until([] { return reporter().EntryCount() == 0; }, 15000);
  }

  DnsTestServer dns;
  ProtoValue fields;
};

}  // namespace

TEST_F(NetDiagnosisTest, WithoutAnIdentityNothingIsProbed) {
  reporter().Start(fields, "127.0.0.1");
  EXPECT_EQ(0u, reporter().EntryCount());
  EXPECT_EQ(nullptr, CNetToolThread::GetInstance().GetThreadHandle());
  EXPECT_TRUE(reporter().PendingRecords().isNull());
  // A result whose context matches nothing is ignored.
  int stranger = 0;
  reporter().OnProbeResult(3, &stranger, "{}");
  EXPECT_TRUE(reporter().PendingRecords().isNull());
}

TEST_F(NetDiagnosisTest, DottedHostGetsPingAndTrace) {
  SetIdentity();
  reporter().Start(fields, "");  // no host: nothing waits
  EXPECT_EQ(0u, reporter().EntryCount());
  reporter().Start(fields, "127.0.0.1");
  EXPECT_EQ(1u, reporter().EntryCount());
  ASSERT_TRUE(Complete());
  Json::Value pending = reporter().PendingRecords();
  ASSERT_EQ(1u, pending.size());
  const Json::Value& r = pending[0];
  EXPECT_EQ("http://cdn.test/file", r["url"].asString());
  EXPECT_EQ("PC", r["upload_platform"].asString());
  EXPECT_EQ("mini", r["product_id"].asString());
  EXPECT_EQ("127.0.0.1", r["login_ip"].asString());
  EXPECT_EQ("00-11-22-33-44-55", r["mac"].asString());
  EXPECT_EQ("Windows 10 x64", r["os"].asString());
  EXPECT_EQ("1.0.2", r["version"].asString());
  EXPECT_EQ(7, r["uid"].asInt());
  EXPECT_EQ(4, r["title"].asInt());
  EXPECT_EQ(19u, r["ftime"].asString().size());
  const Json::Value& stats = r["stats_rel"];
  EXPECT_EQ("源失败", stats["msg"].asString());
  // The probes' texts are not JSON: both members are there, and null.
  EXPECT_TRUE(stats.isMember("Ping"));
  EXPECT_TRUE(stats["Ping"].isNull());
  EXPECT_TRUE(stats.isMember("TraceRoot"));
  EXPECT_TRUE(stats["TraceRoot"].isNull());
  EXPECT_FALSE(stats.isMember("NSLookUp"));
  EXPECT_EQ(0, dns.QueryCount());
}

TEST_F(NetDiagnosisTest, HostNameAlsoGetsALookup) {
  SetIdentity();
  dns.SetAddresses("localhost", {"127.0.0.7", "127.0.0.8"});
  reporter().Start(fields, "localhost");
  ASSERT_TRUE(Complete());
  Json::Value pending = reporter().PendingRecords();
  ASSERT_EQ(1u, pending.size());
  const Json::Value& stats = pending[0]["stats_rel"];
  EXPECT_EQ("127.0.0.7;127.0.0.8", stats["NSLookUp"].asString());
  EXPECT_TRUE(stats.isMember("Ping"));
  EXPECT_TRUE(stats.isMember("TraceRoot"));
  EXPECT_EQ(1, dns.QueryCount());
}
