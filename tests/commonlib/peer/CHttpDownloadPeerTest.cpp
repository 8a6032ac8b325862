// The HTTP source: header look-ups, redirects, answers that ignore or break the range,
// stalls and retries, each through a real transfer inside a running task.
#include "commonlib/peer/CHttpDownloadPeer.h"

#include "tests/commonlib/download/DownloadTestEnv.h"
#include "tests/support/TraceCapture.h"

namespace {

TEST(CHttpDownloadPeerUnitTest, HeadersAreFoundWhateverTheirCase) {
  ProtoValue headers;
  headers[L"content-length"] = ProtoValue(L"42");
  headers[L"LOCATION"] = ProtoValue(L"/x");
  EXPECT_EQ(L"42", CHttpDownloadPeer::FindHeader(headers, L"Content-Length"));
  EXPECT_EQ(L"/x", CHttpDownloadPeer::FindHeader(headers, L"Location"));
  EXPECT_EQ(L"", CHttpDownloadPeer::FindHeader(headers, L"Range"));
  EXPECT_EQ(L"", CHttpDownloadPeer::FindHeader(ProtoValue(), L"Location"));
}

struct LocationCase {
  const wchar_t* asked;
  const wchar_t* location;
  const wchar_t* resolved;
};

const wchar_t kAsked[] = L"http://h.example:8080/a/b/file.bin?x=1";

class ResolveLocationTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(ResolveLocationTest, RelativeLocationsAreResolvedAgainstTheAskedAddress) {
  EXPECT_EQ(GetParam().resolved, CHttpDownloadPeer::ResolveLocation(GetParam().asked, GetParam().location));
}

INSTANTIATE_TEST_SUITE_P(CHttpDownloadPeerUnitTest, ResolveLocationTest, ::testing::Values(
    LocationCase{kAsked, L"https://o/p", L"https://o/p"},
    LocationCase{kAsked, L"HTTP://o/p", L"HTTP://o/p"},
    LocationCase{kAsked, L"/new", L"http://h.example:8080/new"},
    LocationCase{kAsked, L"//cdn/x", L"http://cdn/x"},
    LocationCase{kAsked, L"other.bin", L"http://h.example:8080/a/b/other.bin"},
    LocationCase{kAsked, L"?y=2", L"http://h.example:8080/a/b/file.bin?y=2"},
    LocationCase{L"http://h", L"x", L"http://h/x"},
    LocationCase{kAsked, L"", L""},
    // No path before the query or fragment: the root.
    LocationCase{L"http://h?q=1", L"x", L"http://h/x"},
    LocationCase{L"http://h#top", L"x", L"http://h/x"},
    LocationCase{L"http://h?q=1", L"?y=2", L"http://h/?y=2"}));

TEST(CHttpDownloadPeerUnitTest, ContentRangeMustNameTheAskedRange) {
  struct Case {
    const wchar_t* text;
    bool names;
  } cases[] = {{L"bytes 100-199/1000", true}, {L"Bytes 100-199/*", true}, {L"bytes  100 - 199", true},
               {L"bytes 0-199/1000", false},  {L"bytes 100-198/1000", false}, {L"bytes */1000", false},
               {L"items 100-199/1000", false}, {L"bytes 100-199x", false},   {L"bytes 99999999999999999999-1", false},
               {L"", false}};
  for (const Case& c : cases) EXPECT_EQ(c.names, CHttpDownloadPeer::NamesRange(c.text, 100, 199)) << c.text;
}

class CHttpDownloadPeerTest : public DownloadTestEnv {
 protected:
  const size_t size = 3000000;
};

TEST_F(CHttpDownloadPeerTest, SourceIgnoringTheRangeIsDroppedWithoutHarmingTheFile) {
  TraceCapture trace;
  std::string body = HttpTestServer::RandomBody(size, 31);
  // 127.0.0.2 answers every range with the whole file (200).
  server.SetHandler("/p", RangesUnless(body, FromAddress("127.0.0.2"), [](Script& s) { s.ranges = false; }));
  DownloadOutcome out;
  Add(Url("/p"), L"127.0.0.2;127.0.0.3", L"p.bin", size, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("p.bin"));
  EXPECT_TRUE(trace.Contains(L"不支持断点续传"));
  // Not retried: the address got one request.
  int fromTwo = 0;
  for (const auto& r : server.RequestsFor("/p")) fromTwo += r.localAddress == "127.0.0.2";
  EXPECT_EQ(1, fromTwo);
}

TEST_F(CHttpDownloadPeerTest, FailingSourceIsDroppedAndTheOthersFinish) {
  std::string body = HttpTestServer::RandomBody(size, 32);
  server.SetHandler("/q", RangesUnless(body, FromAddress("127.0.0.3"), [](Script& s) {
                      s = Script();
                      s.status = 404;
                    }));
  DownloadOutcome out;
  Add(Url("/q"), L"127.0.0.2;127.0.0.3", L"q.bin", size, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("q.bin"));
}

TEST_F(CHttpDownloadPeerTest, DomainRedirectToARelativeLocationServesTheLaterBlocks) {
  std::string body = HttpTestServer::RandomBody(size, 33);
  HttpTestServer::Script move;
  move.status = 302;
  move.location = "new.bin";
  move.lowerCaseHeaders = true;
  server.Set("/dir/old.bin", move);
  HttpTestServer::Script file;
  file.ranges = true;
  file.body = body;
  file.lowerCaseHeaders = true;
  server.Set("/dir/new.bin", file);
  DownloadOutcome out;
  Add(Url("/dir/old.bin"), L"", L"o.bin", size, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("o.bin"));
  EXPECT_EQ(1u, server.RequestsFor("/dir/old.bin").size());
  EXPECT_EQ(3u, server.RequestsFor("/dir/new.bin").size());
}

TEST_F(CHttpDownloadPeerTest, AddressSourceRedirectRestartsOnTheTargetWithoutTheAddress) {
  TraceCapture trace;
  std::string body = HttpTestServer::RandomBody(size, 34);
  // The transfer follows the redirect by itself, still forced to the address: hold it, so
  // that only the restart can bring the block.
  server.SetHandler("/t.bin", RangesUnless(body, FromAddress("127.0.0.2"), [](Script& s) { s.stallAfter = 0; }));
  server.SetHandler("/a.bin", RangesUnless(body, FromAddress("127.0.0.2"), [](Script& s) {
                      s = Script();
                      s.status = 302;
                      s.location = "/t.bin";
                    }));
  DownloadOutcome out;
  Add(Url("/a.bin"), L"127.0.0.2", L"a.bin", size, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 20000, 600));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("a.bin"));
  EXPECT_TRUE(trace.Contains(L"重定向中..."));
  // The retry went to the redirect target on the host's own address.
  bool direct = false;
  for (const auto& r : server.RequestsFor("/t.bin")) direct = direct || r.localAddress == "127.0.0.1";
  EXPECT_TRUE(direct);
}

