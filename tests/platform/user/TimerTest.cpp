#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/platform/user/MsgTestWindow.h"
#include "platform/testing/hooks/tick.h"

using msgtest::Handler;
using msgtest::MakeWindow;

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { jf::TickOverride(5000000); }
  void TearDown() override { jf::TickRestore(); }

  // The WM_TIMER ids ready now, taken from the queue without dispatching.
  static std::vector<UINT_PTR> ReadyTimers(HWND filter = nullptr) {
    std::vector<UINT_PTR> ids;
    MSG msg;
    while (PeekMessageW(&msg, filter, WM_TIMER, WM_TIMER, PM_REMOVE)) ids.push_back(msg.wParam);
    return ids;
  }
};

std::vector<UINT_PTR> g_procTicks;
HWND g_procHwnd;

void CALLBACK RecordingProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) {
  EXPECT_EQ(msg, UINT(WM_TIMER));
  EXPECT_EQ(time, GetTickCount());
  g_procHwnd = hwnd;
  g_procTicks.push_back(id);
}

void CALLBACK SelfKillingProc(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  g_procTicks.push_back(id);
  EXPECT_TRUE(KillTimer(hwnd, id));
}

}  // namespace

TEST_F(TimerTest, WindowTimersKeepTheirIdsAndTickWhenDue) {
  std::vector<UINT_PTR> ticks;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_TIMER) ticks.push_back(w);
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  // Id 0 answers 1 (0 would read as failure) while its ticks still carry 0.
  EXPECT_EQ(SetTimer(hwnd, 0, 100, nullptr), 1u);
  EXPECT_EQ(SetTimer(hwnd, 254, 200, nullptr), 254u);
  UINT_PTR pointerId = reinterpret_cast<UINT_PTR>(&ticks);
  EXPECT_EQ(SetTimer(hwnd, pointerId, 300, nullptr), pointerId);
  jf::TickAdvance(99);
  EXPECT_EQ(msgtest::PumpReady(), 0);
  jf::TickAdvance(1);
  msgtest::PumpReady();
  EXPECT_EQ(ticks, (std::vector<UINT_PTR>{0}));
  jf::TickAdvance(200);
  msgtest::PumpReady();
  EXPECT_EQ(ticks.size(), 4u);  // 0 again, 254 and the pointer-sized id
  EXPECT_TRUE(KillTimer(hwnd, 0));
  EXPECT_TRUE(KillTimer(hwnd, 254));
  EXPECT_TRUE(KillTimer(hwnd, pointerId));
  EXPECT_FALSE(KillTimer(hwnd, 254));
  EXPECT_FALSE(KillTimer(hwnd, 1));  // the answer 1 is no timer of its own
  jf::TickAdvance(1000);
  EXPECT_EQ(msgtest::PumpReady(), 0);
  DestroyWindow(hwnd);
}

TEST_F(TimerTest, LateTicksAreCoalescedAndResettingReplaces) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 7, 100, nullptr);
  jf::TickAdvance(1000);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{7}));  // one tick, not ten
  jf::TickAdvance(99);
  EXPECT_TRUE(ReadyTimers().empty());
  jf::TickAdvance(1);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));  // looking does not consume it
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{7}));

  // A late look does not shift the rhythm: the next tick is still on the period boundary.
  jf::TickAdvance(150);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{7}));
  jf::TickAdvance(50);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{7}));

  SetTimer(hwnd, 7, 500, nullptr);  // same id: replaced, due from now
  jf::TickAdvance(100);
  EXPECT_TRUE(ReadyTimers().empty());
  jf::TickAdvance(400);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{7}));
  DestroyWindow(hwnd);  // its timers go with it
  jf::TickAdvance(1000);
  EXPECT_TRUE(ReadyTimers().empty());
}

