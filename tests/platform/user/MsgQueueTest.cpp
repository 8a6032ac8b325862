#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/user/MsgTestWindow.h"
#include "platform/testing/hooks/tick.h"

using msgtest::Handler;
using msgtest::Log;
using msgtest::MakeWindow;

TEST(MsgQueueTest, PostsFromTenThreadsArriveOnceEachInPerThreadOrder) {
  constexpr int kThreads = 10;
  constexpr int kPerThread = 300;
  std::vector<std::vector<LPARAM>> got(kThreads);
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_APP + 1) got[w].push_back(l);
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([=] {
      for (int i = 0; i < kPerThread; ++i) EXPECT_TRUE(PostMessageW(hwnd, WM_APP + 1, WPARAM(t), LPARAM(i)));
    });
  }
  int total = 0;
  MSG msg;
  while (total < kThreads * kPerThread && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
    if (msg.message == WM_APP + 1) ++total;
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(msgtest::PumpReady(), 0);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(got[size_t(t)].size(), size_t(kPerThread));
    for (int i = 0; i < kPerThread; ++i) EXPECT_EQ(got[size_t(t)][size_t(i)], i);
  }
  DestroyWindow(hwnd);
}

TEST(MsgQueueTest, PostingToADestroyedWindowFailsHarmlessly) {
  int seen = 0;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER) ++seen;
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  EXPECT_TRUE(PostMessageW(hwnd, WM_USER, 0, 0));
  DestroyWindow(hwnd);  // what was still queued for it goes with it
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(seen, 0);
  // A message that names a dead window is dispatched to nobody.
  msg = MSG{hwnd, WM_USER, 0, 0, 0, {0, 0}};
  EXPECT_EQ(DispatchMessageW(&msg), 0);
}

TEST(MsgQueueTest, QuitComesAfterPostedMessagesAndEndsNestedLoops) {
  Log log;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_APP + 2) {
      // A modal loop: it ends on WM_QUIT and passes it on to the loop outside.
      log.Add("inner start");
      MSG m;
      while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      log.Add("inner quit " + std::to_string(m.wParam));
      PostQuitMessage(int(m.wParam));
      return 0;
    }
    if (msg == WM_APP + 3) log.Add("posted " + std::to_string(w));
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  PostMessageW(hwnd, WM_APP + 2, 0, 0);
  PostMessageW(hwnd, WM_APP + 3, 1, 0);
  PostQuitMessage(7);
  PostMessageW(hwnd, WM_APP + 3, 2, 0);  // posted after the quit, still delivered before it
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"inner start", "posted 1", "posted 2", "inner quit 7"}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // the quit was taken once
  DestroyWindow(hwnd);
}

TEST(MsgQueueTest, PeekFiltersByRangeWindowAndThreadMessages) {
  Handler h;
  HWND a = MakeWindow(&h, nullptr, WS_POPUP);
  HWND child = MakeWindow(&h, a, WS_CHILD);
  HWND b = MakeWindow(&h);
  PostMessageW(b, WM_USER + 1, 0, 0);
  PostMessageW(child, WM_USER + 2, 0, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 3, 0, 0);
  PostMessageW(a, WM_USER + 4, 0, 0);
  PostQuitMessage(3);

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  // A window filter takes the window and its children; quit ignores ranges but not here.
  ASSERT_TRUE(PeekMessageW(&msg, a, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, child);
  ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 3));
  EXPECT_EQ(msg.hwnd, nullptr);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 4, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, a);
  // Only WM_USER + 1 is left among the posted ones, so a range without it finds the quit.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 3u);

  DestroyWindow(a);
  EXPECT_EQ(GetMessageW(&msg, a, 0, 0), -1);
  EXPECT_FALSE(PeekMessageW(&msg, a, 0, 0, PM_REMOVE));
  DestroyWindow(b);
}

TEST(MsgQueueTest, SentMessagesAreHandledBeforePostedOnes) {
  Log log;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER) log.Add("posted");
    if (msg == WM_USER + 1) {
      log.Add(InSendMessage() ? "sent from another thread" : "sent here");
      return 42;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  PostMessageW(hwnd, WM_USER, 0, 0);
  std::atomic<LRESULT> result{0};
  std::thread sender([&] { result = SendMessageW(hwnd, WM_USER + 1, 0, 0); });
  // Wait until the send is queued, without handling anything.
  while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) std::this_thread::yield();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageW(&msg);
  sender.join();
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"sent from another thread", "posted"}));
  EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(log.Entries().back(), "sent here");
  DestroyWindow(hwnd);
}

TEST(MsgQueueTest, ThreadMessagesNeedAThreadWithAQueue) {
  std::atomic<DWORD> workerId{0};
  std::atomic<bool> ready{false};
  WPARAM got = 0;
  std::thread worker([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    workerId = GetCurrentThreadId();
    ready = true;
    if (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.hwnd == nullptr) got = msg.wParam;
  });
  while (!ready) std::this_thread::yield();
  EXPECT_TRUE(PostThreadMessageW(workerId, WM_APP, 55, 0));
  worker.join();
  EXPECT_EQ(got, 55u);
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageW(workerId, WM_APP, 1, 0));  // the thread has ended
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_THREAD_ID));
}

TEST(MsgQueueTest, MessageTimeFollowsTheTickSource) {
  jf::TickOverride(0xFFFFF000ull);
  Handler h;
  HWND hwnd = MakeWindow(&h);
  PostMessageW(hwnd, WM_USER, 0, 0);
  jf::TickAdvance(0x2000);  // the 32-bit tick wraps
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.time, 0xFFFFF000u);
  EXPECT_EQ(DWORD(GetMessageTime()), 0xFFFFF000u);
  EXPECT_EQ(GetTickCount(), 0x1000u);
  DestroyWindow(hwnd);
  jf::TickRestore();
}

TEST(MsgQueueTest, WaitMessageReturnsWhenAMessageArrives) {
  std::atomic<bool> waiting{false};
  DWORD mainId = GetCurrentThreadId();
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  std::thread poster([&] {
    while (!waiting) std::this_thread::yield();
    PostThreadMessageW(mainId, WM_APP + 9, 0, 0);
  });
  waiting = true;
  EXPECT_TRUE(WaitMessage());
  poster.join();
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_APP + 9));
}
