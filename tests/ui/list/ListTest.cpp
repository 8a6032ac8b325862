#include <cmath>

#include "tests/ui/list/ListTestHost.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/list/ExpandListUI.h"
#include "ui/list/IListTextCallbackUI.h"
#include "ui/list/ListContainerElementUI.h"
#include "ui/list/ListTextElementUI.h"
#include "ui/list/UIExpandNode.h"
#include "ui/skin/ControlFactory.h"

using namespace listtest;
using frametest::Str;

TEST_F(ListTest, ClickSelectsAndReportsInOrder) {
  CListUI* list = MakeList(5);
  ClickRow(list->GetItemAt(2));
  EXPECT_EQ(list->GetCurSel(), 2);
  EXPECT_EQ(Flags(list), "00100");
  EXPECT_EQ(Items(), (Strings{"r2:itemclick 0,0", "list:itemselect 2,-1"}));
  // A second press on the same row is a double click: it activates the row.
  log_.entries.clear();
  ClickRow(list->GetItemAt(2));
  EXPECT_EQ(Items(), (Strings{"r2:itemactivate 0,0"}));
  // A right press selects too.
  log_.entries.clear();
  POINT pt = RowPoint(list->GetItemAt(4));
  Move(pt.x, pt.y);
  jf::TestMouseButton(VK_RBUTTON, true);
  jf::TestMouseButton(VK_RBUTTON, false);
  Pump();
  EXPECT_EQ(Items(), (Strings{"r4:itemclick 0,0", "list:itemselect 4,2"}));
  EXPECT_EQ(Flags(list), "00001");
}

