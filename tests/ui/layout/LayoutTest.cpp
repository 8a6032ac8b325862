// Placement by the container and the two linear layouts: fixed, estimated, minimum and
// maximum sizes, padding, child padding, shared remainders, floats, scroll ranges and the
// separator drag.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/layout/TileLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ListHeaderItemUI.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/core/UIExtent.h"

using namespace SkinUI;
using frametest::Str;

namespace {

struct Child {
  int fixed;  // width for the horizontal layout, height for the vertical one
  int minSize;
  int maxSize;
  RECT padding;
  int cross;  // the other fixed dimension
};

struct LayoutCase {
  const char* name;
  int length;  // layout width (horizontal) or height (vertical)
  int childPadding;
  std::vector<Child> children;
  std::vector<std::string> expected;
};

template <class Layout>
std::vector<std::string> Place(const LayoutCase& c, bool horizontal) {
  Layout layout;
  layout.SetChildPadding(c.childPadding);
  for (const Child& spec : c.children) {
    auto* child = new CControlUI;
    if (horizontal) {
      child->SetFixedWidth(spec.fixed);
      if (spec.minSize) child->SetMinWidth(spec.minSize);
      if (spec.maxSize) child->SetMaxWidth(spec.maxSize);
      child->SetFixedHeight(spec.cross);
    } else {
      child->SetFixedHeight(spec.fixed);
      if (spec.minSize) child->SetMinHeight(spec.minSize);
      if (spec.maxSize) child->SetMaxHeight(spec.maxSize);
      child->SetFixedWidth(spec.cross);
    }
    child->SetPadding(spec.padding);
    layout.Add(child);
  }
  layout.SetPos(horizontal ? RECT{0, 0, c.length, 100} : RECT{0, 0, 100, c.length});
  std::vector<std::string> got;
  for (int i = 0; i < layout.GetCount(); ++i) got.push_back(Str(layout.GetItemAt(i)->GetPos()));
  return got;
}

const RECT kNoPad = {0, 0, 0, 0};

TEST(LayoutTest, HorizontalSizes) {
  const LayoutCase cases[] = {
      {"one fixed, two shared", 300, 0, {{100, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,100,100", "100,0,200,100", "200,0,300,100"}},
      {"the last shared child takes the odd pixel", 301, 0,
       {{100, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,100,100", "100,0,200,100", "200,0,301,100"}},
      {"a minimum wider than the room", 200, 0, {{100, 0, 0, kNoPad, 0}, {0, 150, 0, kNoPad, 0}},
       {"0,0,100,100", "100,0,250,100"}},
      {"a maximum caps a shared child", 300, 0, {{0, 0, 50, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,50,100", "50,0,300,100"}},
      {"padding is inside the right of the rectangle", 300, 3, {{20, 0, 0, kNoPad, 0}, {50, 0, 0, {5, 0, 5, 0}, 0}},
       {"0,0,20,100", "28,0,83,100"}},
      {"fixed cross size and vertical padding", 300, 0, {{40, 0, 0, {0, 10, 0, 5}, 30}, {40, 0, 0, {0, 10, 0, 5}, 0}},
       {"0,10,40,40", "40,10,80,95"}},
      {"child padding between shared children", 100, 10, {{0, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,45,100", "55,0,100,100"}},
  };
  for (const LayoutCase& c : cases) EXPECT_EQ(Place<CHorizontalLayoutUI>(c, true), c.expected) << c.name;
}

TEST(LayoutTest, VerticalSizes) {
  const LayoutCase cases[] = {
      {"one fixed, two shared", 300, 0, {{100, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,100,100", "0,100,100,200", "0,200,100,300"}},
      {"the last shared child takes the odd pixel", 301, 0,
       {{100, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}, {0, 0, 0, kNoPad, 0}},
       {"0,0,100,100", "0,100,100,200", "0,200,100,301"}},
      {"a minimum taller than the room", 200, 0, {{100, 0, 0, kNoPad, 0}, {0, 150, 0, kNoPad, 0}},
       {"0,0,100,100", "0,100,100,250"}},
      {"padding is inside the bottom of the rectangle", 300, 2, {{20, 0, 0, kNoPad, 0}, {30, 0, 0, {4, 5, 6, 7}, 0}},
       {"0,0,100,20", "4,27,94,64"}},
      {"fixed width", 300, 0, {{10, 0, 0, kNoPad, 60}}, {"0,0,60,10"}},
  };
  for (const LayoutCase& c : cases) EXPECT_EQ(Place<CVerticalLayoutUI>(c, false), c.expected) << c.name;
}

TEST(LayoutTest, InsetAndFloatingChildren) {
  CContainerUI box;
  box.SetInset(RECT{5, 6, 7, 8});
  auto* filler = new CControlUI;
  auto* corner = new CControlUI;
  corner->SetFloat(true);
  corner->SetFixedXY(SIZE{-10, -10});
  corner->SetFixedWidth(20);
  corner->SetFixedHeight(20);
  auto* anchored = new CControlUI;
  anchored->SetFloat(true);
  anchored->SetFixedXY(SIZE{10, 20});
  anchored->SetFixedWidth(30);
  anchored->SetFixedHeight(40);
  anchored->SetRelativePos(SIZE{50, 0}, SIZE{0, 100});
  box.Add(filler);
  box.Add(corner);
  box.Add(anchored);
  box.SetPos(RECT{0, 0, 100, 100});
  EXPECT_EQ(Str(filler->GetPos()), "5,6,93,92");
  EXPECT_EQ(Str(corner->GetPos()), "70,70,90,90");
  EXPECT_EQ(Str(anchored->GetPos()), "10,20,40,60");
  // The recorded parent size is now 100 x 100; growing to 200 x 150 moves x by half the growth
  // and stretches the height by all of it.
  box.SetPos(RECT{0, 0, 200, 150});
  EXPECT_EQ(Str(anchored->GetPos()), "60,20,90,110");
  EXPECT_EQ(Str(corner->GetPos()), "170,120,190,140");
}

TEST(LayoutTest, VerticalScrollRange) {
  CVerticalLayoutUI list;
  list.EnableScrollBar(true, false);
  CScrollBarUI* bar = list.GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  std::vector<CControlUI*> rows;
  for (int i = 0; i < 5; ++i) {
    auto* row = new CControlUI;
    row->SetFixedHeight(100);
    list.Add(row);
    rows.push_back(row);
  }
  list.SetPos(RECT{0, 0, 200, 300});
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 200);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(Str(bar->GetPos()), "192,0,200,300");
  EXPECT_EQ(Str(rows[0]->GetPos()), "0,0,192,100");
  EXPECT_EQ(list.GetScrollRange().cy, 200);

  struct Step {
    const char* name;
    void (CContainerUI::*op)();
    int pos;
  };
  const Step steps[] = {{"line down without a manager", &CContainerUI::LineDown, 8},
                        {"page down", &CContainerUI::PageDown, 200},
                        {"line up", &CContainerUI::LineUp, 192},
                        {"home", &CContainerUI::HomeUp, 0},
                        {"end", &CContainerUI::EndDown, 200},
                        {"page up", &CContainerUI::PageUp, 0}};
  for (const Step& s : steps) {
    (list.*s.op)();
    EXPECT_EQ(bar->GetScrollPos(), s.pos) << s.name;
    EXPECT_EQ(rows[0]->GetPos().top, -s.pos) << s.name;
  }
  list.SetScrollPos(SIZE{0, 150});
  // The content shrinks to 150 pixels: the bar goes away and the children come back to 0.
  for (int i = 0; i < 3; ++i) list.RemoveAt(0);
  for (CControlUI* row : {list.GetItemAt(0), list.GetItemAt(1)}) row->SetFixedHeight(75);
  list.SetPos(RECT{0, 0, 200, 300});
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 0);
  EXPECT_EQ(bar->GetScrollPos(), 0);
  EXPECT_EQ(Str(list.GetItemAt(0)->GetPos()), "0,0,200,75");
}

TEST(LayoutTest, HorizontalSeparatorDrag) {
  CHorizontalLayoutUI pane;
  pane.SetAttribute(L"sepwidth", L"4");
  pane.SetPos(RECT{0, 0, 200, 100});
  EXPECT_EQ(pane.GetControlFlags(), static_cast<UINT>(UIFLAG_SETCURSOR));
  EXPECT_EQ(Str(pane.GetThumbRect(false)), "196,0,200,100");
  auto send = [&pane](int type, int x) {
    UIEventRecord e;
    e.type = type;
    e.mouse = POINT{x, 50};
    pane.Event(e);
  };
  send(UIEVENT_BUTTONDOWN, 198);
  send(UIEVENT_MOUSEMOVE, 238);
  EXPECT_EQ(pane.GetPos().right, 200) << "the preview moves, the layout waits for the release";
  EXPECT_EQ(Str(pane.GetThumbRect(true)), "236,0,240,100");
  send(UIEVENT_BUTTONUP, 238);
  EXPECT_EQ(pane.GetPos().right, 240);
  EXPECT_EQ(pane.GetFixedWidth(), 240);

  // Narrower than the minimum: the drag stops at the minimum; in immediate mode it follows.
  pane.SetMinWidth(150);
  pane.SetSepImmMode(true);
  send(UIEVENT_BUTTONDOWN, 238);
  send(UIEVENT_MOUSEMOVE, 200);
  EXPECT_EQ(pane.GetPos().right, 202);
  send(UIEVENT_MOUSEMOVE, 100);
  EXPECT_EQ(pane.GetWidth(), 150);
  send(UIEVENT_BUTTONUP, 100);
  EXPECT_EQ(pane.GetFixedWidth(), 150);
  // Without a separator the events go on to the container.
  CHorizontalLayoutUI plain;
  EXPECT_EQ(plain.GetControlFlags(), 0u);
}

TEST(LayoutTest, VerticalSeparatorDragsBothWays) {
  CVerticalLayoutUI pane;
  pane.SetAttribute(L"sepheight", L"6");
  pane.SetAttribute(L"sepimm", L"true");
  pane.SetPos(RECT{0, 0, 100, 200});
  EXPECT_EQ(Str(pane.GetThumbRect(false)), "0,194,100,200");
  auto send = [&pane](int type, int y) {
    UIEventRecord e;
    e.type = type;
    e.mouse = POINT{50, y};
    pane.Event(e);
  };
  send(UIEVENT_BUTTONDOWN, 197);
  for (int y = 199; y <= 221; y += 2) send(UIEVENT_MOUSEMOVE, y);  // small steps downwards
  EXPECT_EQ(pane.GetPos().bottom, 224);
  for (int y = 219; y >= 171; y -= 4) send(UIEVENT_MOUSEMOVE, y);  // and back up
  EXPECT_EQ(pane.GetPos().bottom, 174);
  send(UIEVENT_BUTTONUP, 171);
  EXPECT_EQ(pane.GetFixedHeight(), 174);
  // A negative size puts the strip at the top, inside the layout.
  pane.SetSepHeight(-300);
  EXPECT_EQ(Str(pane.GetThumbRect(false)), "0,0,100,174");
}

// A child that checks, while it is being destroyed, that its container no longer lists it.
class CheckedChild : public CControlUI {
 public:
  CheckedChild(CContainerUI* box, int* listed) : m_box(box), m_listed(listed) {}
  ~CheckedChild() override { *m_listed += m_box->GetItemIndex(this) >= 0 ? 1 : 0; }
  CContainerUI* m_box;
  int* m_listed;
};

TEST(LayoutTest, RemovedChildrenLeaveTheListBeforeTheyAreDeleted) {
  CContainerUI box;
  int listed = 0;
  auto* a = new CheckedChild(&box, &listed);
  box.Add(a);
  box.Add(new CheckedChild(&box, &listed));
  box.Add(new CheckedChild(&box, &listed));
  EXPECT_FALSE(box.Remove(nullptr));
  EXPECT_TRUE(box.Remove(a));
  EXPECT_EQ(box.GetCount(), 2);
  box.RemoveAll();
  EXPECT_EQ(box.GetCount(), 0);
  EXPECT_EQ(listed, 0);
  // Without auto destroy a removed child stays the caller's.
  CControlUI kept;
  box.SetAutoDestroy(false);
  box.Add(&kept);
  EXPECT_TRUE(box.RemoveAt(0));
  EXPECT_FALSE(box.RemoveAt(0));
}

class ListItemProbe : public CControlUI {
 public:
  explicit ListItemProbe(bool item) : m_item(item) {}
  LPVOID GetInterface(LPCWSTR name) override {
    if (m_item && wcscmp(name, L"ListItem") == 0) return this;
    return CControlUI::GetInterface(name);
  }
  bool m_item;
};

TEST(LayoutTest, FindSelectableAndItemOrder) {
  CContainerUI box;
  EXPECT_EQ(box.FindSelectable(0, true), -1);
  for (bool item : {false, true, true}) box.Add(new ListItemProbe(item));
  const struct {
    int index;
    bool forward;
    int expected;
  } cases[] = {{5, true, 2}, {0, true, 1}, {-3, false, 1}, {2, false, 2}, {1, false, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(box.FindSelectable(c.index, c.forward), c.expected) << c.index << " " << c.forward;
  CControlUI* first = box.GetItemAt(0);
  EXPECT_TRUE(box.SetItemIndex(first, 2));
  EXPECT_EQ(box.GetItemIndex(first), 2);
  EXPECT_EQ(box.GetItemAt(3), nullptr);
  EXPECT_EQ(box.GetItemAt(-1), nullptr);
  EXPECT_EQ(box.GetInterface(L"IContainer"), static_cast<IContainerUI*>(&box));
}

// A move to a place that does not exist keeps the child where it was.
TEST(LayoutTest, MovesOutsideTheChildrenKeepTheChild) {
  CContainerUI box;
  CControlUI* kids[3];
  for (CControlUI*& kid : kids) {
    kid = new CControlUI;
    box.Add(kid);
  }
  const struct {
    int index;
    bool moved;
    int at;
  } cases[] = {{3, false, 0}, {42, false, 0}, {-1, false, 0}, {2, true, 2}, {0, true, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(box.SetItemIndex(kids[0], c.index), c.moved) << c.index;
    EXPECT_EQ(box.GetCount(), 3) << c.index;
    EXPECT_EQ(box.GetItemIndex(kids[0]), c.at) << c.index;
  }
  EXPECT_FALSE(box.SetItemIndex(nullptr, 0));
}

TEST(LayoutTest, HitTestsOfContainers) {
  CHorizontalLayoutUI row;
  auto* left = new CControlUI;
  auto* right = new CControlUI;
  row.Add(left);
  row.Add(right);
  row.SetPos(RECT{0, 0, 100, 20});
  auto at = [&row](int x, int y) {
    POINT pt = {x, y};
    return row.FindControl([](CControlUI* c, LPVOID) { return c; }, &pt,
                           UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
  };
  EXPECT_EQ(at(10, 10), left);
  EXPECT_EQ(at(60, 10), right);
  EXPECT_EQ(at(160, 10), nullptr);
  right->SetMouseEnabled(false);
  EXPECT_EQ(at(60, 10), &row);
  row.SetMouseChildEnabled(false);
  EXPECT_EQ(at(10, 10), &row);
  row.SetVisible(false);
  EXPECT_EQ(at(10, 10), nullptr);
  EXPECT_FALSE(left->IsVisible()) << "hidden with its container";
}

}  // namespace

namespace {

// A container of the given kind with its attributes and children of their attributes.
template <class C>
std::unique_ptr<C> Hostile(const wchar_t* attributes, std::initializer_list<const wchar_t*> children) {
  std::unique_ptr<C> box(new C);
  box->ApplyAttributeList(attributes);
  for (const wchar_t* child : children) {
    CControlUI* control = new CControlUI;
    control->ApplyAttributeList(child);
    box->Add(control);
  }
  return box;
}

// Every child inside the coordinate bound, none inverted, and (for a linear or tile
// layout) each starting no earlier than the one before: wrapped sums would break that.
void ExpectSane(CContainerUI& box, bool ordered, bool vertical) {
  for (int i = 0; i < box.GetCount(); ++i) {
    RECT rc = box.GetItemAt(i)->GetPos();
    for (LONG v : {rc.left, rc.top, rc.right, rc.bottom}) EXPECT_LE(std::abs(v), CUIExtent::kMaxCoordinate) << Str(rc);
    EXPECT_LE(rc.left, rc.right) << Str(rc);
    EXPECT_LE(rc.top, rc.bottom) << Str(rc);
    if (ordered && i > 0) {
      RECT before = box.GetItemAt(i - 1)->GetPos();
      EXPECT_GE(vertical ? rc.top : rc.left, vertical ? before.top : before.left) << i;
    }
  }
}

}  // namespace

TEST(HostileLayout, PaddingsInsetsAndSizesAreBounded) {
  // Each value at the ends of the int range overflowed in the placement (checked by UBSan);
  // bounded when set, the sums stay in order.
  const RECT place = {0, 0, 200, 100};
  auto row = Hostile<CHorizontalLayoutUI>(L"childpadding=\"2147483647\"",
                                          {L"width=\"10\"", L"width=\"10\"", L"width=\"2147483647\" padding=\"2147483647,0,2147483647,0\"", L""});
  row->SetPos(place);
  ExpectSane(*row, true, false);
  EXPECT_EQ(Str(row->GetItemAt(1)->GetPos()), "1000010,0,1000020,100");
  auto column = Hostile<CVerticalLayoutUI>(L"childpadding=\"-2147483648\" inset=\"-2147483648,-2147483648,2147483647,2147483647\"",
                                           {L"height=\"2147483647\"", L"height=\"2147483647\"", L""});
  column->SetPos(place);
  ExpectSane(*column, false, true);
  EXPECT_EQ(Str(column->GetItemAt(0)->GetPos()), "-1000000,-1000000,-999800,-990001");  // the default maximum height
  // Thousands of maximal children: the totals are 64-bit and the pen stays a coordinate.
  std::unique_ptr<CVerticalLayoutUI> tall(new CVerticalLayoutUI);
  for (int i = 0; i < 3000; ++i) {
    CControlUI* c = new CControlUI;
    c->SetAttribute(L"height", L"2147483647");
    tall->Add(c);
  }
  tall->SetPos(place);
  ExpectSane(*tall, true, true);
  auto tiles = Hostile<CTileLayoutUI>(L"itemsize=\"2147483647,2147483647\" childpadding=\"2147483647\"",
                                      {L"height=\"2147483647\"", L"height=\"2147483647\"", L"", L""});
  tiles->SetPos(place);
  ExpectSane(*tiles, true, true);
  EXPECT_EQ(tiles->GetItemSize().cx, CUIExtent::kMax);
}

TEST(HostileLayout, FloatingPositionsAreBounded) {
  const RECT small = {0, 0, 200, 100}, large = {0, 0, 400, 300};
  auto box = Hostile<CContainerUI>(L"", {L"float=\"true\" pos=\"2147483647,2147483647,-2147483648,-2147483648\"",
                                         L"float=\"true\" pos=\"10,10,20,20\" relativepos=\"2147483647,2147483647,2147483647,2147483647\"",
                                         L"float=\"true\" pos=\"-2147483648,-2147483648,-10,-10\""});
  box->SetPos(small);
  box->SetPos(large);  // the parent grew by 200 x 200: the relative child moves and grows
  ExpectSane(*box, false, false);
  EXPECT_EQ(Str(box->GetItemAt(0)->GetPos()), "1000000,1000000,1000000,1000000");
  EXPECT_EQ(box->GetItemAt(1)->GetPos().left, 10 + CUIExtent::kMax * 200 / 100);
  EXPECT_EQ(box->GetItemAt(1)->GetPos().top, 10 + CUIExtent::kMax * 200 / 100);
}

TEST(HostileLayout, HeaderWidthsAreBounded) {
  CListHeaderUI header;
  for (int i = 0; i < 3; ++i) {
    CListHeaderItemUI* item = new CListHeaderItemUI;
    item->SetAttribute(L"width", L"2147483647");
    item->SetAttribute(L"sepwidth", L"-2147483648");
    header.Add(item);
  }
  header.SetFixedHeight(20);
  EXPECT_EQ(3 * CUIExtent::kMax, header.EstimateSize(SIZE{200, 100}).cx);
  header.SetPos(RECT{0, 0, 200, 20});
  ExpectSane(header, true, false);
}
