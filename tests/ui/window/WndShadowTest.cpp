#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "tests/platform/display/DisplayTestWindow.h"
#include "ui/window/WndShadow.h"

using SkinUI::CWndShadow;

namespace {

// Once per process: another test of the same program may have done it already.
bool InitializeOnce() {
  static const bool done = (CWndShadow::Initialize(GetModuleHandleW(nullptr)), true);
  return done;
}

RECT Rect(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return rc;
}

class WndShadowTest : public disptest::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(InitializeOnce());
    owner_ = disptest::Make(&handler_, WS_POPUP, 200, 150, 540, 434);
    shadow_ = std::make_unique<CWndShadow>();
    ASSERT_NE(shadow_->Create(owner_), nullptr);
  }
  void TearDown() override {
    shadow_.reset();
    if (IsWindow(owner_)) DestroyWindow(owner_);
    DisplayTest::TearDown();
  }
  BYTE Alpha(int x, int y) {
    DWORD px = 0;
    EXPECT_TRUE(jf::TestWindowPixel(shadow_->GetShadowWnd(), x, y, &px));
    return BYTE(px >> 24);
  }

  disptest::Handler handler_ = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
  HWND owner_ = nullptr;
  std::unique_ptr<CWndShadow> shadow_;
};

}  // namespace

TEST_F(WndShadowTest, SecondInitializeAndSecondShadowAreRefused) {
  EXPECT_FALSE(CWndShadow::Initialize(GetModuleHandleW(nullptr)));
  CWndShadow other;
  EXPECT_EQ(other.Create(owner_), nullptr);
  EXPECT_EQ(other.Create(nullptr), nullptr);
}

