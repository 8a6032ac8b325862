// What the request base turns into libcurl options, seen from the local server.
#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <windows.h>

#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/TestCertificate.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/net/WorkshopTest.h"
#include "commonlib/core/IBufferStream.h"
#include "commonlib/core/OBufferStream.h"
#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/CHttpMgr.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class TestRequest : public CHttpBase {
 public:
  TestRequest(CCurlWorkshop* w, CHttpMgr* m) : CHttpBase(w, m) {}
  uint64_t Start() override {
    if (m_started) return CHttpBase::Start();
    ReleaseTransfer();
    CCurlHttp* t = new CCurlHttp(m_workshop, m_manager);
    t->m_output = new OBufferStream();
    if (m_method == 2 && !body.empty())
      t->m_input = new IBufferStream(body.data(), static_cast<uint32_t>(body.size()), true);
    m_curlHttp = t;
    return CHttpBase::Start();
  }
  void OnResponseCode(int code, const ProtoValue& headers) override {
    CHttpBase::OnResponseCode(code, headers);
    m_result[L"http"][L"code"] = code;
  }
  void Done(int et, int ec) override {
    if (et == kErrCurl) {
      m_result[L"curl"][L"code"] = ec;
      uint64_t e = GetError();
      et = static_cast<int>(e >> 32);
      ec = static_cast<int>(e & 0xFFFFFFFFu);
    }
    received = static_cast<CCurlHttp*>(m_curlHttp.get())->CopyBufferedBody();
    result = std::make_pair(et, ec);
    ++doneCount;
    Stop();
  }
  std::string body;
  std::string received;
  std::pair<int, int> result{-1, -1};
  int doneCount = 0;
};

class HttpBaseTest : public WorkshopTest {
 protected:
  // Runs one request to its Done and returns its pair.
  std::pair<int, int> Run(TestRequest& r) {
    int before = r.doneCount;
    r.m_manager = &mgr;  // a stopped request has left its manager
    mgr.Add(&r);
    EXPECT_TRUE(MainThreadPump::Until([&] { return r.doneCount > before; }));
    return r.result;
  }

  CHttpMgr mgr;
};

TEST(HttpBase, RangeTexts) {
  EXPECT_EQ("", CHttpBase::RangeText(0, 0, false));
  EXPECT_EQ("1000-", CHttpBase::RangeText(1000, 0, false));
  EXPECT_EQ("0-999", CHttpBase::RangeText(0, 999, false));
  // A block with one byte left is still asked for as a range.
  EXPECT_EQ("1000-1000", CHttpBase::RangeText(1000, 1000, false));
  EXPECT_EQ("0-0", CHttpBase::RangeText(0, 0, true));
  EXPECT_EQ("", CHttpBase::RangeText(1000, 999, true));
}

TEST(HttpBase, ErrorPairsAndRetryClock) {
  TestRequest r(nullptr, nullptr);
  EXPECT_EQ(0u, r.GetError());
  r.m_result[L"curl"][L"code"] = 28;
  r.m_result[L"http"][L"code"] = 200;
  EXPECT_EQ(CHttpBase::MakeError(5, 28), r.GetError());
  r.m_result[L"curl"][L"code"] = 0;
  r.m_result[L"http"][L"code"] = 404;
  EXPECT_EQ(CHttpBase::MakeError(4, 404), r.GetError());
  r.m_result[L"user"][L"code"] = 3002;
  r.m_result[L"curl"][L"code"] = 7;
  EXPECT_EQ(CHttpBase::MakeError(3, 3002), r.GetError());
  r.m_result.clear();
  r.m_result[L"http"] = ProtoValue(PV_MAP);
  EXPECT_EQ(CHttpBase::MakeError(4, 0), r.GetError());
  EXPECT_STREQ(L"webkit", CHttpBase::ErrorTypeName(6));
  EXPECT_EQ(nullptr, CHttpBase::ErrorTypeName(9));

  jf::TickOverride(50000);
  r.m_retryTick = GetTickCount();
  jf::TickAdvance(500);
  EXPECT_FALSE(r.IsRetryDue());
  jf::TickAdvance(1);
  EXPECT_TRUE(r.IsRetryDue());
  jf::TickRestore();
}

