// The transfer object and the curl worker against the local server, with a recording
// listener in place of the request manager.
#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/net/WorkshopTest.h"
#include "commonlib/core/OBufferStream.h"
#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/CurlListener.h"

namespace {

struct Event {
  int slot;
  CCurlBase* transfer;
  int value;
  ProtoValue headers;
};

class RecordingListener : public CurlListener {
 public:
  void OnCurlDone(CCurlBase* t, int v) override { Add(0, t, v); }
  void OnRecvProgress(CCurlBase* t, unsigned int v) override { Add(1, t, static_cast<int>(v)); }
  void OnSendProgress(CCurlBase* t, unsigned int v) override { Add(2, t, static_cast<int>(v)); }
  void OnResponseCode(CCurlBase* t, int v, const ProtoValue& h) override { Add(3, t, v, h); }
  void OnRemoved(CCurlBase* t, int v) override { Add(4, t, v); }
  void OnAdded(CCurlBase* t, int v) override { Add(5, t, v); }

  std::vector<Event> Of(int slot, CCurlBase* t = nullptr) const {
    std::vector<Event> out;
    for (const auto& e : events)
      if (e.slot == slot && (!t || e.transfer == t)) out.push_back(e);
    return out;
  }
  bool Has(int slot, CCurlBase* t) const { return !Of(slot, t).empty(); }
  std::vector<Event> events;

 private:
  void Add(int slot, CCurlBase* t, int v, const ProtoValue& h = ProtoValue()) {
    events.push_back(Event{slot, t, v, h});
  }
};

// Configures transfers the way every request does.
class Configurer : public CHttpBase {
 public:
  Configurer() : CHttpBase(nullptr, nullptr) {}
  void Done(int, int) override {}
};

// A transfer with a memory sink, configured for `url` the way every request does.
CRefPtr<CCurlBase> MakeTransfer(CCurlWorkshop* workshop, CurlListener* listener,
                                const std::string& url, bool range = false, uint64_t from = 0,
                                uint64_t to = 0) {
  CCurlHttp* t = new CCurlHttp(workshop, listener);
  t->m_output = new OBufferStream();
  t->m_rangeRequested = range;
  CRefPtr<CCurlBase> ref(t);
  Configurer c;
  c.m_url = std::wstring(url.begin(), url.end());
  c.m_rangeStart = from;
  c.m_rangeEnd = to;
  c.m_curlHttp = ref;
  c.SetupCurl();
  c.m_curlHttp = nullptr;
  return ref;
}

class CurlTransferTest : public WorkshopTest {
 protected:
  CRefPtr<CCurlBase> Make(const std::string& path, bool range = false, uint64_t from = 0,
                          uint64_t to = 0) {
    return MakeTransfer(&workshop, &listener, server.Url(path), range, from, to);
  }
  bool RunToEnd(const CRefPtr<CCurlBase>& t) {
    EXPECT_TRUE(workshop.AddRequest(t));
    return MainThreadPump::Until([&] { return listener.Has(0, t.get()); });
  }
  static std::string Body(const CRefPtr<CCurlBase>& t) {
    return static_cast<CCurlHttp*>(t.get())->CopyBufferedBody();
  }