TEST_F(WndShadowTest, FollowsTheOwnerSizeAroundIt) {
  HWND s = shadow_->GetShadowWnd();
  EXPECT_FALSE(IsWindowVisible(s));
  EXPECT_EQ(shadow_->GetStatus(), CWndShadow::kEnabled);
  wchar_t cls[32] = {};
  GetClassNameW(s, cls, 32);
  EXPECT_STREQ(cls, L"VrShadowWnd");
  EXPECT_EQ(GetWindowLongPtrW(s, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
  EXPECT_EQ(GetWindow(s, GW_OWNER), owner_);

  ShowWindow(owner_, SW_SHOW);
  disptest::Pump();
  EXPECT_TRUE(IsWindowVisible(s));
  EXPECT_EQ(shadow_->GetStatus(), CWndShadow::kEnabled | CWndShadow::kVisible | CWndShadow::kParentVisible);
  RECT rc = Rect(s);
  EXPECT_EQ(rc.left, 186);
  EXPECT_EQ(rc.top, 136);
  EXPECT_EQ(rc.right - rc.left, 568);
  EXPECT_EQ(rc.bottom - rc.top, 462);

  SetWindowPos(owner_, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(Rect(s).left, 286);
  EXPECT_EQ(Rect(s).top, 236);
  // Shrinking rebuilds at once, growing at the next paint.
  SetWindowPos(owner_, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Rect(s).right - Rect(s).left, 428);
  SetWindowPos(owner_, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  InvalidateRect(owner_, nullptr, TRUE);
  UpdateWindow(owner_);
  EXPECT_EQ(Rect(s).right - Rect(s).left, 528);
  EXPECT_EQ(Rect(s).bottom - Rect(s).top, 428);

  ShowWindow(owner_, SW_MAXIMIZE);
  disptest::Pump();
  EXPECT_FALSE(IsWindowVisible(s));
  ShowWindow(owner_, SW_RESTORE);
  disptest::Pump();
  EXPECT_TRUE(IsWindowVisible(s));
  ShowWindow(owner_, SW_MINIMIZE);
  disptest::Pump();
  EXPECT_FALSE(IsWindowVisible(s));
  ShowWindow(owner_, SW_RESTORE);
  disptest::Pump();
  EXPECT_TRUE(IsWindowVisible(s));
  EXPECT_EQ(Rect(s).left, Rect(owner_).left - 14);
  ShowWindow(owner_, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(s));
  EXPECT_EQ(shadow_->GetStatus(), CWndShadow::kEnabled);
}

TEST_F(WndShadowTest, RingAlphasFadeInwardsAndTheMiddleStaysClear) {
  const BYTE rings[14] = {0, 0, 1, 2, 5, 8, 12, 17, 23, 30, 38, 47, 57, 67};
  ShowWindow(owner_, SW_SHOW);
  disptest::Pump();
  for (int k = 0; k < 14; ++k) {
    EXPECT_EQ(CWndShadow::RingAlpha(k, 14), rings[k]) << k;
    EXPECT_EQ(Alpha(k, 231), rings[k]) << "left " << k;          // middle of a column
    EXPECT_EQ(Alpha(567 - k, 231), rings[k]) << "right " << k;
    EXPECT_EQ(Alpha(284, k), rings[k]) << "top " << k;           // middle of a row
    EXPECT_EQ(Alpha(284, 461 - k), rings[k]) << "bottom " << k;
  }
  EXPECT_EQ(Alpha(14, 231), 0);
  EXPECT_EQ(Alpha(284, 231), 0);
  EXPECT_LT(Alpha(13, 14), 67);  // the corners fade
  DWORD px = 0;
  ASSERT_TRUE(jf::TestWindowPixel(shadow_->GetShadowWnd(), 13, 231, &px));
  EXPECT_EQ(px, 0x43151515u);  // 0x50 premultiplied by 67
  jf::TestWriteWindowPng(shadow_->GetShadowWnd(), std::string(JF_TEST_BIN_DIR) + "/shadow.png");
}

TEST_F(WndShadowTest, ThePointerPassesThrough) {
  ShowWindow(owner_, SW_SHOW);
  disptest::Pump();
  disptest::Handler below = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
  HWND under = disptest::Make(&below, WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
  SetWindowPos(under, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(WindowFromPoint(POINT{190, 140}), under);  // on the band
  DestroyWindow(under);
}

TEST_F(WndShadowTest, TheDelayedUpdateRunsOnceAfterASecond) {
  ShowWindow(owner_, SW_SHOW);
  disptest::Pump();
  HWND s = shadow_->GetShadowWnd();
  SetWindowPos(s, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);  // out of place
  jf::TickAdvance(999);
  disptest::Pump();
  EXPECT_EQ(Rect(s).right, 10);
  jf::TickAdvance(1);
  disptest::Pump();
  EXPECT_EQ(Rect(s).left, 186);
  SetWindowPos(s, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE);
  jf::TickAdvance(5000);
  disptest::Pump();
  EXPECT_EQ(Rect(s).right, 10);  // the timer is gone
}

TEST_F(WndShadowTest, OwnerDestroyedFirstOrShadowDeletedFirst) {
  HWND s = shadow_->GetShadowWnd();
  DestroyWindow(owner_);
  EXPECT_FALSE(IsWindow(s));
  shadow_.reset();  // detached already: nothing left to touch

  owner_ = disptest::Make(&handler_, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  LONG_PTR own = GetWindowLongPtrW(owner_, GWLP_WNDPROC);
  shadow_ = std::make_unique<CWndShadow>();
  s = shadow_->Create(owner_);
  EXPECT_NE(GetWindowLongPtrW(owner_, GWLP_WNDPROC), own);
  shadow_.reset();
  EXPECT_FALSE(IsWindow(s));
  EXPECT_EQ(GetWindowLongPtrW(owner_, GWLP_WNDPROC), own);
  SendMessageW(owner_, WM_SIZE, 0, MAKELPARAM(50, 50));  // no shadow to follow any more
}

// The owner's own procedure may destroy the owner, and the shadow object with it, while the
// shadow follows it: the hook must not touch the shadow afterwards (checked under ASan).
TEST_F(WndShadowTest, OwnerProcedureMayDestroyTheOwnerAndItsShadow) {
  using Step = void (*)(HWND);
  struct Row {
    const char* name;
    UINT msg;
    Step before;
    Step trigger;
  };
  const Step show = [](HWND h) { ShowWindow(h, SW_SHOW); };
  const Row rows[] = {
      {"show", WM_SHOWWINDOW, [](HWND) {}, show},
      {"hide", WM_SHOWWINDOW, show, [](HWND h) { ShowWindow(h, SW_HIDE); }},
      {"move", WM_MOVE, show, [](HWND h) { SetWindowPos(h, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }},
      {"shrink", WM_SIZE, show, [](HWND h) { SetWindowPos(h, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER); }},
      {"restore", WM_SIZE, [](HWND h) { ShowWindow(h, SW_SHOW), ShowWindow(h, SW_MAXIMIZE); },
       [](HWND h) { ShowWindow(h, SW_RESTORE); }},
      {"paint", WM_PAINT, show, [](HWND h) { InvalidateRect(h, nullptr, TRUE), UpdateWindow(h); }},
  };
  for (const Row& row : rows) {
    shadow_.reset();
    if (IsWindow(owner_)) DestroyWindow(owner_);
    bool armed = false;
    handler_ = [&](HWND h, UINT m, WPARAM w, LPARAM l) {
      if (armed && m == row.msg) {
        armed = false;
        DestroyWindow(h);
        shadow_.reset();
        return LRESULT(0);
      }
      return DefWindowProcW(h, m, w, l);
    };
    owner_ = disptest::Make(&handler_, WS_POPUP, 200, 150, 540, 434);
    shadow_ = std::make_unique<CWndShadow>();
    HWND s = shadow_->Create(owner_);
    ASSERT_NE(s, nullptr) << row.name;
    row.before(owner_);
    disptest::Pump();
    armed = true;
    row.trigger(owner_);
    EXPECT_FALSE(armed) << row.name << ": the message came";
    EXPECT_FALSE(IsWindow(owner_)) << row.name;
    EXPECT_FALSE(IsWindow(s)) << row.name;
    disptest::Pump();
  }
  handler_ = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
}