TEST_F(ListTest, SelectItemRules) {
  CListUI* list = MakeList(5);
  list->GetItemAt(1)->SetVisible(false);
  list->GetItemAt(3)->SetEnabled(false);
  struct Case {
    int index;
    bool result;
    int selection;
  } cases[] = {{0, true, 0}, {0, true, 0}, {1, false, -1}, {2, true, 2}, {3, false, -1}, {9, false, -1}, {-1, true, -1}, {2, true, 2}, {-1, false, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(list->SelectItem(c.index), c.result) << c.index;
    EXPECT_EQ(list->GetCurSel(), c.selection) << c.index;
  }
  // The repeated selection of row 0 sent nothing.
  EXPECT_EQ(log_.Of("itemselect"), (Strings{"list", "list", "list"}));
  // "selected" with any value selects, "false" included.
  list->GetItemAt(4)->SetAttribute(L"selected", L"false");
  EXPECT_EQ(list->GetCurSel(), 4);
  // Hiding the selected row deselects it.
  list->GetItemAt(4)->SetVisible(false);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(Flags(list), "00000");
  // A row flagged before it was disabled keeps no flag when it is asked for and refused.
  CListLabelElementUI* refused = Row(5);
  refused->Select(true);
  refused->SetEnabled(false);
  list->Add(refused);
  EXPECT_FALSE(list->SelectItem(5));
  EXPECT_EQ(Flags(list), "000000");
}

TEST_F(ListTest, KeysMoveTheSelectionAndKeepItVisible) {
  CListUI* list = MakeList(12);  // 240 pixels of rows in 100
  list->GetItemAt(5)->SetEnabled(false);
  list->SetFocus();
  Pump();
  struct Step {
    UINT key;
    int selection;
    int scroll;
  } steps[] = {{VK_DOWN, 0, 0},  {VK_DOWN, 1, 0},    {VK_END, 11, 140}, {VK_UP, 10, 140},
               {VK_HOME, 0, 0},  {VK_DOWN, 1, 0},    {VK_DOWN, 2, 0},   {VK_DOWN, 3, 0},
               {VK_DOWN, 4, 0},  {VK_DOWN, 6, 40},   {VK_UP, 4, 40},    {VK_NEXT, 4, 140},
               {VK_PRIOR, 4, 40}};
  for (const Step& s : steps) {
    Key(s.key);
    EXPECT_EQ(list->GetCurSel(), s.selection) << s.key;
    EXPECT_EQ(list->GetScrollPos().cy, s.scroll) << s.key;
  }
  // Return activates the selection.
  Key(VK_RETURN);
  EXPECT_EQ(log_.Of("itemactivate"), Strings{"r4"});
}

TEST_F(ListTest, EnsureVisibleScrollsTheRowIntoTheBody) {
  CListUI* list = MakeList(12);
  list->EnsureVisible(8);  // no selection: nothing
  EXPECT_EQ(list->GetScrollPos().cy, 0);
  list->SelectItem(0);
  struct Case {
    int index;
    int scroll;
  } cases[] = {{8, 80}, {3, 60}, {5, 60}, {0, 0}, {11, 140}, {42, 140}};
  for (const Case& c : cases) {
    list->EnsureVisible(c.index);
    EXPECT_EQ(list->GetScrollPos().cy, c.scroll) << c.index;
  }
}

TEST_F(ListTest, WheelWithoutDelayScrollsOrSelects) {
  CListUI* list = MakeList(12);
  POINT pt = RowPoint(list->GetItemAt(1));
  Move(pt.x, pt.y);
  jf::TestMouseWheel(-WHEEL_DELTA);
  Pump();
  int line = list->GetScrollPos().cy;
  EXPECT_GT(line, 0);
  jf::TestMouseWheel(WHEEL_DELTA);
  Pump();
  EXPECT_EQ(list->GetScrollPos().cy, 0);
  list->SetAttribute(L"scrollselect", L"true");
  list->SelectItem(3);
  jf::TestMouseWheel(-WHEEL_DELTA);
  Pump();
  EXPECT_EQ(list->GetCurSel(), 4);
  jf::TestMouseWheel(WHEEL_DELTA);
  jf::TestMouseWheel(WHEEL_DELTA);
  Pump();
  EXPECT_EQ(list->GetCurSel(), 2);
}

TEST_F(ListTest, SmoothWheelSpeedsStepsAndTicks) {
  CListUI* list = MakeList(40);
  list->SetAttribute(L"delayscroll", L"true");
  UIEventRecord up;
  up.type = UIEVENT_SCROLLWHEEL;
  up.wParam = 0;
  UIEventRecord down = up;
  down.wParam = 1;
  UIEventRecord tick;
  tick.type = UIEVENT_TIMER;
  tick.wParam = CListUI::kScrollTimerId;
  list->DoEvent(up);
  EXPECT_EQ(list->GetScrollSpeed(), 8);
  EXPECT_EQ(list->GetScrollSteps(), 10u);
  list->DoEvent(up);
  EXPECT_EQ(list->GetScrollSpeed(), 16);
  EXPECT_EQ(list->GetScrollSteps(), 20u);
  // Downwards during a run upwards: 12 off the current speed.
  list->DoEvent(down);
  EXPECT_EQ(list->GetScrollSpeed(), 4);
  EXPECT_EQ(list->GetScrollSteps(), 10u);
  // At the top a run upwards stops at its first tick.
  list->DoEvent(tick);
  EXPECT_EQ(list->GetScrollSpeed(), 0);
  EXPECT_EQ(list->GetScrollSteps(), 0u);
  // At rest, downwards is 8; the ticks move the body by the shrinking steps.
  list->DoEvent(down);
  EXPECT_EQ(list->GetScrollSpeed(), -8);
  int expected = 0;
  for (int remaining = 9; remaining >= 0; --remaining) {
    list->DoEvent(tick);
    double f = remaining / 10.0;
    expected -= int(f * f * -8);
    EXPECT_EQ(list->GetScrollPos().cy, expected) << remaining;
  }
  EXPECT_EQ(expected, 19);  // the run ends where a step truncates to 0
  list->DoEvent(tick);
  EXPECT_EQ(list->GetScrollStepsLeft(), 0u);
  EXPECT_EQ(list->GetScrollSpeed(), 0);
  // Speed is capped at 100.
  for (int i = 0; i < 20; ++i) list->DoEvent(down);
  EXPECT_EQ(list->GetScrollSpeed(), -100);
  EXPECT_EQ(list->GetScrollSteps(), 50u);
}

TEST_F(ListTest, RemovalAndInsertionKeepIndicesAndSelection) {
  CListUI* list = MakeList(6);
  list->SelectItem(3);
  list->AddAt(Row(10), 1);  // before the selection
  EXPECT_EQ(list->GetCurSel(), 4);
  list->Remove(list->GetItemAt(0));
  EXPECT_EQ(list->GetCurSel(), 3);
  for (int i = 0; i < list->GetCount(); ++i)
    EXPECT_EQ(static_cast<IListItemUI*>(list->GetItemAt(i)->GetInterface(L"ListItem"))->GetIndex(), i);
  EXPECT_EQ(Narrow(list->GetItemAt(3)->GetName()), "r3");
  // Removing the selected row selects the nearest one backwards, without focus.
  list->GetItemAt(2)->SetEnabled(false);
  list->GetItemAt(4)->SetEnabled(false);
  EXPECT_TRUE(list->RemoveAt(3));
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_FALSE(list->RemoveAt(42));
  CControlUI* moved = list->GetItemAt(0);
  EXPECT_TRUE(list->SetItemIndex(moved, 3));
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_EQ(static_cast<IListItemUI*>(moved->GetInterface(L"ListItem"))->GetIndex(), 3);
  list->RemoveAll();
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ListTest, ColumnsFromVisibleAndHiddenHeaders) {
  for (bool hidden : {false, true}) {
    CListUI* list = new CListUI;
    const int widths[] = {50, 70, 40};
    for (int w : widths) {
      CListHeaderItemUI* item = new CListHeaderItemUI;
      item->SetFixedWidth(w);
      list->Add(item);
    }
    if (hidden) list->SetAttribute(L"header", L"hidden");
    CListTextElementUI* row = new CListTextElementUI;
    row->SetFixedHeight(20);
    list->Add(row);
    Place(list, hidden ? L"hidden" : L"shown", RECT{10, 10, 310, 110});
    UIListInfo* info = list->GetListInfo();
    ASSERT_EQ(info->columns, 3);
    int top = hidden ? 0 : 10;
    int bottom = hidden ? 0 : list->GetHeader()->GetPos().bottom;
    EXPECT_EQ(Str(info->column[0]), Str(RECT{10, top, 60, bottom}));
    EXPECT_EQ(Str(info->column[1]), Str(RECT{60, top, 130, bottom}));
    EXPECT_EQ(Str(info->column[2]), Str(RECT{130, top, 170, bottom}));
    EXPECT_EQ(row->GetPos().top, bottom == 0 ? 10 : bottom);
    root_->Remove(list);
  }
}

TEST_F(ListTest, OnlyThirtyTwoHeaderItemsBecomeColumns) {
  CListUI* list = new CListUI;
  for (int i = 0; i < 40; ++i) {
    CListHeaderItemUI* item = new CListHeaderItemUI;
    item->SetFixedWidth(20);
    list->Add(item);
  }
  EXPECT_EQ(list->GetListInfo()->columns, 32);
  Place(list, L"wide", RECT{10, 10, 310, 110});
  EXPECT_EQ(list->GetListInfo()->columns, 32);
  EXPECT_EQ(Str(list->GetListInfo()->column[31]), Str(list->GetHeader()->GetItemAt(31)->GetPos()));
  // The body needs the header's 800 pixels: a horizontal bar, and scrolling it moves the columns.
  list->EnableScrollBar(true, true);
  Layout();
  ASSERT_TRUE(list->GetHorizontalScrollBar()->IsVisible());
  EXPECT_EQ(list->GetScrollRange().cx, 800 - 300);
  list->SetScrollPos(SIZE{100, 0});
  EXPECT_EQ(list->GetListInfo()->column[0].left, 10 - 100);
  EXPECT_EQ(list->GetHeader()->GetItemAt(0)->GetPos().left, 10 - 100);
}

TEST_F(ListTest, HeadersReplacedAndRemoved) {
  CListUI* list = MakeList(2);
  CListHeaderUI* empty = list->GetHeader();
  CListHeaderUI* header = new CListHeaderUI;
  header->Add(new CListHeaderItemUI);
  EXPECT_TRUE(list->Add(header));  // the empty one makes way
  EXPECT_EQ(list->GetHeader(), header);
  EXPECT_EQ(list->GetItemIndex(header), 0);
  EXPECT_NE(empty, header);
  EXPECT_EQ(list->GetListInfo()->columns, 1);
  EXPECT_TRUE(list->Remove(header));
  EXPECT_EQ(list->GetHeader(), nullptr);
  EXPECT_EQ(list->GetListInfo()->columns, 0);
  CListHeaderItemUI item;
  EXPECT_FALSE(list->Add(&item));
  EXPECT_EQ(list->GetItemIndex(&item), -1);
  list->SetAttribute(L"header", L"hidden");
  Layout();
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_TRUE(list->Add(new CListHeaderUI));
  EXPECT_NE(list->GetHeader(), nullptr);
}

TEST_F(ListTest, HeaderDragsResizeAboveTheMinimum) {
  struct Case {
    int sepWidth;
    int pressX;  // from the dragged item's left edge; items are 100 wide
    int dx;
    int width;  // after the drag
    bool click;
  } cases[] = {
      {4, 98, 30, 130, false},  {4, 93, 30, 130, false},   {4, 98, -80, 20, false},
      {4, 98, -84, 58, false},  {4, 98, -85, 58, false},  {4, 50, 30, 100, true},
      {-4, 2, -30, 130, false}, {-4, 7, -30, 130, false},  {-4, 2, 84, 58, false},
      {-4, 50, -30, 100, true},
  };
  for (const Case& c : cases) {
    CListUI* list = new CListUI;
    CListHeaderItemUI* items[2];
    for (CListHeaderItemUI*& item : items) {
      item = new CListHeaderItemUI;
      item->SetName(L"col");
      item->SetFixedWidth(100);
      item->SetAttribute(L"sepwidth", std::to_wstring(c.sepWidth).c_str());
      list->Add(item);
    }
    // The strip on the left edge is dragged on the second column.
    CListHeaderItemUI* item = items[c.sepWidth < 0 ? 1 : 0];
    Place(list, L"list", RECT{10, 10, 310, 110});
    int left = item->GetPos().left;
    int y = (item->GetPos().top + item->GetPos().bottom) / 2;
    log_.entries.clear();
    // Two steps: one that a drag to the minimum width or below rejects, the rest from the
    // last accepted point.
    Down(left + c.pressX, y);
    Move(left + c.pressX + c.dx / 2, y);
    Move(left + c.pressX + c.dx, y);
    Up(left + c.pressX + c.dx, y);
    Layout();
    SCOPED_TRACE(std::to_string(c.sepWidth) + " " + std::to_string(c.pressX) + " " + std::to_string(c.dx));
    EXPECT_EQ(item->GetFixedWidth(), c.width);
    EXPECT_EQ(log_.Of("headerclick").size(), c.click ? 1u : 0u);
    RECT column = list->GetListInfo()->column[c.sepWidth < 0 ? 1 : 0];
    EXPECT_EQ(column.right - column.left, c.width);
    root_->Remove(list);
  }
}

TEST_F(ListTest, HeaderItemSeparatorAndFlags) {
  CListHeaderItemUI item;
  item.SetPos(RECT{0, 0, 100, 20});
  EXPECT_EQ(Str(item.GetThumbRect()), "96,0,100,20");
  EXPECT_EQ(Str(item.GetHitRect()), "92,0,100,20");
  item.SetAttribute(L"sepwidth", L"-6");
  EXPECT_EQ(Str(item.GetThumbRect()), "0,0,6,20");
  EXPECT_EQ(Str(item.GetHitRect()), "0,0,10,20");
  EXPECT_EQ(item.GetControlFlags(), UINT(UIFLAG_SETCURSOR));
  item.SetAttribute(L"sepwidth", L"0");
  EXPECT_EQ(item.GetControlFlags(), 0u);
  EXPECT_EQ(item.GetMinWidth(), 16);
  EXPECT_EQ(item.GetTextStyle(), UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
  item.SetAttribute(L"align", L"right");
  item.SetAttribute(L"endellipsis", L"true");
  EXPECT_EQ(item.GetTextStyle(), UINT(DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS));
  // A press on the strip of an item that cannot be dragged: no click, no drag.
  CListUI* list = new CListUI;
  CListHeaderItemUI* fixed = new CListHeaderItemUI;
  fixed->SetName(L"fixed");
  fixed->SetFixedWidth(80);
  fixed->SetAttribute(L"dragable", L"false");
  list->Add(fixed);
  Place(list, L"list", RECT{10, 10, 310, 110});
  Click(88, 15);
  EXPECT_TRUE(log_.Of("headerclick").empty());
  EXPECT_EQ(fixed->GetButtonState() & (CListHeaderItemUI::kDragging | UISTATE_PUSHED), 0u);
  Click(30, 15);
  EXPECT_EQ(log_.Of("headerclick"), Strings{"fixed"});
  // The header is at least the default font's height plus 6.
  UIFontInfo* font = host_.manager.GetDefaultFontInfo();
  fixed->SetFixedHeight(3);
  EXPECT_EQ(list->GetHeader()->EstimateSize(SIZE{300, 100}).cy, font->tm.tmHeight + 6);
}

TEST_F(ListTest, ContainerRowsFollowTheColumnsOrTheirOwnLayout) {
  CListUI* list = new CListUI;
  for (int w : {60, 90}) {
    CListHeaderItemUI* item = new CListHeaderItemUI;
    item->SetFixedWidth(w);
    list->Add(item);
  }
  CListContainerElementUI* two = new CListContainerElementUI;
  two->SetFixedHeight(24);
  two->SetInset(RECT{3, 2, 4, 1});
  two->Add(new CControlUI);
  two->Add(new CControlUI);
  list->Add(two);
  CListContainerElementUI* one = new CListContainerElementUI;
  one->SetFixedHeight(24);
  one->Add(new CControlUI);
  list->Add(one);
  Place(list, L"list", RECT{10, 10, 310, 160});
  RECT r = two->GetPos();
  EXPECT_EQ(Str(two->GetItemAt(0)->GetPos()), Str(RECT{13, r.top + 2, 70, r.bottom - 1}));
  EXPECT_EQ(Str(two->GetItemAt(1)->GetPos()), Str(RECT{70, r.top + 2, 156, r.bottom - 1}));
  // One child for two columns: laid out as a plain container.
  EXPECT_EQ(Str(one->GetItemAt(0)->GetPos()), Str(one->GetPos()));
  // Hover, leave, double click.
  POINT pt = RowPoint(two);
  Move(pt.x, pt.y);
  Move(pt.x, one->GetPos().top + 5);
  Down(pt.x, one->GetPos().top + 5);
  Up(pt.x, one->GetPos().top + 5);
  Down(pt.x, one->GetPos().top + 5);
  Up(pt.x, one->GetPos().top + 5);
  Strings types;
  for (const std::string& e : log_.entries)
    if (e.find("item") != std::string::npos) types.push_back(e.substr(e.find(':') + 1, e.find(' ') - e.find(':') - 1));
  EXPECT_EQ(types, (Strings{"itemhover", "itemleave", "itemhover", "itemclick", "itemselect", "itemdbclick"}));
}

namespace {

class Cells : public IListTextCallbackUI {
 public:
  LPCWSTR GetItemText(CControlUI*, int row, int column) override {
    text = L"<a>x</a><a>y</a><a>z</a>" + std::to_wstring(row * 10 + column);
    return text.c_str();
  }
  std::wstring text;
};

}  // namespace

TEST_F(ListTest, TextRowsDrawTheirColumnsAndKeepEightLinks) {
  CListUI* list = new CListUI;
  for (int i = 0; i < 3; ++i) {
    CListHeaderItemUI* item = new CListHeaderItemUI;
    item->SetFixedWidth(90);
    list->Add(item);
  }
  CListTextElementUI* row = new CListTextElementUI;
  row->SetText(0, L"left");
  row->SetText(2, L"right");
  list->Add(row);
  list->SetAttribute(L"itemtextcolor", L"#FF0000FF");
  Place(list, L"list", RECT{10, 10, 310, 110});
  UIFontInfo* font = host_.manager.GetDefaultFontInfo();
  EXPECT_EQ(row->GetPos().bottom - row->GetPos().top, font->tm.tmHeight + 8);
  RECT rc = row->GetPos();
  EXPECT_GT(Inked(RECT{rc.left, rc.top, rc.left + 90, rc.bottom}, 0xFFFFFF), 0);
  EXPECT_EQ(Inked(RECT{rc.left + 90, rc.top, rc.left + 180, rc.bottom}, 0xFFFFFF), 0);
  EXPECT_GT(Inked(RECT{rc.left + 180, rc.top, rc.left + 270, rc.bottom}, 0xFFFFFF), 0);
  Png("list_text_row");
  Cells cells;
  list->SetTextCallback(&cells);
  list->SetAttribute(L"itemshowhtml", L"true");
  Layout();
  EXPECT_EQ(row->GetLinkCount(), 8);
  EXPECT_EQ(row->GetControlFlags(), 6u);
  RECT link = row->GetLinkRect(0);
  Click((link.left + link.right) / 2, (link.top + link.bottom) / 2);
  EXPECT_EQ(log_.Of("link").size(), 1u);
  list->SetTextCallback(nullptr);
}

TEST_F(ListTest, RowBackgroundsByState) {
  CListUI* list = MakeList(4);
  list->SetAttribute(L"itembkcolor", L"#FF00FF00");
  list->SetAttribute(L"itemaltbk", L"true");
  list->SetAttribute(L"itemlinecolor", L"#FFFF0000");
  list->GetItemAt(3)->SetEnabled(false);
  list->SelectItem(2);
  Layout();
  auto mid = [&](int i) {
    RECT rc = list->GetItemAt(i)->GetPos();
    return Pixel(rc.right - 5, rc.top + 3);
  };
  auto line = [&](int i) {
    RECT rc = list->GetItemAt(i)->GetPos();
    return Pixel(rc.right - 5, rc.bottom - 1);
  };
  EXPECT_EQ(mid(0), 0x00FF00u);  // even: normal colour
  EXPECT_EQ(mid(1), 0xFFFFFFu);  // odd with alternate rows: none
  EXPECT_EQ(mid(2), 0xC1E3FFu);  // selected
  EXPECT_EQ(mid(3), 0xFFFFFFu);  // disabled colour
  EXPECT_EQ(line(0), 0xFF0000u);
  POINT pt = RowPoint(list->GetItemAt(1));
  Move(pt.x, pt.y);
  Layout();
  EXPECT_EQ(mid(1), 0xE9F5FFu);  // hot
  Png("list_rows");
}

TEST_F(ListTest, ExpandItemCollapsesTheOtherUnlessMultiExpanding) {
  CListUI* list = MakeList(3);
  // Plain rows do not expand.
  EXPECT_FALSE(list->ExpandItem(1));
  EXPECT_EQ(list->GetExpandedItem(), -1);
  EXPECT_TRUE(list->ExpandItem(1, false));
  EXPECT_FALSE(list->ExpandItem(7));
}

TEST_F(ListTest, ExpandListReplacesItsTreeOnRemoveAll) {
  CExpandListUI* list = MakeList<CExpandListUI>(3);
  UIExpandNode* root = list->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->index, -1);
  EXPECT_TRUE(root->first && root->second);
  // A tree given to the root is freed once per node (checked under ASan).
  UIExpandNode* child = new UIExpandNode;
  child->children.Add(new UIExpandNode);
  root->children.Add(child);
  root->children.Add(new UIExpandNode);
  list->RemoveAll();
  EXPECT_NE(list->GetRoot(), nullptr);
  EXPECT_EQ(list->GetRoot()->children.GetSize(), 0);
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_STREQ(list->GetClass(), L"ListUI");
}

TEST_F(ListTest, FactoryMakesEveryListClass) {
  const wchar_t* elements[][2] = {
      {L"List", L"ListUI"},
      {L"ListHeader", L"ListHeaderUI"},
      {L"ListHeaderItem", L"ListHeaderItemUI"},
      {L"ListLabelElement", L"ListLabelElementUI"},
      {L"ListTextElement", L"ListTextElementUI"},
      {L"ListContainerElement", L"ListContainerElementUI"},
      {L"ExpandList", L"ListUI"},
      {L"Combo", L"ComboUI"},
      {L"ComboBox", L"ComboBoxUI"},
      {L"TreeView", L"TreeViewUI"},
      {L"TreeNode", L"TreeNodeUI"},
      {L"Menu", L"MenuUI"},
  };
  for (auto& e : elements) {
    CControlUI* control = CControlFactory::Create(e[0]);
    ASSERT_NE(control, nullptr) << Narrow(e[0]);
    EXPECT_STREQ(control->GetClass(), e[1]);
    delete control;
  }
}

// Rows that cannot be selected at either end: keys and the scroll-select wheel stop at the
// last selectable row and keep the selection.
TEST_F(ListTest, KeysAndWheelKeepTheSelectionBesideUnselectableEnds) {
  CListUI* list = MakeList(6);
  list->GetItemAt(0)->SetEnabled(false);
  list->GetItemAt(4)->SetEnabled(false);
  list->GetItemAt(5)->SetVisible(false);
  list->SetAttribute(L"scrollselect", L"true");
  list->SetFocus();
  Pump();
  struct Step {
    UINT key;  // 0: a wheel turn down, 1: up
    int selection;
  } steps[] = {{VK_DOWN, 1}, {VK_END, 3}, {VK_DOWN, 3}, {0, 3},    {VK_END, 3},
               {VK_HOME, 1}, {VK_UP, 1},  {1, 1},       {VK_HOME, 1}, {VK_DOWN, 2}};
  for (const Step& s : steps) {
    log_.entries.clear();
    int before = list->GetCurSel();
    if (s.key > 1) {
      Key(s.key);
    } else {
      POINT pt = RowPoint(list->GetItemAt(1));
      Move(pt.x, pt.y);
      jf::TestMouseWheel(s.key == 0 ? -WHEEL_DELTA : WHEEL_DELTA);
      Pump();
    }
    SCOPED_TRACE(s.key);
    EXPECT_EQ(list->GetCurSel(), s.selection);
    std::string flags(6, '0');
    flags[s.selection] = '1';
    EXPECT_EQ(Flags(list), flags);
    EXPECT_EQ(log_.Of("itemselect").size(), before == s.selection ? 0u : 1u);
  }
}

// A row that its own "itemclick" handler removes is not selected, nor is its neighbour, and the
// earlier selection stays; for label and container rows alike.
TEST_F(ListTest, RowRemovedByItsOwnClickSelectsNothing) {
  for (bool container : {false, true}) {
    SCOPED_TRACE(container);
    CListUI* list = MakeList(0);
    for (int i = 0; i < 4; ++i) {
      CControlUI* row = container ? static_cast<CControlUI*>(new CListContainerElementUI) : Row(i);
      row->SetName((L"r" + std::to_wstring(i)).c_str());
      row->SetFixedHeight(20);
      list->Add(row);
    }
    Layout();
    list->SelectItem(0);
    log_.hook = [list](UINotifyMsg& msg) {
      if (msg.type == L"itemclick") list->Remove(msg.sender);
    };
    log_.entries.clear();
    jf::TickAdvance(1000);  // not a double click
    ClickRow(list->GetItemAt(2));
    log_.hook = nullptr;
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(Flags(list), "100");
    EXPECT_EQ(log_.Of("itemselect").size(), 0u);
    root_->Remove(list);
    Pump();
  }
}

// Selecting a row clears the flag of the one selected before, also when that row was disabled
// meanwhile, so that it does not show selected once it is enabled again.
TEST_F(ListTest, SelectingClearsTheFlagOfADisabledRow) {
  CListUI* list = MakeList(4);
  list->SelectItem(1);
  list->GetItemAt(1)->SetEnabled(false);
  EXPECT_TRUE(list->SelectItem(3));
  list->GetItemAt(1)->SetEnabled(true);
  EXPECT_EQ(Flags(list), "0001");
  EXPECT_EQ(list->GetCurSel(), 3);
}

// Scrolled sideways, the header items stay over their columns through every later layout: of
// the list, of the header alone, and after a column is resized.
TEST_F(ListTest, HeaderStaysOnItsColumnsWhileScrolledSideways) {
  CListUI* list = new CListUI;
  list->SetAttribute(L"delayscroll", L"false");
  list->EnableScrollBar(true, true);
  CListHeaderItemUI* items[2];
  for (CListHeaderItemUI*& item : items) {
    item = new CListHeaderItemUI;
    item->SetFixedWidth(150);
    list->Add(item);
  }
  for (int i = 0; i < 3; ++i) {
    auto* row = new CListContainerElementUI;
    row->SetFixedHeight(20);
    row->Add(new CControlUI);
    row->Add(new CControlUI);
    list->Add(row);
  }
  Place(list, L"list", RECT{10, 10, 210, 160});
  list->SetScrollPos(SIZE{100, 0});
  ASSERT_EQ(list->GetScrollPos().cx, 100);
  auto check = [&](const char* when, int width0) {
    SCOPED_TRACE(when);
    EXPECT_EQ(items[0]->GetPos().left, 10 - 100);
    EXPECT_EQ(items[0]->GetPos().right, 10 - 100 + width0);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(items[i]->GetPos().left, list->GetListInfo()->column[i].left);
      EXPECT_EQ(items[i]->GetPos().right, list->GetListInfo()->column[i].right);
      RECT cell = static_cast<CContainerUI*>(list->GetItemAt(0))->GetItemAt(i)->GetPos();
      EXPECT_EQ(cell.left, items[i]->GetPos().left);
      EXPECT_EQ(cell.right, items[i]->GetPos().right);
    }
  };
  check("scrolled", 150);
  list->NeedUpdate();
  Layout();
  check("list laid out", 150);
  list->GetHeader()->NeedUpdate();
  Layout();
  check("header laid out", 150);
  items[0]->SetFixedWidth(170);
  Layout();
  check("column resized", 170);
}