  RecordingListener listener;
};

TEST_F(CurlTransferTest, ErrorStatusIsReportedPerHeaderLineAndNotStored) {
  HttpTestServer::Script s;
  s.status = 404;
  s.body = "missing page";
  s.exactHeaders = true;
  s.headers = {{"Content-Length", "12"}, {"X-A", "1"}, {"X-B", "2"}};
  server.Set("/404", s);
  TraceCapture trace;
  auto t = Make("/404");
  ASSERT_TRUE(RunToEnd(t));
  auto codes = listener.Of(3, t.get());
  ASSERT_EQ(5u, codes.size());  // status line, three header lines, blank line
  for (const auto& e : codes) {
    EXPECT_EQ(404, e.value);
    EXPECT_TRUE(e.headers.isNull());
  }
  EXPECT_EQ(CURLE_WRITE_ERROR, listener.Of(0, t.get())[0].value);
  EXPECT_EQ("", Body(t));
  EXPECT_TRUE(trace.Contains(L"CCurlHttp::OnRecieveBody HTTP error  httpcode:404 missing page"));
  EXPECT_TRUE(listener.Has(5, t.get()));
}

TEST_F(CurlTransferTest, RedirectMergesHeadersAndParsesValues) {
  HttpTestServer::Script hop;
  hop.status = 302;
  hop.location = "/final";
  hop.headers = {{"X-Hop", "yes"}};
  server.Set("/hop", hop);
  HttpTestServer::Script fin;
  fin.body = "0123456789";
  server.Set("/final", fin);
  auto t = Make("/hop");
  ASSERT_TRUE(RunToEnd(t));
  auto codes = listener.Of(3, t.get());
  ASSERT_EQ(2u, codes.size());
  EXPECT_EQ(302, codes[0].value);
  EXPECT_EQ(L"/final", codes[0].headers.get(L"Location").string());
  EXPECT_EQ(200, codes[1].value);
  EXPECT_EQ(L"yes", codes[1].headers.get(L"X-Hop").string());
  EXPECT_EQ(L"10", codes[1].headers.get(L"Content-Length").string());
  EXPECT_EQ(CURLE_OK, listener.Of(0, t.get())[0].value);
  EXPECT_EQ("0123456789", Body(t));
  EXPECT_EQ("127.0.0.1", static_cast<CCurlHttp*>(t.get())->GetServerIp());
}

TEST_F(CurlTransferTest, RangeAnsweredWithWholeBodyDisposesTheSinkOnce) {
  server.SetBody("/whole", "abcdef");
  TraceCapture trace;
  auto t = Make("/whole", true, 2, 4);
  ASSERT_TRUE(RunToEnd(t));
  EXPECT_EQ("bytes=2-4", server.RequestsFor("/whole")[0].Header("Range"));
  EXPECT_EQ(1, trace.Count(L"httpcode==200 不支持断点续传，清空文件"));
  EXPECT_EQ("abcdef", Body(t));
}

TEST_F(CurlTransferTest, InterimContinueDoesNotHideTheFinalStatus) {
  HttpTestServer::Script s;
  s.status = 500;
  s.body = "server failed";
  s.interimContinue = true;
  server.Set("/cont", s);
  auto t = Make("/cont");
  ASSERT_TRUE(RunToEnd(t));
  auto codes = listener.Of(3, t.get());
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(500, codes.back().value);
  EXPECT_EQ(CURLE_WRITE_ERROR, listener.Of(0, t.get())[0].value);
  EXPECT_EQ("", Body(t));
}

TEST_F(CurlTransferTest, ProgressOnlyWhenEnabled) {
  HttpTestServer::Script s;
  s.body = std::string(4000, 'p');
  s.trickleBytes = 500;
  s.trickleMs = 15;
  server.Set("/slow", s);
  auto quiet = Make("/slow");
  ASSERT_TRUE(RunToEnd(quiet));
  EXPECT_TRUE(listener.Of(1, quiet.get()).empty());

  auto loud = Make("/slow");
  loud->EnableProgress(true);
  ASSERT_TRUE(RunToEnd(loud));
  auto progress = listener.Of(1, loud.get());
  ASSERT_GE(progress.size(), 2u);
  int sum = 0;
  for (const auto& e : progress) sum += e.value;
  EXPECT_LE(sum, 4000);
  EXPECT_GT(sum, 0);
  EXPECT_EQ(4000u, Body(loud).size());
}

TEST_F(CurlTransferTest, EmptyUploadSendsNoBody) {
  server.SetBody("/post", "ok");
  CCurlHttp* t = new CCurlHttp(&workshop, &listener);
  CRefPtr<CCurlBase> ref(t);
  t->m_output = new OBufferStream();
  Configurer c;
  c.m_url = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/post";
  c.m_method = 2;
  c.m_curlHttp = ref;
  c.SetupCurl();
  c.m_curlHttp = nullptr;
  char buf[16];
  EXPECT_EQ(0u, t->OnSendBody(buf, sizeof buf));
  ASSERT_TRUE(RunToEnd(ref));
  EXPECT_EQ(CURLE_OK, listener.Of(0, t)[0].value);
  EXPECT_EQ("", server.RequestsFor("/post")[0].body);
}

TEST(CurlWorkshop, RefusesBeforeInitAndKeepsAReAddedTransfer) {
  RecordingListener listener;
  CCurlWorkshop w;
  CRefPtr<CCurlBase> t(new CCurlHttp(&w, &listener));
  EXPECT_FALSE(w.AddRequest(t));
  EXPECT_FALSE(w.CancelRequest(t));
  w.Init();
  t->PrepareEasy();
  curl_easy_setopt(t->GetEasy(), CURLOPT_URL, "http://127.0.0.1:1/");
  curl_easy_setopt(t->GetEasy(), CURLOPT_CONNECTTIMEOUT_MS, 200L);
  // Cancelled and handed in again before the worker's first pass: it still runs.
  EXPECT_TRUE(w.AddRequest(t));
  EXPECT_TRUE(w.CancelRequest(t));
  EXPECT_TRUE(w.AddRequest(t));
  // Given up while pending: taken out, never attached.
  CRefPtr<CCurlBase> gone(new CCurlHttp(&w, &listener));
  gone->PrepareEasy();
  EXPECT_TRUE(w.AddRequest(gone));
  gone->Abandon();
  // No easy handle at all: ends with an error instead of waiting for ever.
  CRefPtr<CCurlBase> empty(new CCurlHttp(&w, &listener));
  EXPECT_TRUE(w.AddRequest(empty));
  ASSERT_TRUE(w.Start());
  EXPECT_TRUE(MainThreadPump::Until([&] {
    return listener.Has(0, t.get()) && listener.Has(4, gone.get()) && listener.Has(0, empty.get());
  }));
  EXPECT_TRUE(listener.Has(5, t.get()));
  EXPECT_FALSE(listener.Has(4, t.get()));
  EXPECT_EQ(CURLE_COULDNT_CONNECT, listener.Of(0, t.get())[0].value);
  EXPECT_FALSE(listener.Has(5, gone.get()));
  EXPECT_EQ(CURLE_FAILED_INIT, listener.Of(0, empty.get())[0].value);
  w.DestroyThread(INFINITE);
  w.UnInit();
  EXPECT_FALSE(w.AddRequest(t));
  MainThreadPump::Drain();
}

TEST(CurlWorkshop, DestroyedWhileTransfersRunStopsItsWorkerAndFreesTheirHandles) {
  HttpTestServer server;
  ASSERT_TRUE(server.Start());
  HttpTestServer::Script stall;
  stall.body = std::string(100, 's');
  stall.stallAfter = 10;
  server.Set("/stall", stall);
  RecordingListener listener;
  CRefPtr<CCurlBase> t;
  {
    CCurlWorkshop w;
    w.Init();
    ASSERT_TRUE(w.Start());
    t = MakeTransfer(&w, &listener, server.Url("/stall"));
    ASSERT_TRUE(w.AddRequest(t));
    ASSERT_TRUE(MainThreadPump::Until([&] { return listener.Has(3, t.get()); }));
  }  // no DestroyThread, no UnInit
  EXPECT_EQ(nullptr, t->GetEasy());
  t = nullptr;
  MainThreadPump::Drain();
}

TEST(CurlEvents, QueuedEventsOfAGoneListenerAreDropped) {
  RecordingListener* listener = new RecordingListener();
  CRefPtr<CCurlBase> t(new CCurlHttp(nullptr, listener));
  PostCurlResult(CCurlBase::OnDoneTrampoline, t, 7);
  PostCurlResponse(t, 200, ProtoValue());
  MainThreadPump::Drain();
  EXPECT_EQ(2u, listener->events.size());
  PostCurlResult(CCurlBase::OnDoneTrampoline, t, 7);
  delete listener;  // e.g. a manager deleted at shutdown
  MainThreadPump::Drain();
  EXPECT_FALSE(CurlListener::IsAlive(listener));
}

// A sink that notices a write after it was closed.
class CheckingSink : public OBaseStream {
 public:
  explicit CheckingSink(std::atomic<int>* misuse) : m_misuse(misuse) {}
  int32_t Write(const void*, uint32_t count) override {
    if (m_closed) ++*m_misuse;
    return static_cast<int32_t>(count);
  }
  void Close() override { m_closed = true; }
  void Dispose() override {}

