#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "tests/platform/controls/CalendarProbe.h"
#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using Strings = std::vector<std::string>;

namespace {

constexpr int kPickId = 31;

using calprobe::Date;
using calprobe::Day;

// A parent that records the picker's notifications.
struct Parent {
  std::vector<std::string> log;
  std::function<void(HWND calendar)> onDropDown;
  disptest::Handler handler = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_NOTIFY && w == kPickId) {
      auto* header = reinterpret_cast<NMHDR*>(l);
      if (header->code == DTN_DATETIMECHANGE) {
        auto* change = reinterpret_cast<NMDATETIMECHANGE*>(l);
        log.push_back(change->dwFlags == GDT_NONE ? "none" : Date(change->st));
      } else if (header->code == UINT(NM_SETFOCUS)) {
        log.push_back("setfocus");
      } else if (header->code == UINT(NM_KILLFOCUS)) {
        log.push_back("killfocus");
      } else if (header->code == DTN_DROPDOWN) {
        log.push_back(DateTime_GetMonthCal(header->hwndFrom) != nullptr ? "dropdown" : "dropdown without calendar");
        if (onDropDown) onDropDown(DateTime_GetMonthCal(header->hwndFrom));
      } else if (header->code == DTN_CLOSEUP) {
        log.push_back("closeup");
      }
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
};

class DateTimePickTest : public DisplayTest {
 protected:
  HWND MakePick(DWORD style, SYSTEMTIME start = Day(2024, 1, 31)) {
    top_ = Make(&parent_.handler, WS_POPUP | WS_VISIBLE, 100, 100, 300, 100);
    HWND pick = CreateWindowExW(0, DATETIMEPICK_CLASSW, L"", WS_CHILD | WS_VISIBLE | style, 10, 10, 160, 24, top_,
                                reinterpret_cast<HMENU>(kPickId), nullptr, nullptr);
    EXPECT_TRUE(DateTime_SetSystemtime(pick, GDT_VALID, &start));
    SetFocus(pick);
    Pump();
    parent_.log.clear();
    return pick;
  }
  void TearDown() override {
    if (top_ != nullptr) DestroyWindow(top_);
    DisplayTest::TearDown();
  }
  static std::wstring Text(HWND pick) {
    wchar_t buffer[64] = {};
    GetWindowTextW(pick, buffer, 64);
    return buffer;
  }
  static std::string Held(HWND pick) {
    SYSTEMTIME t{};
    DWORD r = DateTime_GetSystemtime(pick, &t);
    return r == GDT_VALID ? Date(t) : r == GDT_NONE ? "none" : "error";
  }

  Parent parent_;
  HWND top_ = nullptr;
};

}  // namespace

TEST_F(DateTimePickTest, ClassFlagAndTodayAtCreation) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES | ICC_WIN95_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&icc));
  icc.dwICC = 0x00010000;
  EXPECT_FALSE(InitCommonControlsEx(&icc));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(GetClassInfoExW(nullptr, DATETIMEPICK_CLASSW, &wc));

  HWND pick = CreateWindowExW(0, DATETIMEPICK_CLASSW, L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  SYSTEMTIME now{}, held{};
  GetLocalTime(&now);
  ASSERT_EQ(DateTime_GetSystemtime(pick, &held), DWORD(GDT_VALID));
  EXPECT_EQ(Date(held), Date(now));
  EXPECT_EQ(SendMessageW(pick, DTM_GETSYSTEMTIME, 0, 0), GDT_ERROR);
  DestroyWindow(pick);
}

