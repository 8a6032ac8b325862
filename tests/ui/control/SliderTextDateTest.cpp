#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/DateTimeUI.h"
#include "ui/control/SliderUI.h"
#include "ui/control/TextUI.h"

#include <commctrl.h>

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

class SmallControlTest : public ControlTest {
 protected:
  // A 200-wide slider at 10..210 with a 10-pixel thumb: the track is 190 long.
  CSliderUI* MakeSlider(const wchar_t* attrs = L"") {
    auto* s = new CSliderUI;
    s->ApplyAttributeList(attrs);
    return Place(s, L"s", RECT{10, 10, 210, 30});
  }
  void Raise(CControlUI* c, int type, POINT pt, WPARAM w = 0) {
    UIEventRecord e;
    e.type = type;
    e.mouse = pt;
    e.wParam = w;
    c->Event(e);
  }
};

std::string Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  snprintf(text, sizeof(text), "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  return text;
}

}  // namespace

TEST_F(SmallControlTest, SliderValueFromPointTable) {
  CSliderUI* s = MakeSlider();
  struct Case {
    int x;
    int value;
  };
  const Case horizontal[] = {{0, 0}, {15, 0}, {16, 0}, {34, 10}, {110, 50}, {204, 99}, {205, 100}, {400, 100}};
  for (const Case& c : horizontal) EXPECT_EQ(s->ValueFromPoint(POINT{c.x, 20}), c.value) << c.x;
  s->SetValue(50);
  EXPECT_EQ(frametest::Str(s->GetThumbRect()), "105,15,115,25");

  CSliderUI* v = Place(new CSliderUI, L"v", RECT{300, 10, 320, 210});
  v->SetAttribute(L"hor", L"false");
  EXPECT_EQ(v->ValueFromPoint(POINT{310, 209}), 0);
  EXPECT_EQ(v->ValueFromPoint(POINT{310, 11}), 100);
  EXPECT_EQ(v->ValueFromPoint(POINT{310, 110}), 50);
  v->SetValue(100);
  EXPECT_EQ(frametest::Str(v->GetThumbRect()), "305,10,315,20");  // the maximum at the top
}

TEST_F(SmallControlTest, SliderDegenerateRangesAndTracks) {
  struct Case {
    const wchar_t* attrs;
    RECT pos;
  };
  const Case cases[] = {
      {L"min=\"5\" max=\"5\" value=\"5\"", {10, 10, 210, 30}},
      {L"thumbsize=\"10,10\"", {10, 10, 20, 30}},  // track as long as the thumb
      {L"thumbsize=\"30,10\"", {10, 10, 20, 30}},  // shorter than the thumb
      {L"hor=\"false\" min=\"7\" max=\"7\" value=\"7\"", {10, 10, 30, 210}},
      {L"hor=\"false\" thumbsize=\"10,40\"", {10, 10, 30, 30}},
  };
  for (const Case& c : cases) {
    auto* s = new CSliderUI;
    s->ApplyAttributeList(c.attrs);
    Place(s, L"d", c.pos);
    if (wcsstr(c.attrs, L"max")) s->SetMaxValue(s->GetMinValue());  // a paint raised it: empty again
    for (int x : {-100, 0, 15, 25, 1000}) EXPECT_EQ(s->ValueFromPoint(POINT{x, x}), s->GetMinValue());
    RECT thumb = s->GetThumbRect();
    if (s->IsHorizontal()) {
      EXPECT_EQ(thumb.left, c.pos.left) << Narrow(c.attrs);
    } else {
      EXPECT_EQ(thumb.bottom, c.pos.bottom) << Narrow(c.attrs);
    }
    Raise(s, UIEVENT_BUTTONUP, POINT{15, 15});
    Layout();
    root_->Remove(s);
  }
  EXPECT_TRUE(log_.Of("valuechanged").empty());
}

TEST_F(SmallControlTest, SliderClickDragAndWheel) {
  CSliderUI* s = MakeSlider(L"value=\"20\" step=\"5\"");
  Click(110, 20);  // on the track, away from the thumb
  EXPECT_EQ(s->GetValue(), 50);
  EXPECT_EQ(log_.Of("valuechanged"), Strings{"s"});
  Down(110, 20);  // on the thumb now
  EXPECT_NE(s->GetButtonState() & UISTATE_CAPTURED, 0u);
  Move(400, 20);
  EXPECT_EQ(s->GetValue(), 100);
  Move(-50, 20);
  EXPECT_EQ(s->GetValue(), 0);
  Move(110, 20);
  EXPECT_EQ(log_.Of("valuechanged").size(), 1u);  // nothing while dragging
  Up(110, 20);
  EXPECT_EQ(log_.Of("valuechanged").size(), 1u);  // back where it started
  Down(110, 20);
  Move(205, 20);
  Up(205, 20);
  EXPECT_EQ(s->GetValue(), 100);
  EXPECT_EQ(log_.Of("valuechanged").size(), 2u);
  jf::TestMouseWheel(WHEEL_DELTA);  // at the maximum: still reported
  Pump();
  EXPECT_EQ(s->GetValue(), 100);
  jf::TestMouseWheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(s->GetValue(), 95);
  EXPECT_EQ(log_.Of("valuechanged").size(), 4u);
  s->SetChangeStep(2147483647);  // a step past the int range changes nothing
  jf::TestMouseWheel(WHEEL_DELTA);
  Pump();
  EXPECT_EQ(s->GetValue(), 95);
  Move(60, 20);
  s->SetEnabled(false);
  EXPECT_EQ(s->GetButtonState(), 0u);
}

