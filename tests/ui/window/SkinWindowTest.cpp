// Skinned windows built from a small skin, headless: the painted pixels, the hit test,
// round corners, caption buttons, Escape only in modal loops, the modal loop's result,
// centring, a window without its skin, and the animation driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "tests/support/ui/UiTestSupport.h"
#include "tests/ui/base/FrameTestSupport.h"
#include "tests/ui/window/SkinTestWindow.h"
#include "tests/support/SurfacePng.h"
#include "ui/base/IUIAnimation.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/window/WndShadow.h"

using namespace SkinUI;
using frametest::Pump;
using frametest::SkinWnd;
using frametest::Str;

namespace {

class SkinWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new uitest::TempFolder;
    // 12 x 12: a 4-pixel red frame around green.
    std::vector<uint32_t> pixels(144);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x)
        pixels[y * 12 + x] = (x < 4 || y < 4 || x >= 8 || y >= 8) ? 0xFFFF0000u : 0xFF00FF00u;
    folder->Write("grid.png", uitest::MakePng(12, 12, pixels));
    CWindowManagerUI::SetResourcePath(folder->Win().c_str());
  }
  static void TearDownTestSuite() {
    delete folder;
    folder = nullptr;
  }
  void SetUp() override { jf::TestResetInput(); }
  HWND Open(SkinWnd& wnd, int x = 300, int y = 200) {
    // Created without a size, the window takes the skin's; then it is moved into place.
    HWND hwnd = wnd.Create(nullptr, L"skin", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    if (!hwnd) return nullptr;
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateWindow(hwnd);
    Pump();
    return hwnd;
  }
  static DWORD Pixel(HWND hwnd, int x, int y) {
    DWORD argb = 0;
    EXPECT_TRUE(jf::TestWindowPixel(hwnd, x, y, &argb));
    return argb;
  }
  static std::string Png(const char* name) { return std::string(JF_TEST_BIN_DIR) + "/" + name; }
  static uitest::TempFolder* folder;
};

uitest::TempFolder* SkinWindowTest::folder = nullptr;

TEST_F(SkinWindowTest, BuildsPaintsAndLooksRight) {
  SkinWnd wnd;
  HWND hwnd = Open(wnd);
  ASSERT_TRUE(hwnd);
  EXPECT_EQ(wnd.initialised, 1);
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(Str(rc), "300,200,500,320") << "the skin's size";
  CWindowManagerUI& m = wnd.GetManager();
  ASSERT_NE(m.FindControl(L"panel"), nullptr);
  EXPECT_EQ(Str(m.FindControl(L"panel")->GetPos()), "10,40,190,90");
  EXPECT_EQ(Str(m.FindControl(L"btn_close")->GetPos()), "170,0,200,30");
  EXPECT_EQ(std::count(wnd.notes.begin(), wnd.notes.end(), "root:windowinit"), 1);
  ASSERT_TRUE(jf::TestWriteWindowPng(hwnd, Png("uiframe_skin.png")));

  const struct {
    const char* what;
    int x, y;
    DWORD argb;
  } points[] = {
      {"caption background", 60, 25, 0xFF808080}, {"close button", 185, 15, 0xFFC00000},
      {"layout background", 100, 35, 0xFF204060}, {"nine-grid corner", 11, 41, 0xFFFF0000},
      {"nine-grid far corner", 188, 88, 0xFFFF0000}, {"nine-grid middle", 100, 65, 0xFF00FF00},
      {"nine-grid edge keeps its width", 100, 42, 0xFFFF0000}, {"below the text line", 100, 117, 0xFF204060},
  };
  for (const auto& p : points) EXPECT_EQ(Pixel(hwnd, p.x, p.y), p.argb) << p.what;
  // Text: dark pixels inside the white line's rectangle (10,90)-(190,114), none on its
  // right part, where "Hello" does not reach.
  int dark = 0;
  int darkOutside = 0;
  for (int y = 90; y < 114; ++y) {
    for (int x = 10; x < 190; ++x) {
      DWORD px = Pixel(hwnd, x, y);
      bool isDark = (px & 0xFF) < 0x80 && ((px >> 8) & 0xFF) < 0x80;
      (x < 100 ? dark : darkOutside) += isDark;
    }
  }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(darkOutside, 0);
  // Round corners: the window's region leaves the corner out and keeps the middle.
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(hwnd, region), ERROR);
  EXPECT_FALSE(::PtInRegion(region, 0, 0));
  EXPECT_FALSE(::PtInRegion(region, 199, 119));
  EXPECT_TRUE(::PtInRegion(region, 100, 60));
  EXPECT_TRUE(::PtInRegion(region, 6, 0));
  ::DeleteObject(region);
  ::DestroyWindow(hwnd);
  EXPECT_EQ(wnd.finals, 1);
}

