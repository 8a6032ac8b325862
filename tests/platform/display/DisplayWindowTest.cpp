#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using disptest::Recorder;
using Strings = std::vector<std::string>;

namespace {

std::string SizeDetail(UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_SIZE) return " " + std::to_string(w) + disptest::Pt(l);
  if (msg == WM_MOVE) return disptest::Pt(l);
  return "";
}

}  // namespace

TEST_F(DisplayTest, SetWindowPosSendsChangingCalcChangedMoveAndSize) {
  Recorder r;
  r.only = {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE};
  r.detail = SizeDetail;
  HWND w = Make(&r.handler, WS_POPUP, 10, 20, 300, 200);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(r.log, (Strings{"nccalcsize", "size 0 300,200", "move 10,20"}));

  r.log.clear();
  ASSERT_TRUE(SetWindowPos(w, nullptr, 50, 60, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.log, (Strings{"poschanging", "poschanged", "move 50,60"}));

  r.log.clear();
  ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 400, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  EXPECT_EQ(r.log, (Strings{"poschanging", "nccalcsize", "poschanged", "size 0 400,250"}));

  // A frame change recalculates and reports both even when nothing moved.
  r.log.clear();
  ASSERT_TRUE(SetWindowPos(w, nullptr, 50, 60, 400, 250, SWP_FRAMECHANGED));
  EXPECT_EQ(r.log, (Strings{"poschanging", "nccalcsize", "poschanged", "move 50,60", "size 0 400,250"}));

  RECT rc{};
  ASSERT_TRUE(GetWindowRect(w, &rc));
  EXPECT_EQ(rc.left, 50);
  EXPECT_EQ(rc.bottom, 310);
  DestroyWindow(w);
}

TEST_F(DisplayTest, ChangingHandlerCanAdjustThePosition) {
  disptest::Handler h = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->cx = 123;
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND w = Make(&h, WS_POPUP, 0, 0, 10, 10);
  MoveWindow(w, 5, 5, 500, 40, TRUE);
  RECT rc{};
  GetClientRect(w, &rc);
  EXPECT_EQ(rc.right, 123);
  EXPECT_EQ(rc.bottom, 40);
  DestroyWindow(w);
}

TEST_F(DisplayTest, FramesClientAreasAndCoordinateMapping) {
  Recorder r;
  HWND top = Make(&r.handler, WS_OVERLAPPEDWINDOW, 100, 100, 400, 300);
  RECT client{};
  ASSERT_TRUE(GetClientRect(top, &client));
  RECT adjusted = client;
  AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, 400);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 300);

  HWND child = Make(&r.handler, WS_CHILD | WS_VISIBLE, 10, 20, 50, 50, top);
  POINT pt{0, 0};
  ClientToScreen(child, &pt);
  POINT topOrigin{0, 0};
  ClientToScreen(top, &topOrigin);
  EXPECT_EQ(pt.x, topOrigin.x + 10);
  EXPECT_EQ(pt.y, topOrigin.y + 20);
  ScreenToClient(top, &pt);
  EXPECT_EQ(pt.x, 10);
  EXPECT_EQ(pt.y, 20);
  POINT many[2] = {{0, 0}, {5, 5}};
  MapWindowPoints(child, top, many, 2);
  EXPECT_EQ(many[1].x, 15);
  EXPECT_EQ(many[1].y, 25);
  RECT childRect{};
  GetWindowRect(child, &childRect);
  EXPECT_EQ(childRect.left, topOrigin.x + 10);

  // Hit codes of the default procedure.
  RECT win{};
  GetWindowRect(top, &win);
  auto hit = [&](int x, int y) { return SendMessageW(top, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
  EXPECT_EQ(hit(win.left + 100, win.top + 12), HTCAPTION);
  EXPECT_EQ(hit(win.left + 1, win.top + 150), HTLEFT);
  EXPECT_EQ(hit(win.right - 1, win.bottom - 1), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(topOrigin.x + 5, topOrigin.y + 5), HTCLIENT);
  EXPECT_EQ(hit(win.right + 5, win.top), HTNOWHERE);
  DestroyWindow(top);
}

TEST_F(DisplayTest, ShowMaximiseRestoreAndMinimise) {
  Recorder r;
  r.only = {WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_GETMINMAXINFO, WM_SIZE};
  r.detail = [](UINT msg, WPARAM w, LPARAM l) { return msg == WM_SIZE ? " " + std::to_string(w) + disptest::Pt(l) : ""; };
  HWND w = Make(&r.handler, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 100, 100, 300, 200);
  r.log.clear();
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(r.log, (Strings{"showwindow", "activate", "setfocus"}));
  EXPECT_EQ(GetActiveWindow(), w);
  EXPECT_EQ(GetForegroundWindow(), w);
  EXPECT_EQ(GetFocus(), w);

  r.log.clear();
  ShowWindow(w, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(r.log, (Strings{"getminmaxinfo", "size 2 1920,1040"}));
  RECT rc{};
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.bottom, 1040);

  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(w));
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 100);
  EXPECT_EQ(rc.right, 400);

  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.top, 100);

  EXPECT_TRUE(ShowWindow(w, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(GetFocus(), nullptr);
  DestroyWindow(w);
}

TEST_F(DisplayTest, SystemCommandsAndCaptionDoubleClick) {
  Recorder r;
  r.only = {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY};
  HWND w = Make(&r.handler, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200);
  SendMessageW(w, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(50, 15));
  EXPECT_TRUE(IsZoomed(w));
  SendMessageW(w, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(50, 15));
  EXPECT_FALSE(IsZoomed(w));
  SendMessageW(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(w));
  SendMessageW(w, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(w));
  SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(r.log, (Strings{"syscommand", "syscommand", "syscommand", "syscommand", "syscommand", "close", "destroy"}));
}

TEST_F(DisplayTest, MonitorWorkAreaAndMetrics) {
  jf::TestSetScreen(1280, 720, 30);
  Recorder r;
  HWND w = Make(&r.handler, WS_POPUP, 100, 100, 200, 100);
  HMONITOR m = MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(m, nullptr);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetMonitorInfoW(m, &info));
  EXPECT_EQ(info.rcMonitor.right, 1280);
  EXPECT_EQ(info.rcWork.bottom, 690);
  EXPECT_EQ(info.dwFlags, DWORD(MONITORINFOF_PRIMARY));
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 690);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONEAREST), m);
  info.cbSize = 3;
  EXPECT_FALSE(GetMonitorInfoW(m, &info));
  DestroyWindow(w);
}

