// The control base: attributes and their number lists, flags and visibility, placing and
// invalidation, the painted layers, and where events go.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"

using namespace SkinUI;
using frametest::ProbeUI;
using frametest::Str;

namespace {

TEST(ControlAttributesTest, NumberListsAndValues) {
  const struct {
    const wchar_t* name;
    const wchar_t* value;
    std::string fixed;  // fixed x, fixed y, fixed width, fixed height
  } posCases[] = {
      {L"pos", L"10,20,110,50", "10,20,100,30"},
      {L"pos", L"-1,5,-61,25", "-61,5,0,20"},  // width -60 is ignored
      {L"pos", L"10,20", "10,20,0,0"},         // a short list stops at its end
      {L"pos", L"7", "7,0,0,0"},
      {L"pos", L"", "0,0,0,0"},
      {L"pos", L"5 6 15 16", "5,6,10,10"},      // any one separator
      {L"pos", L"99999999999,0,0,0", "1000000,0,0,0"},  // bounded
      {L"pos", L"0,0,2147483647,2147483647", "0,0,1000000,1000000"},
      {L"width", L"2147483647", "0,0,1000000,0"},
      {L"width", L"40", "0,0,40,0"},
      {L"height", L"-3", "0,0,0,0"},
  };
  for (const auto& c : posCases) {
    CControlUI control;
    control.SetAttribute(c.name, c.value);
    SIZE xy = control.GetFixedXY();
    std::string got = std::to_string(xy.cx) + "," + std::to_string(xy.cy) + "," +
                      std::to_string(control.GetFixedWidth()) + "," + std::to_string(control.GetFixedHeight());
    EXPECT_EQ(got, c.fixed) << frametest::Narrow(c.name) << "=" << frametest::Narrow(c.value);
  }

  CControlUI control;
  const struct {
    const wchar_t* name;
    const wchar_t* value;
    DWORD (CControlUI::*get)() const;
    DWORD expected;
  } colours[] = {
      {L"bkcolor", L"#FF102030", &CControlUI::GetBkColor, 0xFF102030},
      {L"bkcolor1", L"  \t#80FFFFFF", &CControlUI::GetBkColor, 0x80FFFFFF},
      {L"bkcolor2", L"0xffffffff", &CControlUI::GetBkColor2, 0xFFFFFFFF},
      {L"bkcolor3", L"12345678", &CControlUI::GetBkColor3, 0x12345678},
      {L"bordercolor", L"#FF00FF00", &CControlUI::GetBorderColor, 0xFF00FF00},
      {L"focusbordercolor", L"FFAABBCC", &CControlUI::GetFocusBorderColor, 0xFFAABBCC},
  };
  for (const auto& c : colours) {
    control.SetAttribute(c.name, c.value);
    EXPECT_EQ((control.*c.get)(), c.expected) << frametest::Narrow(c.name);
  }
  control.SetAttribute(L"bordersize", L"2");
  EXPECT_EQ(control.GetBorderSize(), 2);
  EXPECT_EQ(Str(control.GetBorderSizes()), "0,0,0,0");
  control.SetAttribute(L"bordersize", L"0,1,0,1");
  EXPECT_EQ(control.GetBorderSize(), 2);
  EXPECT_EQ(Str(control.GetBorderSizes()), "0,1,0,1");
  control.SetAttribute(L"leftbordersize", L"3");
  EXPECT_EQ(control.GetBorderSizes().left, 3);
  control.SetAttribute(L"borderround", L"4");
  EXPECT_EQ(control.GetBorderRound().cx, 4);
  EXPECT_EQ(control.GetBorderRound().cy, 0);
  control.SetAttribute(L"padding", L"1,2,3");
  EXPECT_EQ(Str(control.GetPadding()), "1,2,3,0");
  control.SetAttribute(L"relativepos", L"50,0,0,100");
  EXPECT_TRUE(control.IsRelativePos());
  EXPECT_EQ(control.GetRelativePos().zoomY, 100);
  control.SetAttribute(L"shortcut", L"kx");
  EXPECT_EQ(control.GetShortcut(), L'k');
  control.SetAttribute(L"tooltip", L"a<n>b<n>");
  EXPECT_EQ(control.GetToolTip(), CUIString(L"a\r\nb\r\n"));
  control.SetAttribute(L"visible", L"TRUE");
  EXPECT_FALSE(control.IsVisible()) << "only the exact \"true\" is true";
  control.SetAttribute(L"visible", L"true");
  EXPECT_TRUE(control.IsVisible());
  control.SetAttribute(L"menu", L"true");
  EXPECT_TRUE(control.IsContextMenuUsed());
  control.SetAttribute(L"no-such-attribute", L"1");
  control.SetAttribute(nullptr, L"1");
  control.SetAttribute(L"text", nullptr);
  EXPECT_TRUE(control.GetText().IsEmpty());
}

TEST(ControlAttributesTest, AttributeListsNeedOneBlankBetweenPairs) {
  const struct {
    const wchar_t* list;
    const char* name;
    const char* text;
  } cases[] = {
      {L"name=\"a\" text=\"b\"", "a", "b"},
      {L"name=\"a\"  text=\"b\"", "a", ""},  // two blanks end the list
      {L"name=\"a\"text=\"b\"", "a", ""},
      {L"name=\"a\" ", "a", ""},
      {L"name=\"a", "", ""},                 // no closing quote: nothing
      {L"name=a\"", "", ""},
      {L"name", "", ""},
      {L"text=\"中文 \" name=\"x\"", "x", "?? "},
      {L"", "", ""},
  };
  for (const auto& c : cases) {
    CControlUI control;
    EXPECT_EQ(control.ApplyAttributeList(c.list), &control);
    EXPECT_EQ(frametest::Narrow(control.GetName()), c.name) << frametest::Narrow(c.list);
    EXPECT_EQ(frametest::Narrow(control.GetText()), c.text) << frametest::Narrow(c.list);
  }
}

TEST(ControlFlagsTest, VisibilityEnablingAndSizes) {
  CHorizontalLayoutUI parent;
  auto* child = new CControlUI;
  parent.Add(child);
  parent.SetEnabled(false);
  EXPECT_FALSE(child->IsEnabled()) << "a disabled ancestor disables";
  parent.SetEnabled(true);
  EXPECT_TRUE(child->IsEnabled());
  child->SetInternVisible(false);
  EXPECT_FALSE(child->IsVisible());
  child->SetInternVisible(true);
  EXPECT_TRUE(child->IsVisible());
  child->SetFixedHeight(10);
  child->SetFixedHeight(-1);
  EXPECT_EQ(child->GetFixedHeight(), 10);
  child->SetMinWidth(-5);
  EXPECT_EQ(child->GetMinWidth(), 0);
  EXPECT_EQ(child->GetMaxWidth(), 9999);
  EXPECT_EQ(child->GetToolTipWidth(), 300);
  EXPECT_STREQ(child->GetClass(), L"ControlUI");
  EXPECT_EQ(child->GetInterface(L"Control"), child);
  EXPECT_EQ(child->GetInterface(L"Other"), nullptr);
  EXPECT_TRUE(child->Activate());
  child->SetVisible(false);
  EXPECT_FALSE(child->Activate());
  // SetPos keeps right >= left and bottom >= top.
  child->SetPos(RECT{10, 10, 5, 3});
  EXPECT_EQ(Str(child->GetPos()), "10,10,10,10");
}

// A window of 200 x 100 with a row (0..200 x 0..50) holding two 100-wide children.
class ControlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Open(0, 0, 200, 100));
    root = new CVerticalLayoutUI;
    row = new CHorizontalLayoutUI;
    row->SetFixedHeight(50);
    left = new ProbeUI(L"left");
    right = new ProbeUI(L"right");
    row->Add(left);
    row->Add(right);
    root->Add(row);
    host.manager.AttachDialog(root);
    host.manager.AddNotifier(&log);
    ::UpdateWindow(host.GetHWND());
    frametest::Pump();
  }
  void TearDown() override { ::DestroyWindow(host.GetHWND()); }
  std::string Dirty() {
    RECT rc;
    if (!::GetUpdateRect(host.GetHWND(), &rc, FALSE)) return "none";
    ::ValidateRect(host.GetHWND(), nullptr);
    return Str(rc);
  }
  frametest::HostWnd host;
  frametest::NotifyLog log;
  CVerticalLayoutUI* root = nullptr;
  CHorizontalLayoutUI* row = nullptr;
  ProbeUI* left = nullptr;
  ProbeUI* right = nullptr;
};

