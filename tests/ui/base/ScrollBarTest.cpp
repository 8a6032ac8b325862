// The scroll bar's numbers: defaults, the pieces' layout, clamping, presses, auto-repeat,
// thumb drags with and without an owner, and the "scroll" notifications.
#include <gtest/gtest.h>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/layout/VerticalLayoutUI.h"

using namespace SkinUI;
using frametest::Narrow;
using frametest::Str;

namespace {

TEST(ScrollBarTest, Defaults) {
  CScrollBarUI bar;
  EXPECT_FALSE(bar.IsHorizontal());
  EXPECT_EQ(bar.GetFixedWidth(), 8);
  EXPECT_EQ(bar.GetFixedHeight(), 0);
  EXPECT_EQ(bar.GetScrollRange(), 100);
  EXPECT_EQ(bar.GetScrollPos(), 0);
  EXPECT_EQ(bar.GetLineSize(), 8);
  EXPECT_TRUE(bar.IsButtonShown(1));
  EXPECT_TRUE(bar.IsButtonShown(2));
  EXPECT_FALSE(bar.IsButtonShown(3));
  EXPECT_FALSE(bar.IsButtonShown(4));
  EXPECT_STREQ(bar.GetClass(), L"ScrollBarUI");
  EXPECT_EQ(bar.GetInterface(L"ScrollBar"), &bar);
  bar.SetHorizontal(true);
  EXPECT_EQ(bar.GetFixedWidth(), 0);
  EXPECT_EQ(bar.GetFixedHeight(), 8);
}

struct LayoutCase {
  const char* name;
  const wchar_t* attributes;
  RECT pos;
  std::string button1, button2, thumb;
};

TEST(ScrollBarTest, PiecesLayout) {
  const LayoutCase cases[] = {
      {"vertical, position 50", L"value=\"50\"", {0, 0, 8, 100}, "0,0,8,8", "0,92,8,100", "0,29,8,71"},
      {"thumb at least three widths", L"range=\"10000\" value=\"10000\"", {0, 0, 8, 100}, "0,0,8,8",
       "0,92,8,100", "0,68,8,92"},
      {"range 0 fills the track", L"range=\"-5\"", {0, 0, 8, 100}, "0,0,8,8", "0,92,8,100", "0,8,8,92"},
      {"no room for a thumb", L"", {0, 0, 8, 10}, "0,0,8,5", "0,5,8,10", "0,0,0,0"},
      {"horizontal thumb at least one height", L"hor=\"true\" range=\"100000\"", {10, 20, 110, 28},
       "10,20,18,28", "102,20,110,28", "18,20,26,28"},
      {"home and end buttons shown", L"showbutton3=\"true\" showbutton4=\"true\" value=\"100\"", {0, 0, 8, 100},
       "0,8,8,16", "0,84,8,92", "0,50,8,84"},
      {"line buttons hidden", L"showbutton1=\"false\" showbutton2=\"false\"", {0, 0, 8, 100}, "0,0,0,0",
       "0,100,0,100", "0,0,8,50"},
  };
  for (const LayoutCase& c : cases) {
    CScrollBarUI bar;
    bar.ApplyAttributeList(c.attributes);
    bar.SetPos(c.pos);
    EXPECT_EQ(Str(bar.GetButton1Rect()), c.button1) << c.name;
    EXPECT_EQ(Str(bar.GetButton2Rect()), c.button2) << c.name;
    EXPECT_EQ(Str(bar.GetThumbRect()), c.thumb) << c.name;
  }
  CScrollBarUI bar;
  bar.SetScrollRange(-5);
  EXPECT_EQ(bar.GetScrollRange(), 0);
  bar.SetScrollPos(40);
  EXPECT_EQ(bar.GetScrollPos(), 0);
  bar.SetScrollRange(50);
  bar.SetScrollPos(80);
  EXPECT_EQ(bar.GetScrollPos(), 50);
  bar.SetScrollRange(20);
  EXPECT_EQ(bar.GetScrollPos(), 20);
}

// A bar without owner in a real window: presses move it and report "scroll".
class ScrollBarWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open());
    auto* root = new CVerticalLayoutUI;
    bar = new CScrollBarUI;
    bar->SetName(L"bar");
    bar->SetFixedHeight(100);
    root->Add(bar);
    host.manager.AttachDialog(root);
    host.manager.AddNotifier(&log);
    root->SetPos(RECT{0, 0, 300, 200});
  }
  void TearDown() override { ::DestroyWindow(host.GetHWND()); }
  void Send(int type, int x, int y, WPARAM wParam = 0) {
    UIEventRecord e;
    e.type = type;
    e.mouse = POINT{x, y};
    e.wParam = wParam;
    bar->Event(e);
  }
  int Scrolls() const {
    int n = 0;
    for (const std::string& e : log.entries) n += e == "bar:scroll";
    return n;
  }
  frametest::HostWnd host;
  CScrollBarUI* bar = nullptr;
  frametest::NotifyLog log;
};