TEST_F(SkinWindowTest, HitTest) {
  SkinWnd wnd;
  HWND hwnd = Open(wnd, 100, 100);
  auto hit = [hwnd](int x, int y) {
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(100 + x, 100 + y));
  };
  const struct {
    int x, y;
    LRESULT expected;
  } cases[] = {{2, 60, HTLEFT},      {198, 60, HTRIGHT},   {100, 2, HTTOP},        {100, 118, HTBOTTOM},
               {2, 2, HTTOPLEFT},    {198, 2, HTTOPRIGHT}, {2, 118, HTBOTTOMLEFT}, {198, 118, HTBOTTOMRIGHT},
               {60, 15, HTCAPTION},  {185, 15, HTCLIENT},  {100, 60, HTCLIENT},    {100, 29, HTCAPTION}};
  for (const auto& c : cases) EXPECT_EQ(hit(c.x, c.y), c.expected) << c.x << "," << c.y;
  // A size grip, and nothing of the borders while maximised.
  wnd.GetManager().SetGripSize(10, 10);
  EXPECT_EQ(hit(192, 112), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(188, 112), HTCLIENT);
  ::ShowWindow(hwnd, SW_MAXIMIZE);
  Pump();
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(Str(rc), "0,0,1920,1040") << "the work area, not the monitor";
  POINT origin = {rc.left, rc.top};
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 2, origin.y + 60)), HTCLIENT);
  ::DestroyWindow(hwnd);
}

TEST_F(SkinWindowTest, CaptionButtonsAndCloseHandling) {
  SkinWnd wnd;
  HWND hwnd = Open(wnd, 100, 100);
  // A click on btn_close posts WM_CLOSE with code 1; a derived OnClose may keep the window.
  wnd.allowClose = false;
  jf::TestMouseMove(100 + 185, 100 + 15);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  EXPECT_EQ(std::count(wnd.notes.begin(), wnd.notes.end(), "btn_close:click"), 1);
  EXPECT_EQ(wnd.closes, 1);
  EXPECT_TRUE(::IsWindow(hwnd));
  // SC_CLOSE becomes WM_CLOSE; with OnClose letting it go the window is destroyed.
  wnd.allowClose = true;
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_EQ(wnd.closes, 2);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(wnd.finals, 1);
}

// A window that deletes its object at its final message, as a message box does. (Its click
// handler destroying it is a row of HandlerDestroysTest.)
class SelfDeletingWnd : public SkinWnd {
 public:
  explicit SelfDeletingWnd(bool* deleted) : m_deleted(deleted) {}
  ~SelfDeletingWnd() override { *m_deleted = true; }
  void OnFinalMessage(HWND hwnd) override {
    SkinWnd::OnFinalMessage(hwnd);
    delete this;
  }
  bool* m_deleted;
};

TEST_F(SkinWindowTest, EscapeClosesOnlyInsideShowModal) {
  SkinWnd modeless;
  HWND hwnd = Open(modeless, 50, 50);
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(modeless.closes, 0);
  // In a modal loop Escape closes with code 1.
  SkinWnd modal;
  HWND box = modal.Create(hwnd, L"box", WS_POPUP, 0, 60, 60, 0, 0);
  ASSERT_TRUE(box);
  ::PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(modal.ShowModal(), 1u);
  EXPECT_TRUE(::IsWindowEnabled(hwnd));
  // Close(2) ends the loop with 2; a WM_QUIT ends it and is posted again.
  SkinWnd second;
  box = second.Create(hwnd, L"box", WS_POPUP, 0, 60, 60, 0, 0);
  second.Close(2);
  EXPECT_EQ(second.ShowModal(), 2u);
  SkinWnd third;
  box = third.Create(hwnd, L"box", WS_POPUP, 0, 60, 60, 0, 0);
  ::PostQuitMessage(7);
  third.ShowModal();
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  ::DestroyWindow(box);
  ::DestroyWindow(hwnd);
}

