#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/stat.h>
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/support/XvfbServer.h"
#include "platform/src/internal/paths.h"


using disptest::Make;
using disptest::Pump;
using disptest::Recorder;
using Strings = std::vector<std::string>;

namespace {

// An Xvfb of its own on a free display number.
class XvfbTest : public disptest::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    jf::TickRestore();  // X events arrive in real time
    if (!jftest::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(xvfb_.Start());
    probe_ = xvfb_.Probe();
  }
  void TearDown() override {
    Pump();
    xvfb_.Stop();
    probe_ = nullptr;
    jf::TestResetInput();
  }
  // Pumps until `done` or thirty seconds (generous: a loaded machine answers late).
  template <class F>
  bool PumpUntil(F done) {
    for (int i = 0; i < 3000; ++i) {
      Pump();
      if (done()) return true;
      usleep(10000);
    }
    return false;
  }
  // Waits (from a helper thread) until a visible top-level window of class `cls` holds the X
  // keyboard focus: the server has then mapped it, so input faked from here reaches it.
  HWND WaitForXFocus(const wchar_t* cls, const wchar_t* title) {
    for (int i = 0; i < 3000; ++i) {
      HWND w = FindWindowW(cls, title);
      if (w != nullptr && IsWindowVisible(w)) {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(probe_, &focus, &revert);
        if (focus != 0 && focus == ::Window(jf::TestXWindow(w))) return w;
      }
      usleep(10000);
    }
    return nullptr;
  }
  POINT XPosition(HWND hwnd) {
    ::Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(probe_, ::Window(jf::TestXWindow(hwnd)), DefaultRootWindow(probe_), 0, 0, &x, &y, &child);
    return POINT{x, y};
  }

  jftest::XvfbServer xvfb_;
  Display* probe_ = nullptr;
};

}  // namespace

TEST_F(XvfbTest, WindowMapsCentredAndShowsItsBackingStore) {
  disptest::Handler h = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT left{0, 0, 150, 200}, right{150, 0, 300, 200};
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    EndPaint(hwnd, &ps);
    return 0;
  };
  HWND w = Make(&h, WS_POPUP, 0, 0, 300, 200);
  ASSERT_NE(jf::TestXWindow(w), 0u);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi);
  EXPECT_EQ(mi.rcWork.right, 1280);
  int x = (mi.rcWork.right - 300) / 2, y = (mi.rcWork.bottom - 200) / 2;
  SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(w, SW_SHOW);
  UpdateWindow(w);
  XSync(probe_, False);
  XWindowAttributes attrs{};
  ASSERT_TRUE(PumpUntil([&] {
    XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(w)), &attrs);
    return attrs.map_state == IsViewable;
  }));
  POINT at = XPosition(w);
  EXPECT_EQ(at.x, 490);
  EXPECT_EQ(at.y, 260);
  Pump();
  jf::TestXPushes();  // what was pushed has reached the server
  XImage* image = XGetImage(probe_, ::Window(jf::TestXWindow(w)), 0, 0, 300, 200, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  for (POINT p : {POINT{0, 0}, POINT{149, 100}, POINT{150, 100}, POINT{299, 199}}) {
    DWORD store = 0;
    ASSERT_TRUE(jf::TestWindowPixel(w, p.x, p.y, &store));
    EXPECT_EQ(XGetPixel(image, p.x, p.y) & 0xFFFFFF, store & 0xFFFFFF) << p.x << "," << p.y;
  }
  XDestroyImage(image);
  DestroyWindow(w);
}

TEST_F(XvfbTest, XTestClickReachesTheProcedure) {
  Recorder r;
  r.only = {WM_LBUTTONDOWN, WM_LBUTTONUP};
  r.detail = [](UINT, WPARAM, LPARAM l) { return disptest::Pt(l); };
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
  ASSERT_TRUE(PumpUntil([&] {
    XWindowAttributes attrs{};
    XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(w)), &attrs);
    return attrs.map_state == IsViewable;
  }));
  XTestFakeMotionEvent(probe_, -1, 130, 140, CurrentTime);
  XTestFakeButtonEvent(probe_, 1, True, CurrentTime);
  XTestFakeButtonEvent(probe_, 1, False, CurrentTime);
  XFlush(probe_);
  ASSERT_TRUE(PumpUntil([&] { return r.log.size() >= 2; }));
  EXPECT_EQ(r.log, (Strings{"ldown 30,40", "lup 30,40"}));
  DestroyWindow(w);
}

