#include <gtest/gtest.h>
#include <windows.h>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pt;
using disptest::Pump;
using disptest::Recorder;
using Strings = std::vector<std::string>;

namespace {

std::string PointDetail(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_MOUSEHOVER:
    case WM_CONTEXTMENU:
      return Pt(l) + (w & MK_LBUTTON ? " L" : "");
    case WM_MOUSEWHEEL:
      return " " + std::to_string(GET_WHEEL_DELTA_WPARAM(w)) + Pt(l);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return " " + std::to_string(w);
    default:
      return "";
  }
}

}  // namespace

TEST_F(DisplayTest, ClickActivatesAndArrivesInClientCoordinates) {
  Recorder r;
  r.only = {WM_MOUSEACTIVATE, WM_ACTIVATE, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  r.detail = PointDetail;
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, false, WS_EX_NOACTIVATE);
  Pump();
  SetWindowLongPtrW(w, GWL_EXSTYLE, 0);
  r.log.clear();
  jf::TestMouseMove(110, 120);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  EXPECT_EQ(r.log, (Strings{"setcursor", "mouseactivate", "activate", "setcursor", "mousemove 10,20",
                            "ldown 10,20 L", "lup 10,20"}));
  EXPECT_EQ(GetActiveWindow(), w);
  DestroyWindow(w);
}

TEST_F(DisplayTest, DoubleClicksNeedTheClassStyleTimeAndDistance) {
  Recorder plain, dbl;
  plain.only = dbl.only = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
  HWND a = Make(&plain.handler, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make(&dbl.handler, WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, true);
  jf::TestMouseMove(10, 10);
  jf::TestMouseClick(VK_LBUTTON);
  jf::TestMouseClick(VK_LBUTTON);
  jf::TestMouseMove(210, 10);
  jf::TestMouseClick(VK_LBUTTON);
  jf::TickAdvance(100);
  jf::TestMouseClick(VK_LBUTTON);  // a double click
  jf::TestMouseClick(VK_LBUTTON);  // a third click starts again
  jf::TickAdvance(600);
  jf::TestMouseClick(VK_LBUTTON);  // too late for a pair
  jf::TestMouseMove(230, 10);
  jf::TestMouseClick(VK_LBUTTON);  // too far
  Pump();
  EXPECT_EQ(plain.log, (Strings{"ldown", "ldown"}));
  EXPECT_EQ(dbl.log, (Strings{"ldown", "ldbl", "ldown", "ldown", "ldown"}));
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST_F(DisplayTest, CaptureKeepsThePointerOutsideTheWindow) {
  Recorder r, other;
  r.only = {WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED};
  r.detail = PointDetail;
  other.only = {WM_MOUSEMOVE};
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 100, 100, 50, 50);
  HWND o = Make(&other.handler, WS_POPUP | WS_VISIBLE, 300, 300, 50, 50);
  jf::TestMouseMove(110, 110);
  jf::TestMouseButton(VK_LBUTTON, true);
  EXPECT_EQ(SetCapture(w), nullptr);
  EXPECT_EQ(GetCapture(), w);
  jf::TestMouseMove(20, 30);
  jf::TestMouseMove(310, 310);
  jf::TestMouseButton(VK_LBUTTON, false);
  Pump();
  ReleaseCapture();
  jf::TestMouseMove(320, 320);
  Pump();
  EXPECT_EQ(r.log, (Strings{"mousemove 10,10", "mousemove 210,210 L", "lup 210,210", "capturechanged"}));
  EXPECT_EQ(other.log, (Strings{"mousemove"}));
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(w);
  DestroyWindow(o);
}

TEST_F(DisplayTest, HoverAfterItsTimeAndLeaveWhenThePointerGoes) {
  Recorder r;
  r.only = {WM_MOUSEHOVER, WM_MOUSELEAVE};
  r.detail = PointDetail;
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 100, 100, 50, 50);
  HWND away = Make(nullptr, WS_POPUP | WS_VISIBLE, 400, 400, 50, 50);
  // Tracking asked with the pointer elsewhere ends at once with a leave.
  TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE | TME_HOVER, w, 400};
  jf::TestMouseMove(410, 410);
  EXPECT_TRUE(TrackMouseEvent(&tme));
  Pump();
  EXPECT_EQ(r.log, (Strings{"leave"}));

  r.log.clear();
  jf::TestMouseMove(120, 130);
  Pump();
  EXPECT_TRUE(TrackMouseEvent(&tme));
  jf::TickAdvance(399);
  Pump();
  EXPECT_TRUE(r.log.empty());
  jf::TickAdvance(1);
  Pump();
  jf::TickAdvance(1000);
  Pump();
  EXPECT_EQ(r.log, (Strings{"hover 20,30"}));  // once
  jf::TestMouseMove(410, 410);
  Pump();
  jf::TestMouseMove(120, 130);
  Pump();
  EXPECT_EQ(r.log, (Strings{"hover 20,30", "leave"}));  // leave tracking outlived the hover
  DestroyWindow(w);
  DestroyWindow(away);
}