TEST_F(CHttpDownloadPeerTest, StalledSourceTimesOutAfterSixteenSecondsAndResumesWhereItStopped) {
  TraceCapture trace;
  std::string body = HttpTestServer::RandomBody(1000000, 35);
  auto calls = std::make_shared<int>(0);
  server.SetHandler("/s", [body, calls](const HttpTestServer::Request&) {
    HttpTestServer::Script s;
    s.ranges = true;
    s.body = body;
    if ((*calls)++ == 0) s.stallAfter = 1000;
    return s;
  });
  DownloadOutcome out;
  Add(Url("/s"), L"", L"s.bin", 1000000, out, Md5Of(body));
  ASSERT_TRUE(MainThreadPump::Until([&] { return dir.Read("s.bin.vrdt").substr(0, 1000) == body.substr(0, 1000); }));
  MainThreadPump::For(100);
  // 16 s without a byte (by the manual clock), then the request timer's sweep.
  jf::TickAdvance(16001);
  g_downloadManager->CheckTimeouts();
  EXPECT_TRUE(trace.Contains(L"CHttpDownloadFile::Done() 重试.... type:3 code:3002"));
  server.ReleaseStalls();
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 20000, 600));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("s.bin"));
  auto reqs = server.RequestsFor("/s");
  ASSERT_EQ(2u, reqs.size());
  // The written bytes are counted exactly: the retry asks from byte 1000 on.
  EXPECT_EQ("bytes=1000-999999", reqs[1].Header("Range"));
}