TEST_F(DisplayTest, LayeredAttributesNeedTheLayeredStyle) {
  Recorder r;
  HWND w = Make(&r.handler, WS_POPUP, 0, 0, 50, 50);
  EXPECT_FALSE(SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetWindowLongPtrW(w, GWL_EXSTYLE, WS_EX_LAYERED);
  EXPECT_TRUE(SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA));
  BYTE alpha = 0;
  EXPECT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 128);
  // A window with attributes cannot take UpdateLayeredWindow; one without can, and moves.
  POINT dst{30, 40};
  SIZE size{60, 70};
  EXPECT_FALSE(UpdateLayeredWindow(w, nullptr, &dst, &size, nullptr, nullptr, 0, nullptr, ULW_ALPHA));
  SetWindowLongPtrW(w, GWL_EXSTYLE, 0);
  SetWindowLongPtrW(w, GWL_EXSTYLE, WS_EX_LAYERED);
  EXPECT_TRUE(UpdateLayeredWindow(w, nullptr, &dst, &size, nullptr, nullptr, 0, nullptr, ULW_ALPHA));
  RECT rc{};
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.bottom, 110);
  DestroyWindow(w);
}

TEST_F(DisplayTest, EnableWindowAndSystemMenu) {
  Recorder r;
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
  EXPECT_EQ(GetFocus(), w);
  EXPECT_FALSE(EnableWindow(w, FALSE));
  EXPECT_FALSE(IsWindowEnabled(w));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(w, TRUE));
  EXPECT_TRUE(EnableWindow(nullptr, TRUE) == FALSE);  // a null owner is refused quietly
  HMENU menu = GetSystemMenu(w, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  DestroyWindow(w);
}

TEST_F(DisplayTest, PlacementsNearTheEndsOfTheIntRangeStopAtTheEnd) {
  // A position plus a size past the int range ends at the range's end instead of wrapping.
  const int far = INT_MAX - 50;
  for (DWORD style : {DWORD(WS_POPUP), DWORD(WS_OVERLAPPEDWINDOW)}) {
    HWND w = Make(nullptr, style, far, INT_MIN + 10, 100, -100);
    ASSERT_NE(w, nullptr);
    RECT rc{};
    ASSERT_TRUE(GetWindowRect(w, &rc));
    EXPECT_EQ(rc.left, far);
    EXPECT_EQ(rc.right, INT_MAX);
    EXPECT_EQ(rc.top, INT_MIN + 10);
    EXPECT_TRUE(SetWindowPos(w, nullptr, far + 10, -20, INT_MAX, INT_MAX, SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(w, &rc));
    EXPECT_EQ(rc.left, far + 10);
    EXPECT_EQ(rc.right, INT_MAX);
    EXPECT_EQ(rc.top, -20);
    EXPECT_EQ(rc.bottom, INT_MAX - 20);
    DestroyWindow(w);
  }
}