// A clock set back (a test's manual clock handing over to the real one) leaves no timer
// waiting for the old time: the next tick is at most one period away.
TEST_F(TimerTest, AClockSetBackKeepsTimersWithinOnePeriod) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 3, 500, nullptr);
  jf::TickAdvance(60000);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{3}));
  jf::TickOverride(5000000);
  EXPECT_TRUE(ReadyTimers().empty());
  jf::TickAdvance(499);
  EXPECT_TRUE(ReadyTimers().empty());
  jf::TickAdvance(1);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{3}));
  jf::TickAdvance(500);
  EXPECT_EQ(ReadyTimers(), (std::vector<UINT_PTR>{3}));
  DestroyWindow(hwnd);
}

TEST_F(TimerTest, ThreadTimersGetFreshIdsAndTimerProcsBypassTheWindow) {
  g_procTicks.clear();
  UINT_PTR a = SetTimer(nullptr, 0, 50, RecordingProc);
  UINT_PTR b = SetTimer(nullptr, 12345, 50, RecordingProc);  // not one of ours: a new id
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(SetTimer(nullptr, a, 80, RecordingProc), a);  // ours: replaced
  jf::TickAdvance(50);
  msgtest::PumpReady();
  EXPECT_EQ(g_procTicks, (std::vector<UINT_PTR>{b}));
  EXPECT_EQ(g_procHwnd, nullptr);
  EXPECT_TRUE(KillTimer(nullptr, a));
  EXPECT_TRUE(KillTimer(nullptr, b));

  int windowTicks = 0;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_TIMER) ++windowTicks;
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  g_procTicks.clear();
  EXPECT_EQ(SetTimer(hwnd, 3, 20, RecordingProc), 3u);
  jf::TickAdvance(20);
  msgtest::PumpReady();
  EXPECT_EQ(g_procTicks, (std::vector<UINT_PTR>{3}));
  EXPECT_EQ(g_procHwnd, hwnd);
  EXPECT_EQ(windowTicks, 0);
  DestroyWindow(hwnd);
}

TEST_F(TimerTest, TimersKilledInsideTheirOwnTick) {
  g_procTicks.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 10, SelfKillingProc);
  int windowTicks = 0;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_TIMER) {
      ++windowTicks;
      EXPECT_TRUE(KillTimer(hwnd, w));
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 1, 10, nullptr);
  for (int i = 0; i < 5; ++i) {
    jf::TickAdvance(10);
    msgtest::PumpReady();
  }
  EXPECT_EQ(g_procTicks, (std::vector<UINT_PTR>{id}));
  EXPECT_EQ(windowTicks, 1);
  DestroyWindow(hwnd);
}

TEST_F(TimerTest, TimersSetFromAnotherThreadTickOnTheOwnerThread) {
  std::atomic<DWORD> tickThread{0};
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_TIMER) tickThread = GetCurrentThreadId();
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  std::thread([&] { EXPECT_EQ(SetTimer(hwnd, 16, 1000, nullptr), 16u); }).join();
  jf::TickAdvance(1000);
  msgtest::PumpReady();
  EXPECT_EQ(tickThread.load(), GetCurrentThreadId());
  std::thread([&] { EXPECT_TRUE(KillTimer(hwnd, 16)); }).join();
  jf::TickAdvance(1000);
  EXPECT_TRUE(ReadyTimers().empty());
  DestroyWindow(hwnd);
}

TEST_F(TimerTest, ABlockedGetMessageWakesWhenTheClockIsAdvanced) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 11, 500, nullptr);
  std::atomic<bool> done{false};
  std::thread clock([&] {
    // Keep advancing until the loop has seen the tick; it may not be waiting yet at first.
    while (!done) {
      jf::TickAdvance(100);
      std::this_thread::yield();
    }
  });
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  done = true;
  clock.join();
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  EXPECT_EQ(msg.wParam, 11u);
  DestroyWindow(hwnd);
}

TEST(TimerRealClockTest, AShortTimerFiresOnTheRealClock) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 1, 10, nullptr);
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  DestroyWindow(hwnd);
}