TEST_F(DateTimePickTest, SetAcceptsOnlyRealDates) {
  HWND pick = MakePick(0);
  SYSTEMTIME leap = Day(2024, 2, 29);
  ASSERT_TRUE(DateTime_SetSystemtime(pick, GDT_VALID, &leap));
  EXPECT_EQ(Text(pick), L"2024/2/29");
  SYSTEMTIME held{};
  ASSERT_EQ(DateTime_GetSystemtime(pick, &held), DWORD(GDT_VALID));
  EXPECT_EQ(held.wDayOfWeek, 4);  // a Thursday
  for (SYSTEMTIME bad : {Day(2023, 2, 29), Day(2024, 13, 1), Day(2024, 4, 31), Day(1500, 1, 1), Day(2024, 0, 5)}) {
    EXPECT_FALSE(DateTime_SetSystemtime(pick, GDT_VALID, &bad)) << Date(bad);
  }
  EXPECT_FALSE(DateTime_SetSystemtime(pick, GDT_VALID, nullptr));
  EXPECT_FALSE(DateTime_SetSystemtime(pick, GDT_NONE, nullptr));  // no "no date" box
  EXPECT_EQ(Held(pick), "2024-2-29");
  EXPECT_TRUE(parent_.log.empty());  // programmatic changes are not reported
}

TEST_F(DateTimePickTest, KeysEditYearMonthAndDay) {
  struct Step {
    std::vector<UINT> keys;
    const wchar_t* typed;
    const char* held;
  };
  const Step steps[] = {
      {{VK_UP}, L"", "2025-1-31"},
      {{VK_RIGHT, VK_UP}, L"", "2025-2-28"},  // the day follows the shorter month
      {{VK_RIGHT, VK_UP}, L"", "2025-2-1"},   // the day wraps inside its month
      {{VK_DOWN}, L"", "2025-2-28"},
      {{VK_HOME}, L"", "2025-2-1"},
      {{VK_END}, L"", "2025-2-28"},
      {{VK_LEFT}, L"12", "2025-12-28"},
      {{}, L"05", "2025-5-28"},
      {{}, L"3", "2025-3-28"},
      {{VK_LEFT, VK_LEFT}, L"2028", "2028-3-28"},
      {{VK_RIGHT, VK_RIGHT}, L"31", "2028-3-31"},
      {{VK_LEFT, VK_LEFT}, L"", "2028-3-31"},  // stops at the first part
      {{VK_NEXT}, L"", "2018-3-31"},
  };
  HWND pick = MakePick(0);
  Strings expected;
  for (const Step& step : steps) {
    std::string before = Held(pick);
    for (UINT key : step.keys) jf::TestKeyPress(key);
    jf::TestTypeText(step.typed);
    Pump();
    EXPECT_EQ(Held(pick), step.held);
    if (Held(pick) != before) expected.push_back(step.held);
  }
  // Typed numbers report every value they pass through ("12" first sets 1); keys one change each.
  Strings changes;
  for (const std::string& c : parent_.log) {
    if (changes.empty() || changes.back() != c) changes.push_back(c);
  }
  EXPECT_EQ(changes.back(), expected.back());
  for (const std::string& e : expected) EXPECT_NE(std::find(changes.begin(), changes.end(), e), changes.end()) << e;
}

TEST_F(DateTimePickTest, FocusNotificationsLongFormatAndNoDate) {
  HWND pick = MakePick(DTS_LONGDATEFORMAT | DTS_SHOWNONE, Day(2024, 2, 29));
  EXPECT_EQ(Text(pick), L"2024\u5E742\u670829\u65E5");
  SetFocus(top_);
  SetFocus(pick);
  Pump();
  EXPECT_EQ(parent_.log, (Strings{"killfocus", "setfocus"}));
  parent_.log.clear();
  jf::TestTypeText(L" ");
  Pump();
  EXPECT_EQ(Held(pick), "none");
  jf::TestKeyPress(VK_UP);  // no date: the keys change nothing
  jf::TestTypeText(L" ");
  Pump();
  EXPECT_EQ(parent_.log, (Strings{"none", "2024-2-29"}));
  EXPECT_TRUE(DateTime_SetSystemtime(pick, GDT_NONE, nullptr));
  EXPECT_EQ(Held(pick), "none");
}