TEST_F(ScrollBarWindowTest, ButtonRepeatsFromTheSixthTick) {
  ASSERT_EQ(Str(bar->GetButton2Rect()), "0,92,8,100");
  Send(UIEVENT_BUTTONDOWN, 4, 95);
  EXPECT_EQ(bar->GetScrollPos(), 8);
  EXPECT_EQ(Scrolls(), 1);
  for (int tick = 1; tick <= 5; ++tick) Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar->GetScrollPos(), 8);
  EXPECT_EQ(Scrolls(), 1);
  Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar->GetScrollPos(), 24);
  EXPECT_EQ(Scrolls(), 3);
  Send(UIEVENT_TIMER, 0, 0, 11);  // another timer: the base turns it into "timer"
  EXPECT_EQ(bar->GetScrollPos(), 24);
  Send(UIEVENT_BUTTONUP, 4, 95);
  EXPECT_EQ(bar->GetButton2State() & UISTATE_PUSHED, 0u);
  Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar->GetScrollPos(), 24) << "the release ends the repeat";
  Send(UIEVENT_BUTTONDOWN, 4, 4);
  EXPECT_EQ(bar->GetScrollPos(), 16);
  Send(UIEVENT_BUTTONUP, 4, 4);
}

TEST_F(ScrollBarWindowTest, RailPagesAndThumbDrags) {
  // Thumb of 42 at 8..50; a press below it pages by the bar's length.
  Send(UIEVENT_BUTTONDOWN, 4, 80);
  EXPECT_EQ(bar->GetScrollPos(), 100);
  Send(UIEVENT_BUTTONUP, 4, 80);
  Send(UIEVENT_BUTTONDOWN, 4, 20);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  Send(UIEVENT_BUTTONUP, 4, 20);
  // Drag: 21 pixels over the divisor 100 - 42 - 2 * 8 = 42 is 21 * 100 / 42 = 50, applied at the tick.
  ASSERT_EQ(Str(bar->GetThumbRect()), "0,8,8,50");
  Send(UIEVENT_BUTTONDOWN, 4, 30);
  EXPECT_NE(bar->GetThumbState() & UISTATE_CAPTURED, 0u);
  Send(UIEVENT_MOUSEMOVE, 4, 51);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar->GetScrollPos(), 50);
  Send(UIEVENT_BUTTONUP, 4, 51);
  EXPECT_EQ(bar->GetThumbState() & (UISTATE_CAPTURED | UISTATE_PUSHED), 0u);
  bar->SetEnabled(false);
  Send(UIEVENT_BUTTONDOWN, 4, 95);
  EXPECT_EQ(bar->GetScrollPos(), 50) << "a disabled bar ignores presses";
}

// Disabling the bar while a button is held stops the repeat; a line size at the ends of the int
// range saturates at the ends of the bar instead of wrapping.
TEST_F(ScrollBarWindowTest, DisabledWhileHeldStopsAndLinesSaturate) {
  Send(UIEVENT_BUTTONDOWN, 4, 95);
  ASSERT_EQ(bar->GetScrollPos(), 8);
  bar->SetEnabled(false);
  for (int tick = 1; tick <= 8; ++tick) Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar->GetScrollPos(), 8);
  Send(UIEVENT_BUTTONUP, 4, 95);
  bar->SetEnabled(true);
  struct Case {
    const wchar_t* lineSize;
    int x, y;  // button 1 at the top, button 2 at the bottom
    int pos;
  } cases[] = {{L"2147483647", 4, 95, 100}, {L"2147483647", 4, 4, 0},
               {L"-2147483648", 4, 95, 0},  {L"-2147483648", 4, 4, 100}};
  for (const Case& c : cases) {
    bar->SetScrollPos(50);
    bar->SetAttribute(L"linesize", c.lineSize);
    Send(UIEVENT_BUTTONDOWN, c.x, c.y);
    EXPECT_EQ(bar->GetScrollPos(), c.pos) << Narrow(c.lineSize) << " " << c.y;
    Send(UIEVENT_BUTTONUP, c.x, c.y);
  }
}

// A bar too short for a thumb has no rail: a press between its two buttons, held or not,
// scrolls nothing.
TEST_F(ScrollBarWindowTest, BarWithoutAThumbHasNoRail) {
  bar->SetFixedHeight(22);
  bar->GetParent()->SetPos(RECT{0, 0, 300, 200});
  ASSERT_EQ(Str(bar->GetThumbRect()), "0,0,0,0");
  ASSERT_EQ(Str(bar->GetButton1Rect()) + " " + Str(bar->GetButton2Rect()), "0,0,8,8 0,14,8,22");
  POINT held = {4, 11};
  ClientToScreen(host.GetHWND(), &held);
  SetCursorPos(held.x, held.y);
  Send(UIEVENT_BUTTONDOWN, 4, 11);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  for (int tick = 1; tick <= 8; ++tick) Send(UIEVENT_TIMER, 0, 0, CScrollBarUI::kRepeatTimerId);
  Send(UIEVENT_BUTTONUP, 4, 11);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  Send(UIEVENT_BUTTONDOWN, 4, 18);
  EXPECT_EQ(bar->GetScrollPos(), 8) << "the buttons still step";
  Send(UIEVENT_BUTTONUP, 4, 18);
}

