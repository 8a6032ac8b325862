// The network-tool thread: makers' conditions, name lookups against the test responder in
// order, cancellation, and results on the main thread in the order queued.
#include <gtest/gtest.h>
#include <windows.h>

#include <winsock2.h>

#include <atomic>
#include <regex>
#include <vector>

#include "commonlib/netdiag/CNSLookUpTask.h"
#include "commonlib/netdiag/CNetToolThread.h"
#include "commonlib/netdiag/CPingTask.h"
#include "commonlib/netdiag/CTraceRootTask.h"
#include "tests/support/core/InstantPause.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/DnsTestServer.h"
#include "tests/support/net/FastProbeClock.h"
#include "commonlib/core/DeploymentProfile.h"

namespace {

struct Result {
  int code;
  void* context;
  std::string host;
  std::string text;
  DWORD thread;
};
std::vector<Result> g_results;

void Collect(int code, void* context, const std::string& host, const std::string& text) {
  g_results.push_back(Result{code, context, host, text, GetCurrentThreadId()});
}

class NetToolThreadTest : public ::testing::Test {
 protected:
  InstantPause pauses;
  void SetUp() override {
    g_results.clear();
    ASSERT_TRUE(dns.Start("0.0.0.0"));
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
  }
  void TearDown() override {
    // Let the worker finish what the test queued before the responder goes.
    MainThreadPump::Until([] { return CNetToolThread::GetInstance().GetThreadHandle() == nullptr; });
    MainThreadPump::Drain();
    DeploymentProfile::RestoreResolvers();
  }
  CNetToolThread& tools() { return CNetToolThread::GetInstance(); }

  DnsTestServer dns;
  int ctx = 0;
};

}  // namespace

TEST_F(NetToolThreadTest, MakersRefuseShortHostsAndMissingContexts) {
  EXPECT_FALSE(tools().NSLookUp("ab", &ctx));
  EXPECT_FALSE(tools().NSLookUp("abc.test", nullptr));
  EXPECT_FALSE(tools().NSLookUpWithServer("ab", "127.0.0.1", &ctx, Collect));
  EXPECT_FALSE(tools().NSLookUpWithServer("abc.test", "127.0.0.1", nullptr, Collect));
  EXPECT_FALSE(tools().NSLookUpWithServer("abc.test", "127.0.0.1", &ctx, nullptr));
  EXPECT_FALSE(tools().TraceRoute("ab", &ctx));
  EXPECT_FALSE(tools().Ping("ab", nullptr));
  EXPECT_EQ(nullptr, tools().PopTask());
  MainThreadPump::For(20);
  EXPECT_EQ(0, dns.QueryCount());
}

TEST_F(NetToolThreadTest, TasksRunInOrderAndAnswerOnTheMainThread) {
  dns.SetAddresses("one.test", {"127.0.0.5", "127.0.0.6"});
  dns.SetAddresses("two.test", {"127.0.0.7"});
  DnsTestServer::Reply alias;
  alias.answers = {{5, "other.test"}};
  dns.Set("three.test", {alias});
  int a = 1, b = 2, c = 3;
  ASSERT_TRUE(tools().NSLookUpWithServer("one.test", "127.0.0.1;127.0.0.2", &a, Collect));
  ASSERT_TRUE(tools().NSLookUpWithServer("two.test", "127.0.0.1", &b, Collect));
  ASSERT_TRUE(tools().NSLookUpWithServer("three.test", "", &c, Collect));  // the public list
  ASSERT_TRUE(MainThreadPump::Until([] { return g_results.size() == 3; }));
  EXPECT_EQ(3, dns.QueryCount());  // each answered by the first server asked
  EXPECT_EQ("one.test", g_results[0].host);
  EXPECT_EQ(&a, g_results[0].context);
  EXPECT_EQ(0, g_results[0].code);
  EXPECT_EQ("127.0.0.5;127.0.0.6", g_results[0].text);
  EXPECT_EQ("two.test", g_results[1].host);
  EXPECT_EQ("127.0.0.7", g_results[1].text);
  EXPECT_EQ("three.test", g_results[2].host);
  EXPECT_EQ(0, g_results[2].code);  // an alias alone is an answer without addresses
  EXPECT_EQ("", g_results[2].text);
  for (const Result& r : g_results) EXPECT_EQ(GetCurrentThreadId(), r.thread);

  // The worker ends when the queue is empty and starts again with the next task, however
  // the new task meets the old worker.
  for (int i = 0; i < 20; ++i) {
    g_results.clear();
    ASSERT_TRUE(tools().NSLookUpWithServer("two.test", "127.0.0.1", &a, Collect));
    ASSERT_TRUE(MainThreadPump::Until([] { return g_results.size() == 1; })) << i;
  }
}

TEST_F(NetToolThreadTest, SecondServerOnlyWithoutAnAnswerAndSkippedNonAddresses) {
  DnsTestServer::Reply silent;
  silent.silent = true;
  dns.Set("quiet.test", {silent});
  FastProbeClock clock;
  ASSERT_TRUE(tools().NSLookUpWithServer("quiet.test", ";name.test;127.0.0.1;127.0.0.2", &ctx, Collect));
  ASSERT_TRUE(MainThreadPump::Until([] { return !g_results.empty(); }));
  EXPECT_EQ(2, dns.QueryCount());
  EXPECT_EQ(-1, g_results[0].code);
  EXPECT_EQ("", g_results[0].text);
  EXPECT_EQ(&ctx, g_results[0].context);
}