TEST_F(HttpBaseTest, RequestsCarryAgentRangeHeadersAndForms) {
  server.SetBody("/get", "got");
  TestRequest r(&workshop, &mgr);
  r.m_url = Wide(server.Url("/get"));
  r.m_rangeStart = 1000;
  r.m_rangeEnd = 1000;
  EXPECT_EQ(std::make_pair(404, 0).second, Run(r).second);
  auto req = server.RequestsFor("/get").back();
  EXPECT_EQ("HTTP-VRJF-1.0", req.Header("User-Agent"));
  EXPECT_EQ("bytes=1000-1000", req.Header("Range"));
  EXPECT_EQ("got", r.received);
  EXPECT_EQ(1u, r.m_attempts);

  server.SetBody("/post", "posted");
  TestRequest p(&workshop, &mgr);
  p.m_url = Wide(server.Url("/post"));
  p.m_method = 2;
  p.m_rangeStart = 5;
  p.body = "{\"game\":1}";
  p.m_postSize = p.body.size();
  p.AddHeader("Content-Type:application/json;charset=utf-8");
  EXPECT_EQ(std::make_pair(0, 0), Run(p));
  EXPECT_EQ(std::make_pair(0, 0), Run(p));  // the header line survives the stop
  for (const auto& q : server.RequestsFor("/post")) {
    EXPECT_EQ("POST", q.method);
    EXPECT_EQ("{\"game\":1}", q.body);
    EXPECT_EQ("application/json;charset=utf-8", q.Header("Content-Type"));
    EXPECT_FALSE(q.HasHeader("Range"));
  }

  TestRequest f(&workshop, &mgr);
  f.m_url = Wide(server.Url("/post"));
  f.m_method = 2;
  f.AddFormField("sign", "abc");
  f.AddFormField("data", "[1,2]");
  EXPECT_EQ(std::make_pair(0, 0), Run(f));
  auto parts = server.RequestsFor("/post").back().parts;
  ASSERT_EQ(2u, parts.size());
  EXPECT_EQ("sign", parts[0].name);
  EXPECT_EQ("abc", parts[0].data);
  EXPECT_EQ("data", parts[1].name);
  EXPECT_EQ("[1,2]", parts[1].data);
}

// Sets its transfer up twice, as a request that prepares a transfer again does.
class TwiceSetUpRequest : public TestRequest {
 public:
  using TestRequest::TestRequest;
  void SetupCurl() override {
    CHttpBase::SetupCurl();
    CHttpBase::SetupCurl();
  }
};

TEST_F(HttpBaseTest, ATransferSetUpAgainSendsEveryLineOnce) {
  server.SetBody("/again", "ok");
  TwiceSetUpRequest r(&workshop, &mgr);
  r.m_url = Wide(server.Url("/again"));
  r.m_method = 2;
  r.AddHeader("X-Once: 1");
  r.AddFormField("sign", "abc");
  r.SetIp(L"", L"127.0.0.1", server.Port());
  EXPECT_EQ(std::make_pair(0, 0), Run(r));
  auto req = server.RequestsFor("/again").back();
  int count = 0;
  for (const auto& h : req.headers) count += h.first == "X-Once";
  EXPECT_EQ(1, count);
  ASSERT_EQ(1u, req.parts.size());
  EXPECT_EQ("abc", req.parts[0].data);
}

