// A fixture for UI tests on an own Xvfb: the server, a probe connection, pumping until a
// condition holds, and XTest keys and clicks.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "tests/ui/base/ControlTestHost.h"
#include "tests/support/XvfbServer.h"

namespace uictest {

class XvfbUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jf::TickRestore();  // X events arrive in real time
    jf::TestResetInput();
    if (!jftest::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(x_.Start());
    probe_ = x_.Probe();
  }
  void TearDown() override {
    frametest::Pump();
    x_.Stop();
    jf::TestResetInput();
  }
  // Pumps until `done` or thirty seconds (a loaded machine answers late).
  template <class F>
  bool PumpUntil(F done) {
    for (int i = 0; i < 3000; ++i) {
      frametest::Pump();
      if (done()) return true;
      usleep(10000);
    }
    return false;
  }
  bool Viewable(HWND hwnd) {
    XWindowAttributes attrs{};
    return jf::TestXWindow(hwnd) != 0 &&
           XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(hwnd)), &attrs) && attrs.map_state == IsViewable;
  }
  void Key(KeySym sym) {
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, sym), True, CurrentTime);
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, sym), False, CurrentTime);
    XFlush(probe_);
  }
  void ClickAt(int x, int y) {
    XTestFakeMotionEvent(probe_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, True, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, False, CurrentTime);
    XFlush(probe_);
  }

  jftest::XvfbServer x_;
  Display* probe_ = nullptr;
};

}  // namespace uictest