TEST_F(NetToolThreadTest, CancelledLookupStopsMidWalkWithoutACallback) {
  DnsTestServer::Reply silent;
  silent.silent = true;
  dns.Set("slow.test", {silent});
  CNSLookUpTask* task = new CNSLookUpTask("slow.test", "127.0.0.1;127.0.0.2", Collect, &ctx);
  tools().AddTask(task);
  ASSERT_TRUE(tools().Start());
  ASSERT_TRUE(MainThreadPump::Until([this] { return dns.QueryCount() >= 1; }));
  task->Cancel();  // the worker is still waiting for the first server
  ASSERT_TRUE(MainThreadPump::Until([this] { return tools().GetThreadHandle() == nullptr; }, 1000));
  MainThreadPump::For(50);
  EXPECT_EQ(1, dns.QueryCount());
  EXPECT_TRUE(g_results.empty());
}

TEST_F(NetToolThreadTest, ExitStopsTheWorkerWithinAHundredMilliseconds) {
  DnsTestServer::Reply silent;
  silent.silent = true;
  dns.Set("exit.test", {silent});
  ASSERT_TRUE(tools().NSLookUpWithServer("exit.test", "127.0.0.1;127.0.0.2", &ctx, Collect));
  ASSERT_TRUE(MainThreadPump::Until([this] { return dns.QueryCount() >= 1; }));
  DWORD start = GetTickCount();
  tools().Shutdown();  // what the exit handler runs
  EXPECT_LT(GetTickCount() - start, 500u);
  EXPECT_EQ(nullptr, tools().GetThreadHandle());
  // What the stop left queued is not run by later tests.
  while (CNetToolTask* left = tools().PopTask()) delete left;
  MainThreadPump::For(50);
  EXPECT_TRUE(g_results.empty());
}

TEST_F(NetToolThreadTest, PingAndTraceTasksAnswerInUtf8WithCodeZero) {
  while (WSACleanup() == 0) {
  }
  tools().AddTask(new CPingTask("127.0.0.1", Collect, &ctx));
  tools().AddTask(new CTraceRootTask("127.0.0.1", Collect, nullptr));
  ASSERT_TRUE(tools().Start());
  ASSERT_TRUE(MainThreadPump::Until([] { return g_results.size() == 2; }));
  EXPECT_EQ(0, g_results[0].code);
  EXPECT_EQ(&ctx, g_results[0].context);
  EXPECT_EQ("127.0.0.1", g_results[0].host);
  // Replies need raw sockets (root); without them every probe times out.
  EXPECT_TRUE(std::regex_match(g_results[0].text,
                               std::regex("正在ping 127.0.0.1 具有32字节的数据。"
                                          "((来自 127.0.0.1 的回复：时间[0-9]+ TTL。){4}|(超时。){4})")))
      << g_results[0].text;
  EXPECT_EQ(0, g_results[1].code);
  EXPECT_EQ(nullptr, g_results[1].context);
  EXPECT_TRUE(std::regex_match(g_results[1].text,
                               std::regex("通过最多 30 个跃点跟踪到 127.0.0.1 的路由。"
                                          "(TTL:1,TripTime:[0-9]+,ip:127.0.0.1。跟踪完成。)?")))
      << g_results[1].text;
  ASSERT_TRUE(MainThreadPump::Until([this] { return tools().GetThreadHandle() == nullptr; }));
  // Each task undid its own Winsock startup, once.
  EXPECT_EQ(SOCKET_ERROR, WSACleanup());
}

namespace {

// A probe that ignores stop requests until the test lets it go.
class HeldTask : public CNetToolTask {
 public:
  HeldTask(HANDLE release, HANDLE ended) : CNetToolTask("held", nullptr, nullptr), m_release(release), m_ended(ended) {}
  ~HeldTask() override { SetEvent(m_ended); }
  void Run() override {
    SetEvent(m_running);
    WaitForSingleObject(m_release, INFINITE);
  }
  static HANDLE m_running;

 private:
  HANDLE m_release;
  HANDLE m_ended;
};
HANDLE HeldTask::m_running = nullptr;

}  // namespace

TEST(NetToolThreadStopTest, WorkerOutlivingATimedOutStopTouchesNoFreedState) {
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HeldTask::m_running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE queuedEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    CNetToolThread tools;
    tools.AddTask(new HeldTask(release, ended));
    tools.AddTask(new HeldTask(release, queuedEnded));
    ASSERT_TRUE(tools.Start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(HeldTask::m_running, 5000));
  }  // the stop times out: the worker still holds the first task
  // The task still queued was dropped with the owner; the worker ends once let go.
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(queuedEnded, 0));
  SetEvent(release);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ended, 5000));
  for (HANDLE h : {release, ended, HeldTask::m_running, queuedEnded}) CloseHandle(h);
}
