#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/platform/user/MsgTestWindow.h"
#include "platform/testing/hooks/tick.h"

using msgtest::Handler;
using msgtest::Log;
using msgtest::MakeWindow;

namespace {

// Runs a message loop on its own thread with one window, until the window is destroyed.
class LoopThread {
 public:
  explicit LoopThread(Handler* handler) {
    thread_ = std::thread([this, handler] {
      hwnd_ = MakeWindow(handler);
      ready_ = true;
      MSG msg;
      while (IsWindow(hwnd_) && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    while (!ready_) std::this_thread::yield();
  }
  ~LoopThread() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  std::thread thread_;
  std::atomic<HWND> hwnd_{nullptr};
  std::atomic<bool> ready_{false};
};

}  // namespace

TEST(MsgSendTest, SendAcrossThreadsIsAnsweredInsideANestedLoop) {
  Log log;
  std::atomic<bool> inNested{false};
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_APP) {
      inNested = true;
      MSG m;
      while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_APP + 1) break;
        DispatchMessageW(&m);
      }
      log.Add("nested done");
      return 0;
    }
    if (msg == WM_USER) {
      EXPECT_TRUE(InSendMessage());
      EXPECT_EQ(InSendMessageEx(nullptr), DWORD(ISMEX_SEND));
      log.Add("sent " + std::to_string(w));
      return LRESULT(w * 2);
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  PostMessageW(hwnd, WM_APP, 0, 0);
  std::thread sender([&] {
    while (!inNested) std::this_thread::yield();
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 21, 0), 42);
    PostMessageW(hwnd, WM_APP + 1, 0, 0);
  });
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  DispatchMessageW(&msg);  // runs the nested loop until the sender is done
  sender.join();
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"sent 21", "nested done"}));
  EXPECT_FALSE(InSendMessage());
  DestroyWindow(hwnd);
}

TEST(MsgSendTest, AWaitingSenderAnswersMessagesSentToIt) {
  Log log;
  HWND mine = nullptr;
  Handler hMine = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER + 2) {
      log.Add("back on the sender");
      return 5;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  Handler hOther = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER + 1) {
      // Sends back to the thread that is waiting for this very message.
      LRESULT back = SendMessageW(mine, WM_USER + 2, 0, 0);
      log.Add("other");
      return back + 10;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  mine = MakeWindow(&hMine);
  {
    LoopThread other(&hOther);
    EXPECT_EQ(SendMessageW(other.hwnd(), WM_USER + 1, 0, 0), 15);
  }
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"back on the sender", "other"}));
  DestroyWindow(mine);
}

TEST(MsgSendTest, SendTimeoutFollowsTheTickSourceAndReplyAnswersEarly) {
  jf::TickOverride(1000000);
  std::atomic<int> handled{0};
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER) {
      ++handled;
      return 1;
    }
    if (msg == WM_USER + 1) {
      EXPECT_TRUE(ReplyMessage(77));
      EXPECT_FALSE(ReplyMessage(78));  // one answer only
      return 99;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  std::atomic<bool> sent{false};
  LRESULT ok = 1;
  DWORD_PTR result = 123;
  DWORD error = 0;
  std::thread sender([&] {
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
    sent = true;
    ok = SendMessageTimeoutW(hwnd, WM_USER, 0, 0, SMTO_NORMAL, 5000, &result);
    error = GetLastError();
  });
  // This thread does not pump, so only the clock can end the wait.
  while (!sent || (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) std::this_thread::yield();
  jf::TickAdvance(4999);
  jf::TickAdvance(1);
  sender.join();
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(error, DWORD(ERROR_TIMEOUT));
  msgtest::PumpReady();  // the late message is still handled, its answer dropped
  EXPECT_EQ(handled.load(), 1);

  std::atomic<LRESULT> early{0};
  std::thread replier([&] { early = SendMessageW(hwnd, WM_USER + 1, 0, 0); });
  MSG m;
  while (early == 0) {
    PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
    std::this_thread::yield();
  }
  replier.join();
  EXPECT_EQ(early.load(), 77);
  DestroyWindow(hwnd);
  jf::TickRestore();
}

TEST(MsgSendTest, NotifyMessagesDoNotWait) {
  std::atomic<int> got{0};
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER) {
      EXPECT_EQ(InSendMessageEx(nullptr), DWORD(w == 3 ? ISMEX_NOTIFY : ISMEX_NOSEND));
      got += int(w);
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  std::thread([&] { EXPECT_TRUE(SendNotifyMessageW(hwnd, WM_USER, 3, 0)); }).join();
  EXPECT_EQ(got.load(), 0);
  msgtest::PumpReady();
  EXPECT_EQ(got.load(), 3);
  EXPECT_TRUE(SendNotifyMessageW(hwnd, WM_USER, 4, 0));  // same thread: called at once
  EXPECT_EQ(got.load(), 7);
  DestroyWindow(hwnd);
}

TEST(MsgSendTest, ASenderIsReleasedWhenTheReceiverThreadEnds) {
  Handler h;
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> leave{false};
  std::thread receiver([&] {
    hwnd = MakeWindow(&h);
    // Ends with the send still queued, without ever handling it.
    while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) std::this_thread::yield();
    while (!leave) std::this_thread::yield();
  });
  while (hwnd == nullptr) std::this_thread::yield();
  std::atomic<LRESULT> result{-1};
  std::thread sender([&] { result = SendMessageW(hwnd, WM_USER, 0, 0); });
  leave = true;
  receiver.join();
  sender.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(MsgSendTest, WindowTextWorksAcrossThreads) {
  Handler h;
  LoopThread owner(&h);
  EXPECT_TRUE(SetWindowTextW(owner.hwnd(), L"from a worker"));
  wchar_t buf[32];
  EXPECT_EQ(GetWindowTextW(owner.hwnd(), buf, 32), 13);
  EXPECT_STREQ(buf, L"from a worker");
}
