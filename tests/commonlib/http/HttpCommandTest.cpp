// The command's whole ladder against the local HTTP server and DNS responder, with the
// request timer's work (retries, time-outs) driven by hand on the manual tick.
#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <windows.h>

#include <random>
#include <set>

#include "tests/support/net/DnsTestServer.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/ReservedPort.h"
#include "tests/support/net/TestCertificate.h"
#include "tests/support/TraceCapture.h"
#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/http/CHttpMgr.h"

namespace {

struct Outcome {
  int calls = 0;
  int et = -1, ec = -1;
  std::string body;
  void* user = nullptr;
};
Outcome g_out;

void OnResult(void* user, const std::string& body, int et, int ec) {
  ++g_out.calls;
  g_out.et = et;
  g_out.ec = ec;
  g_out.body = body;
  g_out.user = user;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class HttpCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_out = Outcome();
    jf::TickOverride(1000000);
    HttpCommandEngineInit();
    HttpTestServer::Options o;
    o.bindAddress = "0.0.0.0";
    server.reset(new HttpTestServer(o));
    ASSERT_TRUE(server->Start());
    ASSERT_TRUE(dns.Start());
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
    // By default the fresh lookup finds nothing (an alias without addresses).
    DnsTestServer::Reply alias;
    alias.answers = {{5, "alias.test"}};
    dns.Set("127.0.0.1", {alias});
  }
  void TearDown() override {
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
    DeploymentProfile::RestoreResolvers();
    jf::TickRestore();
  }
  // Plays the request timer until the result arrives: planned retries become due at once;
  // with `timeouts`, every attached request also runs out of time at once.
  bool Drive(bool timeouts = false) {
    bool done = MainThreadPump::Until([&] {
      if (g_out.calls) return true;
      bool retry = false, clock = false;
      for (CHttpBase* r : g_commandManager->m_requests) {
        retry |= r->m_retryPending;
        clock |= r->m_startTick != 0;
      }
      if (retry) {
        jf::TickAdvance(501);
        g_commandManager->ResumeDueRetries();
      } else if (timeouts && clock) {
        jf::TickAdvance(20001);
        g_commandManager->CheckTimeouts();
      }
      return false;
    }, 20000);
    MainThreadPump::For(30);  // nothing more may follow
    return done;
  }

  // A fresh outcome, the command's GET of url, and the request timer played until the result.
  bool GetAndDrive(CHttpCommand& cmd, const std::wstring& url, bool timeouts = false) {
    g_out = Outcome();
    return cmd.Get(url, nullptr, OnResult) && Drive(timeouts);
  }

  std::unique_ptr<HttpTestServer> server;
  DnsTestServer dns;
};

TEST_F(HttpCommandTest, SuccessDeliversTheWholeBodyOnce) {
  std::string body = HttpTestServer::RandomBody(300000, 3);
  server->SetBody("/info", body);
  CHttpCommand cmd;
  int user = 0;
  ASSERT_TRUE(cmd.Get(Wide(server->Url("/info")), &user, OnResult));
  EXPECT_FALSE(cmd.Get(Wide(server->Url("/info")), &user, OnResult));  // one at a time
  ASSERT_TRUE(Drive());
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(0, g_out.et);
  EXPECT_EQ(0, g_out.ec);
  EXPECT_EQ(&user, g_out.user);
  EXPECT_EQ(body, g_out.body);
  EXPECT_TRUE(g_commandManager->m_requests.empty());
  EXPECT_EQ(0u, g_commandManager->m_runningCount);
}

TEST_F(HttpCommandTest, RefusedAddressWalksRetriesDnsAndFreshAddresses) {
  TraceCapture trace;
  dns.SetAddresses("127.0.0.1", {"127.0.0.2", "127.0.0.3"});
  ReservedPort closed;
  uint16_t port = closed.Port();
  ASSERT_NE(0, port);
  std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port) + L"/x";
  CHttpCommand cmd;
  ASSERT_TRUE(GetAndDrive(cmd, url));
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(5, g_out.et);
  EXPECT_EQ(CURLE_COULDNT_CONNECT, g_out.ec);
  EXPECT_EQ(1, dns.QueryCount());
  // Three tries of the address, then two tries pinned to each fresh address (all under the
  // same address text): four retries in all.
  EXPECT_EQ(4, trace.Count(L"CHttpCommand::Done() 重试.... type:5 code:7  url:" + url));
  EXPECT_EQ(1, trace.Count(L"CHttpCommand::Done() 开始重试DNS解析.... type:5 code:7 url:" + url + L" "));
  EXPECT_EQ(1, trace.Count(L"重试DNS解析到的ip列表.... type:5 code:7  url:" + url +
                           L" ip_list:127.0.0.2;127.0.0.3"));
  EXPECT_EQ(2, trace.Count(L"--127.0.0.2:" + std::to_wstring(port)));
  EXPECT_EQ(2, trace.Count(L"--127.0.0.3:" + std::to_wstring(port)));
  EXPECT_EQ(1, trace.Count(L"CHttpCommand::Done() 最终失败.... type:5 code:7  url:" + url));
  EXPECT_TRUE(cmd.m_fixedAddresses.empty());
  EXPECT_TRUE(g_commandManager->m_requests.empty());
}

