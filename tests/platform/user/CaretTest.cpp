#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/src/user/UserArea.h"
#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;

namespace {

class CaretTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    window_ = Make(&handler_, WS_POPUP | WS_VISIBLE, 50, 50, 200, 100);
    Pump();
  }
  void TearDown() override {
    DestroyCaret();
    SetCaretBlinkTime(530);
    if (window_ != nullptr) DestroyWindow(window_);
    DisplayTest::TearDown();
  }
  // Moves the clock and lets the blink timer run.
  static void After(int ms) {
    jf::TickAdvance(uint64_t(ms));
    Pump();
  }
  bool Shown() const { return jf::CaretShownIn(window_, nullptr); }
  // The window painted the caret's rectangle since the last call.
  bool Repainted() {
    Pump();
    bool hit = false;
    for (const RECT& r : painted_) hit = hit || (r.left <= 10 && r.right >= 12 && r.top <= 20 && r.bottom >= 34);
    painted_.clear();
    return hit;
  }

  std::vector<RECT> painted_;
  disptest::Handler handler_ = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_PAINT) return DefWindowProcW(h, m, w, l);
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    painted_.push_back(ps.rcPaint);
    EndPaint(h, &ps);
    return 0;
  };
  HWND window_ = nullptr;
};

}  // namespace

TEST_F(CaretTest, BlinkTimeDefaultsTo530AndIsSetForTheProgram) {
  EXPECT_EQ(GetCaretBlinkTime(), 530u);
  EXPECT_TRUE(SetCaretBlinkTime(250));
  EXPECT_EQ(GetCaretBlinkTime(), 250u);
  EXPECT_FALSE(SetCaretBlinkTime(0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetCaretBlinkTime(), 250u);
  EXPECT_TRUE(SetCaretBlinkTime(INFINITE));
  EXPECT_EQ(GetCaretBlinkTime(), INFINITE);
}

// The caret turns at each blink period of the tick source; each turn repaints its rectangle.
// Hiding and showing keep the phase; moving it starts the blink again with the caret on.
TEST_F(CaretTest, BlinksWithTheTickAndKeepsItsPhaseThroughHideAndShow) {
  struct Step {
    int advance;
    const char* action;  // "", "hide", "show", "move"
    bool shown;
    bool repaint;  // the caret's rectangle was invalidated by this step
  };
  const Step steps[] = {
      {0, "show", true, true},
      {529, "", true, false},
      {1, "", false, true},     // 530: off
      {530, "", true, true},    // 1060: on
      {100, "hide", false, true},
      {430, "", false, false},  // 1590: off, hidden: nothing to repaint
      {10, "show", false, false},  // 1600: shown in the running phase, which is off
      {520, "", true, true},    // 2120: on, not restarted by the show
      {100, "move", true, true},  // 2220: the move keeps it on...
      {430, "", true, false},   // 2650: ...and restarts the period
      {100, "", false, true},   // 2750: off 530 ms after the move
  };
  ASSERT_TRUE(CreateCaret(window_, nullptr, 2, 14));
  ASSERT_TRUE(SetCaretPos(10, 20));
  EXPECT_FALSE(Shown());  // a new caret starts hidden
  int t = 0;
  for (const Step& step : steps) {
    Repainted();
    After(step.advance);
    t += step.advance;
    std::string action = step.action;
    if (action == "hide") {
      EXPECT_TRUE(HideCaret(window_));
    } else if (action == "show") {
      EXPECT_TRUE(ShowCaret(window_));
    } else if (action == "move") {
      EXPECT_TRUE(SetCaretPos(10, 20));
    }
    EXPECT_EQ(Shown(), step.shown) << "at " << t;
    EXPECT_EQ(Repainted(), step.repaint) << "at " << t;
  }
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(Shown());
  EXPECT_FALSE(DestroyCaret());
}

TEST_F(CaretTest, AChangedBlinkTimeTakesEffectAtOnceAndInfiniteStopsTheBlink) {
  ASSERT_TRUE(CreateCaret(window_, nullptr, 1, 10));
  ASSERT_TRUE(ShowCaret(window_));
  After(300);
  EXPECT_TRUE(SetCaretBlinkTime(100));  // restarts with the caret on
  EXPECT_TRUE(Shown());
  After(100);
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(SetCaretBlinkTime(INFINITE));
  EXPECT_TRUE(Shown());
  for (int i = 0; i < 5; ++i) {
    After(1000);
    EXPECT_TRUE(Shown());
  }
  // Only the owner's caret counts, and only while it is there.
  EXPECT_FALSE(jf::CaretShownIn(nullptr, nullptr));
  EXPECT_FALSE(ShowCaret(GetDesktopWindow()));
}

// The Edit control keeps the system caret at its insertion point while focused; its pixels
// invert and come back as the caret blinks.
TEST_F(CaretTest, EditControlDrawsTheBlinkingSystemCaret) {
  HWND edit = CreateWindowExW(0, L"Edit", L"abc", WS_CHILD | WS_VISIBLE, 10, 10, 150, 24, window_, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 3, 3);
  Pump();
  POINT at{};
  ASSERT_TRUE(GetCaretPos(&at));
  EXPECT_GT(at.x, 2);
  RECT caret{};
  ASSERT_TRUE(jf::CaretShownIn(edit, &caret));
  UpdateWindow(edit);
  auto dark = [&] {
    DWORD px = 0;
    EXPECT_TRUE(jf::TestWindowPixel(edit, caret.left, (caret.top + caret.bottom) / 2, &px));
    return (px & 0xFF) < 0x80;
  };
  EXPECT_TRUE(dark());  // the caret over the white field
  After(530);
  UpdateWindow(edit);
  EXPECT_FALSE(dark());
  After(530);
  UpdateWindow(edit);
  EXPECT_TRUE(dark());
  jf::TestKeyPress(VK_LEFT);  // moving shows it at once at the new place
  Pump();
  POINT moved{};
  GetCaretPos(&moved);
  EXPECT_LT(moved.x, at.x);
  EXPECT_TRUE(jf::CaretShownIn(edit, nullptr));
  SetFocus(window_);
  Pump();
  EXPECT_FALSE(jf::CaretShownIn(edit, nullptr));  // the focus took the caret with it
  DestroyWindow(edit);
}
