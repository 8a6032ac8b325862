// The own DNS query and the DNS thread against the local UDP responder.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <chrono>

#include "tests/support/net/DnsTestServer.h"
#include "tests/support/net/FastProbeClock.h"
#include "tests/support/core/MainThreadPump.h"
#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CDNSThread.h"
#include "commonlib/http/CDnsResolver.h"

namespace {

std::string Pkt(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

bool Parse(const std::string& p, std::vector<uint32_t>* a = nullptr,
           std::vector<std::string>* n = nullptr) {
  return CDnsResolver::ParseAnswer(reinterpret_cast<const unsigned char*>(p.data()), p.size(), a, n);
}

TEST(DnsQuery, BuildsTheQuestion) {
  unsigned char buf[CDnsResolver::kBufferSize];
  size_t n = CDnsResolver::BuildQuery("1.2.3.4", 0x1234, buf, sizeof buf);
  std::string name(reinterpret_cast<char*>(buf) + 12, n - 12 - 4);
  EXPECT_EQ(Pkt({1, '1', 1, '2', 1, '3', 1, '4', 0}), name);
  EXPECT_EQ(Pkt({1, 0, 0, 1, 0, 0, 0, 0, 0, 0}), std::string(reinterpret_cast<char*>(buf) + 2, 10));
  EXPECT_EQ(Pkt({0, 1, 0, 1}), std::string(reinterpret_cast<char*>(buf) + n - 4, 4));
  n = CDnsResolver::BuildQuery("a..bc.", 1, buf, sizeof buf);
  EXPECT_EQ(Pkt({1, 'a', 2, 'b', 'c', 0}), std::string(reinterpret_cast<char*>(buf) + 12, n - 16));
  EXPECT_EQ(0u, CDnsResolver::BuildQuery(std::string(254, 'a').c_str(), 1, buf, sizeof buf));
  EXPECT_EQ(0u, CDnsResolver::BuildQuery((std::string(64, 'a') + ".b").c_str(), 1, buf, sizeof buf));
}

TEST(DnsQuery, ParserStaysInsideTheDatagram) {
  const std::string head = Pkt({0x12, 0x34, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0});
  const std::string question = Pkt({1, 'a', 0, 0, 1, 0, 1});
  const std::string record = Pkt({0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 10, 0, 0, 7});
  std::vector<uint32_t> addrs;
  ASSERT_TRUE(Parse(head + question + record, &addrs));
  ASSERT_EQ(1u, addrs.size());
  EXPECT_EQ(inet_addr("10.0.0.7"), addrs[0]);
  // Every cut of the datagram fails instead of reading past its end.
  std::string whole = head + question + record;
  for (size_t len = 12; len < whole.size(); ++len) EXPECT_FALSE(Parse(whole.substr(0, len))) << len;
  // A pointer to itself, a pointer past the end, a pointer in a question, a long name.
  EXPECT_FALSE(Parse(head + question + Pkt({0xC0, 19, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 1, 2, 3, 4})));
  EXPECT_FALSE(Parse(head + question + Pkt({0xC0, 200, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 1, 2, 3, 4})));
  EXPECT_FALSE(Parse(head + Pkt({0xC0, 12, 0, 1, 0, 1}) + record));
  std::string longName;
  for (int i = 0; i < 5; ++i) longName += Pkt({30}) + std::string(30, 'x');
  EXPECT_FALSE(Parse(head + longName + Pkt({0, 0, 1, 0, 1}) + record));
  // A data length beyond the datagram, and an A record of the wrong size.
  EXPECT_FALSE(Parse(head + question + Pkt({0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 40, 1, 2, 3, 4})));
  EXPECT_FALSE(Parse(head + question + Pkt({0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 2, 1, 2})));
  // An alias through a pointer chain.
  std::vector<std::string> names;
  std::string alias = Pkt({0xC0, 12, 0, 5, 0, 1, 0, 0, 0, 60, 0, 5, 2, 'w', 'w', 0xC0, 12});
  ASSERT_TRUE(Parse(head + question + alias, nullptr, &names));
  EXPECT_EQ(std::vector<std::string>{"ww.a"}, names);
}

class DnsResponderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dns.Start("0.0.0.0"));
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
  }
  void TearDown() override { DeploymentProfile::RestoreResolvers(); }
  DnsTestServer dns;
};