TEST_F(HttpCommandTest, FreshAddressReachesTheServerUnderTheOriginalName) {
  int hits = 0;
  server->SetHandler("/pin", [&](const HttpTestServer::Request&) {
    HttpTestServer::Script s;
    s.status = ++hits == 1 ? 503 : 200;
    s.body = s.status == 200 ? "pinned body" : "busy";
    return s;
  });
  dns.SetAddresses("127.0.0.1", {"127.0.0.2"});
  CHttpCommand cmd;
  ASSERT_TRUE(GetAndDrive(cmd, Wide(server->Url("/pin"))));
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(0, g_out.et);
  EXPECT_EQ("pinned body", g_out.body);
  auto reqs = server->RequestsFor("/pin");
  ASSERT_EQ(2u, reqs.size());
  EXPECT_EQ("127.0.0.1", reqs[0].localAddress);
  EXPECT_EQ("127.0.0.2", reqs[1].localAddress);
  EXPECT_EQ("127.0.0.1:" + std::to_string(server->Port()), reqs[1].Header("Host"));
  // The pin ends with the request: a reused command goes where its new address says.
  EXPECT_TRUE(cmd.m_fixedAddresses.empty());
  server->SetBody("/again", "again");
  ASSERT_TRUE(GetAndDrive(cmd, Wide(server->Url("/again"))));
  EXPECT_EQ("again", g_out.body);
  EXPECT_EQ("127.0.0.1", server->RequestsFor("/again")[0].localAddress);
}

TEST_F(HttpCommandTest, KnownServerAddressesComeBeforeTheLookup) {
  TraceCapture trace;
  int hits = 0;
  server->SetHandler("/known", [&](const HttpTestServer::Request&) {
    HttpTestServer::Script s;
    s.status = ++hits < 3 ? 503 : 200;
    s.body = "known";
    return s;
  });
  CHttpCommand cmd;
  ASSERT_TRUE(cmd.GetWithIps(L"", Wide(server->Url("/known")), nullptr, L"127.0.0.2;127.0.0.3", OnResult));
  ASSERT_TRUE(Drive());
  EXPECT_EQ(0, g_out.et);
  EXPECT_EQ("known", g_out.body);
  auto reqs = server->RequestsFor("/known");
  ASSERT_EQ(3u, reqs.size());
  EXPECT_EQ("127.0.0.1", reqs[0].localAddress);
  // Each known address once (an HTTP error is not retried on the same address).
  EXPECT_NE(reqs[1].localAddress, reqs[2].localAddress);
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_TRUE(reqs[i].localAddress == "127.0.0.2" || reqs[i].localAddress == "127.0.0.3");
    EXPECT_EQ("127.0.0.1:" + std::to_string(server->Port()), reqs[i].Header("Host"));
  }
  EXPECT_EQ(2, trace.Count(L"CHttpCommand::Done() 重试ip列表.... type:4 code:503"));  // once per address
  EXPECT_EQ(0, dns.QueryCount());
}

TEST_F(HttpCommandTest, HttpErrorsMoveToTheNextAddressAndEndWithTheStatus) {
  HttpTestServer::Script missing;
  missing.status = 404;
  missing.body = "nope";
  server->Set("/a", missing);
  server->Set("/b", missing);
  CHttpCommand cmd;
  std::wstring all = Wide(server->Url("/a")) + L";" + Wide(server->Url("/b"));
  ASSERT_TRUE(cmd.GetWithIps(all, Wide(server->Url("/a")), nullptr, L"", OnResult));
  ASSERT_TRUE(Drive());
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(4, g_out.et);
  EXPECT_EQ(404, g_out.ec);
  auto reqs = server->Requests();
  ASSERT_EQ(2u, reqs.size());
  EXPECT_EQ("/a", reqs[0].path);
  EXPECT_EQ("/b", reqs[1].path);
  EXPECT_EQ(1, dns.QueryCount());
}