TEST_F(DateTimePickTest, PaintsTheChosenPartHighlightedAndClicksChooseParts) {
  HWND pick = MakePick(0, Day(2024, 12, 25));
  jf::TestMouseMove(100 + 10 + 120, 100 + 10 + 12);  // right of the text, left of the button: the day
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  jf::TestKeyPress(VK_UP);
  Pump();
  EXPECT_EQ(Held(pick), "2024-12-26");
  jf::TestMouseMove(100 + 10 + 8, 100 + 10 + 12);  // on the year
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  UpdateWindow(top_);
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  DWORD want = DWORD(GetRValue(hl)) << 16 | DWORD(GetGValue(hl)) << 8 | GetBValue(hl);
  auto count = [&](int x0, int x1) {
    int n = 0;
    for (int y = 10; y < 34; ++y) {
      for (int x = x0; x < x1; ++x) {
        DWORD px = 0;
        n += jf::TestWindowPixel(top_, x, y, &px) && (px & 0xFFFFFF) == want;
      }
    }
    return n;
  };
  EXPECT_GT(count(10, 30), 100);  // the year
  EXPECT_EQ(count(45, 170), 0);   // month and day
  jf::TestWriteWindowPng(top_, std::string(JF_TEST_BIN_DIR) + "/datetimepick.png");
}

namespace {

// A click at a point of a window's client area, in screen terms as the user makes it.
void ClickIn(HWND hwnd, POINT at) {
  ClientToScreen(hwnd, &at);
  jf::TestMouseMove(at.x, at.y);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
}

// The drop-down button: the right end of the field.
void ClickButton(HWND pick, int dy = 0) {
  RECT rc{};
  GetClientRect(pick, &rc);
  ClickIn(pick, POINT{rc.right - 4, rc.bottom / 2 + dy});
}

}  // namespace

// The button drops a calendar below the field; the field keeps the focus and hands the
// calendar its keys; Enter chooses the day, which sets the field, then the calendar closes.
TEST_F(DateTimePickTest, ButtonDropsACalendarBelowTheFieldThatKeysDrive) {
  HWND pick = MakePick(0, Day(2024, 2, 14));
  EXPECT_EQ(DateTime_GetMonthCal(pick), nullptr);
  ClickButton(pick);
  HWND cal = DateTime_GetMonthCal(pick);
  ASSERT_NE(cal, nullptr);
  EXPECT_EQ(parent_.log, (Strings{"dropdown"}));
  EXPECT_TRUE(IsWindowVisible(cal));
  EXPECT_EQ(GetFocus(), pick);
  EXPECT_EQ(GetCapture(), pick);
  RECT field{}, below{};
  GetWindowRect(pick, &field);
  GetWindowRect(cal, &below);
  EXPECT_EQ(below.top, field.bottom);
  EXPECT_EQ(below.left, field.left);
  SYSTEMTIME shown{};
  ASSERT_TRUE(MonthCal_GetCurSel(cal, &shown));
  EXPECT_EQ(Date(shown), "2024-2-14");

  for (UINT vk : {VK_RIGHT, VK_DOWN, VK_NEXT, VK_HOME}) jf::TestKeyPress(vk);  // 15th, 22nd, 22 March, 1 March
  Pump();
  EXPECT_EQ(Held(pick), "2024-2-14");  // moving in the calendar is not choosing
  jf::TestKeyPress(VK_RETURN);
  Pump();
  EXPECT_EQ(Held(pick), "2024-3-1");
  EXPECT_EQ(parent_.log, (Strings{"dropdown", "2024-3-1", "closeup"}));
  EXPECT_EQ(DateTime_GetMonthCal(pick), nullptr);
  EXPECT_FALSE(IsWindow(cal));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), pick);
  EXPECT_EQ(Text(pick), L"2024/3/1");
}