TEST_F(DnsResponderTest, ResolvesRecordsAndIgnoresForeignAnswers) {
  CDnsResolver r;
  ASSERT_TRUE(r.Init());
  dns.SetAddresses("two.test", {"127.0.0.2", "127.0.0.3"});
  std::vector<std::string> texts{"old"};
  ASSERT_TRUE(r.Resolve("two.test", inet_addr("127.0.0.1"), texts));
  EXPECT_EQ((std::vector<std::string>{"127.0.0.2", "127.0.0.3"}), texts);

  DnsTestServer::Reply foreign, truncatedBit, good;
  foreign.wrongId = true;
  foreign.answers = {{1, "10.9.9.9"}};
  truncatedBit.truncated = true;
  truncatedBit.answers = {{1, "10.8.8.8"}};
  good.compress = false;
  good.answers = {{5, "alias.other"}, {1, "10.1.1.1"}};
  dns.Set("mixed.test", {foreign, truncatedBit, good});
  std::vector<uint32_t> addrs;
  std::vector<std::string> aliases;
  uint32_t elapsed = 0;
  ASSERT_TRUE(r.Query("mixed.test", inet_addr("127.0.0.1"), &addrs, &aliases, &elapsed));
  EXPECT_EQ(std::vector<uint32_t>{inet_addr("10.1.1.1")}, addrs);
  EXPECT_EQ(std::vector<std::string>{"alias.other"}, aliases);
  EXPECT_LT(elapsed, 1500u);

  DnsTestServer::Reply cname;
  cname.answers = {{5, "www.only.test"}};
  dns.Set("only.test", {cname});
  texts = {"old"};
  ASSERT_TRUE(r.Resolve("only.test", inet_addr("127.0.0.1"), texts));
  EXPECT_TRUE(texts.empty());

  // A malicious answer with the right id fails at once instead of being read blindly.
  DnsTestServer::Reply evil;
  evil.raw = Pkt({0, 0, 0x81, 0x80, 0, 1, 0, 9, 0, 0, 0, 0, 1, 'e', 0, 0, 1, 0, 1, 0xC0, 30});
  dns.Set("evil.test", {evil});
  EXPECT_FALSE(r.Resolve("evil.test", inet_addr("127.0.0.1"), texts));
  EXPECT_TRUE(texts.empty());
  elapsed = 0;
  EXPECT_FALSE(r.Query("evil.test", inet_addr("127.0.0.1"), &addrs, &aliases, &elapsed));
  EXPECT_LT(elapsed, uint32_t{CDnsResolver::kTimeoutMs});  // refused on arrival, not timed out
  r.Release();
  // Every startup was undone exactly once.
  EXPECT_EQ(SOCKET_ERROR, WSACleanup());
}

TEST_F(DnsResponderTest, ErrorAnswersAreIgnoredUntilTheTimeOut) {
  CDnsResolver r;
  ASSERT_TRUE(r.Init());
  uint32_t elapsed = 0;
  FastProbeClock clock;
  EXPECT_FALSE(r.Query("nxdomain.test", inet_addr("127.0.0.1"), nullptr, nullptr, &elapsed));
  EXPECT_EQ(1501u, elapsed);
  EXPECT_EQ(1, dns.QueryCount());
}

struct Result {
  int calls = 0;
  int code = 99;
  void* context = nullptr;
  std::string host, text;
};
Result g_result;

void Collect(int code, void* context, const std::string& host, const std::string& text) {
  ++g_result.calls;
  g_result.code = code;
  g_result.context = context;
  g_result.host = host;
  g_result.text = text;
}

TEST_F(DnsResponderTest, ThreadAsksTheResolversInTurnAndReportsOnce) {
  g_result = Result();
  auto owned = std::make_shared<CDNSThread>();
  CDNSThread& thread = *owned;
  int ctx = 0;
  EXPECT_FALSE(thread.Resolve(&ctx, "ab", Collect));
  EXPECT_FALSE(thread.Resolve(nullptr, "abc.test", Collect));
  // Loopback addresses all reach the responder bound to 0.0.0.0.
  DeploymentProfile::OverrideResolvers({"127.0.0.9", "127.0.0.2"}, dns.Port());
  DnsTestServer::Reply silent, good;
  silent.silent = true;
  good.answers = {{1, "127.0.0.5"}, {1, "127.0.0.6"}};
  dns.Set("svc.test", {good});
  ASSERT_TRUE(thread.Resolve(&ctx, "svc.test", Collect));
  ASSERT_TRUE(MainThreadPump::Until([] { return g_result.calls > 0; }, 20000));
  EXPECT_EQ(0, g_result.code);
  EXPECT_EQ(&ctx, g_result.context);
  EXPECT_EQ("svc.test", g_result.host);
  EXPECT_EQ("127.0.0.5;127.0.0.6", g_result.text);

  // A stop during the walk ends it without any report. The resolver's clock stands still: a
  // stop that only counted between servers would wait for a time-out that never comes.
  g_result = Result();
  dns.Set("slow.test", {silent});
  DeploymentProfile::OverrideResolvers({"127.0.0.1", "127.0.0.2"}, dns.Port());
  const int before = dns.QueryCount();
  CDnsResolver::SetClock([]() -> uint32_t { return 0; });
  ASSERT_TRUE(thread.Resolve(&ctx, "slow.test", Collect));
  ASSERT_TRUE(MainThreadPump::Until([&] { return dns.QueryCount() > before; }, 20000));
  thread.DestroyThread(INFINITE);
  CDnsResolver::SetClock(nullptr);
  MainThreadPump::Drain();
  EXPECT_EQ(0, g_result.calls);
  EXPECT_EQ(before + 1, dns.QueryCount());  // the second server was never asked

  // The owner stops with the short wait and lets go at once: a run still going keeps the
  // object itself and ends without a report.
  dns.Set("gone.test", {silent});
  ASSERT_TRUE(thread.Resolve(&ctx, "gone.test", Collect));
  ASSERT_TRUE(MainThreadPump::Until([&] { return dns.QueryCount() > before + 1; }, 20000));
  auto t0 = std::chrono::steady_clock::now();
  thread.DestroyThread(100);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(400));
  std::weak_ptr<CDNSThread> watch = owned;
  owned.reset();
  ASSERT_TRUE(MainThreadPump::Until([&] { return watch.expired(); }, 5000));
  MainThreadPump::For(50);
  EXPECT_EQ(0, g_result.calls);
}

}  // namespace