 private:
  std::atomic<int>* m_misuse;
  std::atomic<bool> m_closed{false};
};

TEST_F(CurlTransferTest, AbandonedTransfersNeverWriteIntoClosedSinks) {
  HttpTestServer::Script s;
  s.body = std::string(64 * 1024, 'x');
  s.trickleBytes = 2048;
  s.trickleMs = 1;
  server.Set("/trickle", s);
  std::atomic<int> misuse{0};
  std::mt19937 gen(7);
  std::vector<CRefPtr<CCurlBase>> live;
  for (int i = 0; i < 200; ++i) {
    CRefPtr<CCurlBase> t = Make("/trickle");
    CCurlHttp* h = static_cast<CCurlHttp*>(t.get());
    if (i % 2) {
      delete h->m_output;
      h->m_output = new CheckingSink(&misuse);
    }
    t->EnableProgress(true);
    ASSERT_TRUE(workshop.AddRequest(t));
    live.push_back(t);
    MainThreadPump::For(static_cast<int>(gen() % 3));
    if (gen() % 4 != 0 && !live.empty()) {
      size_t k = gen() % live.size();
      live[k]->Abandon();
      workshop.CancelRequest(live[k]);
      live.erase(live.begin() + static_cast<long>(k));
    }
  }
  for (auto& t : live) {
    t->Abandon();
    workshop.CancelRequest(t);
  }
  live.clear();
  MainThreadPump::For(100);
  EXPECT_EQ(0, misuse.load());
}

}  // namespace
