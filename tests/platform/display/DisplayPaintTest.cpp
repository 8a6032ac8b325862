#include <gtest/gtest.h>
#include <windows.h>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using Strings = std::vector<std::string>;

namespace {

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// Paints through BeginPaint and logs the rectangle and whether erasing was asked.
struct Painter {
  std::vector<std::string> log;
  disptest::Handler handler = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_ERASEBKGND) {
      log.push_back("erase");
      return 1;
    }
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      log.push_back("paint " + RectText(ps.rcPaint) + (dc != nullptr ? "" : " nodc"));
      EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_USER) log.push_back("posted");
    return DefWindowProcW(hwnd, msg, w, l);
  };
};

}  // namespace

TEST_F(DisplayTest, UpdateRegionsBecomeOnePaintAfterPostedMessages) {
  Painter p;
  HWND w = Make(&p.handler, WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
  Pump();
  p.log.clear();
  RECT a{10, 10, 20, 20}, b{50, 5, 60, 15};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, TRUE);
  PostMessageW(w, WM_USER, 0, 0);
  RECT u{};
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(RectText(u), "10,5,60,20");
  Pump();
  EXPECT_EQ(p.log, (Strings{"posted", "erase", "paint 10,5,60,20"}));
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));

  // Outside the client area nothing is invalid; a validated window is not painted.
  p.log.clear();
  RECT outside{300, 300, 400, 400};
  InvalidateRect(w, &outside, TRUE);
  EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
  InvalidateRect(w, nullptr, FALSE);
  ValidateRect(w, nullptr);
  EXPECT_EQ(Pump(), 0);
  DestroyWindow(w);
}

TEST_F(DisplayTest, ProcedureThatIgnoresPaintGetsItOnceAndHiddenWindowsNever) {
  int paints = 0;
  disptest::Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_PAINT) {
      ++paints;
      return 0;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND w = Make(&h, WS_POPUP, 0, 0, 50, 50);
  InvalidateRect(w, nullptr, TRUE);
  Pump();
  EXPECT_EQ(paints, 0);
  ShowWindow(w, SW_SHOWNA);
  Pump();
  EXPECT_EQ(paints, 1);
  Pump();
  EXPECT_EQ(paints, 1);
  DestroyWindow(w);
}

TEST_F(DisplayTest, UpdateWindowPaintsAtOnceAndChildrenFollowClipping) {
  Painter parent, child;
  HWND top = Make(&parent.handler, WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
  HWND c = Make(&child.handler, WS_CHILD | WS_VISIBLE, 20, 20, 50, 50, top);
  Pump();
  parent.log.clear();
  child.log.clear();

  // Without WS_CLIPCHILDREN the child is painted again with its parent.
  RECT r{0, 0, 40, 40};
  InvalidateRect(top, &r, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(parent.log, (Strings{"paint 0,0,40,40"}));
  EXPECT_EQ(child.log, (Strings{"paint 0,0,20,20"}));

  parent.log.clear();
  child.log.clear();
  SetWindowLongPtrW(top, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  InvalidateRect(top, &r, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(parent.log, (Strings{"paint 0,0,40,40"}));
  EXPECT_TRUE(child.log.empty());

  // Hiding a child uncovers its parent.
  parent.log.clear();
  ShowWindow(c, SW_HIDE);
  Pump();
  EXPECT_EQ(parent.log, (Strings{"erase", "paint 20,20,70,70"}));
  DestroyWindow(top);
}

TEST_F(DisplayTest, RetrievingMessagesKeepsTheLastError) {
  Painter p;
  HWND w = Make(&p.handler, WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
  HWND gone = Make(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
  DestroyWindow(gone);
  Pump();
  SetLastError(1234);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(GetLastError(), 1234u);
  DestroyWindow(w);
}
