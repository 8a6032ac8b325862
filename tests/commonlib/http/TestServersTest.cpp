// The local test servers themselves, driven by plain libcurl and a raw UDP socket.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/net/DnsTestServer.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/ReservedPort.h"
#include "tests/support/net/TestCertificate.h"

namespace {

struct Fetched {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::string headers;
};

size_t Collect(char* p, size_t s, size_t n, void* u) {
  static_cast<std::string*>(u)->append(p, s * n);
  return s * n;
}

Fetched Fetch(const std::string& url, const std::function<void(CURL*)>& setup = nullptr) {
  Fetched f;
  CURL* e = curl_easy_init();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &f.body);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, Collect);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &f.headers);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, 30000L);
  if (setup) setup(e);
  f.code = curl_easy_perform(e);
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &f.status);
  curl_easy_cleanup(e);
  return f;
}

TEST(HttpTestServer, AnswersAndRecordsRequests) {
  HttpTestServer s;
  ASSERT_TRUE(s.Start());
  s.SetBody("/a", "hello");
  Fetched f = Fetch(s.Url("/a?x=1"), [](CURL* e) {
    curl_easy_setopt(e, CURLOPT_USERAGENT, "agent-1");
  });
  EXPECT_EQ(CURLE_OK, f.code);
  EXPECT_EQ(200, f.status);
  EXPECT_EQ("hello", f.body);
  f = Fetch(s.Url("/none"));
  EXPECT_EQ(404, f.status);

  curl_mime* mime = nullptr;
  f = Fetch(s.Url("/a"), [&](CURL* e) {
    mime = curl_mime_init(e);
    for (const char* n : {"sign", "data"}) {
      curl_mimepart* p = curl_mime_addpart(mime);
      curl_mime_name(p, n);
      curl_mime_data(p, (std::string("v-") + n).c_str(), CURL_ZERO_TERMINATED);
    }
    curl_easy_setopt(e, CURLOPT_MIMEPOST, mime);
  });
  curl_mime_free(mime);
  auto reqs = s.Requests();
  ASSERT_EQ(3u, reqs.size());
  EXPECT_EQ("GET", reqs[0].method);
  EXPECT_EQ("/a?x=1", reqs[0].target);
  EXPECT_EQ("/a", reqs[0].path);
  EXPECT_EQ("agent-1", reqs[0].Header("user-agent"));
  EXPECT_EQ("POST", reqs[2].method);
  ASSERT_EQ(2u, reqs[2].parts.size());
  EXPECT_EQ("sign", reqs[2].parts[0].name);
  EXPECT_EQ("v-sign", reqs[2].parts[0].data);
  EXPECT_EQ("data", reqs[2].parts[1].name);
}

TEST(HttpTestServer, RangesRedirectsAndHeaderCase) {
  HttpTestServer s, other;
  ASSERT_TRUE(s.Start());
  ASSERT_TRUE(other.Start());
  HttpTestServer::Script ranged;
  ranged.body = "0123456789";
  ranged.ranges = true;
  s.Set("/r", ranged);
  s.SetBody("/plain", "0123456789");
  auto range = [](const char* r) { return [r](CURL* e) { curl_easy_setopt(e, CURLOPT_RANGE, r); }; };
  Fetched f = Fetch(s.Url("/r"), range("2-4"));
  EXPECT_EQ(206, f.status);
  EXPECT_EQ("234", f.body);
  EXPECT_NE(std::string::npos, f.headers.find("Content-Range: bytes 2-4/10"));
  f = Fetch(s.Url("/r"), range("9-9"));
  EXPECT_EQ("9", f.body);
  f = Fetch(s.Url("/plain"), range("2-4"));
  EXPECT_EQ(200, f.status);
  EXPECT_EQ("0123456789", f.body);

  other.SetBody("/final", "done");
  HttpTestServer::Script hop;
  hop.status = 302;
  hop.location = other.Url("/final");
  s.Set("/abs", hop);
  hop.location = "/abs";
  s.Set("/rel", hop);
  f = Fetch(s.Url("/rel"), [](CURL* e) { curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L); });
  EXPECT_EQ(200, f.status);
  EXPECT_EQ("done", f.body);
  EXPECT_EQ(1u, other.RequestCount());

  HttpTestServer::Script low;
  low.body = "x";
  low.lowerCaseHeaders = true;
  low.headers.emplace_back("X-Thing", "1");
  s.Set("/low", low);
  f = Fetch(s.Url("/low"));
  EXPECT_NE(std::string::npos, f.headers.find("x-thing: 1"));
  EXPECT_NE(std::string::npos, f.headers.find("content-length: 1"));
}

// Ends a transfer once 10 bytes have arrived and nothing more came for 200 ms.
// Gives the transfer up once the bytes before the stall are in: a server that did not stall
// would have sent the rest with them.
struct StallWatch {
  static int Progress(void*, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) { return now >= 10 ? 1 : 0; }
};