// Every way the calendar closes, and what each leaves in the field.
TEST_F(DateTimePickTest, CalendarClosesByChoiceEscapeClickElsewhereAndFocus) {
  struct Case {
    const char* name;
    std::function<void(HWND top, HWND pick, HWND cal)> close;
    const char* held;
    Strings log;
  };
  const Case cases[] = {
      {"click on a day",
       [](HWND, HWND, HWND cal) {
         POINT at{};
         ASSERT_TRUE(calprobe::Find(cal, MCHT_CALENDARDATE, "2024-2-9", &at));
         ClickIn(cal, at);
       },
       "2024-2-9",
       {"dropdown", "2024-2-9", "closeup"}},
      {"click on the same day",
       [](HWND, HWND, HWND cal) {
         POINT at{};
         ASSERT_TRUE(calprobe::Find(cal, MCHT_CALENDARDATE, "2024-2-14", &at));
         ClickIn(cal, at);
       },
       "2024-2-14",
       {"dropdown", "closeup"}},
      {"escape", [](HWND, HWND, HWND) { jf::TestKeyPress(VK_RIGHT), jf::TestKeyPress(VK_ESCAPE); },
       "2024-2-14", {"dropdown", "closeup"}},
      {"F4", [](HWND, HWND, HWND) { jf::TestKeyPress(VK_F4); }, "2024-2-14", {"dropdown", "closeup"}},
      {"the button again", [](HWND, HWND pick, HWND) { ClickButton(pick); }, "2024-2-14",
       {"dropdown", "closeup"}},
      {"a click elsewhere",
       [](HWND top, HWND, HWND) { ClickIn(top, POINT{280, 80}); },
       "2024-2-14",
       {"dropdown", "closeup"}},
      {"the focus leaving",
       [](HWND top, HWND, HWND) {
         SetFocus(top);
         Pump();
       },
       "2024-2-14",
       {"dropdown", "closeup", "killfocus"}},
      {"the program's own message", [](HWND, HWND pick, HWND) { DateTime_CloseMonthCal(pick); },
       "2024-2-14", {"dropdown", "closeup"}},
  };
  for (const Case& c : cases) {
    HWND pick = MakePick(0, Day(2024, 2, 14));
    ClickButton(pick);
    HWND cal = DateTime_GetMonthCal(pick);
    ASSERT_NE(cal, nullptr) << c.name;
    c.close(top_, pick, cal);
    Pump();
    EXPECT_EQ(DateTime_GetMonthCal(pick), nullptr) << c.name;
    EXPECT_FALSE(IsWindow(cal)) << c.name;
    EXPECT_EQ(Held(pick), c.held) << c.name;
    EXPECT_EQ(parent_.log, c.log) << c.name;
    DestroyWindow(top_);
    top_ = nullptr;
  }
}

