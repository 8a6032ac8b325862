#include "tests/ui/list/ListTestHost.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/control/ButtonUI.h"
#include "ui/control/LabelUI.h"
#include "ui/core/Delegate.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ComboBoxUI.h"
#include "ui/list/ComboUI.h"
#include "ui/list/ComboWnd.h"

using namespace listtest;
using frametest::Str;

namespace {

class ComboTest : public ListTest {
 public:
  // A row's event delegate: the row takes itself out of its combo as the pointer enters it.
  bool RemoveOnEnter(void* param) {
    auto* event = static_cast<UIEventRecord*>(param);
    if (event->type == UIEVENT_MOUSEENTER && removeFrom_) {
      removeFrom_->Remove(event->sender);
      removeFrom_ = nullptr;
      return false;
    }
    return true;
  }

 protected:
  CComboUI* MakeCombo(int rows, RECT rc = RECT{10, 10, 160, 32}) {
    CComboUI* combo = new CComboUI;
    for (int i = 0; i < rows; ++i) combo->Add(Row(i));
    return Place(combo, L"combo", rc);
  }
  CComboUI* removeFrom_ = nullptr;
  HWND DropDown(CComboUI* combo) { return combo->GetDropDown() ? combo->GetDropDown()->GetHWND() : nullptr; }
  static RECT WindowRect(HWND hwnd) {
    RECT rc = {0, 0, 0, 0};
    GetWindowRect(hwnd, &rc);
    return rc;
  }
  // Presses the combo open.
  void Open(CComboUI* combo) {
    jf::TickAdvance(1000);  // not a double click
    RECT rc = combo->GetPos();
    Click((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  }
  // A click on a row of the open drop-down, in screen coordinates.
  void ClickDropRow(CComboUI* combo, int index) {
    RECT rc = combo->GetItemAt(index)->GetPos();
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(DropDown(combo), &pt);
    jf::TestMouseMove(pt.x, pt.y);
    Pump();
    jf::TestMouseClick(VK_LBUTTON);
    Pump();
  }
};

}  // namespace

TEST_F(ComboTest, SelectItemWithInvalidAndEqualIndices) {
  CComboUI* combo = MakeCombo(4);
  combo->GetItemAt(2)->SetEnabled(false);
  struct Case {
    int index;
    bool result;
    int selection;
  } cases[] = {{1, true, 1}, {1, true, 1},  {9, true, 3},  {2, false, -1},
               {0, true, 0}, {-3, false, -1}, {-1, true, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(combo->SelectItem(c.index), c.result) << c.index;
    EXPECT_EQ(combo->GetCurSel(), c.selection) << c.index;
  }
  EXPECT_EQ(log_.Of("itemselect").size(), 3u);
  combo->SelectItem(3);
  EXPECT_EQ(Narrow(combo->GetText()), "r3");
  CComboUI empty;
  EXPECT_FALSE(empty.SelectItem(0));
  EXPECT_EQ(Narrow(empty.GetText()), "");
}

// A selection leaves one row flagged: rows that "selected" flagged before they joined the
// combo lose the flag as the list's rows do.
TEST_F(ComboTest, SelectingClearsEveryOtherRowsFlag) {
  CComboUI* combo = MakeCombo(2);
  for (int i = 2; i < 4; ++i) {
    CListLabelElementUI* row = Row(i);
    row->Select(true);
    combo->Add(row);
  }
  ASSERT_EQ(Flags(combo), "0011");
  combo->SelectItem(1);
  EXPECT_EQ(Flags(combo), "0100");
  combo->SelectItem(-1);
  EXPECT_EQ(Flags(combo), "0000");
  // A flagged row that is disabled when it is asked for loses its flag too: none is selected.
  combo->SelectItem(0);
  CListLabelElementUI* disabled = Row(4);
  disabled->Select(true);
  disabled->SetEnabled(false);
  combo->Add(disabled);
  EXPECT_FALSE(combo->SelectItem(4));
  EXPECT_EQ(Flags(combo), "00000");
}

TEST_F(ComboTest, RemovalBeforeAndAtTheSelection) {
  CComboUI* combo = MakeCombo(5);
  combo->SelectItem(3);
  combo->RemoveAt(1);  // before: the same row stays selected
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(Narrow(combo->GetText()), "r3");
  combo->GetItemAt(2)->SetEnabled(true);
  combo->GetItemAt(1)->SetEnabled(false);
  combo->RemoveAt(2);  // at: the nearest row backwards from the removed index
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(Narrow(combo->GetText()), "r4");
  combo->Remove(combo->GetItemAt(2));
  EXPECT_EQ(combo->GetCurSel(), 0);  // r2 disabled, so back to r0
  for (int i = 0; i < combo->GetCount(); ++i)
    EXPECT_EQ(static_cast<IListItemUI*>(combo->GetItemAt(i)->GetInterface(L"ListItem"))->GetIndex(), i);
  combo->AddAt(Row(7), 0);
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_TRUE(combo->SetItemIndex(combo->GetItemAt(1), 0));
  EXPECT_EQ(combo->GetCurSel(), 0);
  EXPECT_EQ(Narrow(combo->GetText()), "r0");
  combo->RemoveAll();
  EXPECT_EQ(combo->GetCurSel(), -1);
}

TEST_F(ComboTest, KeysOfTheClosedCombo) {
  CComboUI* combo = MakeCombo(4);
  combo->SetFocus();
  Pump();
  struct Step {
    UINT key;
    int selection;
  } steps[] = {{VK_DOWN, 0}, {VK_NEXT, 1}, {VK_END, 3}, {VK_UP, 2}, {VK_PRIOR, 1}, {VK_HOME, 0}};
  for (const Step& s : steps) {
    Key(s.key);
    EXPECT_EQ(combo->GetCurSel(), s.selection) << s.key;
  }
  EXPECT_EQ(DropDown(combo), nullptr);
  Key(VK_F4);
  EXPECT_NE(DropDown(combo), nullptr);
  combo->SelectItem(1);  // closes it
  Pump();
  EXPECT_EQ(DropDown(combo), nullptr);
}

TEST_F(ComboTest, DropDownBelowSizedToItsRowsAndClickedRow) {
  CComboUI* combo = MakeCombo(3);
  combo->SetAttribute(L"dropbox", L"name=\"box\"");
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(Items(), Strings{"combo:dropdown 0,0"});
  EXPECT_NE(combo->GetButtonState() & UISTATE_PUSHED, 0u);
  // Below the combo, as wide, three rows of 20 plus 4.
  EXPECT_EQ(Str(WindowRect(drop)), Str(RECT{kX + 10, kY + 32, kX + 160, kY + 32 + 64}));
  CComboWnd* wnd = combo->GetDropDown();
  EXPECT_EQ(Narrow(wnd->GetLayout()->GetName()), "box");
  EXPECT_EQ(combo->GetItemAt(0)->GetManager(), &wnd->GetManager());
  EXPECT_EQ(Str(combo->GetItemAt(1)->GetPos()), "1,21,149,41");
  jf::TestWriteWindowPng(drop, std::string(JF_TEST_BIN_DIR) + "/combo_drop.png");
  ClickDropRow(combo, 1);
  Pump();
  EXPECT_EQ(DropDown(combo), nullptr);
  EXPECT_FALSE(IsWindow(drop));
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_EQ(log_.Of("itemselect"), Strings{"combo"});
  // The rows are back with the combo's manager, and take no room while closed.
  EXPECT_EQ(combo->GetItemAt(1)->GetManager(), &host_.manager);
  EXPECT_EQ(combo->GetItemAt(1)->GetParent(), combo);
  EXPECT_EQ(Str(combo->GetItemAt(1)->GetPos()), "0,0,0,0");
  EXPECT_EQ(combo->GetButtonState() & UISTATE_PUSHED, 0u);
  Layout();
  EXPECT_GT(Inked(combo->GetPos(), 0xFFFFFF), 0);  // the selected row's text
  Png("combo_closed");
}

// The pointer already lies where a row of the drop-down appears: the move that reaches the new
// window before its first paint finds that row, not the tree before it was laid out.
TEST_F(ComboTest, RowUnderThePointerAsTheDropDownOpensIsHot) {
  CComboUI* combo = MakeCombo(3);
  log_.hook = [](UINotifyMsg& msg) {
    if (msg.type != L"dropdown") return;
    ReleaseCapture();  // as if the button had already risen
    jf::TestMouseMove(kX + 50, kY + 32 + 31);
  };
  Down(50, 20);
  log_.hook = nullptr;
  ASSERT_NE(DropDown(combo), nullptr);
  EXPECT_NE(static_cast<CListLabelElementUI*>(combo->GetItemAt(1))->GetButtonState() & UISTATE_HOT, 0u);
}

TEST_F(ComboTest, ManyRowsGetTheMaximumHeightAndAScrollBar) {
  CComboUI* combo = MakeCombo(12);
  combo->SetAttribute(L"dropboxsize", L"200,100");
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  RECT rc = WindowRect(drop);
  EXPECT_EQ(Str(rc), Str(RECT{kX + 10, kY + 32, kX + 210, kY + 132}));
  Pump();
  CScrollBarUI* bar = combo->GetDropDown()->GetLayout()->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  // The wheel scrolls the drop-down by 10 pixels a notch.
  SendMessageW(drop, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
  SendMessageW(drop, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
  SendMessageW(drop, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(WHEEL_DELTA)), 0);
  EXPECT_EQ(combo->GetDropDown()->GetLayout()->GetScrollPos().cy, 10);
  DestroyWindow(drop);
  // Keys in the drop-down move the selection and keep it in view; Escape restores.
  combo->SelectItem(0);
  Open(combo);
  drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  for (int i = 0; i < 6; ++i) SendMessageW(drop, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(combo->GetCurSel(), 6);
  EXPECT_GT(combo->GetDropDown()->GetLayout()->GetScrollPos().cy, 0);
  log_.entries.clear();
  SendMessageW(drop, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(combo->GetCurSel(), 0);
  EXPECT_EQ(Items(), Strings{"combo:itemselect 0,6"});
  EXPECT_FALSE(IsWindow(drop));
  // Enter keeps the new one.
  Open(combo);
  drop = DropDown(combo);
  SendMessageW(drop, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(drop, WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_FALSE(IsWindow(drop));
  EXPECT_EQ(combo->GetCurSel(), 1);
}

TEST_F(ComboTest, OpensAboveWhenBelowTheWorkArea) {
  jf::TestSetScreen(1920, 600, 40);  // work area down to 560
  CComboUI* combo = MakeCombo(3, RECT{10, 400, 160, 422});
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(Str(WindowRect(drop)), Str(RECT{kX + 10, kY + 400 - 64, kX + 160, kY + 400}));
  DestroyWindow(drop);
  Pump();
  // Just fitting: below.
  combo = MakeCombo(3, RECT{170, 370, 320, 392});
  Open(combo);
  EXPECT_EQ(WindowRect(DropDown(combo)).top, kY + 392);
}

TEST_F(ComboTest, RowsRemovedWhileOpen) {
  CComboUI* combo = MakeCombo(4);
  combo->SelectItem(1);
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  combo->RemoveAt(0);
  EXPECT_EQ(combo->GetDropDown()->GetLayout()->GetCount(), 3);
  UpdateWindow(drop);
  combo->RemoveAll();
  EXPECT_EQ(combo->GetDropDown()->GetLayout()->GetCount(), 0);
  InvalidateRect(drop, nullptr, FALSE);
  UpdateWindow(drop);  // paints no removed row (checked under ASan)
  Pump();
  EXPECT_EQ(combo->GetCount(), 0);
}

// The drop-down's own manager holds the row under the pointer and the pressed one: a row the
// combo removes leaves it there too, so moving on and closing touch nothing removed (checked
// under ASan), whether the removal comes before or from the row's enter handler.
TEST_F(ComboTest, HoveredAndPressedRowsRemovedWhileOpen) {
  CComboUI* combo = MakeCombo(4);
  for (int way = 0; way < 2; ++way) {
    Open(combo);
    ASSERT_NE(DropDown(combo), nullptr);
    CControlUI* row = combo->GetItemAt(0);
    RECT rc = row->GetPos();
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(DropDown(combo), &pt);
    if (way == 1) {
      row->OnEvent += MakeDelegate(this, &ComboTest::RemoveOnEnter);
      removeFrom_ = combo;
    }
    jf::TestMouseMove(pt.x, pt.y);
    Pump();
    jf::TestMouseButton(VK_LBUTTON, true);
    if (way == 0) combo->Remove(row);
    Pump();  // the removed row is deleted
    EXPECT_EQ(combo->GetCount(), 3 - way);
    jf::TestMouseMove(pt.x, pt.y + 30);
    jf::TestMouseButton(VK_LBUTTON, false);
    Pump();
    if (DropDown(combo)) Key(VK_ESCAPE);
    EXPECT_EQ(DropDown(combo), nullptr);
  }
}

TEST_F(ComboTest, OwnerGoneWhileOpen) {
  // The combo deleted while its drop-down is open: the window goes first (checked under ASan).
  CComboUI* combo = MakeCombo(3);
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  root_->Remove(combo);
  Pump();
  Layout();
  EXPECT_FALSE(IsWindow(drop));
  // The owner window destroyed first: no WM_CLOSE, the rows still come back.
  combo = MakeCombo(3);
  Open(combo);
  drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  CControlUI* row = combo->GetItemAt(0);
  DestroyWindow(drop);
  EXPECT_EQ(combo->GetDropDown(), nullptr);
  EXPECT_EQ(row->GetManager(), &host_.manager);
  EXPECT_EQ(row->GetParent(), combo);
  // The window of the combo destroyed: its owned drop-down goes with it.
  Open(combo);
  drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  DestroyWindow(host_.GetHWND());
  Pump();
  EXPECT_FALSE(IsWindow(drop));
  EXPECT_EQ(combo->GetDropDown(), nullptr);
  EXPECT_EQ(row->GetParent(), combo);
}

TEST_F(ComboTest, ComboBoxArrowFrames) {
  struct Case {
    const wchar_t* image;
    int frame;
    const char* modified;
  } cases[] = {
      {L"file='a.png' source='0,0,100,20'", 1, "file='a.png' source='20,0,40,20' dest='128,2,148,18'"},
      {L"source='0,0,100,20' file='a.png'", 4, "source='80,0,100,20' dest='128,2,148,18' file='a.png'"},
      {L"file='a.png' source='0,0,100,20", 0, ""},
      {L"file='a.png' source", 0, ""},
      {L"file='a.png'", 0, ""},
  };
  for (const Case& c : cases) {
    int width = 0;
    CUIString out = CComboBoxUI::ArrowModify(c.image, c.frame, SIZE{150, 20}, 2, &width);
    EXPECT_EQ(Narrow(out), c.modified) << Narrow(c.image);
    if (*c.modified) {
      EXPECT_EQ(width, 20);
    }
  }
  CComboBoxUI* box = new CComboBoxUI;
  box->Add(Row(0));
  box->SetAttribute(L"arrowimage", L"file='missing.png' source='0,0,100,20'");
  Place(box, L"box", RECT{10, 10, 160, 32});
  EXPECT_STREQ(box->GetClass(), L"ComboBoxUI");
  EXPECT_EQ(box->GetArrowWidth(), 20);
}

TEST_F(ComboTest, DefaultTextAndStates) {
  CComboUI* combo = MakeCombo(2);
  combo->SetAttribute(L"defaulttext", L"choose");
  combo->SetAttribute(L"itemtextcolor", L"#FF0000FF");
  Layout();
  EXPECT_GT(Inked(combo->GetPos(), 0xFFFFFF), 0);
  UIFontInfo* font = host_.manager.GetDefaultFontInfo();
  combo->SetFixedHeight(0);
  EXPECT_EQ(combo->EstimateSize(SIZE{100, 100}).cy, font->tm.tmHeight + 12);
  Move(50, 20);
  EXPECT_NE(combo->GetButtonState() & UISTATE_HOT, 0u);
  Move(300, 300);
  EXPECT_EQ(combo->GetButtonState() & UISTATE_HOT, 0u);
  combo->SetEnabled(false);
  EXPECT_FALSE(combo->Activate());
  EXPECT_EQ(combo->GetDropDown(), nullptr);
}

TEST_F(ComboTest, ButtonRowOutlivesTheDropDownsAnimationDriver) {
  // A label and a fading button as rows: opened once and closed, then hovered, then the
  // tree deleted. The drop-down's driver goes with the drop-down (checked under ASan).
  CComboUI* combo = new CComboUI;
  CLabelUI* label = new CLabelUI;
  label->SetText(L"label");
  label->SetFixedHeight(20);
  CButtonUI* button = new CButtonUI;
  button->SetText(L"button");
  button->SetFixedHeight(20);
  button->SetAttribute(L"normalimage", L"file='n.png'");
  button->SetAttribute(L"hotimage", L"file='h.png'");
  button->SetAttribute(L"fadeeffect", L"true");
  combo->Add(label);
  combo->Add(button);
  Place(combo, L"combo", RECT{10, 10, 160, 32});
  Open(combo);
  HWND drop = DropDown(combo);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(button->GetManager(), &combo->GetDropDown()->GetManager());
  // A fade started on the drop-down, then the drop-down closed while it runs.
  UIEventRecord enter;
  enter.type = UIEVENT_MOUSEENTER;
  enter.timestamp = GetTickCount();
  button->DoEvent(enter);
  EXPECT_TRUE(button->IsAnimationRunning());
  SendMessageW(drop, WM_CLOSE, 0, 0);
  Pump();
  ASSERT_EQ(DropDown(combo), nullptr);
  EXPECT_EQ(button->GetManager(), &host_.manager);
  EXPECT_FALSE(button->IsAnimationRunning());
  EXPECT_EQ(button->GetAnimationDriver(), nullptr) << "no driver of the deleted drop-down is kept";
  // Hovered under the combo's manager: the fade runs on that manager's driver.
  button->DoEvent(enter);
  EXPECT_TRUE(button->IsAnimationRunning());
  EXPECT_EQ(button->GetAnimationDriver(), host_.manager.GetAnimationDriver());
  EXPECT_EQ(host_.manager.GetAnimationDriver()->GetCount(), 1u);
  // Opened and closed again with the fade stopped, then the tree deleted.
  button->StopAnimation();
  EXPECT_EQ(button->GetAnimationDriver(), nullptr);
  Open(combo);
  ASSERT_NE(DropDown(combo), nullptr);
  SendMessageW(DropDown(combo), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(button->GetAnimationDriver(), nullptr);
  root_->Remove(combo);
  Pump();
  EXPECT_EQ(host_.manager.GetAnimationDriver()->GetCount(), 0u);
}

// The combo's keys skip rows that cannot be selected and keep the selection at either end.
TEST_F(ComboTest, KeysKeepTheSelectionBesideUnselectableEnds) {
  CComboUI* combo = MakeCombo(5);
  combo->GetItemAt(0)->SetEnabled(false);
  combo->GetItemAt(3)->SetEnabled(false);
  combo->GetItemAt(4)->SetVisible(false);
  combo->SetFocus();
  Pump();
  struct Step {
    UINT key;
    int selection;
  } steps[] = {{VK_DOWN, 1}, {VK_END, 2}, {VK_NEXT, 2}, {VK_DOWN, 2}, {VK_END, 2},
               {VK_HOME, 1}, {VK_UP, 1},  {VK_PRIOR, 1}, {VK_DOWN, 2}};
  for (const Step& s : steps) {
    log_.entries.clear();
    int before = combo->GetCurSel();
    Key(s.key);
    SCOPED_TRACE(s.key);
    EXPECT_EQ(combo->GetCurSel(), s.selection);
    EXPECT_EQ(log_.Of("itemselect").size(), before == s.selection ? 0u : 1u);
  }
}
