// Windows on an Xvfb of their own: only what was drawn goes to the server, through shared
// memory or through the socket, and the screen always matches the backing store; the X
// reader thread sleeps until the server sends something.
#include <gtest/gtest.h>
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/support/XvfbServer.h"

using disptest::Make;
using disptest::Pump;

namespace {

// The reader thread's context switches so far (voluntary and involuntary); -1 when not found.
long ReaderSwitches() {
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  long total = -1;
  while (dirent* entry = readdir(dir)) {
    std::string task = std::string("/proc/self/task/") + entry->d_name;
    std::ifstream comm(task + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name != "jfxreader") continue;
    std::ifstream status(task + "/status");
    std::string line;
    total = 0;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
        total += atol(line.substr(line.find(':') + 1).c_str());
      }
    }
  }
  closedir(dir);
  return total;
}

struct Way {
  const char* name;
  bool allowShared;  // JF_X11_SHM left alone
  bool foreignIpc;   // the server cannot reach our shared memory
  bool shared;       // what the pushes use
};

class X11PushTest : public disptest::DisplayTest, public ::testing::WithParamInterface<Way> {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    jf::TickRestore();  // X events arrive in real time
    if (!jftest::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    if (GetParam().allowShared) {
      unsetenv("JF_X11_SHM");
    } else {
      setenv("JF_X11_SHM", "0", 1);
    }
    if (GetParam().foreignIpc && (geteuid() != 0 || access("/usr/bin/unshare", X_OK) != 0)) {
      GTEST_SKIP() << "an IPC namespace of its own needs root";
    }
    ASSERT_TRUE(server_.Start("1280x720x24", GetParam().foreignIpc));
    unsetenv("JF_X11_SHM");
    probe_ = server_.Probe();
  }
  void TearDown() override {
    Pump();
    server_.Stop();
    DisplayTest::TearDown();
  }

  // A window that fills what it is asked to paint with `colour_`, mapped and quiet: its
  // first exposure has reached the server.
  HWND Shown(int x, int y, int w, int h) {
    HWND hwnd = Make(&paint_, WS_POPUP | WS_VISIBLE, x, y, w, h);
    UpdateWindow(hwnd);
    EXPECT_TRUE(Until([&] {
      XWindowAttributes attrs{};
      XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(hwnd)), &attrs);
      return attrs.map_state == IsViewable;
    }));
    Settle();
    return hwnd;
  }
  // Until the pushes stop (an exposure handled by the reader thread makes one more).
  void Settle() {
    unsigned long last = ~0ul;
    for (int i = 0; i < 200; ++i) {
      XSync(probe_, False);
      Pump();
      usleep(20000);
      unsigned long now = jf::TestXPushes().pushes;
      if (now == last) return;
      last = now;
    }
  }
  template <class F>
  bool Until(F done, int ms = 30000) {
    for (int i = 0; i < ms / 10; ++i) {
      Pump();
      if (done()) return true;
      usleep(10000);
    }
    return false;
  }
  // Every fourth pixel of the window on the server against the backing store.
  int Mismatches(HWND hwnd, int w, int h) {
    jf::TestXPushes();  // everything sent has reached the server
    XImage* image = XGetImage(probe_, ::Window(jf::TestXWindow(hwnd)), 0, 0, unsigned(w), unsigned(h), AllPlanes,
                              ZPixmap);
    if (image == nullptr) return -1;
    int bad = 0;
    for (int y = 0; y < h; y += 4) {
      for (int x = 0; x < w; x += 4) {
        DWORD store = 0;
        if (!jf::TestWindowPixel(hwnd, x, y, &store) || (XGetPixel(image, x, y) & 0xFFFFFF) != (store & 0xFFFFFF)) {
          ++bad;
        }
      }
    }
    XDestroyImage(image);
    return bad;
  }
  // Pushes, rectangles and pixels sent by `act`.
  template <class F>
  jf::TestXPushCount Sent(F act) {
    jf::TestXPushCount before = jf::TestXPushes();
    act();
    jf::TestXPushCount after = jf::TestXPushes();
    return jf::TestXPushCount{after.pushes - before.pushes, after.rects - before.rects, after.pixels - before.pixels,
                              after.sharedMemory};
  }

  jftest::XvfbServer server_;
  Display* probe_ = nullptr;
  COLORREF colour_ = RGB(200, 0, 0);
  disptest::Handler paint_ = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT all{};
    GetClientRect(hwnd, &all);
    HBRUSH brush = CreateSolidBrush(colour_);
    FillRect(dc, &all, brush);  // the paint DC keeps it to the update region
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  };
};

