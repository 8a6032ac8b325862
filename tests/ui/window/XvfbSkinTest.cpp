// A skinned window on a real X server of its own (Xvfb, driven with XTest): dragged by its
// caption, closed by its caption button.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <string>

#include "tests/ui/window/SkinTestWindow.h"

extern char** environ;

namespace {

using frametest::Pump;
using frametest::SkinWnd;

// Xvfb picks a free display number itself and writes it to a pipe (-displayfd).
class XvfbSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jf::TickRestore();
    jf::TestResetInput();
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                          nullptr};
    ASSERT_EQ(posix_spawn(&m_server, "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    close(fds[1]);
    std::string number;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    m_name = ":" + number;
    ASSERT_TRUE(jf::TestUseDisplay(m_name.c_str())) << m_name;
    m_probe = XOpenDisplay(m_name.c_str());
    ASSERT_NE(m_probe, nullptr);
  }
  void TearDown() override {
    Pump();
    jf::TestCloseDisplay();
    if (m_probe) XCloseDisplay(m_probe);
    if (m_server > 0) {
      kill(m_server, SIGTERM);
      waitpid(m_server, nullptr, 0);
    }
    jf::TestResetInput();
  }
  // Pumps until `done`, for at most thirty seconds (a loaded machine answers late).
  template <class F>
  bool PumpUntil(F done) {
    for (int i = 0; i < 3000; ++i) {
      Pump();
      if (done()) return true;
      usleep(10000);
    }
    return false;
  }
  bool Mapped(HWND hwnd) {
    XWindowAttributes attrs{};
    XGetWindowAttributes(m_probe, ::Window(jf::TestXWindow(hwnd)), &attrs);
    return attrs.map_state == IsViewable;
  }
  POINT XPosition(HWND hwnd) {
    ::Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(m_probe, ::Window(jf::TestXWindow(hwnd)), DefaultRootWindow(m_probe), 0, 0, &x, &y,
                          &child);
    return POINT{x, y};
  }
  void Motion(int x, int y) { XTestFakeMotionEvent(m_probe, -1, x, y, CurrentTime); }
  void Button(bool down) {
    XTestFakeButtonEvent(m_probe, 1, down ? True : False, CurrentTime);
    XFlush(m_probe);
  }

  pid_t m_server = 0;
  std::string m_name;
  Display* m_probe = nullptr;
};

TEST_F(XvfbSkinTest, DraggedByItsCaptionAndClosedByItsButton) {
  SkinWnd wnd;
  HWND hwnd = wnd.Create(nullptr, L"skin", WS_POPUP, 0, 0, 0, 0, 0);
  ASSERT_TRUE(hwnd);
  ASSERT_NE(jf::TestXWindow(hwnd), 0u);
  ::SetWindowPos(hwnd, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  ASSERT_TRUE(jf::TestWriteWindowPng(hwnd, std::string(JF_TEST_BIN_DIR) + "/uiframe_xvfb.png"));

  // Press on the title label (inside the caption), move, release: the window follows.
  Motion(100 + 60, 100 + 15);
  Button(true);
  ASSERT_TRUE(PumpUntil([] { return ::GetAsyncKeyState(VK_LBUTTON) < 0; }));
  Pump();
  Motion(100 + 75, 100 + 35);
  Motion(100 + 90, 100 + 55);
  Button(false);
  RECT rc{};
  ASSERT_TRUE(PumpUntil([&] {
    ::GetWindowRect(hwnd, &rc);
    return rc.left == 130 && rc.top == 140 && ::GetAsyncKeyState(VK_LBUTTON) >= 0;
  })) << rc.left << "," << rc.top;
  POINT at{};
  EXPECT_TRUE(PumpUntil([&] {
    at = XPosition(hwnd);
    return at.x == 130 && at.y == 140;
  })) << at.x << "," << at.y;
  EXPECT_TRUE(wnd.notes.empty() || std::find(wnd.notes.begin(), wnd.notes.end(), "btn_close:click") == wnd.notes.end());

  // A click on the close button closes the window.
  Motion(130 + 185, 140 + 15);
  Button(true);
  Button(false);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hwnd); }));
  EXPECT_EQ(wnd.closes, 1);
  EXPECT_EQ(wnd.finals, 1);
}

}  // namespace