TEST_F(XvfbTest, CaptionDragMovesTheXWindow) {
  Recorder r;
  r.only = {WM_EXITSIZEMOVE};
  HWND w = Make(&r.handler, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  ASSERT_TRUE(PumpUntil([&] {
    XWindowAttributes attrs{};
    XGetWindowAttributes(probe_, ::Window(jf::TestXWindow(w)), &attrs);
    return attrs.map_state == IsViewable;
  }));
  XTestFakeMotionEvent(probe_, -1, 200, 110, CurrentTime);
  XTestFakeButtonEvent(probe_, 1, True, CurrentTime);
  XFlush(probe_);
  ASSERT_TRUE(PumpUntil([&] { return GetAsyncKeyState(VK_LBUTTON) < 0; }));
  Pump();
  XTestFakeMotionEvent(probe_, -1, 230, 140, CurrentTime);
  XTestFakeMotionEvent(probe_, -1, 260, 170, CurrentTime);
  XTestFakeButtonEvent(probe_, 1, False, CurrentTime);
  XFlush(probe_);
  ASSERT_TRUE(PumpUntil([&] { return !r.log.empty(); }));
  RECT rc{};
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 160);
  EXPECT_EQ(rc.top, 160);
  // The move reaches the server on our own connection; the probe sees it once processed.
  POINT at{};
  EXPECT_TRUE(PumpUntil([&] {
    at = XPosition(w);
    return at.x == 160 && at.y == 160;
  }));
  EXPECT_EQ(at.x, 160);
  EXPECT_EQ(at.y, 160);
  DestroyWindow(w);
}

TEST_F(XvfbTest, MessageBoxOnScreenAnswersItsKeysAndButtons) {
  // A helper thread plays the user once the box is on screen.
  auto answerWith = [&](std::function<void(const RECT&)> act) {
    return std::thread([this, act] {
      HWND box = WaitForXFocus(L"JfMessageBox", L"问题");
      if (box == nullptr) return;
      RECT rc{};
      GetWindowRect(box, &rc);
      act(rc);
      XFlush(probe_);
    });
  };
  auto key = [&](KeySym sym) {
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, sym), True, CurrentTime);
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, sym), False, CurrentTime);
  };
  std::thread user = answerWith([&](const RECT& rc) {
    XTestFakeMotionEvent(probe_, -1, (rc.left + rc.right) / 2, rc.top + 40, CurrentTime);
    key(XK_Return);
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"继续安装吗？", L"问题", MB_YESNO | MB_DEFBUTTON2), IDNO);
  user.join();
  user = answerWith([&](const RECT& rc) {
    XTestFakeMotionEvent(probe_, -1, (rc.left + rc.right) / 2, rc.top + 40, CurrentTime);
    key(XK_Escape);
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"x", L"问题", MB_OKCANCEL), IDCANCEL);
  user.join();
  // The rightmost button of a Yes/No box is No; its left neighbour Yes.
  user = answerWith([&](const RECT& rc) {
    XTestFakeMotionEvent(probe_, -1, rc.right - 3 - 10 - 80 - 10 - 40, rc.bottom - 3 - 10 - 13, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, True, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, False, CurrentTime);
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"y", L"问题", MB_YESNO | MB_DEFBUTTON2), IDYES);
  user.join();
}