// F4 and Alt+Down drop it from the keyboard; the calendar takes the styles and today the
// program gives; today is framed; the picker's own styles place it.
TEST_F(DateTimePickTest, KeyboardDropAndStylesOfTheCalendar) {
  HWND pick = MakePick(DTS_RIGHTALIGN, Day(2024, 2, 14));
  SetWindowPos(top_, nullptr, 600, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(DateTime_SetMonthCalStyle(pick, MCS_WEEKNUMBERS | MCS_NOTODAY), 0u);
  EXPECT_EQ(DateTime_GetMonthCalStyle(pick), DWORD(MCS_WEEKNUMBERS | MCS_NOTODAY));
  parent_.onDropDown = [](HWND cal) {
    SYSTEMTIME today = Day(2024, 2, 20);
    MonthCal_SetToday(cal, &today);
  };
  jf::TestKeyPress(VK_F4);
  Pump();
  HWND cal = DateTime_GetMonthCal(pick);
  ASSERT_NE(cal, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(cal, GWL_STYLE) & (MCS_WEEKNUMBERS | MCS_NOTODAY), MCS_WEEKNUMBERS | MCS_NOTODAY);
  RECT field{}, below{};
  GetWindowRect(pick, &field);
  GetWindowRect(cal, &below);
  EXPECT_EQ(below.right, field.right);  // DTS_RIGHTALIGN
  POINT at{};
  EXPECT_TRUE(calprobe::Find(cal, MCHT_CALENDARWEEKNUM, "", &at));
  EXPECT_FALSE(calprobe::Find(cal, MCHT_TODAYLINK, "", &at));
  // Today's frame: the colour around the 20th, nowhere around the 14th.
  UpdateWindow(cal);
  auto framed = [&](const char* day) {
    POINT mid{};
    EXPECT_TRUE(calprobe::Find(cal, MCHT_CALENDARDATE, day, &mid));
    int n = 0;
    for (int dx = -20; dx <= 20; ++dx) {
      for (int dy = -12; dy <= 12; ++dy) {
        DWORD px = 0;
        MCHITTESTINFO info{sizeof(info), POINT{mid.x + dx, mid.y + dy}, 0, {}};
        if (MonthCal_HitTest(cal, &info) != MCHT_CALENDARDATE || Date(info.st) != day) continue;
        n += jf::TestWindowPixel(cal, mid.x + dx, mid.y + dy, &px) && (px & 0xFFFFFF) == 0xD02020;
      }
    }
    return n;
  };
  EXPECT_GT(framed("2024-2-20"), 20);
  EXPECT_EQ(framed("2024-2-14"), 0);
  jf::TestWriteWindowPng(cal, std::string(JF_TEST_BIN_DIR) + "/monthcalendar.png");
  jf::TestKey(VK_MENU, true);
  jf::TestKeyPress(VK_DOWN);
  jf::TestKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(DateTime_GetMonthCal(pick), nullptr);
  EXPECT_EQ(parent_.log, (Strings{"dropdown", "closeup"}));

  // Near the bottom of the work area the calendar opens above the field.
  SetWindowPos(top_, nullptr, 600, 1080 - 40 - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ClickButton(pick);
  cal = DateTime_GetMonthCal(pick);
  ASSERT_NE(cal, nullptr);
  GetWindowRect(pick, &field);
  GetWindowRect(cal, &below);
  EXPECT_EQ(below.bottom, field.top);
}

// With DTS_UPDOWN the button is an up-down pair for the chosen part; no calendar drops.
TEST_F(DateTimePickTest, UpDownStyleStepsThePartInsteadOfDropping) {
  HWND pick = MakePick(DTS_UPDOWN, Day(2024, 2, 14));
  ClickButton(pick, -6);
  EXPECT_EQ(Held(pick), "2025-2-14");
  ClickButton(pick, 6);
  ClickButton(pick, 6);
  EXPECT_EQ(Held(pick), "2023-2-14");
  jf::TestKeyPress(VK_F4);
  Pump();
  EXPECT_EQ(DateTime_GetMonthCal(pick), nullptr);
  EXPECT_EQ(parent_.log, (Strings{"2025-2-14", "2024-2-14", "2023-2-14"}));
}

// Typing digits into a part shows the blinking system caret at its end.
TEST_F(DateTimePickTest, CaretFollowsDigitsBeingTyped) {
  HWND pick = MakePick(0, Day(2024, 2, 14));
  jf::TestKeyPress(VK_RIGHT);
  Pump();
  POINT before{};
  GetCaretPos(&before);
  jf::TestTypeText(L"1");  // "1" could still become 10, 11 or 12
  Pump();
  POINT at{};
  ASSERT_TRUE(GetCaretPos(&at));
  EXPECT_GT(at.x, 20);
  UpdateWindow(pick);
  RECT rc{};
  GetClientRect(pick, &rc);
  DWORD px = 0;
  ASSERT_TRUE(jf::TestWindowPixel(pick, at.x, rc.bottom / 2, &px));
  EXPECT_LT(px & 0xFF, 0x80u);  // the caret, dark over the white field
  jf::TickAdvance(530);
  Pump();
  UpdateWindow(pick);
  ASSERT_TRUE(jf::TestWindowPixel(pick, at.x, rc.bottom / 2, &px));
  EXPECT_GT(px & 0xFF, 0x80u);  // blinked off
  jf::TestTypeText(L"1");  // November: the part is complete and the caret goes
  Pump();
  EXPECT_EQ(Held(pick), "2024-11-14");
  jf::TickAdvance(530);
  Pump();
  UpdateWindow(pick);
  ASSERT_TRUE(jf::TestWindowPixel(pick, at.x, rc.bottom / 2, &px));
  EXPECT_GT(px & 0xFF, 0x80u);
}