TEST_F(ControlWindowTest, InvalidationIsClippedByAncestors) {
  ::ValidateRect(host.GetHWND(), nullptr);
  left->SetPos(RECT{10, 10, 30, 30});
  EXPECT_EQ(Dirty(), "0,0,100,50") << "the old rectangle joined with the new";
  left->SetPos(RECT{150, 60, 190, 90});
  EXPECT_EQ(Dirty(), "10,10,190,50") << "clipped by the row";
  left->SetPos(RECT{300, 300, 310, 310});
  left->SetPos(RECT{320, 300, 330, 310});
  EXPECT_EQ(Dirty(), "none") << "outside its parent nothing is repainted";
  right->Invalidate();
  EXPECT_EQ(Dirty(), "100,0,200,50");
  right->SetVisible(false);
  Dirty();
  right->Invalidate();
  EXPECT_EQ(Dirty(), "none") << "an invisible control asks for nothing";
  right->SetText(L"x");
  right->SetText(L"x");
  EXPECT_EQ(Dirty(), "none");
}

TEST_F(ControlWindowTest, FloatingChildrenKeepTheirEdge) {
  auto* badge = new CControlUI;
  badge->SetFloat(true);
  badge->SetFixedXY(SIZE{-30, 5});
  badge->SetFixedWidth(20);
  badge->SetFixedHeight(10);
  row->Add(badge);
  ::UpdateWindow(host.GetHWND());
  EXPECT_EQ(Str(badge->GetPos()), "150,5,170,15");
  badge->SetPos(RECT{160, 20, 170, 40});
  EXPECT_EQ(badge->GetFixedXY().cx, -30) << "counted from the right: 170 - 200";
  EXPECT_EQ(badge->GetFixedXY().cy, 20);
  EXPECT_EQ(badge->GetFixedWidth(), 10);
  EXPECT_EQ(badge->GetFixedHeight(), 20);
}