// Two pointer moves of a column drag before the list is laid out again: the width follows the
// pointer, and the second column's separator at its left edge likewise.
TEST_F(ListTest, ColumnDragFollowsThePointerBetweenLayouts) {
  for (int sep : {4, -4}) {
    SCOPED_TRACE(sep);
    CListUI* list = new CListUI;
    CListHeaderItemUI* items[2];
    for (CListHeaderItemUI*& item : items) {
      item = new CListHeaderItemUI;
      item->SetFixedWidth(100);
      item->SetAttribute(L"sepwidth", std::to_wstring(sep).c_str());
      list->Add(item);
    }
    Place(list, L"list", RECT{10, 10, 310, 110});
    CListHeaderItemUI* item = items[sep < 0 ? 1 : 0];
    RECT rc = item->GetPos();
    int x = sep < 0 ? rc.left + 1 : rc.right - 1, y = (rc.top + rc.bottom) / 2;
    int dir = sep < 0 ? -1 : 1;
    UIEventRecord event;
    event.type = UIEVENT_BUTTONDOWN;
    event.mouse = POINT{x, y};
    item->DoEvent(event);
    event.type = UIEVENT_MOUSEMOVE;
    for (int step : {10, 20}) {
      event.mouse = POINT{x + dir * step, y};
      item->DoEvent(event);
    }
    EXPECT_EQ(item->GetFixedWidth(), 120);
    event.type = UIEVENT_BUTTONUP;
    item->DoEvent(event);
    Layout();
    EXPECT_EQ(item->GetPos().right - item->GetPos().left, 120);
    root_->Remove(list);
    Pump();
  }
}