TEST_F(HttpCommandTest, AddressListsAreOrderedAndSampled) {
  CHttpCommand cmd;
  cmd.m_urls.push_back(L"https://127.0.0.1:1/s");
  ASSERT_TRUE(cmd.GetWithIps(L"", L"http://127.0.0.1:1/p", nullptr,
                             L"10.0.0.1;10.0.0.2;;10.0.0.3;10.0.0.4;10.0.0.5", OnResult));
  EXPECT_EQ(L"https://127.0.0.1:1/s", cmd.GetUrl());
  EXPECT_EQ(L"https://127.0.0.1:1/s", cmd.m_savedUrl);
  ASSERT_EQ(3u, cmd.m_resolvedAddresses.size());
  std::set<std::wstring> picked(cmd.m_resolvedAddresses.begin(), cmd.m_resolvedAddresses.end());
  EXPECT_EQ(3u, picked.size());
  for (const auto& a : picked) EXPECT_EQ(0u, a.rfind(L"10.0.0.", 0));
  cmd.Stop();
}

struct DottedCase {
  const wchar_t* text;
  bool dotted;
};
void PrintTo(const DottedCase& k, std::ostream* os) { *os << std::string(k.text, k.text + wcslen(k.text)); }

class DottedIpv4Test : public ::testing::TestWithParam<DottedCase> {};