TEST_F(ControlWindowTest, EventsClimbToTheParentAndMenusNotify) {
  log.entries.clear();
  UIEventRecord e;
  e.type = UIEVENT_BUTTONDOWN;
  left->Event(e);
  EXPECT_EQ(left->Count(UIEVENT_BUTTONDOWN), 1);
  e.type = UIEVENT_CONTEXTMENU;
  e.wParam = 5;
  left->Event(e);
  EXPECT_TRUE(log.entries.empty()) << "without the menu flag the context menu climbs";
  left->SetContextMenuUsed(true);
  left->Event(e);
  EXPECT_EQ(log.entries, std::vector<std::string>{"left:menu"});
  EXPECT_EQ(log.last.wParam, 5u);
  // Right-button down, then the context menu message: the pressed control gets the menu.
  log.entries.clear();
  ::SendMessageW(host.GetHWND(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
  ::SendMessageW(host.GetHWND(), WM_CONTEXTMENU, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(std::count(log.entries.begin(), log.entries.end(), "left:menu"), 1);
  EXPECT_FALSE(host.manager.IsCaptured());
}

TEST_F(ControlWindowTest, OtherMessagesOfTheManager) {
  LRESULT result = 0;
  MINMAXINFO info = {};
  info.ptMaxTrackSize = POINT{5000, 5000};
  host.manager.SetMinInfo(120, 0);
  host.manager.SetMaxInfo(0, 700);
  EXPECT_FALSE(host.manager.MessageHandler(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), result));
  EXPECT_EQ(info.ptMinTrackSize.x, 120);
  EXPECT_EQ(info.ptMinTrackSize.y, 0);
  EXPECT_EQ(info.ptMaxTrackSize.x, 5000);
  EXPECT_EQ(info.ptMaxTrackSize.y, 700);
  EXPECT_TRUE(host.manager.MessageHandler(WM_ERASEBKGND, 0, 0, result));
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(host.manager.MessageHandler(WM_COMMAND, 0, 0, result));
  EXPECT_TRUE(host.manager.MessageHandler(WM_NOTIFY, 0, 0, result));
  // The client area printed into a DC of our own.
  HDC screen = ::GetDC(host.GetHWND());
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, 100);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  left->SetBkColor(0xFF0000FF);
  EXPECT_FALSE(host.manager.MessageHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT, result));
  EXPECT_EQ(::GetPixel(dc, 50, 25), RGB(0, 0, 255));
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(host.GetHWND(), screen);
}

// Painting into a 32-bit DIB: which pixels each layer touches.
class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = kW;
    bmi.bmiHeader.biHeight = -kH;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    dc = ::CreateCompatibleDC(nullptr);
    bitmap = ::CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = ::SelectObject(dc, bitmap);
  }
  void TearDown() override {
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
  DWORD At(int x, int y) const {
    return bits[y * kW + x];
  }
  static constexpr int kW = 120;
  static constexpr int kH = 110;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  DWORD* bits = nullptr;
};

