#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;

TEST_F(DisplayTest, TooltipShowsTrackedToolsNearThePointerWithoutActivation) {
  InitCommonControls();
  HWND owner = Make(nullptr, WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
  ASSERT_EQ(GetActiveWindow(), owner);
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
  ASSERT_NE(tip, nullptr);
  wchar_t text[] = L"Hello\r\nWorld";
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(owner);
  ti.rect = RECT{10, 10, 50, 30};
  ti.lpszText = text;
  EXPECT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 300), -1);
  EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 300);
  EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);

  jf::TestMouseMove(200, 200);
  SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  EXPECT_TRUE(IsWindowVisible(tip));
  EXPECT_EQ(GetActiveWindow(), owner);
  RECT two{};
  GetWindowRect(tip, &two);
  EXPECT_EQ(two.left, 200);
  EXPECT_EQ(two.top, 220);
  Pump();

  wchar_t one[] = L"Hello";
  ti.lpszText = one;
  SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  RECT single{};
  GetWindowRect(tip, &single);
  EXPECT_LT(single.bottom - single.top, two.bottom - two.top);  // one line is lower than two

  wchar_t back[80] = {};
  ti.lpszText = back;
  EXPECT_TRUE(SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_STREQ(back, L"Hello");

  SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
  EXPECT_FALSE(IsWindowVisible(tip));
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
  // A tip near the screen's edge stays inside the work area.
  ti.lpszText = text;
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  jf::TestMouseMove(1915, 1075);
  SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  RECT edge{};
  GetWindowRect(tip, &edge);
  EXPECT_LE(edge.right, 1920);
  EXPECT_LE(edge.bottom, 1040);
  DestroyWindow(tip);
  DestroyWindow(owner);
}