TEST(HttpTestServer, MisbehavingAnswers) {
  HttpTestServer s;
  ASSERT_TRUE(s.Start());
  HttpTestServer::Script sc;
  sc.status = 500;
  sc.body = "boom";
  sc.interimContinue = true;
  s.Set("/cont", sc);
  Fetched f = Fetch(s.Url("/cont"));
  EXPECT_EQ(500, f.status);
  EXPECT_NE(std::string::npos, f.headers.find("100 Continue"));

  HttpTestServer::Script wrong;
  wrong.body = "abc";
  wrong.contentLength = 10;
  s.Set("/wrong", wrong);
  EXPECT_EQ(CURLE_PARTIAL_FILE, Fetch(s.Url("/wrong")).code);

  HttpTestServer::Script reset;
  reset.body = std::string(100000, 'r');
  reset.resetAfter = 1000;
  s.Set("/reset", reset);
  f = Fetch(s.Url("/reset"));
  EXPECT_NE(CURLE_OK, f.code);
  EXPECT_LT(f.body.size(), reset.body.size());

  HttpTestServer::Script stall;
  stall.body = std::string(100, 's');
  stall.stallAfter = 10;
  s.Set("/stall", stall);
  f = Fetch(s.Url("/stall"), [&](CURL* e) {
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, StallWatch::Progress);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  });
  EXPECT_EQ(CURLE_ABORTED_BY_CALLBACK, f.code);
  EXPECT_EQ(10u, f.body.size());

  HttpTestServer::Script trickle;
  trickle.body = std::string(50, 't');
  trickle.trickleBytes = 10;
  trickle.trickleMs = 20;
  s.Set("/trickle", trickle);
  auto t0 = std::chrono::steady_clock::now();
  f = Fetch(s.Url("/trickle"));
  EXPECT_EQ(50u, f.body.size());
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(70));
}

TEST(HttpTestServer, KeepAliveReusesTheConnection) {
  HttpTestServer s;
  ASSERT_TRUE(s.Start());
  s.SetBody("/k", "k");
  CURL* e = curl_easy_init();
  std::string sink;
  curl_easy_setopt(e, CURLOPT_URL, s.Url("/k").c_str());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  EXPECT_EQ(CURLE_OK, curl_easy_perform(e));
  EXPECT_EQ(CURLE_OK, curl_easy_perform(e));
  curl_easy_cleanup(e);
  // Only the requests tell: a stray connection of another test process may be counted.
  auto reqs = s.Requests();
  ASSERT_EQ(2u, reqs.size());
  EXPECT_EQ(reqs[0].connection, reqs[1].connection);
}

TEST(ReservedPort, RefusesConnectionsAndCannotBeTakenMeanwhile) {
  ReservedPort port;
  ASSERT_NE(0, port.Port());
  for (const char* host : {"127.0.0.1", "127.0.0.2"}) {
    std::string url = std::string("http://") + host + ":" + std::to_string(port.Port()) + "/";
    EXPECT_EQ(CURLE_COULDNT_CONNECT, Fetch(url).code) << host;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port.Port());
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_NE(0, ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a));
  ::close(fd);
}

TEST(HttpTestServer, TlsWithAGeneratedCertificate) {
  TestCertificate cert = TestCertificate::Generate({"localhost"});
  ASSERT_TRUE(cert.Valid());
  HttpTestServer::Options o;
  o.certPem = cert.CertPem();
  o.keyPem = cert.KeyPem();
  HttpTestServer s(o);
  ASSERT_TRUE(s.Start());
  s.SetBody("/t", "secure");
  auto hostCheck = [](CURL* e) {
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  };
  Fetched f = Fetch(s.Url("/t", "localhost"), hostCheck);
  EXPECT_EQ(CURLE_OK, f.code);
  EXPECT_EQ("secure", f.body);
  EXPECT_EQ(CURLE_PEER_FAILED_VERIFICATION, Fetch(s.Url("/t"), hostCheck).code);
}

// One query to the responder; the answer datagrams, up to `expected` of them.
std::vector<std::string> Ask(uint16_t port, const std::string& name, size_t expected) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  std::string q("\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 12);
  q += DnsTestServer::EncodeName(name);
  q += std::string("\x00\x01\x00\x01", 4);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::sendto(fd, q.data(), q.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  std::vector<std::string> out;
  pollfd p{fd, POLLIN, 0};
  while (out.size() < expected && ::poll(&p, 1, 10000) > 0) {
    char buf[1024];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n > 0) out.emplace_back(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

TEST(DnsTestServer, BuildsAnswersAndMisbehaves) {
  DnsTestServer d;
  ASSERT_TRUE(d.Start());
  d.SetAddresses("svc.test", {"127.0.0.2", "10.1.2.3"});
  auto r = Ask(d.Port(), "svc.test", 1);
  ASSERT_EQ(1u, r.size());
  const std::string& a = r[0];
  EXPECT_EQ(std::string("\x12\x34\x81\x80\x00\x01\x00\x02", 8), a.substr(0, 8));
  size_t first = 12 + DnsTestServer::EncodeName("svc.test").size() + 4;
  EXPECT_EQ(std::string("\xC0\x0C\x00\x01", 4), a.substr(first, 4));
  EXPECT_EQ(std::string("\x7F\x00\x00\x02", 4), a.substr(first + 12, 4));
  EXPECT_EQ(std::string("\x0A\x01\x02\x03", 4), a.substr(first + 28, 4));

  DnsTestServer::Reply bad;
  bad.wrongId = true;
  bad.answers.push_back({1, "1.1.1.1"});
  DnsTestServer::Reply alias;
  alias.answers.push_back({5, "www.alias.test"});
  alias.rcode = 0;
  d.Set("alias.test", {bad, alias});
  r = Ask(d.Port(), "alias.test", 2);
  ASSERT_EQ(2u, r.size());
  EXPECT_NE(r[0].substr(0, 2), std::string("\x12\x34", 2));
  EXPECT_EQ(std::string("\x12\x34", 2), r[1].substr(0, 2));
  // The alias tail points back at the question name.
  EXPECT_EQ(std::string("\x03www\xC0\x0C", 6), r[1].substr(r[1].size() - 6));

  r = Ask(d.Port(), "unknown.test", 1);
  ASSERT_EQ(1u, r.size());
  EXPECT_EQ(3, r[0][3] & 0x0F);
  EXPECT_EQ(3, d.QueryCount());
  EXPECT_EQ("unknown.test", d.QueriedNames().back());
}

}  // namespace