TEST_F(HttpBaseTest, RedirectLimitsAndProtocols) {
  for (int i = 0; i < 7; ++i) {
    HttpTestServer::Script hop;
    hop.status = 302;
    hop.location = "/r" + std::to_string(i + 1);
    server.Set("/r" + std::to_string(i), hop);
  }
  server.SetBody("/r7", "end");
  TestRequest r(&workshop, &mgr);
  r.m_url = Wide(server.Url("/r2"));
  EXPECT_EQ(std::make_pair(0, 0), Run(r));  // five hops are fine, six are not
  r.m_url = Wide(server.Url("/r1"));
  EXPECT_EQ(std::make_pair(5, static_cast<int>(CURLE_TOO_MANY_REDIRECTS)), Run(r));
  EXPECT_TRUE(r.m_redirected);

  HttpTestServer::Script local;
  local.status = 302;
  local.location = "file:///etc/hostname";
  server.Set("/file", local);
  r.m_url = Wide(server.Url("/file"));
  EXPECT_EQ(std::make_pair(5, static_cast<int>(CURLE_UNSUPPORTED_PROTOCOL)), Run(r));
  EXPECT_EQ("", r.received);
}

TEST_F(HttpBaseTest, FixedAddressPinsTheConnectionUntilARedirect) {
  TraceCapture trace;
  HttpTestServer::Script hop;
  hop.status = 302;
  hop.location = "/pinned-end";
  server.Set("/pinned", hop);
  server.SetBody("/pinned-end", "ok");
  TestRequest r(&workshop, &mgr);
  r.m_url = L"http://svc.invalid:" + std::to_wstring(server.Port()) + L"/pinned";
  r.SetIp(L"", L"127.0.0.1", server.Port());
  ASSERT_EQ(1u, r.m_fixedAddresses.size());
  EXPECT_EQ("::127.0.0.1:" + std::to_string(server.Port()), r.m_fixedAddresses[0]);
  EXPECT_TRUE(trace.Contains(L"设置ip" + r.m_url + L"--127.0.0.1:" + std::to_wstring(server.Port())));
  EXPECT_EQ(std::make_pair(0, 0), Run(r));
  auto reqs = server.Requests();
  ASSERT_EQ(2u, reqs.size());
  EXPECT_EQ("svc.invalid:" + std::to_string(server.Port()), reqs[0].Header("Host"));
  EXPECT_EQ("svc.invalid:" + std::to_string(server.Port()), reqs[1].Header("Host"));
  EXPECT_TRUE(r.m_fixedAddresses.empty());
  EXPECT_TRUE(trace.Contains(L"取消指定ip"));
  r.SetIp(L"", L"", 80);
  EXPECT_TRUE(r.m_fixedAddresses.empty());
}

TEST_F(HttpBaseTest, HostNameCheckOnHttps) {
  TestCertificate cert = TestCertificate::Generate({"localhost"});
  HttpTestServer::Options o;
  o.certPem = cert.CertPem();
  o.keyPem = cert.KeyPem();
  HttpTestServer tls(o);
  ASSERT_TRUE(tls.Start());
  tls.SetBody("/s", "secret");
  TestRequest r(&workshop, &mgr);
  r.m_verifyHost = true;
  r.m_url = Wide(tls.Url("/s", "localhost"));
  EXPECT_EQ(std::make_pair(0, 0), Run(r));
  EXPECT_EQ("secret", r.received);
  r.m_url = Wide(tls.Url("/s"));
  EXPECT_EQ(std::make_pair(5, static_cast<int>(CURLE_PEER_FAILED_VERIFICATION)), Run(r));
  r.m_verifyHost = false;
  EXPECT_EQ(std::make_pair(0, 0), Run(r));
}

TEST_F(HttpBaseTest, ARefusedTransferEndsTheRequest) {
  CCurlWorkshop idle;  // never initialised: it takes nothing
  TestRequest r(&idle, &mgr);
  r.m_url = Wide(server.Url("/x"));
  mgr.Add(&r);
  EXPECT_EQ(1, r.doneCount);
  EXPECT_EQ(std::make_pair(5, static_cast<int>(CURLE_FAILED_INIT)), r.result);
  EXPECT_EQ(0u, mgr.m_runningCount);
  EXPECT_TRUE(mgr.m_requests.empty());
}

}  // namespace