TEST_F(CHttpDownloadPeerTest, TricklingSourcesCountAsStalledAndTheTaskEnds) {
  TraceCapture trace;
  HttpTestServer::Script s;
  s.ranges = true;
  s.body = HttpTestServer::RandomBody(200000, 38);
  s.trickleBytes = 2;  // far below 1 KiB per 16 s of the manual clock
  s.trickleMs = 20;
  server.Set("/trickle", s);
  DownloadOutcome out;
  Add(Url("/trickle"), L"127.0.0.2;127.0.0.3", L"trickle.bin", 200000, out);
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 20000, 1000));
  EXPECT_EQ(3, out.et);
  EXPECT_EQ(809, out.ec);
  EXPECT_TRUE(trace.Contains(L"CHttpDownloadFile::Done() 重试.... type:3 code:3002"));
  EXPECT_TRUE(trace.Contains(L"CHttpDownloadFile::Done() type:3 code:3002"));
}

TEST_F(CHttpDownloadPeerTest, AnswerForAnotherRangeIsNeverWritten) {
  TraceCapture trace;
  std::string body = HttpTestServer::RandomBody(size, 39);
  // 127.0.0.2 answers every range with the file's first bytes, under an honest header.
  server.SetHandler("/r", [body](const Request& r) {
    Script s;
    s.ranges = true;
    s.body = body;
    if (r.localAddress == "127.0.0.2") {
      std::string range = r.Header("Range");
      long long first = std::stoll(range.substr(6)), last = std::stoll(range.substr(range.find('-') + 1));
      s = Script();
      s.status = 206;
      s.headers = {{"Content-Range", "bytes 0-" + std::to_string(last - first) + "/" + std::to_string(body.size())}};
      s.body = body.substr(0, static_cast<size_t>(last - first + 1));
    }
    return s;
  });
  DownloadOutcome out;
  Add(Url("/r"), L"127.0.0.2", L"r.bin", size, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("r.bin"));
  EXPECT_TRUE(trace.Contains(L"范围不一致"));
}

TEST_F(CHttpDownloadPeerTest, TransferEndingShortIsNoSuccess) {
  TraceCapture trace;
  std::string body = HttpTestServer::RandomBody(500000, 36);
  HttpTestServer::Script s;
  // A 206 without a length that closes after part of the range.
  s.status = 206;
  s.exactHeaders = true;
  s.headers = {{"Content-Range", "bytes 0-499999/500000"}};
  s.body = body.substr(0, 300000);
  s.close = true;
  server.Set("/short", s);
  DownloadOutcome out;
  Add(Url("/short"), L"", L"short.bin", 500000, out, Md5Of(body));
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 20000, 1000));
  // The only source failed with a length mismatch; ten seconds later the task gave up.
  EXPECT_EQ(3, out.et);
  EXPECT_EQ(809, out.ec);
  EXPECT_FALSE(dir.Exists("short.bin"));
  EXPECT_TRUE(trace.Contains(L"CHttpDownloadFile::Done() type:3 code:2009"));
}

TEST_F(CHttpDownloadPeerTest, TransferErrorsAreRetriedTwiceThenTheSourceFails) {
  TraceCapture trace;
  HttpTestServer::Script s;
  s.ranges = true;
  s.body = HttpTestServer::RandomBody(200000, 37);
  s.resetAfter = 100;
  server.Set("/reset", s);
  DownloadOutcome out;
  Add(Url("/reset"), L"", L"reset.bin", 200000, out);
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 20000, 600));
  EXPECT_EQ(3u, server.RequestsFor("/reset").size());
  EXPECT_EQ(2, trace.Count(L"CHttpDownloadFile::Done() 重试.... type:5"));
  EXPECT_EQ(1, trace.Count(L"CHttpDownloadFile::Done() type:5"));
  EXPECT_EQ(809, out.ec);
}

}  // namespace

namespace {

TEST_F(CHttpDownloadPeerTest, SourceMadeBeforeAChannelRestartUsesTheNewChannel) {
  std::string body = HttpTestServer::RandomBody(1000, 34);
  HttpTestServer::Script file;
  file.ranges = true;
  file.body = body;
  server.Set("/r", file);
  dir.Write("r.bin", std::string(body.size(), '\0'));
  CHttpDownloadPeer* peer = new CHttpDownloadPeer("", Url("/r"), dir.Win(L"r.bin"), false);
  // The channel goes and comes back before the source's first block.
  DownloadEngine::UninitHttp();
  DownloadEngine::InitHttp();
  BlockRequest block;
  block.first = 0;
  block.last = static_cast<int64_t>(body.size()) - 1;
  ASSERT_TRUE(peer->StartBlock(&block));
  ASSERT_TRUE(RunUntil([&] { return block.received == body.size(); }));
  EXPECT_TRUE(MainThreadPump::Until([&] { return dir.Read("r.bin") == body; }, 20000));
  delete peer;
}

}  // namespace