TEST_F(DisplayTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
  Recorder r;
  r.only = {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR, WM_USER};
  r.detail = PointDetail;
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
  ASSERT_EQ(GetFocus(), w);
  jf::TestKeyPress(VK_TAB);
  PostMessageW(w, WM_USER, 0, 0);  // posted after the key, handled before it
  Pump();
  EXPECT_EQ(r.log, (Strings{"user", "keydown 9", "char 9", "keyup 9"}));

  r.log.clear();
  jf::TestKey(VK_MENU, true);
  EXPECT_LT(GetAsyncKeyState(VK_MENU), 0);
  jf::TestKeyPress('F');
  jf::TestKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(r.log, (Strings{"syskeydown 18", "syskeydown 70", "syschar 102", "syskeyup 70", "syskeyup 18"}));
  EXPECT_GE(GetKeyState(VK_MENU), 0);

  r.log.clear();
  jf::TestTypeText(L"aB中");
  Pump();
  EXPECT_EQ(r.log, (Strings{"keydown 65", "char 97", "keyup 65", "keydown 16", "keydown 66", "char 66", "keyup 66",
                            "keyup 16", "keydown 231", "char 20013", "keyup 231"}));

  // Alt+F4 closes through the default procedure.
  jf::TestKey(VK_MENU, true);
  jf::TestKeyPress(VK_F4);
  jf::TestKey(VK_MENU, false);
  Pump();
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(DisplayTest, FocusMovesWithKillThenSet) {
  std::vector<std::string> log;
  disptest::Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    int id = int(GetWindowLongPtrW(hwnd, GWLP_ID));
    if (msg == WM_SETFOCUS) log.push_back("set " + std::to_string(id));
    if (msg == WM_KILLFOCUS) log.push_back("kill " + std::to_string(id));
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND top = Make(&h, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND a = Make(&h, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, false, 0, 1);
  HWND b = Make(&h, WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, top, false, 0, 2);
  log.clear();
  EXPECT_EQ(SetFocus(a), top);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(log, (Strings{"kill 0", "set 1", "kill 1", "set 2", "kill 2"}));
  DestroyWindow(top);
  (void)a;
}

TEST_F(DisplayTest, RightClickGivesContextMenuAndWheelGoesToParent) {
  Recorder parent;
  parent.only = {WM_CONTEXTMENU, WM_MOUSEWHEEL};
  parent.detail = PointDetail;
  HWND top = Make(&parent.handler, WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
  HWND child = Make(nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top);
  jf::TestMouseMove(120, 130);
  jf::TestMouseClick(VK_RBUTTON);
  jf::TestMouseWheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(parent.log, (Strings{"contextmenu 120,130", "wheel -120 120,130"}));
  DestroyWindow(top);
  (void)child;
}

TEST_F(DisplayTest, CaptionDragMovesAndBorderDragSizes) {
  Recorder r;
  r.only = {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE};
  HWND w = Make(&r.handler, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  jf::TestMouseMove(200, 110);  // on the caption
  jf::TestMouseButton(VK_LBUTTON, true);
  Pump();
  jf::TestMouseMove(250, 150);
  jf::TestMouseButton(VK_LBUTTON, false);
  Pump();
  RECT rc{};
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 150);
  EXPECT_EQ(rc.top, 140);
  EXPECT_EQ(rc.right - rc.left, 300);

  jf::TestMouseMove(rc.right - 2, rc.top + 100);  // the right border
  jf::TestMouseButton(VK_LBUTTON, true);
  Pump();
  jf::TestMouseMove(rc.right + 48, rc.top + 100);
  jf::TestMouseButton(VK_LBUTTON, false);
  Pump();
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 150);
  EXPECT_EQ(rc.right - rc.left, 350);
  EXPECT_EQ(r.log, (Strings{"entersizemove", "exitsizemove", "entersizemove", "exitsizemove"}));
  DestroyWindow(w);
}
