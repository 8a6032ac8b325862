#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/src/user/WindowDisplayHooks.h"
#include "tests/platform/user/MsgTestWindow.h"
#include "platform/testing/hooks/tick.h"

using msgtest::Handler;
using msgtest::Log;
using msgtest::MakeWindow;

namespace {

// Stands in for the display half: one window with an update region until it is painted.
std::atomic<HWND> g_dirty{nullptr};

HWND DirtyWindow(DWORD, const jf::MsgFilter& filter) {
  HWND hwnd = g_dirty;
  return hwnd != nullptr && filter.MatchesWindow(hwnd) ? hwnd : nullptr;
}

void Painted(HWND hwnd) {
  if (g_dirty == hwnd) g_dirty = nullptr;
}

BOOL TranslateToChar(const MSG* msg) {
  if (msg->message != WM_KEYDOWN) return FALSE;
  return PostMessageW(msg->hwnd, WM_CHAR, msg->wParam, msg->lParam);
}

class MsgOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jf::TickOverride(9000000);
    auto& hooks = jf::WindowDisplayHooks::Get();
    hooks.paintWindow = DirtyWindow;
    hooks.paintDispatched = Painted;
    hooks.translate = TranslateToChar;
  }
  void TearDown() override {
    auto& hooks = jf::WindowDisplayHooks::Get();
    hooks.paintWindow = nullptr;
    hooks.paintDispatched = nullptr;
    hooks.translate = nullptr;
    g_dirty = nullptr;
    jf::TickRestore();
  }
};

}  // namespace

TEST_F(MsgOrderTest, SentThenPostedThenQuitThenPaintThenTimer) {
  Log log;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    switch (msg) {
      case WM_USER:
        log.Add("posted");
        break;
      case WM_USER + 1:
        log.Add("sent");
        break;
      case WM_PAINT:
        log.Add("paint");
        break;
      case WM_TIMER:
        log.Add("timer");
        break;
      default:
        break;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  SetTimer(hwnd, 1, 10, nullptr);
  jf::TickAdvance(10);
  g_dirty = hwnd;
  PostMessageW(hwnd, WM_USER, 0, 0);
  PostQuitMessage(0);
  std::thread sender([&] { SendMessageW(hwnd, WM_USER + 1, 0, 0); });
  while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) std::this_thread::yield();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  log.Add("quit");
  sender.join();
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"sent", "posted", "quit", "paint", "timer"}));
  // The window was painted once: no second WM_PAINT.
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  DestroyWindow(hwnd);
}

TEST_F(MsgOrderTest, PaintStaysUntilDispatchedAndTranslateIsAHookPoint) {
  Log log;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_CHAR) log.Add("char " + std::to_string(w));
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  g_dirty = hwnd;
  MSG msg;
  // WM_PAINT is not taken out by PM_REMOVE: only painting (dispatch) ends it.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_PAINT, WM_PAINT, PM_REMOVE));
  DispatchMessageW(&msg);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

  MSG key{hwnd, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&key));
  msgtest::PumpReady();
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"char 65"}));
  DestroyWindow(hwnd);
}
