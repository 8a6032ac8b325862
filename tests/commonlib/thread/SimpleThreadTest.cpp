#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/core/CapturedLog.h"
#include "tests/support/WaitUntil.h"
#include "commonlib/thread/CSimpleThread.h"

namespace {

const wchar_t kTimeoutLine[] = L"CSimpleThread::DestroyThread线程结束超时 tid:";

// Polls its stop flag every few milliseconds, as every worker must.
class PollingWorker : public CSimpleThread {
 public:
  std::atomic<int> runs{0};
  std::atomic<bool> inRun{false};
  void Run() override {
    ++runs;
    inRun = true;
    while (!IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    inRun = false;
  }
};

// Ignores its stop flag until the test lets it go.
class DeafWorker : public CSimpleThread {
 public:
  std::atomic<bool> release{false};
  std::atomic<bool> started{false};
  std::atomic<bool> finished{false};
  std::atomic<bool> sawStop{false};
  void Run() override {
    started = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    sawStop = IsStopRequested();
    finished = true;
  }
};

// Stops itself from inside Run.
class SelfStoppingWorker : public CSimpleThread {
 public:
  std::atomic<bool> result{false};
  std::atomic<bool> handleAfter{true};
  std::atomic<bool> flagAfter{false};
  std::atomic<bool> done{false};
  void Run() override {
    result = DestroyThread(60000);
    handleAfter = GetThreadHandle() != nullptr;
    flagAfter = IsStopRequested();
    done = true;
  }
};

class OneShotWorker : public CSimpleThread {
 public:
  std::atomic<int> runs{0};
  void Run() override { ++runs; }
};

}  // namespace

TEST(SimpleThreadTest, StartTwiceRunsOneThreadAndStopsOnRequest) {
  PollingWorker w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(WaitUntil([&] { return w.inRun.load(); }));
  HANDLE first = w.GetThreadHandle();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(w.GetThreadId(), 0u);
  EXPECT_TRUE(w.Start());
  EXPECT_EQ(w.GetThreadHandle(), first);

  CapturedLog log;
  EXPECT_TRUE(w.DestroyThread(5000));
  EXPECT_FALSE(w.inRun);
  EXPECT_EQ(w.GetThreadHandle(), nullptr);
  EXPECT_EQ(w.GetThreadId(), 0u);
  EXPECT_EQ(w.runs, 1);
  EXPECT_EQ(log.CountContaining(kTimeoutLine), 0u);

  // A stopped worker starts again with a cleared flag.
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(WaitUntil([&] { return w.runs == 2 && w.inRun; }));
  EXPECT_TRUE(w.DestroyThread(5000));
  EXPECT_EQ(w.runs, 2);
}

TEST(SimpleThreadTest, DestroyWithoutThreadReturnsAtOnce) {
  CapturedLog log;
  PollingWorker never;
  EXPECT_TRUE(never.DestroyThread(60000));
  EXPECT_TRUE(log.Lines().empty());

  // A worker whose Run returned on its own released its handle already.
  OneShotWorker once;
  ASSERT_TRUE(once.Start());
  ASSERT_TRUE(WaitUntil([&] { return once.GetThreadHandle() == nullptr; }));
  EXPECT_EQ(once.runs, 1);
  EXPECT_TRUE(once.DestroyThread(60000));
  ASSERT_TRUE(once.Start());
  ASSERT_TRUE(WaitUntil([&] { return once.runs == 2 && once.GetThreadHandle() == nullptr; }));
  EXPECT_TRUE(log.Lines().empty());
}

TEST(SimpleThreadTest, DestroyFromInsideRunDoesNotWait) {
  SelfStoppingWorker w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(WaitUntil([&] { return w.done.load(); }));
  EXPECT_TRUE(w.result);
  EXPECT_FALSE(w.handleAfter);
  EXPECT_TRUE(w.flagAfter);
  EXPECT_EQ(w.GetThreadId(), 0u);
}

TEST(SimpleThreadTest, TimedOutStopIsLoggedAndTheThreadEndsOnItsOwn) {
  DeafWorker w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(WaitUntil([&] { return w.started.load(); }));
  uint32_t tid = w.GetThreadId();

  CapturedLog log;
  auto begin = std::chrono::steady_clock::now();
  EXPECT_TRUE(w.DestroyThread(100));
  auto waited = std::chrono::steady_clock::now() - begin;
  // A stop that waited for the worker would not come back: it hears nothing until released.
  EXPECT_GE(waited, std::chrono::milliseconds(90));
  EXPECT_EQ(log.CountContaining(std::wstring(kTimeoutLine) + std::to_wstring(tid) + L" "), 1u);
  EXPECT_EQ(w.GetThreadHandle(), nullptr);
  EXPECT_FALSE(w.finished);

  // The thread left behind ends on its own and has seen its stop flag.
  w.release = true;
  ASSERT_TRUE(WaitUntil([&] { return w.finished.load(); }));
  EXPECT_TRUE(w.sawStop);
  EXPECT_EQ(log.CountContaining(kTimeoutLine), 1u);
}
