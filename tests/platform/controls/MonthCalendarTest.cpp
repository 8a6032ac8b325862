#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/platform/controls/CalendarProbe.h"
#include "tests/platform/display/DisplayTestWindow.h"

using calprobe::Date;
using calprobe::Day;
using calprobe::Find;
using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using Strings = std::vector<std::string>;

namespace {

class MonthCalendarTest : public DisplayTest {
 protected:
  HWND MakeCalendar(DWORD style, SYSTEMTIME selected = Day(2024, 2, 14)) {
    top_ = Make(&handler_, WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
    HWND cal = CreateWindowExW(0, MONTHCAL_CLASSW, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, top_,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
    RECT need{};
    EXPECT_TRUE(MonthCal_GetMinReqRect(cal, &need));
    SetWindowPos(cal, nullptr, 0, 0, need.right, need.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    SYSTEMTIME today = Day(2024, 2, 20);
    MonthCal_SetToday(cal, &today);
    EXPECT_TRUE(MonthCal_SetCurSel(cal, &selected));
    cal_ = cal;
    SetFocus(cal);
    Pump();
    log_.clear();
    return cal;
  }
  void TearDown() override {
    if (top_ != nullptr) DestroyWindow(top_);
    DisplayTest::TearDown();
  }
  static std::string Selected(HWND cal) {
    SYSTEMTIME t{};
    return MonthCal_GetCurSel(cal, &t) ? Date(t) : "error";
  }
  // A click at a client point of the calendar.
  static void Click(HWND cal, POINT at) {
    ClientToScreen(cal, &at);
    jf::TestMouseMove(at.x, at.y);
    jf::TestMouseClick(VK_LBUTTON);
    Pump();
  }

  Strings log_;
  HWND cal_ = nullptr;
  disptest::Handler handler_ = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_NOTIFY) {
      auto* change = reinterpret_cast<NMSELCHANGE*>(l);
      if (change->nmhdr.code == MCN_SELCHANGE) log_.push_back("change " + Date(change->stSelStart));
      if (change->nmhdr.code == MCN_SELECT) log_.push_back("select " + Date(change->stSelStart));
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND top_ = nullptr;
};

}  // namespace

TEST_F(MonthCalendarTest, SelectionAndTodayAreKeptAndChecked) {
  HWND cal = MakeCalendar(0);
  EXPECT_EQ(Selected(cal), "2024-2-14");
  SYSTEMTIME today{};
  ASSERT_TRUE(MonthCal_GetToday(cal, &today));
  EXPECT_EQ(Date(today), "2024-2-20");
  for (SYSTEMTIME bad : {Day(2023, 2, 29), Day(2024, 13, 1), Day(1600, 12, 31)}) {
    EXPECT_FALSE(MonthCal_SetCurSel(cal, &bad)) << Date(bad);
  }
  EXPECT_FALSE(MonthCal_SetCurSel(cal, nullptr));
  EXPECT_EQ(Selected(cal), "2024-2-14");
  EXPECT_TRUE(log_.empty());  // the program's own changes are not reported
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(GetClassInfoExW(nullptr, MONTHCAL_CLASSW, &wc));
}

// The keys move the selection (and the month shown with it); Enter picks it.
TEST_F(MonthCalendarTest, KeysMoveTheSelectionAndEnterSelects) {
  struct Step {
    UINT vk;
    bool ctrl;
    const char* selected;
  };
  const Step steps[] = {
      {VK_RIGHT, false, "2024-2-15"},  {VK_LEFT, false, "2024-2-14"},  {VK_DOWN, false, "2024-2-21"},
      {VK_DOWN, false, "2024-2-28"},   {VK_DOWN, false, "2024-3-6"},   {VK_UP, false, "2024-2-28"},
      {VK_END, false, "2024-2-29"},    {VK_HOME, false, "2024-2-1"},   {VK_LEFT, false, "2024-1-31"},
      {VK_NEXT, false, "2024-2-29"},   {VK_NEXT, false, "2024-3-29"},  {VK_PRIOR, false, "2024-2-29"},
      {VK_NEXT, true, "2025-2-28"},    {VK_PRIOR, true, "2024-2-28"},
  };
  HWND cal = MakeCalendar(0);
  Strings expected;
  for (const Step& step : steps) {
    if (step.ctrl) jf::TestKey(VK_CONTROL, true);
    jf::TestKeyPress(step.vk);
    if (step.ctrl) jf::TestKey(VK_CONTROL, false);
    Pump();
    EXPECT_EQ(Selected(cal), step.selected);
    expected.push_back(std::string("change ") + step.selected);
  }
  jf::TestKeyPress(VK_RETURN);
  Pump();
  expected.push_back("select 2024-2-28");
  EXPECT_EQ(log_, expected);
  // The selection stays inside the years a SYSTEMTIME holds.
  SYSTEMTIME last = Day(9999, 12, 31);
  EXPECT_TRUE(MonthCal_SetCurSel(cal, &last));
  jf::TestKeyPress(VK_RIGHT);
  jf::TestKeyPress(VK_NEXT);
  Pump();
  EXPECT_EQ(Selected(cal), "9999-12-31");
}

// The title's buttons move a month or a year, the selection with it; a day, a greyed day of
// the next month or today's line is picked at once.
TEST_F(MonthCalendarTest, ClicksNavigateAndPickDays) {
  HWND cal = MakeCalendar(0);
  struct Step {
    UINT hit;
    const char* day;  // the day to click, or null for a title button
    const char* selected;
    Strings log;
  };
  const Step steps[] = {
      {MCHT_TITLEBTNNEXT, nullptr, "2024-3-14", {"change 2024-3-14"}},
      {MCHT_TITLEYEAR | MCHT_NEXT, nullptr, "2025-3-14", {"change 2025-3-14"}},
      {MCHT_TITLEYEAR | MCHT_PREV, nullptr, "2024-3-14", {"change 2024-3-14"}},
      {MCHT_TITLEBTNPREV, nullptr, "2024-2-14", {"change 2024-2-14"}},
      {MCHT_CALENDARDATE, "2024-2-9", "2024-2-9", {"change 2024-2-9", "select 2024-2-9"}},
      {MCHT_CALENDARDATE, "2024-2-9", "2024-2-9", {"select 2024-2-9"}},
      {MCHT_CALENDARDATENEXT, "2024-3-2", "2024-3-2", {"change 2024-3-2", "select 2024-3-2"}},
      {MCHT_TODAYLINK, nullptr, "2024-2-20", {"change 2024-2-20", "select 2024-2-20"}},
  };
  for (const Step& step : steps) {
    POINT at{};
    ASSERT_TRUE(Find(cal, step.hit, step.day != nullptr ? step.day : "", &at)) << step.hit;
    log_.clear();
    Click(cal, at);
    EXPECT_EQ(Selected(cal), step.selected);
    EXPECT_EQ(log_, step.log);
  }
}

// Styles: week numbers widen it, no today line shortens it, no trailing days leaves the
// neighbouring months' days blank and unclickable, and the selection can stay on navigation.
TEST_F(MonthCalendarTest, StylesChangeTheLayoutAndTheNavigation) {
  RECT plain{}, weeks{}, noToday{};
  EXPECT_TRUE(MonthCal_GetMinReqRect(MakeCalendar(0), &plain));
  DestroyWindow(top_);
  EXPECT_TRUE(MonthCal_GetMinReqRect(MakeCalendar(MCS_WEEKNUMBERS), &weeks));
  POINT at{};
  EXPECT_TRUE(Find(cal_, MCHT_CALENDARWEEKNUM, "", &at));
  DestroyWindow(top_);
  EXPECT_TRUE(MonthCal_GetMinReqRect(MakeCalendar(MCS_NOTODAY), &noToday));
  EXPECT_GT(weeks.right, plain.right);
  EXPECT_LT(noToday.bottom, plain.bottom);
  EXPECT_FALSE(Find(cal_, MCHT_TODAYLINK, "", &at));
  DestroyWindow(top_);

  HWND cal = MakeCalendar(MCS_NOTRAILINGDATES | MCS_NOSELCHANGEONNAV);
  EXPECT_FALSE(Find(cal, MCHT_CALENDARDATENEXT, "", &at));
  ASSERT_TRUE(Find(cal, MCHT_TITLEBTNNEXT, "", &at));
  Click(cal, at);
  EXPECT_EQ(Selected(cal), "2024-2-14");
  EXPECT_TRUE(log_.empty());
  ASSERT_TRUE(Find(cal, MCHT_CALENDARDATE, "2024-3-5", &at));  // March is shown now
  Click(cal, at);
  EXPECT_EQ(log_, (Strings{"change 2024-3-5", "select 2024-3-5"}));
}