// A bar shorter than its buttons and the least thumb keeps the thumb on the track between the
// buttons, and a drag follows the pointer over the room the thumb has, or does nothing.
TEST(ScrollBarTest, ShortBarKeepsTheThumbOnTheTrack) {
  struct Case {
    const wchar_t* attributes;
    int height;
    std::string thumb;
    int dy;   // a drag of the thumb by this many pixels
    int pos;  // from 50
  } cases[] = {
      {L"value=\"50\"", 36, "0,8,8,28", 2, 50},                                      // no room: no drag
      {L"value=\"50\"", 44, "0,10,8,34", 2, 100},                                    // 4 pixels of room
      {L"value=\"50\" showbutton1=\"false\" showbutton2=\"false\"", 20, "0,0,8,20", 2, 50},
      {L"value=\"50\" showbutton1=\"false\" showbutton2=\"false\"", 28, "0,2,8,26", -1, 25},
      {L"value=\"50\" showbutton3=\"true\" showbutton4=\"true\"", 52, "0,16,8,36", 2, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.attributes) + " " + std::to_string(c.height));
    CScrollBarUI bar;
    bar.ApplyAttributeList(c.attributes);
    bar.SetPos(RECT{0, 0, 8, c.height});
    EXPECT_EQ(Str(bar.GetThumbRect()), c.thumb);
    RECT thumb = bar.GetThumbRect();
    int y = (thumb.top + thumb.bottom) / 2;
    UIEventRecord e;
    e.type = UIEVENT_BUTTONDOWN;
    e.mouse = POINT{4, y};
    bar.Event(e);
    e.type = UIEVENT_MOUSEMOVE;
    e.mouse = POINT{4, y + c.dy};
    bar.Event(e);
    e.type = UIEVENT_TIMER;
    e.wParam = CScrollBarUI::kRepeatTimerId;
    bar.Event(e);
    EXPECT_EQ(bar.GetScrollPos(), c.pos);
    e.type = UIEVENT_BUTTONUP;
    bar.Event(e);
  }
}

TEST(ScrollBarOwnerTest, OwnerScrollsAndNothingIsReported) {
  CVerticalLayoutUI list;
  list.EnableScrollBar(true, false);
  for (int i = 0; i < 5; ++i) {
    auto* row = new CControlUI;
    row->SetFixedHeight(100);
    list.Add(row);
  }
  list.SetPos(RECT{0, 0, 200, 300});
  CScrollBarUI* bar = list.GetVerticalScrollBar();
  ASSERT_EQ(bar->GetOwner(), &list);
  UIEventRecord e;
  e.type = UIEVENT_BUTTONDOWN;
  e.mouse = POINT{196, 295};
  bar->Event(e);
  EXPECT_EQ(list.GetScrollPos().cy, 8) << "the owner's line step";
  e.type = UIEVENT_BUTTONUP;
  bar->Event(e);
  // The wheel over the list goes through the container.
  e.type = UIEVENT_SCROLLWHEEL;
  e.wParam = 1;
  list.Event(e);
  EXPECT_EQ(list.GetScrollPos().cy, 16);
  e.wParam = 0;
  list.Event(e);
  EXPECT_EQ(list.GetScrollPos().cy, 8);
  e.type = UIEVENT_KEYDOWN;
  e.key = VK_END;
  list.Event(e);
  EXPECT_EQ(list.GetScrollPos().cy, 200);
  EXPECT_EQ(list.GetItemAt(0)->GetPos().top, -200);
}

}  // namespace

namespace {

TEST(ScrollLineTest, ALineIsTheDefaultFontHeightPlusEight) {
  frametest::HostWnd host;
  ASSERT_TRUE(host.Open(0, 0, 200, 100));
  auto* list = new CVerticalLayoutUI;
  list->EnableScrollBar(true, false);
  for (int i = 0; i < 10; ++i) {
    auto* row = new CControlUI;
    row->SetFixedHeight(50);
    list->Add(row);
  }
  host.manager.AttachDialog(list);
  ::UpdateWindow(host.GetHWND());
  int height = host.manager.GetDefaultFontInfo()->tm.tmHeight;
  ASSERT_GT(height, 0);
  list->LineDown();
  EXPECT_EQ(list->GetScrollPos().cy, height + 8);
  list->PageDown();
  EXPECT_EQ(list->GetScrollPos().cy, height + 8 + 100);
  list->HomeUp();
  EXPECT_EQ(list->GetItemAt(0)->GetPos().top, 0);
  ::DestroyWindow(host.GetHWND());
}

}  // namespace
