// The main-thread queue driven from the test thread, which plays the main thread. The slice
// clock is a manual clock: tasks advance it instead of sleeping.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/core/FakeClock.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/CScopedLock.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/thread/MainThreadTask2.h"
#include "commonlib/thread/MainThreadTask4.h"

namespace {

void AdvanceMs(int ms) { FakeClock::Advance(ms); }

std::vector<int> g_ran;
DWORD g_mainThread = 0;

// Removes and dispatches the pending wake-up messages; returns how many there were.
int DispatchWakeUps(int limit = 1000) {
  int count = 0;
  MSG msg;
  UINT fired = GetMainThreadFiredMessage();
  while (count < limit && PeekMessageW(&msg, GetThreadingWindow(), fired, fired, PM_REMOVE)) {
    DispatchMessageW(&msg);
    ++count;
  }
  return count;
}

int PendingWakeUps() {
  int count = 0;
  MSG msg;
  UINT fired = GetMainThreadFiredMessage();
  while (PeekMessageW(&msg, GetThreadingWindow(), fired, fired, PM_REMOVE)) ++count;
  for (int i = 0; i < count; ++i) PostMessageW(GetThreadingWindow(), fired, 0, 0);
  return count;
}

void Record(int value, int advanceMs) {
  g_ran.push_back(value);
  AdvanceMs(advanceMs);
}

typedef MainThreadTask2<int, int, int, int> RecordTask;

void PostRecord(int value, int advanceMs) {
  CRefPtr<MainThreadTaskBase> task = new RecordTask(Record, value, advanceMs);
  PostToMainThread(InvokeMainThreadTask, task);
}

class MainThreadQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_mainThread = GetCurrentThreadId();
    GetMainThreadQueueLock();
    CreateThreadingWindow();
    ASSERT_NE(GetThreadingWindow(), nullptr);
    ASSERT_NE(GetMainThreadFiredMessage(), 0u);
    clock = std::make_unique<FakeClock>(1.7e12);
    DispatchWakeUps();
    g_ran.clear();
  }
  void TearDown() override {
    DispatchWakeUps();
    clock.reset();
    g_ran.clear();
  }
  std::unique_ptr<FakeClock> clock;
};

TEST_F(MainThreadQueueTest, EmptyQueueWakeUpDoesNothing) {
  PostMessageW(GetThreadingWindow(), GetMainThreadFiredMessage(), 0, 0);
  EXPECT_EQ(DispatchWakeUps(), 1);
  EXPECT_EQ(PendingWakeUps(), 0);
  EXPECT_TRUE(g_ran.empty());
}

TEST_F(MainThreadQueueTest, OneWakeUpPerTransitionAndOrderKept) {
  std::thread worker([] {
    for (int i = 0; i < 3; ++i) PostRecord(i, 1);
  });
  worker.join();
  EXPECT_EQ(PendingWakeUps(), 1);
  EXPECT_EQ(GetMainThreadQueueSize(), 3u);
  EXPECT_EQ(DispatchWakeUps(), 1);
  EXPECT_EQ(g_ran, (std::vector<int>{0, 1, 2}));
  // Emptied: the next post wakes again.
  PostRecord(7, 0);
  EXPECT_EQ(PendingWakeUps(), 1);
  DispatchWakeUps();
  EXPECT_EQ(g_ran.back(), 7);
}

