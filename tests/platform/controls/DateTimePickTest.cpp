#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using Strings = std::vector<std::string>;

namespace {

constexpr int kPickId = 31;

std::string Date(const SYSTEMTIME& t) {
  return std::to_string(t.wYear) + "-" + std::to_string(t.wMonth) + "-" + std::to_string(t.wDay);
}

SYSTEMTIME Day(WORD y, WORD m, WORD d) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = m;
  t.wDay = d;
  return t;
}

// A parent that records the picker's notifications.
struct Parent {
  std::vector<std::string> log;
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