TEST_F(SkinWindowTest, AModalWindowMayDeleteItselfInItsFinalMessage) {
  SkinWnd owner;
  HWND main = Open(owner, 50, 50);
  // Closed with a code: the loop ends after the object is gone.
  bool deleted = false;
  auto* box = new SelfDeletingWnd(&deleted);
  HWND hwnd = box->Create(main, L"box", WS_POPUP, 0, 0, 0, 0, 0);
  ASSERT_TRUE(hwnd);
  box->Close(3);
  EXPECT_EQ(box->ShowModal(), 3u);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(::IsWindowEnabled(main));
  ::DestroyWindow(main);
}

TEST_F(SkinWindowTest, CentredOnTheWorkAreaOrTheOwner) {
  SkinWnd wnd;
  wnd.CenterWindow();  // no window yet: nothing
  HWND hwnd = Open(wnd, 0, 0);
  wnd.CenterWindow();
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(Str(rc), "860,460,1060,580");
  SkinWnd child;
  HWND owned = child.Create(hwnd, L"child", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
  ::SetWindowPos(hwnd, nullptr, -150, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  child.CenterWindow();
  ::GetWindowRect(owned, &rc);
  EXPECT_EQ(Str(rc), "0,10,200,130") << "kept inside the work area";
  ::DestroyWindow(owned);
  ::DestroyWindow(hwnd);
}

TEST_F(SkinWindowTest, MissingSkinResourceLeavesAnEmptyWindow) {
  SkinWnd wnd(L"main.xml", UILIB_ZIPRESOURCE);
  HWND hwnd = wnd.Create(nullptr, L"empty", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 80);
  ASSERT_TRUE(hwnd);
  EXPECT_EQ(wnd.GetManager().GetRoot(), nullptr);
  EXPECT_EQ(wnd.initialised, 0);
  ::UpdateWindow(hwnd);
  Pump();
  ::DestroyWindow(hwnd);
  EXPECT_EQ(wnd.finals, 1) << "the final message without a tree does nothing more";
}

TEST_F(SkinWindowTest, UnreadableSkinEndsTheProcess) {
  EXPECT_EXIT(
      {
        jf::TestSetMessageBoxAnswer([](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
          fprintf(stderr, "box:%d:%d\n", text == L"加载资源文件失败", caption == L"SkinUI");
          return IDOK;
        });
        SkinWnd wnd(L"<Window><Broken", UILIB_FILE);
        wnd.Create(nullptr, L"bad", WS_POPUP, 0, 0, 0, 10, 10);
      },
      ::testing::ExitedWithCode(1), "box:1:1");
}

class ZipSkinWnd : public SkinWnd {
 public:
  using SkinWnd::SkinWnd;
  LPCWSTR GetSkinResourceID() const override { return MAKEINTRESOURCEW(150); }
};

TEST_F(SkinWindowTest, SkinFromTheExecutablesResources) {
  // Type 3: the XML itself is resource 9 of type "xml".
  SkinWnd fromXml(L"9", UILIB_RESOURCE);
  HWND first = Open(fromXml, 0, 0);
  ASSERT_NE(fromXml.GetManager().FindControl(L"panel"), nullptr);
  // Type 4: the archive "ZIPRES" 150 is copied once and serves every later window.
  ZipSkinWnd one(L"main.xml", UILIB_ZIPRESOURCE);
  HWND a = Open(one, 0, 0);
  ASSERT_NE(one.GetManager().FindControl(L"panel"), nullptr);
  const BYTE* copy = CWindowManagerUI::GetResourceZipBuffer();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(CWindowManagerUI::GetResourceZip(), CUIString(L"membuffer"));
  ZipSkinWnd two(L"main.xml", UILIB_ZIPRESOURCE);
  HWND b = Open(two, 0, 0);
  ASSERT_NE(two.GetManager().FindControl(L"panel"), nullptr);
  EXPECT_EQ(CWindowManagerUI::GetResourceZipBuffer(), copy);
  EXPECT_EQ(Pixel(b, 11, 11), 0xFFFF0000u) << "the image comes out of the archive";
  EXPECT_EQ(Pixel(b, 80, 30), 0xFF00FF00u);
  EXPECT_EQ(Pixel(b, 80, 80), 0xFF336699u);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(::GetWindowRgn(b, region), ERROR) << "no round corners, no region";
  ::DeleteObject(region);
  for (HWND w : {first, a, b}) ::DestroyWindow(w);
}

TEST_F(SkinWindowTest, ShadowIsMadeAndFreedWithTheWindow) {
  CWndShadow::Initialize(::GetModuleHandleW(nullptr));
  std::wstring skin = frametest::kSkin;
  skin.replace(skin.find(L"roundcorner"), 0, L"shadow=\"true\" ");
  auto* wnd = new SkinWnd(skin);
  HWND hwnd = Open(*wnd, 300, 300);
  ASSERT_NE(wnd->GetShadow(), nullptr);
  HWND shadow = wnd->GetShadow()->GetShadowWnd();
  EXPECT_TRUE(::IsWindow(shadow));
  ::DestroyWindow(hwnd);
  delete wnd;
  EXPECT_FALSE(::IsWindow(shadow));
  // With "selfshadow" the window draws its own shadow and makes no shadow window.
  skin.replace(skin.find(L"roundcorner"), 0, L"selfshadow=\"true\" ");
  SkinWnd self(skin);
  hwnd = Open(self, 300, 300);
  EXPECT_EQ(self.GetShadow(), nullptr);
  ::DestroyWindow(hwnd);
}

TEST_F(SkinWindowTest, DirtyRectanglesAreOutlined) {
  std::wstring skin = frametest::kSkin;
  skin.replace(skin.find(L"roundcorner"), 0, L"showdirty=\"true\" ");
  SkinWnd wnd(skin);
  HWND hwnd = Open(wnd, 0, 0);
  RECT part = {20, 50, 60, 80};
  ::InvalidateRect(hwnd, &part, FALSE);
  ::UpdateWindow(hwnd);
  EXPECT_EQ(Pixel(hwnd, 20, 50) & 0xFFFFFF, 0xDC0000u);
  EXPECT_EQ(Pixel(hwnd, 59, 79) & 0xFFFFFF, 0xDC0000u);
  EXPECT_EQ(Pixel(hwnd, 40, 65), 0xFF00FF00u) << "inside, the panel's middle";
  ::DestroyWindow(hwnd);
}

TEST_F(SkinWindowTest, LayeredWindowPaintsIntoItsOwnBackground) {
  std::wstring skin = frametest::kSkin;
  skin.replace(skin.find(L"roundcorner"), 0, L"bktrans=\"true\" ");
  SkinWnd wnd(skin);
  wnd.GetManager().SetOffscreenPaint(false);
  HWND hwnd = Open(wnd, 10, 10);
  EXPECT_NE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_EQ(Pixel(hwnd, 11, 41), 0xFFFF0000u) << "the image survived a paint without off-screen DCs";
  EXPECT_EQ(Pixel(hwnd, 60, 25), 0xFF808080u);
  ::DestroyWindow(hwnd);
  // Its own shadow: the image's nine-grid without a middle around a root shrunk by the border.
  skin.replace(skin.find(L"roundcorner"), 0,
               L"selfshadow=\"true\" shadowimage=\"grid.png\" shadowborder=\"4,4,4,4\" ");
  SkinWnd shadowed(skin);
  hwnd = Open(shadowed, 10, 10);
  ASSERT_TRUE(jf::TestWriteWindowPng(hwnd, Png("uiframe_selfshadow.png")));
  EXPECT_EQ(Pixel(hwnd, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(hwnd, 1, 60), 0xFFFF0000u);
  EXPECT_EQ(Pixel(hwnd, 8, 60), 0xFF204060u) << "the root begins after the border";
  ::DestroyWindow(hwnd);
}

// The same window object created a second time takes its skin's size and a tree of its own
// again: it paints, takes clicks and has its shadow, as the first window did.
TEST_F(SkinWindowTest, AWindowCreatedAgainTakesItsSkinsSizeAgain) {
  CWndShadow::Initialize(::GetModuleHandleW(nullptr));
  std::wstring skin = frametest::kSkin;
  skin.replace(skin.find(L"roundcorner"), 0, L"shadow=\"true\" ");
  SkinWnd wnd(skin);
  jf::TickOverride(5000000);
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    HWND hwnd = Open(wnd, 100, 100);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(wnd.initialised, round);
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(Str(rc), "100,100,300,220");
    CControlUI* panel = wnd.GetManager().FindControl(L"panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(Str(panel->GetPos()), "10,40,190,90");
    EXPECT_EQ(Pixel(hwnd, 60, 25), 0xFF808080u);
    ASSERT_NE(wnd.GetShadow(), nullptr);
    RECT shadow = {0, 0, 0, 0};
    ::GetWindowRect(wnd.GetShadow()->GetShadowWnd(), &shadow);
    EXPECT_GT(shadow.right - shadow.left, 200);
    wnd.allowClose = false;
    jf::TestMouseMove(100 + 185, 100 + 15);
    jf::TestMouseClick(VK_LBUTTON);
    Pump();
    EXPECT_EQ(std::count(wnd.notes.begin(), wnd.notes.end(), "btn_close:click"), round);
    ::DestroyWindow(hwnd);
    Pump();
    jf::TickAdvance(1000);  // the next click is no double click
  }
  jf::TickRestore();
}

// Animations: one 20 ms timer for any number, removal during a step, interval checks.
class CountingAnimation : public IUIAnimation {
 public:
  CountingAnimation(CUIAnimationDriver* driver, DWORD interval, int stopAfter = -1)
      : IUIAnimation(driver), m_interval(interval), m_stopAfter(stopAfter) {}
  DWORD GetAnimationInterval() const override { return m_interval; }
  void OnAnimationStep() override {
    IUIAnimation::OnAnimationStep();
    ++steps;
    if (steps == m_stopAfter) StopAnimation();
    if (other) other->StopAnimation();
  }
  int steps = 0;
  DWORD m_interval;
  int m_stopAfter;
  IUIAnimation* other = nullptr;
};

TEST(AnimationDriverTest, OneTimerSteppedByInterval) {
  frametest::HostWnd host;
  ASSERT_TRUE(host.Open());
  CUIAnimationDriver* driver = host.manager.GetAnimationDriver();
  ASSERT_NE(driver, nullptr);
  jf::TickOverride(100000);
  CountingAnimation fast(driver, 15);
  CountingAnimation slow(driver, 50);
  fast.StartAnimation();
  fast.StartAnimation();
  slow.StartAnimation();
  EXPECT_EQ(driver->GetCount(), 2u);
  EXPECT_NE(driver->GetTimerId(), 0u);
  for (int tick = 0; tick < 5; ++tick) {
    jf::TickAdvance(20);
    driver->OnTimer();
  }
  EXPECT_EQ(fast.steps, 5) << "a 15 ms animation steps on every 20 ms tick";
  // The window timer itself drives the same walk.
  jf::TickAdvance(20);
  Pump();
  EXPECT_EQ(fast.steps, 6);
  EXPECT_EQ(slow.steps, 2);
  EXPECT_EQ(slow.steps, 2) << "the first tick, then the one at or after 50 ms";
  slow.StopAnimation();
  EXPECT_NE(driver->GetTimerId(), 0u);
  fast.StopAnimation();
  EXPECT_EQ(driver->GetTimerId(), 0u);
  EXPECT_FALSE(fast.IsAnimationRunning());
  // An animation that stops itself on its last frame, and one that stops another mid-walk.
  CountingAnimation once(driver, 10, 1);
  CountingAnimation stopper(driver, 10);
  CountingAnimation victim(driver, 10);
  stopper.other = &victim;
  once.StartAnimation();
  stopper.StartAnimation();
  victim.StartAnimation();
  jf::TickAdvance(20);
  driver->OnTimer();
  EXPECT_EQ(once.steps, 1);
  EXPECT_FALSE(once.IsAnimationRunning());
  EXPECT_LE(victim.steps, 1);
  EXPECT_FALSE(victim.IsAnimationRunning());
  stopper.StopAnimation();
  EXPECT_EQ(driver->GetTimerId(), 0u);
  // Destroying a running animation takes it out of the driver.
  { CountingAnimation gone(driver, 10); gone.StartAnimation(); }
  EXPECT_EQ(driver->GetCount(), 0u);
  jf::TickRestore();
  ::DestroyWindow(host.GetHWND());
}

// A window created again for the same manager restarts its animation driver: the running
// animations and new ones step on the new window's timer.
TEST(AnimationDriverTest, AWindowCreatedAgainRestartsTheDriver) {
  frametest::HostWnd host;
  ASSERT_TRUE(host.Open());
  jf::TickOverride(100000);
  CUIAnimationDriver* driver = host.manager.GetAnimationDriver();
  CountingAnimation running(driver, 10);
  running.StartAnimation();
  ::DestroyWindow(host.GetHWND());
  Pump();
  ASSERT_TRUE(host.Open());
  ASSERT_EQ(host.manager.GetAnimationDriver(), driver);
  EXPECT_NE(driver->GetTimerId(), 0u);
  CountingAnimation fresh(driver, 10);
  fresh.StartAnimation();
  jf::TickAdvance(20);
  Pump();
  EXPECT_EQ(running.steps, 1);
  EXPECT_EQ(fresh.steps, 1);
  running.StopAnimation();
  fresh.StopAnimation();
  EXPECT_EQ(driver->GetTimerId(), 0u);
  jf::TickRestore();
  ::DestroyWindow(host.GetHWND());
  Pump();
}

}  // namespace