TEST_F(SmallControlTest, TextLinksHoverAndClick) {
  auto* t = Place(new CTextUI, L"t", RECT{10, 10, 400, 60});
  EXPECT_EQ(t->GetTextStyle(), UINT(DT_WORDBREAK));
  t->SetAttribute(L"showhtml", L"true");
  t->SetText(L"see {a first}one{/a} and {a second}two{/a}");
  Layout();
  ASSERT_EQ(t->GetLinkCount(), 2);
  EXPECT_EQ(*t->GetLinkContent(1), L"second");
  EXPECT_EQ(t->GetControlFlags(), UINT(UIFLAG_SETCURSOR));
  RECT second = t->GetLinkRect(1);
  int x = (second.left + second.right) / 2, y = (second.top + second.bottom) / 2;
  Move(x, y);
  EXPECT_EQ(t->GetHoverLink(), 1);
  Click(x, y);
  EXPECT_EQ(log_.entries.back(), "t:link 1,0");
  Move(5, 200);
  EXPECT_EQ(t->GetHoverLink(), -1);
  t->SetEnabled(false);
  Layout();
  Click(x, y);
  EXPECT_EQ(log_.Of("link").size(), 1u);
  EXPECT_EQ(t->GetControlFlags(), 0u);

  auto* plain = Place(new CTextUI, L"p", RECT{10, 70, 400, 120});
  plain->SetText(L"no links here");
  Layout();
  EXPECT_EQ(plain->GetLinkCount(), 0);
  EXPECT_EQ(plain->GetControlFlags(), 0u);
  SIZE size = plain->EstimateSize(SIZE{390, 0});
  EXPECT_GT(size.cx, 4);
  EXPECT_GT(size.cy, 0);
}

TEST_F(SmallControlTest, DateTimeOpensPickerAndWritesTheDateBack) {
  auto* d = Place(new CDateTimeUI, L"d", RECT{10, 10, 210, 40});
  EXPECT_EQ(Narrow(d->GetText()), Today());
  SYSTEMTIME start{};
  start.wYear = 2024;
  start.wMonth = 2;
  start.wDay = 29;
  d->SetTime(start);
  EXPECT_EQ(d->GetText(), L"2024-02-29");
  Click(50, 25);
  HWND picker = d->GetNativeWindow();
  ASSERT_NE(picker, nullptr);
  wchar_t cls[32] = {};
  GetClassNameW(picker, cls, 32);
  EXPECT_STREQ(cls, L"DateTimeWnd");
  EXPECT_EQ(GetFocus(), picker);
  Key(VK_UP);  // the year
  Click(100, 300);  // the focus leaves: the date goes back and the picker closes
  Pump();
  EXPECT_EQ(d->GetText(), L"2025-02-28");
  EXPECT_EQ(d->GetNativeWindow(), nullptr);
  EXPECT_FALSE(IsWindow(picker));

  Click(50, 25);
  ASSERT_NE(d->GetNativeWindow(), nullptr);
  Key(VK_UP);
  Key(VK_ESCAPE);  // keeps the text
  Pump();
  EXPECT_EQ(d->GetText(), L"2025-02-28");
  EXPECT_EQ(d->GetNativeWindow(), nullptr);

  Click(100, 300);
  Click(50, 25);
  Key(VK_DELETE);  // empties the text
  Pump();
  EXPECT_TRUE(d->GetText().IsEmpty());
  Click(100, 300);
  Click(50, 25);  // an empty text starts again from today
  Click(100, 300);
  Pump();
  EXPECT_EQ(Narrow(d->GetText()), Today());
  EXPECT_TRUE(log_.Of("textchanged").empty());

  Click(50, 25);  // deleted while its picker is open: the picker goes first
  picker = d->GetNativeWindow();
  ASSERT_NE(picker, nullptr);
  root_->SetDelayedDestroy(false);
  root_->Remove(d);
  EXPECT_FALSE(IsWindow(picker));
  Pump();
}

// A disabled slider takes neither a click nor the wheel, from the pointer or as raised events.
TEST_F(SmallControlTest, DisabledSliderTakesNoClickNorWheel) {
  CSliderUI* s = MakeSlider(L"value=\"20\" step=\"5\"");
  s->SetEnabled(false);
  Click(110, 20);
  Move(110, 20);
  jf::TestMouseWheel(WHEEL_DELTA);
  Pump();
  Raise(s, UIEVENT_BUTTONDOWN, POINT{110, 20});
  Raise(s, UIEVENT_BUTTONUP, POINT{150, 20});
  Raise(s, UIEVENT_SCROLLWHEEL, POINT{110, 20}, SB_LINEDOWN);
  EXPECT_EQ(s->GetValue(), 20);
  EXPECT_TRUE(log_.Of("valuechanged").empty());
  // Enabled again, it does.
  s->SetEnabled(true);
  Raise(s, UIEVENT_SCROLLWHEEL, POINT{110, 20}, SB_LINEDOWN);
  EXPECT_EQ(s->GetValue(), 15);
}