TEST_F(PaintTest, OpaqueColourFillsThePaintRectTranslucentTheItem) {
  CControlUI opaque;
  opaque.SetBkColor(0xFFFF0000);
  opaque.SetPos(RECT{0, 0, 40, 40});
  opaque.DoPaint(dc, RECT{0, 0, 20, 20});
  EXPECT_EQ(At(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(At(30, 30), 0u);
  CControlUI glass;
  glass.SetBkColor(0x8000FF00);
  glass.SetPos(RECT{50, 0, 90, 40});
  glass.DoPaint(dc, RECT{50, 0, 70, 20});
  EXPECT_NE(At(80, 30), 0u) << "the whole item";
  EXPECT_EQ(At(100, 30), 0u);
  CControlUI outside;
  outside.SetBkColor(0xFF0000FF);
  outside.SetPos(RECT{0, 50, 10, 60});
  outside.DoPaint(dc, RECT{100, 100, 110, 110});
  EXPECT_EQ(At(5, 55), 0u) << "a paint rectangle that misses the item paints nothing";
}

TEST_F(PaintTest, ThreeColourGradientSplitsAtTheMiddle) {
  CControlUI control;
  control.SetBkColor(0xFF000000);
  control.SetBkColor2(0xFF0000FF);
  control.SetBkColor3(0xFF000000);
  control.SetPos(RECT{0, 0, 10, 101});
  control.DoPaint(dc, RECT{0, 0, 10, 101});
  EXPECT_EQ(At(5, 0) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(At(5, 50) & 0xFFFFFF, 0x0000FFu) << "the second gradient starts at (0 + 101) / 2";
  EXPECT_GT(At(5, 30) & 0xFF, 0u);
  EXPECT_LT(At(5, 30) & 0xFF, 0xFFu);
  EXPECT_GT(At(5, 49) & 0xFF, At(5, 30) & 0xFF);
  EXPECT_LT(At(5, 90) & 0xFF, At(5, 60) & 0xFF);
}

TEST_F(PaintTest, BorderPrecedence) {
  struct Case {
    const char* name;
    int size;
    RECT sides;
    DWORD focus;
    bool focused;
    std::vector<std::pair<POINT, DWORD>> pixels;  // expected RGB
  };
  const DWORD red = 0xFF0000, blue = 0x0000FF;
  const Case cases[] = {
      {"plain border", 1, {0, 0, 0, 0}, 0, false, {{{0, 0}, red}, {{39, 39}, red}, {{1, 1}, 0}, {{20, 20}, 0}}},
      {"focused without a focus colour", 1, {0, 0, 0, 0}, 0, true, {{{0, 20}, red}}},
      {"focused with a focus colour", 2, {0, 0, 0, 0}, 0xFF0000FF, true, {{{1, 20}, blue}, {{2, 20}, 0}}},
      {"unfocused keeps the border colour", 1, {0, 0, 0, 0}, 0xFF0000FF, false, {{{0, 20}, red}}},
      {"top side only", 1, {0, 2, 0, 0}, 0, false, {{{20, 0}, red}, {{20, 1}, red}, {{20, 2}, 0}, {{0, 20}, 0}}},
      {"left and bottom sides", 0, {3, 0, 0, 1}, 0, false,
       {{{0, 20}, red}, {{2, 20}, red}, {{3, 20}, 0}, {{20, 39}, red}, {{20, 38}, 0}, {{39, 20}, 0}}},
  };
  for (const Case& c : cases) {
    std::fill(bits, bits + kW * kH, 0u);
    CControlUI control;
    control.SetBorderColor(0xFFFF0000);
    control.SetFocusBorderColor(c.focus);
    control.SetBorderSize(c.size);
    control.SetBorderSizes(c.sides);
    if (c.focused) {
      UIEventRecord e;
      e.type = UIEVENT_SETFOCUS;
      control.Event(e);
    }
    control.SetPos(RECT{0, 0, 40, 40});
    control.DoPaint(dc, RECT{0, 0, kW, kH});
    for (const auto& p : c.pixels)
      EXPECT_EQ(At(p.first.x, p.first.y) & 0xFFFFFF, p.second) << c.name << " at " << p.first.x << "," << p.first.y;
  }
}

TEST_F(PaintTest, ABrokenImageIsTriedOnce) {
  CControlUI control;
  control.SetBkImage(L"file='missing.png'");
  control.SetPos(RECT{0, 0, 10, 10});
  control.DoPaint(dc, RECT{0, 0, 10, 10});
  // Without a manager the renderer cannot draw: the string is dropped.
  EXPECT_TRUE(control.GetBkImage().IsEmpty());
}

}  // namespace