namespace {

int CALLBACK StartIn(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

TEST_F(XvfbTest, FolderChooserOnScreenListsSubfoldersAndReturnsTheClickedOne) {
  char pattern[] = "/tmp/jfchooseXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string host = pattern;
  mkdir((host + "/alpha").c_str(), 0700);
  mkdir((host + "/beta").c_str(), 0700);
  std::wstring win = jf::WinPathFromHost(host);
  BROWSEINFOW bi{};
  bi.lpszTitle = L"选择文件夹";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  bi.lpfn = StartIn;
  bi.lParam = reinterpret_cast<LPARAM>(win.c_str());
  std::thread user([this] {
    HWND dialog = WaitForXFocus(L"JfBrowseFolderDialog", nullptr);
    if (dialog == nullptr) return;
    POINT client{0, 0};
    ClientToScreen(dialog, &client);
    // Entries: "..", "alpha", "beta" from the list's top (10 + 60), 20 pixels each.
    XTestFakeMotionEvent(probe_, -1, client.x + 50, client.y + 70 + 2 * 20 + 10, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, True, CurrentTime);
    XTestFakeButtonEvent(probe_, 1, False, CurrentTime);
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, XK_Return), True, CurrentTime);
    XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, XK_Return), False, CurrentTime);
    XFlush(probe_);
  });
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  user.join();
  ASSERT_NE(pidl, nullptr);
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(pidl, path));
  EXPECT_EQ(std::wstring(path), win + L"\\beta");
  CoTaskMemFree(pidl);
  rmdir((host + "/alpha").c_str());
  rmdir((host + "/beta").c_str());
  rmdir(host.c_str());
}

TEST_F(XvfbTest, EditCopiesToAndPastesFromTheXClipboard) {
  HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, 10, 10, 300, 60);
  HWND edit = CreateWindowExW(0, L"Edit", L"复制这段", WS_CHILD | WS_VISIBLE, 5, 5, 200, 24, top, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  Atom clipboard = XInternAtom(probe_, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(probe_, "UTF8_STRING", False);
  Atom property = XInternAtom(probe_, "JF_PROBE", False);
  ::Window mine = XCreateSimpleWindow(probe_, DefaultRootWindow(probe_), 0, 0, 1, 1, 0, 0, 0);
  // Generous: under a loaded machine the server and the other client answer late.
  auto nextEvent = [&](int type, XEvent* ev) {
    for (int i = 0; i < 3000; ++i) {
      while (XPending(probe_) > 0) {
        XNextEvent(probe_, ev);
        if (ev->type == type) return true;
      }
      usleep(10000);
    }
    return false;
  };

  // Another client reads what the edit copied.
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_COPY, 0, 0);
  XConvertSelection(probe_, clipboard, utf8, property, mine, CurrentTime);
  XFlush(probe_);
  XEvent ev;
  ASSERT_TRUE(nextEvent(SelectionNotify, &ev));
  ASSERT_NE(ev.xselection.property, None);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(probe_, mine, property, 0, 1024, True, AnyPropertyType, &type, &format, &count, &after,
                               &data),
            Success);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), count), "复制这段");
  XFree(data);

  // The edit pastes what another client copied. The server reports the new owner before the
  // paste starts, and the edit's one-second limit runs on a stopped manual clock, so a slow
  // answer on a loaded machine is still an answer; a missing one ends the wait by the clock.
  XSetSelectionOwner(probe_, clipboard, mine, CurrentTime);
  XSync(probe_, False);
  ASSERT_EQ(XGetSelectionOwner(probe_, clipboard), mine);
  jf::TickOverride(1000);
  std::thread owner([&] {
    XEvent req;
    if (!nextEvent(SelectionRequest, &req)) {
      jf::TickAdvance(1000);
      return;
    }
    const char text[] = "外部";
    XChangeProperty(probe_, req.xselectionrequest.requestor, req.xselectionrequest.property, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), int(sizeof(text) - 1));
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = req.xselectionrequest.requestor;
    reply.selection = req.xselectionrequest.selection;
    reply.target = req.xselectionrequest.target;
    reply.property = req.xselectionrequest.property;
    reply.time = req.xselectionrequest.time;
    XSendEvent(probe_, reply.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(probe_);
  });
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_PASTE, 0, 0);
  owner.join();
  jf::TickRestore();
  wchar_t text[32] = {};
  GetWindowTextW(edit, text, 32);
  EXPECT_STREQ(text, L"外部");

  // An owner that never answers costs the edit one second of the clock, then the edit pastes
  // what the process itself copied last.
  jf::TickOverride(1000);
  std::thread silent([&] {
    XEvent req;
    nextEvent(SelectionRequest, &req);
    jf::TickAdvance(1000);
  });
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_PASTE, 0, 0);
  silent.join();
  jf::TickRestore();
  GetWindowTextW(edit, text, 32);
  EXPECT_STREQ(text, L"复制这段");
  XDestroyWindow(probe_, mine);
  DestroyWindow(top);
}