TEST_P(DottedIpv4Test, FourNumbersUpTo255) {
  EXPECT_EQ(CHttpCommand::IsDottedIpv4(GetParam().text), GetParam().dotted) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(HttpCommandTest, DottedIpv4Test, ::testing::Values(
    DottedCase{L"1.2.3.4", true},
    DottedCase{L"255.255.255.255", true},
    DottedCase{L"1.2.3", false},
    DottedCase{L"1.2.3.256", false},
    DottedCase{L"1.2..4", false},
    DottedCase{L"a.b.c.d", false}),
    [](const ::testing::TestParamInfo<DottedCase>& info) {
      std::string name;  // the text, its dots written as "_"
      for (const wchar_t* c = info.param.text; *c; ++c) name += *c == L'.' ? '_' : static_cast<char>(*c);
      return name;
    });

TEST_F(HttpCommandTest, SevenCharacterAddressesAreUsed) {
  // "1.2.3.4"-sized answers count: the fresh address is tried (and refused here).
  TraceCapture trace;
  dns.SetAddresses("127.0.0.1", {"127.0.0.2"});
  CHttpCommand cmd;
  cmd.m_savedUrl = L"http://127.0.0.1:1/x";
  cmd.m_resultCallback = OnResult;
  cmd.Submit();
  cmd.Stop();
  EXPECT_TRUE(g_commandManager->m_requests.empty());
  cmd.m_savedUrl = L"http://127.0.0.1:1/x";
  cmd.OnDNSResult(L"127.0.0.1", L"1.2.3.4;5.6.7.8");
  EXPECT_EQ(2u, cmd.m_resolvedAddresses.size());
  EXPECT_TRUE(trace.Contains(L"ip_list:1.2.3.4;5.6.7.8"));
  cmd.Stop();
}

TEST_F(HttpCommandTest, LateLookupAnswersAreIgnored) {
  TraceCapture trace;
  CHttpCommand cmd;
  cmd_dns_result_callback(0, &cmd, "late.test", "1.2.3.4");
  EXPECT_TRUE(trace.Contains(L"DNS回调失效 找不到相关任务"));
  EXPECT_TRUE(trace.Contains(L"cmd_dns_result_callback 解析成功 code:0, domain:late.test, ip_list:1.2.3.4"));
  EXPECT_TRUE(cmd.m_resolvedAddresses.empty());
}

TEST_F(HttpCommandTest, RetriedPostKeepsItsHeaderAndForm) {
  int hits = 0;
  server->SetHandler("/post", [&](const HttpTestServer::Request&) {
    HttpTestServer::Script s;
    if (++hits == 1) s.raw = "garbage\r\n\r\n";  // no HTTP answer: a libcurl failure
    s.body = "stored";
    return s;
  });
  CHttpCommand cmd;
  cmd.AddHeader("Content-Type:application/json;charset=utf-8");
  ASSERT_TRUE(cmd.Post("[{\"a\":1}]", Wide(server->Url("/post")), OnResult));
  ASSERT_TRUE(Drive());
  EXPECT_EQ(0, g_out.et);
  EXPECT_EQ("stored", g_out.body);
  auto reqs = server->RequestsFor("/post");
  ASSERT_EQ(2u, reqs.size());
  for (const auto& r : reqs) {
    EXPECT_EQ("application/json;charset=utf-8", r.Header("Content-Type"));
    EXPECT_EQ("[{\"a\":1}]", r.body);
  }
  EXPECT_TRUE(cmd.m_headerLines.empty());  // gone with the final result

  hits = 0;
  g_out = Outcome();
  CHttpCommand form;
  form.AddFormField("sign", "s1");
  form.AddFormField("data", "d1");
  ASSERT_TRUE(form.Post("", Wide(server->Url("/post")), OnResult));
  ASSERT_TRUE(Drive());
  EXPECT_EQ(0, g_out.et);
  reqs = server->RequestsFor("/post");
  ASSERT_EQ(4u, reqs.size());
  for (size_t i = 2; i < 4; ++i) {
    ASSERT_EQ(2u, reqs[i].parts.size()) << i;
    EXPECT_EQ("sign", reqs[i].parts[0].name);
    EXPECT_EQ("d1", reqs[i].parts[1].data);
  }
}

TEST_F(HttpCommandTest, TimeOutsEndWithTheTimeOutWhenTheLookupFails) {
  HttpTestServer::Script silent;
  silent.stallBeforeHeaders = true;
  server->Set("/stall", silent);
  CHttpCommand cmd;
  ASSERT_TRUE(GetAndDrive(cmd, Wide(server->Url("/stall")), true));
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(3, g_out.et);
  EXPECT_EQ(3002, g_out.ec);
  EXPECT_EQ("", g_out.body);
  server->ReleaseStalls();
}

TEST_F(HttpCommandTest, ALookupThatNeverAnswersStillEnds) {
  DnsTestServer::Reply none;
  none.silent = true;
  dns.Set("127.0.0.1", {none});
  HttpTestServer::Script busy;
  busy.status = 503;
  server->Set("/busy", busy);
  CHttpCommand cmd;
  ASSERT_TRUE(cmd.Get(Wide(server->Url("/busy")), nullptr, OnResult));
  // Let the lookup start, then let its wait run out on the command's clock.
  ASSERT_TRUE(MainThreadPump::Until([&] { return cmd.IsWaitingForLookup(); }));
  jf::TickAdvance(20001);
  g_commandManager->CheckTimeouts();
  ASSERT_TRUE(Drive());
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(4, g_out.et);
  EXPECT_EQ(503, g_out.ec);
}

TEST_F(HttpCommandTest, TimeOutDuringTheLookupRetriesTheLastAddressOnTheRunningClock) {
  TraceCapture trace;
  DnsTestServer::Reply none;
  none.silent = true;
  dns.Set("127.0.0.1", {none});
  HttpTestServer::Script slow;
  slow.status = 503;
  slow.body = std::string(100, 'x');
  slow.stallAfter = 10;
  server->Set("/slow", slow);
  CHttpCommand cmd;
  ASSERT_TRUE(cmd.Get(Wide(server->Url("/slow")), nullptr, OnResult));
  ASSERT_TRUE(MainThreadPump::Until([&] { return cmd.m_startTick != 0 && server->RequestsFor("/slow").size() == 1; }));
  MainThreadPump::For(50);
  // The status came 10 s before the answer ends and the lookup starts.
  jf::TickAdvance(10000);
  HttpTestServer::Script quick;
  quick.status = 503;
  server->Set("/slow", quick);
  server->ReleaseStalls();
  ASSERT_TRUE(MainThreadPump::Until([&] { return cmd.IsWaitingForLookup(); }));
  jf::TickAdvance(9000);
  g_commandManager->CheckTimeouts();
  EXPECT_TRUE(cmd.IsWaitingForLookup());
  jf::TickAdvance(1001);  // 20 s since the status
  g_commandManager->CheckTimeouts();
  EXPECT_FALSE(cmd.IsWaitingForLookup());
  ASSERT_TRUE(Drive());
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(4, g_out.et);
  EXPECT_EQ(503, g_out.ec);
  // The last address once more, and no second lookup.
  EXPECT_EQ(2u, server->RequestsFor("/slow").size());
  EXPECT_EQ(1, trace.Count(L"开始重试DNS解析"));
}

TEST_F(HttpCommandTest, ALookupThatCannotStartEndsWithTheFailure) {
  ReservedPort closed;
  ASSERT_NE(0, closed.Port());
  CHttpCommand cmd;
  // The host part of this address is empty: no lookup is possible.
  ASSERT_TRUE(GetAndDrive(cmd, L"http://[::1]:" + std::to_wstring(closed.Port()) + L"/"));
  EXPECT_EQ(1, g_out.calls);
  EXPECT_EQ(5, g_out.et);
  EXPECT_NE(0, g_out.ec);
  EXPECT_EQ(0, dns.QueryCount());
}

TEST_F(HttpCommandTest, InterimContinueThenServerErrorIsAFailure) {
  HttpTestServer::Script s;
  s.status = 500;
  s.body = "failed";
  s.interimContinue = true;
  server->Set("/c", s);
  CHttpCommand cmd;
  ASSERT_TRUE(GetAndDrive(cmd, Wide(server->Url("/c"))));
  EXPECT_EQ(4, g_out.et);
  EXPECT_EQ(500, g_out.ec);
  EXPECT_EQ("", g_out.body);
}

TEST_F(HttpCommandTest, HostNameCheckFailureIsLogged) {
  TestCertificate cert = TestCertificate::Generate({"localhost"});
  HttpTestServer::Options o;
  o.certPem = cert.CertPem();
  o.keyPem = cert.KeyPem();
  HttpTestServer tls(o);
  ASSERT_TRUE(tls.Start());
  tls.SetBody("/s", "secure");
  TraceCapture trace;
  CHttpCommand good;
  good.m_verifyHost = true;
  ASSERT_TRUE(GetAndDrive(good, Wide(tls.Url("/s", "localhost"))));
  EXPECT_EQ(0, g_out.et);
  EXPECT_EQ("secure", g_out.body);
  CHttpCommand bad;
  bad.m_verifyHost = true;
  ASSERT_TRUE(GetAndDrive(bad, Wide(tls.Url("/s"))));
  EXPECT_EQ(5, g_out.et);
  EXPECT_EQ(CURLE_PEER_FAILED_VERIFICATION, g_out.ec);
  EXPECT_TRUE(trace.Contains(L"ssl 验证失败:" + Wide(tls.Url("/s"))));
}

TEST_F(HttpCommandTest, ACommandKeptAcrossAChannelRestartUsesTheNewChannel) {
  server->SetBody("/r", "again");
  HttpCommandEngineUninit();
  CHttpCommand early;  // made while there is no channel
  HttpCommandEngineInit();
  CHttpCommand kept;
  HttpCommandEngineUninit();
  HttpCommandEngineInit();  // `kept` was made with the channel just freed
  for (CHttpCommand* cmd : {&early, &kept}) {
    ASSERT_TRUE(GetAndDrive(*cmd, Wide(server->Url("/r"))));
    EXPECT_EQ(0, g_out.et);
    EXPECT_EQ("again", g_out.body);
  }
}

TEST_F(HttpCommandTest, CommandsGivenUpAtRandomMomentsLeaveNothingBehind) {
  HttpTestServer::Script s;
  s.body = std::string(32 * 1024, 't');
  s.trickleBytes = 4096;
  s.trickleMs = 1;
  server->Set("/t", s);
  std::mt19937 gen(11);
  std::vector<std::unique_ptr<CHttpCommand>> live;
  int finished = 0;
  for (int i = 0; i < 200; ++i) {
    live.emplace_back(new CHttpCommand());
    ASSERT_TRUE(live.back()->Get(Wide(server->Url("/t")), nullptr, OnResult));
    MainThreadPump::For(static_cast<int>(gen() % 3));
    if (gen() % 3 != 0) live.erase(live.begin() + static_cast<long>(gen() % live.size()));
  }
  MainThreadPump::Drain();  // results already posted are delivered now
  finished = g_out.calls;
  live.clear();
  MainThreadPump::For(100);
  EXPECT_EQ(finished, g_out.calls);  // nothing reports after it was given up
  EXPECT_TRUE(g_commandManager->m_requests.empty());
  EXPECT_EQ(0u, g_commandManager->m_runningCount);
}

}  // namespace