TEST_F(MainThreadQueueTest, ManyThreadsPostingKeepEachThreadsOrder) {
  const int kThreads = 4, kPerThread = 200;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([t] {
      for (int i = 0; i < kPerThread; ++i) PostRecord(t * 1000 + i, 0);
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_EQ(PendingWakeUps(), 1);
  DispatchWakeUps();
  ASSERT_EQ(g_ran.size(), static_cast<size_t>(kThreads * kPerThread));
  std::vector<int> last(kThreads, -1);
  for (int v : g_ran) {
    int t = v / 1000, i = v % 1000;
    EXPECT_EQ(i, last[t] + 1);
    last[t] = i;
  }
}

TEST_F(MainThreadQueueTest, SliceEndsAfterMoreThanFiftyMilliseconds) {
  for (int i = 0; i < 5; ++i) PostRecord(i, 30);
  EXPECT_EQ(DispatchWakeUps(1), 1);
  // 30 ms, then 60 ms > 50 ms: two tasks, and the pump posted itself again.
  EXPECT_EQ(g_ran, (std::vector<int>{0, 1}));
  EXPECT_EQ(PendingWakeUps(), 1);
  EXPECT_EQ(DispatchWakeUps(1), 1);
  EXPECT_EQ(g_ran, (std::vector<int>{0, 1, 2, 3}));
  DispatchWakeUps();
  EXPECT_EQ(g_ran.size(), 5u);
  // A single long task is never cut, and the last slice posts nothing more.
  EXPECT_EQ(PendingWakeUps(), 0);
}

TEST_F(MainThreadQueueTest, ShortTasksRunInOneSlice) {
  for (int i = 0; i < 50; ++i) PostRecord(i, 1);
  EXPECT_EQ(DispatchWakeUps(1), 1);
  EXPECT_EQ(g_ran.size(), 50u);
}

void StepSystemTimeBack(int, int) {
  g_ran.push_back(-1);
  FakeClock::StepSystemTime(-3600.0 * 1000.0);
}

TEST_F(MainThreadQueueTest, SlicesStillEndAfterTheSystemClockWasSetBack) {
  // Once a first slice has run, the clock's high-water mark is set.
  PostRecord(100, 1);
  DispatchWakeUps();
  CRefPtr<MainThreadTaskBase> step = new RecordTask(StepSystemTimeBack, 0, 0);
  PostToMainThread(InvokeMainThreadTask, step);
  for (int i = 0; i < 20; ++i) PostRecord(i, 30);
  EXPECT_EQ(DispatchWakeUps(1), 1);
  // The slice must yield long before the old time comes back.
  EXPECT_LT(g_ran.size(), 10u);
  EXPECT_EQ(PendingWakeUps(), 1);
  DispatchWakeUps();
  EXPECT_EQ(g_ran.size(), 22u);
}

void PostFollowUp(int value, int) {
  g_ran.push_back(value);
  PostRecord(value + 1, 0);
}

TEST_F(MainThreadQueueTest, TaskPostingTaskRunsInTheSameSlice) {
  CRefPtr<MainThreadTaskBase> task = new RecordTask(PostFollowUp, 10, 0);
  PostToMainThread(InvokeMainThreadTask, task);
  task.reset();
  EXPECT_EQ(DispatchWakeUps(1), 1);
  EXPECT_EQ(g_ran, (std::vector<int>{10, 11}));
  // The follow-up found the queue empty and woke the window; that wake-up finds nothing.
  EXPECT_EQ(PendingWakeUps(), 1);
  DispatchWakeUps();
  EXPECT_EQ(g_ran.size(), 2u);
}

std::atomic<int> g_destroyed{0};
std::atomic<DWORD> g_destroyThread{0};

class TrackedTask : public MainThreadTaskBase {
 public:
  explicit TrackedTask(int v) : m_value(v) {}
  ~TrackedTask() override {
    g_destroyThread = GetCurrentThreadId();
    ++g_destroyed;
  }
  void Run() override { g_ran.push_back(m_value); }

 private:
  int m_value;
};

TEST_F(MainThreadQueueTest, TasksAreDestroyedOnTheMainThread) {
  g_destroyed = 0;
  std::thread worker([] {
    for (int i = 0; i < 3; ++i) {
      CRefPtr<MainThreadTaskBase> task = new TrackedTask(i);
      PostToMainThread(InvokeMainThreadTask, task);
    }
  });
  worker.join();
  EXPECT_EQ(g_destroyed, 0);
  DispatchWakeUps();
  EXPECT_EQ(g_destroyed, 3);
  EXPECT_EQ(g_destroyThread, g_mainThread);
  EXPECT_EQ(g_ran, (std::vector<int>{0, 1, 2}));
}

TEST_F(MainThreadQueueTest, ATaskHeldElsewhereOutlivesThePump) {
  g_destroyed = 0;
  CRefPtr<MainThreadTaskBase> held = new TrackedTask(5);
  PostToMainThread(InvokeMainThreadTask, held);
  DispatchWakeUps();
  EXPECT_EQ(g_ran, (std::vector<int>{5}));
  EXPECT_EQ(g_destroyed, 0);
  held.reset();
  EXPECT_EQ(g_destroyed, 1);
}

class FlagTask : public MainThreadTaskBase {
 public:
  explicit FlagTask(std::atomic<bool>* flag) : m_flag(flag) {}
  void Run() override { *m_flag = true; }

 private:
  std::atomic<bool>* m_flag;
};

TEST_F(MainThreadQueueTest, DoneConditionIsNotifiedAfterTheTaskRan) {
  std::atomic<bool> ran{false}, finished{false}, notified{false};
  CCondition done;
  std::thread worker([&] {
    CScopedLock lock(GetMainThreadQueueLock());
    PostToMainThreadWithDone(InvokeMainThreadTask, new FlagTask(&ran), &done);
    while (!ran) {
      if (done.Wait(*GetMainThreadQueueLock(), 5000)) notified = true;
    }
    finished = true;
  });
  for (int i = 0; i < 5000 && !finished; ++i) {
    DispatchWakeUps();
    Sleep(1);
  }
  worker.join();
  EXPECT_TRUE(finished);
  EXPECT_TRUE(notified);
}

TEST(MainThreadTaskTest, BindsCopiesOfFourArguments) {
  static std::string seen;
  struct Local {
    static void Fn(int code, void* context, const std::string& a, const std::string& b) {
      seen = std::to_string(code) + (context ? "+" : "-") + a + b;
    }
  };
  std::string a = "x", b = "y";
  CRefPtr<MainThreadTaskBase> task =
      new MainThreadTask4<int, int, void*, void*, std::string, const std::string&, std::string,
                          const std::string&>(Local::Fn, 3, &a, a, b);
  a = "changed";
  task->Run();
  EXPECT_EQ(seen, "3+xy");
}

// Posts from a worker and from the main thread before the window exists, then creates it.
void PostBeforeTheWindowAndExit() {
  std::thread worker([] {
    PostRecord(1, 0);
    PostRecord(2, 0);
  });
  worker.join();
  PostRecord(3, 0);
  CreateThreadingWindow();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  bool ok = g_ran == std::vector<int>{1, 2, 3} && GetMainThreadQueueSize() == 0;
  // The queue is empty again: the next post wakes the window by itself.
  PostRecord(4, 0);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  std::exit(ok && g_ran.back() == 4 ? 0 : 1);
}

TEST(MainThreadQueueStartTest, TasksPostedBeforeTheWindowExistsRunOnceItDoes) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(PostBeforeTheWindowAndExit(), ::testing::ExitedWithCode(0), "");
}

TEST(MainThreadQueueShutdownTest, DropsQueuedTasksWithoutRunningThem) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        GetMainThreadQueueLock();
        CreateThreadingWindow();
        g_destroyed = 0;
        for (int i = 0; i < 3; ++i) {
          CRefPtr<MainThreadTaskBase> task = new TrackedTask(i);
          PostToMainThread(InvokeMainThreadTask, task);
        }
        ShutdownMainThreadQueue();
        bool ok = g_destroyed == 3 && g_ran.empty() && GetMainThreadQueueSize() == 0;
        // Posted afterwards: stays queued, never runs.
        PostRecord(9, 0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        ok = ok && g_ran.empty() && GetMainThreadQueueSize() == 1;
        CreateThreadingWindow();  // does nothing after shutdown
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