TEST_P(X11PushTest, SendsOnlyWhatWasPaintedAndTheScreenMatchesTheStore) {
  HWND w = Shown(40, 30, 300, 200);
  EXPECT_EQ(Mismatches(w, 300, 200), 0);

  struct Case {
    const char* what;
    RECT part;  // null rectangle: the whole window
    unsigned long long pixels;
  };
  const Case cases[] = {
      {"whole window", {0, 0, 0, 0}, 300ull * 200},
      {"one small part", {100, 50, 120, 60}, 20ull * 10},
      {"a part over the edge", {290, 190, 330, 230}, 10ull * 10},
      {"the last column", {299, 0, 300, 200}, 1ull * 200},
  };
  COLORREF colours[] = {RGB(0, 0, 210), RGB(0, 180, 0), RGB(240, 240, 0)};
  int n = 0;
  for (const Case& c : cases) {
    colour_ = colours[n++ % 3];
    jf::TestXPushCount sent = Sent([&] {
      InvalidateRect(w, c.part.right > 0 ? &c.part : nullptr, FALSE);
      UpdateWindow(w);
    });
    EXPECT_EQ(sent.pushes, 1u) << c.what;
    EXPECT_EQ(sent.rects, 1u) << c.what;
    EXPECT_EQ(sent.pixels, c.pixels) << c.what;
    EXPECT_EQ(sent.sharedMemory, GetParam().shared) << c.what;
    EXPECT_EQ(Mismatches(w, 300, 200), 0) << c.what;
  }

  // Nothing to paint, nothing sent.
  jf::TestXPushCount idle = Sent([&] { UpdateWindow(w); });
  EXPECT_EQ(idle.pixels, 0u);
  DestroyWindow(w);
}

TEST_P(X11PushTest, ChildPaintsAndReleasedDcsGoOutWithTheirOwnRectangles) {
  HWND w = Shown(60, 60, 320, 240);
  HWND child = Make(&paint_, WS_CHILD | WS_VISIBLE, 30, 40, 50, 20, w);
  ASSERT_NE(child, nullptr);
  Settle();
  colour_ = RGB(0, 90, 200);
  jf::TestXPushCount sent = Sent([&] {
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
  });
  EXPECT_EQ(sent.pixels, 50ull * 20);
  EXPECT_EQ(Mismatches(w, 320, 240), 0);

  // Drawing through GetDC outside a paint reaches the screen with the next push, beside the
  // part that push was for.
  HDC dc = GetDC(child);
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 60));
  RECT band{0, 0, 50, 5};
  FillRect(dc, &band, green);
  DeleteObject(green);
  ReleaseDC(child, dc);
  colour_ = RGB(120, 0, 120);
  RECT corner{0, 0, 8, 8};
  sent = Sent([&] {
    InvalidateRect(w, &corner, FALSE);
    UpdateWindow(w);
  });
  EXPECT_EQ(sent.rects, 2u);
  EXPECT_EQ(sent.pixels, 50ull * 20 + 8 * 8);
  EXPECT_EQ(Mismatches(w, 320, 240), 0);
  DestroyWindow(w);
}

TEST_P(X11PushTest, ExposedPartsAreSentAgain) {
  HWND w = Shown(100, 100, 200, 150);
  // Another client's window covers part of ours, then goes: the server asks for that part.
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  attrs.background_pixel = 0x00FF00FF;
  ::Window cover = XCreateWindow(probe_, DefaultRootWindow(probe_), 150, 120, 60, 40, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
  XMapRaised(probe_, cover);
  XSync(probe_, False);
  jf::TestXPushCount before = jf::TestXPushes();
  XDestroyWindow(probe_, cover);
  XSync(probe_, False);
  ASSERT_TRUE(Until([&] { return jf::TestXPushes().pushes > before.pushes; }));
  Settle();
  EXPECT_LE(jf::TestXPushes().pixels - before.pixels, 60ull * 40);
  EXPECT_EQ(Mismatches(w, 200, 150), 0);
  DestroyWindow(w);
}

TEST_P(X11PushTest, ReaderSleepsUntilTheServerSendsSomething) {
  HWND w = Shown(10, 10, 100, 80);
  long before = ReaderSwitches();
  ASSERT_GE(before, 0) << "no reader thread";
  usleep(600000);  // a polling reader would have woken 30 times
  long after = ReaderSwitches();
  EXPECT_LE(after - before, 3);

  // Events that another thread's round trip (here every push's) took into Xlib's queue still
  // reach the window at once, although the socket no longer shows them.
  disptest::Recorder r;
  r.only = {WM_MOUSEMOVE};
  r.detail = [](UINT, WPARAM, LPARAM l) { return disptest::Pt(l); };
  HWND target = Make(&r.handler, WS_POPUP | WS_VISIBLE, 300, 300, 100, 100);
  ASSERT_TRUE(Until([&] {
    XWindowAttributes attrs{};
    XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(target)), &attrs);
    return attrs.map_state == IsViewable;
  }));
  Settle();
  RECT dot{0, 0, 1, 1};
  for (int i = 0; i < 80; ++i) {
    r.log.clear();
    XTestFakeMotionEvent(probe_, -1, 310 + i, 350, CurrentTime);
    XFlush(probe_);
    InvalidateRect(w, &dot, FALSE);
    UpdateWindow(w);
    std::string want = "mousemove " + std::to_string(10 + i) + ",50";
    ASSERT_TRUE(Until([&] { return !r.log.empty() && r.log.back() == want; }, 3000)) << "move " << i;
  }
  DestroyWindow(target);
  DestroyWindow(w);
}

INSTANTIATE_TEST_SUITE_P(Ways, X11PushTest,
                         ::testing::Values(Way{"SharedMemory", true, false, true}, Way{"Socket", false, false, false},
                                           Way{"ServerWithoutOurMemory", true, true, false}),
                         [](const ::testing::TestParamInfo<Way>& info) { return std::string(info.param.name); });

}  // namespace
