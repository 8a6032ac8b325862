// The request manager with requests that need no network.
#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <windows.h>

#include <functional>
#include <memory>

#include "tests/support/TraceCapture.h"
#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/CHttpMgr.h"

namespace {

class FakeRequest : public CHttpBase {
 public:
  explicit FakeRequest(CHttpMgr* mgr, int priority = 0) : CHttpBase(nullptr, mgr) {
    m_priority = priority;
    m_url = L"http://fake/";
  }
  uint64_t Start() override {
    ++starts;
    if (startResult == 0) m_started = true;
    return startResult;
  }
  void Done(int et, int ec) override {
    done.emplace_back(et, ec);
    startTickAtDone = m_startTick;
    if (onDone) onDone();
  }
  uint64_t startResult = 0;
  int starts = 0;
  uint32_t startTickAtDone = 1;
  std::vector<std::pair<int, int>> done;
  std::function<void()> onDone;
};

class HttpMgrTest : public ::testing::Test {
 protected:
  void SetUp() override { jf::TickOverride(1000000); }
  void TearDown() override { jf::TickRestore(); }
  CHttpMgr mgr;
};

TEST_F(HttpMgrTest, StartsAtMostTenAndLogsTheExcess) {
  TraceCapture trace;
  std::vector<std::unique_ptr<FakeRequest>> reqs;
  for (int i = 0; i < 12; ++i) {
    reqs.emplace_back(new FakeRequest(&mgr));
    mgr.Add(reqs.back().get());
  }
  EXPECT_EQ(10u, mgr.m_runningCount);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(i < 10 ? 1 : 0, reqs[i]->starts) << i;
  EXPECT_TRUE(trace.Contains(L"CHttpMgr::Schedule() 任务数超标 running:10 max:10 total:11"));
  // A priority-1 request takes the next free slot before the waiting ones.
  FakeRequest urgent(&mgr, 1);
  mgr.Add(&urgent);
  EXPECT_EQ(0, urgent.starts);
  reqs[0]->Stop();
  EXPECT_EQ(1, urgent.starts);
  EXPECT_EQ(0, reqs[10]->starts);
  EXPECT_EQ(10u, mgr.m_runningCount);
  for (auto& r : reqs) r->Stop();
  urgent.Stop();
  EXPECT_EQ(0u, mgr.m_runningCount);
  EXPECT_TRUE(mgr.m_requests.empty());
}

TEST_F(HttpMgrTest, FailedStartsEndTheirRequests) {
  TraceCapture trace;
  FakeRequest written(&mgr), broken(&mgr), dup(&mgr);
  written.startResult = 2005;
  broken.startResult = CHttpBase::MakeError(3, 7);
  broken.onDone = [&] { broken.Stop(); };
  mgr.Add(&written);  // stays registered and idle after its Done: the walk must still end
  mgr.Add(&broken);
  ASSERT_FALSE(written.done.empty());
  for (const auto& d : written.done) EXPECT_EQ(std::make_pair(0, 0), d);
  ASSERT_EQ(1u, broken.done.size());
  EXPECT_EQ(std::make_pair(3, 7), broken.done[0]);
  EXPECT_FALSE(written.IsRunning());
  EXPECT_EQ(0u, mgr.m_runningCount);
  EXPECT_TRUE(trace.Contains(L"CHttpMgr::Schedule 有调度任务开始失败，重新调度"));
  mgr.Add(&dup);
  mgr.Add(&dup);
  EXPECT_EQ(1, dup.starts);
  EXPECT_TRUE(trace.Contains(L"http请求重复添加 url:http://fake/"));
  written.Stop();
  dup.Stop();
}

TEST_F(HttpMgrTest, RetriesResumeOnlyAfterMoreThan500Ms) {
  FakeRequest r(&mgr);
  r.m_retryPending = true;
  r.m_retryTick = GetTickCount();
  mgr.Add(&r);
  EXPECT_EQ(0, r.starts);
  jf::TickAdvance(500);
  EXPECT_FALSE(r.IsRetryDue());
  mgr.ResumeDueRetries();
  EXPECT_EQ(0, r.starts);
  jf::TickAdvance(1);
  EXPECT_TRUE(r.IsRetryDue());
  mgr.ResumeDueRetries();
  EXPECT_EQ(1, r.starts);
  r.Stop();
}

TEST_F(HttpMgrTest, TimeoutsMaySafelyDestroyRequests) {
  FakeRequest idle(&mgr);
  idle.m_totalTimeout = 1000;
  mgr.Add(&idle);
  jf::TickAdvance(5000);
  mgr.CheckTimeouts();  // never attached: no clock
  EXPECT_TRUE(idle.done.empty());

  FakeRequest* first = new FakeRequest(&mgr);
  FakeRequest* second = new FakeRequest(&mgr);
  FakeRequest* third = new FakeRequest(&mgr);
  std::vector<std::pair<int, int>> thirdDone;
  for (FakeRequest* r : {first, second, third}) {
    r->m_totalTimeout = 20000;
    mgr.Add(r);
    r->OnStarted();
  }
  uint32_t seenTick = 1;
  first->onDone = [&] {
    seenTick = first->startTickAtDone;
    delete second;  // a later entry of the walk goes away ...
    delete first;   // ... and so does the request itself
  };
  third->onDone = [&] { thirdDone = third->done; };
  jf::TickAdvance(20000);
  mgr.CheckTimeouts();
  EXPECT_TRUE(thirdDone.empty());
  jf::TickAdvance(1);
  mgr.CheckTimeouts();
  EXPECT_EQ(0u, seenTick);  // the clock was cleared before Done ran
  ASSERT_EQ(1u, thirdDone.size());
  EXPECT_EQ(std::make_pair(3, 3002), thirdDone[0]);
  EXPECT_EQ(0u, third->m_startTick);
  mgr.CheckTimeouts();
  EXPECT_EQ(1u, third->done.size());
  delete third;
  idle.Stop();
  EXPECT_TRUE(mgr.m_requests.empty());
}

}  // namespace
