#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/ButtonUI.h"
#include "ui/control/EditUI.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

class EditTest : public ControlTest {
 protected:
  CEditUI* MakeEdit() {
    other_ = Place(new CButtonUI, L"other", RECT{10, 100, 110, 130});
    return Place(new CEditUI, L"e", RECT{10, 10, 210, 40});
  }
  CButtonUI* other_ = nullptr;
};

}  // namespace

TEST_F(EditTest, TypingGoesThroughTheNativeWindow) {
  CEditUI* edit = MakeEdit();
  EXPECT_EQ(edit->GetNativeWindow(), nullptr);
  Click(50, 25);
  HWND native = edit->GetNativeWindow();
  ASSERT_NE(native, nullptr);
  wchar_t cls[32] = {};
  GetClassNameW(native, cls, 32);
  EXPECT_STREQ(cls, L"EditWnd");
  EXPECT_EQ(GetFocus(), native);
  EXPECT_EQ(GetParent(native), host_.GetHWND());
  RECT rc{};
  GetWindowRect(native, &rc);
  int font = host_.manager.GetFontInfo(-1)->tm.tmHeight;
  EXPECT_EQ(rc.left, kX + 14);  // the text padding
  EXPECT_EQ(rc.right, kX + 206);
  EXPECT_EQ(rc.bottom - rc.top, font);  // one line, centred
  EXPECT_EQ(rc.top, kY + 13 + (24 - font) / 2);

  Type(L"ab中");
  EXPECT_EQ(edit->GetText(), L"ab中");
  EXPECT_EQ(log_.Of("textchanged"), (Strings{"e", "e", "e"}));
  Key(VK_RETURN);
  EXPECT_EQ(log_.Of("return"), Strings{"e"});
  EXPECT_EQ(edit->GetNativeWindow(), native);  // Enter does not close it
  edit->SetText(L"set");
  EXPECT_EQ(WindowText(native), L"set");
  EXPECT_EQ(log_.Of("textchanged").size(), 4u);  // exactly one for SetText

  Click(50, 115);  // the focus leaves: the native window closes itself
  Pump();
  EXPECT_EQ(edit->GetNativeWindow(), nullptr);
  EXPECT_FALSE(IsWindow(native));
  EXPECT_EQ(edit->GetText(), L"set");
  edit->SetText(L"closed");  // closed: the control itself notifies
  EXPECT_EQ(log_.Of("textchanged").size(), 5u);
}

TEST_F(EditTest, LimitsReadOnlyNumbersAndDisabled) {
  CEditUI* edit = MakeEdit();
  edit->SetAttribute(L"maxchar", L"3");
  edit->SetAttribute(L"numberonly", L"true");
  Click(50, 25);
  Type(L"1a2345");
  EXPECT_EQ(edit->GetText(), L"123");
  edit->SetAttribute(L"maxchar", L"5");  // applies to the open window at once
  Type(L"45");
  EXPECT_EQ(edit->GetText(), L"12345");
  edit->SetAttribute(L"readonly", L"true");
  Type(L"6");
  EXPECT_EQ(edit->GetText(), L"12345");
  Click(50, 115);
  edit->SetEnabled(false);
  EXPECT_EQ(edit->GetControlFlags(), 0u);
  Click(50, 25);
  edit->SetFocus();
  Pump();
  EXPECT_EQ(edit->GetNativeWindow(), nullptr);  // never opens while disabled
}

TEST_F(EditTest, DisablingWhileTheNativeWindowIsOpenStopsTyping) {
  CEditUI* edit = MakeEdit();
  Click(50, 25);
  HWND native = edit->GetNativeWindow();
  ASSERT_NE(native, nullptr);
  Type(L"a");
  ASSERT_EQ(edit->GetText(), L"a");
  size_t changes = log_.Of("textchanged").size();
  edit->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(native));
  Type(L"bc");
  EXPECT_EQ(edit->GetText(), L"a");
  EXPECT_EQ(log_.Of("textchanged").size(), changes);
  if (edit->GetNativeWindow() == native) {
    edit->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(native));
  }
}

TEST_F(EditTest, ClosedPaintingShowsPasswordAndHint) {
  CEditUI* edit = MakeEdit();
  edit->SetAttribute(L"hinttext", L"请输入路径");
  Layout();
  // No hint colour given: the manager's disabled text colour.
  DWORD hint = host_.manager.GetDefaultDisabledColor();
  EXPECT_EQ(edit->GetHintColor(), hint);
  RECT area{10, 10, 210, 40};
  // The darkest ink is the hint colour (antialiased edges are lighter).
  DWORD darkest = 0xFFFFFF;
  auto sum = [](DWORD c) { return (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF); };
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (sum(Pixel(x, y)) < sum(darkest)) darkest = Pixel(x, y);
    }
  }
  for (int shift : {16, 8, 0}) EXPECT_NEAR(int(darkest >> shift & 0xFF), int(hint >> shift & 0xFF), 24) << shift;
  Png("edit_hint");

  edit->SetAttribute(L"password", L"true");
  edit->SetText(L"abc");
  Layout();
  int stars = Inked(area, 0xFFFFFF);
  CEditUI* clear = Place(new CEditUI, L"c", RECT{10, 50, 210, 80});
  clear->SetText(L"***");
  Layout();
  EXPECT_EQ(Inked(RECT{10, 50, 210, 80}, 0xFFFFFF), stars);  // three stars, not the text
  // Opened in password mode, the native window hides the text too.
  Click(50, 25);
  ASSERT_NE(edit->GetNativeWindow(), nullptr);
  EXPECT_NE(GetWindowLongPtrW(edit->GetNativeWindow(), GWL_STYLE) & ES_PASSWORD, 0);
  edit->SetAttribute(L"password", L"false");  // only at the next opening
  EXPECT_NE(GetWindowLongPtrW(edit->GetNativeWindow(), GWL_STYLE) & ES_PASSWORD, 0);
}

TEST_F(EditTest, DestroyingTheOwnerClosesItsNativeWindowFirst) {
  CEditUI* edit = MakeEdit();
  Click(50, 25);
  HWND native = edit->GetNativeWindow();
  ASSERT_NE(native, nullptr);
  root_->SetDelayedDestroy(false);
  root_->Remove(edit);  // deleted at once, its native window open and focused
  EXPECT_FALSE(IsWindow(native));
  Pump();
  Type(L"x");
  Click(50, 25);
}

TEST_F(EditTest, HidingClosesTheNativeWindow) {
  CEditUI* edit = MakeEdit();
  Click(50, 25);
  HWND native = edit->GetNativeWindow();
  ASSERT_NE(native, nullptr);
  edit->SetVisible(false);
  Pump();
  EXPECT_FALSE(IsWindow(native));
  EXPECT_EQ(edit->GetNativeWindow(), nullptr);
}
