#include <memory>

#include "tests/ui/list/ListTestHost.h"
#include "tests/ui/window/RemoveControl.h"
#include "ui/control/CheckBoxUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/OptionUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"

using namespace listtest;

namespace {

class TreeTest : public ListTest {
 protected:
  void SetUp() override {
    ListTest::SetUp();
    view_ = new CTreeViewUI;
    view_->SetAttribute(L"visiblecheckbtn", L"true");
    view_->EnableScrollBar(true, false);
    Place(view_, L"tree", RECT{10, 10, 310, 410});
  }
  static CTreeNodeUI* Node(const wchar_t* name) {
    CTreeNodeUI* node = new CTreeNodeUI;
    node->SetName(name);
    node->SetItemText(name);
    return node;
  }
  // Row names in order, each followed by "-" when hidden.
  std::string Rows() const {
    std::string out;
    for (int i = 0; i < view_->GetCount(); ++i) {
      CControlUI* row = view_->GetItemAt(i);
      if (!out.empty()) out += ' ';
      out += Narrow(row->GetName()) + (row->IsVisible() ? "" : "-");
    }
    return out;
  }
  std::string Checked() const {
    std::string out;
    for (int i = 0; i < view_->GetCount(); ++i) {
      auto* node = static_cast<CTreeNodeUI*>(view_->GetItemAt(i)->GetInterface(L"TreeNode"));
      out += node->GetCheckBox()->IsSelected() ? '1' : '0';
    }
    return out;
  }
  // p: a, b (b1, b2), c; then q.
  void Build() {
    p_ = Node(L"p");
    view_->Add(p_);
    a_ = Node(L"a");
    b_ = Node(L"b");
    p_->Add(a_);
    p_->Add(b_);
    b_->Add(Node(L"b1"));
    b_->Add(Node(L"b2"));
    p_->Add(Node(L"c"));
    q_ = Node(L"q");
    view_->Add(q_);
    Layout();
  }
  CTreeViewUI* view_ = nullptr;
  CTreeNodeUI *p_ = nullptr, *a_ = nullptr, *b_ = nullptr, *q_ = nullptr;
};

}  // namespace

TEST_F(TreeTest, ChildrenLandAfterTheLastDescendantIndented) {
  Build();
  EXPECT_EQ(Rows(), "p a b b1 b2 c q");
  EXPECT_FALSE(p_->GetDottedLine()->IsVisible());
  EXPECT_EQ(a_->GetDottedLine()->GetFixedWidth(), 18);
  EXPECT_EQ(b_->GetChildNode(0)->GetDottedLine()->GetFixedWidth(), 34);
  EXPECT_EQ(b_->GetChildNode(0)->GetParentNode(), b_);
  EXPECT_EQ(p_->GetLastNode()->GetItemText(), CUIString(L"c"));
  EXPECT_EQ(b_->GetTreeIndex(), 2);
  EXPECT_EQ(p_->GetChildNode(3), nullptr);
  EXPECT_EQ(p_->GetChildNode(-1), nullptr);
  // The rows are laid out one below the other, the item button after the spacer.
  RECT rc = a_->GetItemButton()->GetPos();
  EXPECT_EQ(rc.left, a_->GetPos().left + 18 + 18 + 18);
  // The last node of the view can get children: they are appended.
  EXPECT_TRUE(q_->Add(Node(L"q1")));
  EXPECT_EQ(Rows(), "p a b b1 b2 c q q1");
  // An item button follows its parent's group.
  EXPECT_EQ(a_->GetItemButton()->GetGroup(), p_->GetItemButton()->GetGroup());
  Png("tree");
}

TEST_F(TreeTest, CollapseHidesExpandShowsExpandedSubtreesOnly) {
  Build();
  b_->GetFolderButton()->SetSelected(true);  // collapse b
  EXPECT_EQ(Rows(), "p a b b1- b2- c q");
  p_->GetFolderButton()->SetSelected(true);
  EXPECT_EQ(Rows(), "p a- b- b1- b2- c- q");
  p_->GetFolderButton()->SetSelected(false);
  EXPECT_EQ(Rows(), "p a b b1- b2- c q");
  b_->GetFolderButton()->SetSelected(false);
  EXPECT_EQ(Rows(), "p a b b1 b2 c q");
  // A double click toggles the folder once.
  view_->SetItemExpand(true);
  Layout();
  RECT rc = b_->GetPos();
  int x = rc.right - 20, y = (rc.top + rc.bottom) / 2;
  jf::TickAdvance(1000);
  Click(x, y);
  Click(x, y);
  EXPECT_EQ(log_.Of("itemdbclick"), Strings{"b"});
  EXPECT_TRUE(b_->GetFolderButton()->IsSelected());
  EXPECT_EQ(Rows(), "p a b b1- b2- c q");
  // Hiding the selected row deselects it.
  EXPECT_EQ(view_->GetCurSel(), 2);
  p_->GetFolderButton()->SetSelected(true);
  EXPECT_EQ(view_->GetCurSel(), -1);
}

TEST_F(TreeTest, ChecksPropagateDownwardsOnly) {
  Build();
  b_->GetCheckBox()->SetSelected(true);
  EXPECT_EQ(Checked(), "0011100");
  p_->GetCheckBox()->SetSelected(true);
  EXPECT_EQ(Checked(), "1111110");
  b_->GetChildNode(1)->GetCheckBox()->SetSelected(false);
  EXPECT_EQ(Checked(), "1111010");  // the parents keep theirs
  view_->SetItemCheckBox(false);
  EXPECT_EQ(Checked(), "0000000");
  view_->SetVisibleCheckBtn(false);
  EXPECT_FALSE(a_->GetCheckBox()->IsVisible());
  view_->SetVisibleFolderBtn(false);
  EXPECT_FALSE(q_->GetFolderButton()->IsVisible());
}

// A check goes down a tree of any depth without the stack, once to each box: each box it sets
// notifies its handlers once.
TEST_F(TreeTest, ChecksGoDownADeepTree) {
  const int kDepth = 12000;
  CTreeNodeUI* top = Node(L"top");
  view_->Add(top);
  CTreeNodeUI* last = top;
  for (int i = 1; i < kDepth; ++i) {
    CTreeNodeUI* next = new CTreeNodeUI;
    ASSERT_TRUE(last->Add(next));
    last = next;
  }
  top->GetCheckBox()->SetSelected(true);
  EXPECT_EQ(Checked(), std::string(kDepth, '1'));
  auto changes = [this] {
    size_t n = 0;
    for (const std::string& e : log_.entries) n += e.find("selectchanged") != std::string::npos;
    return n;
  };
  EXPECT_EQ(changes(), size_t(kDepth));
  last->GetCheckBox()->SetSelected(false);
  view_->SetItemCheckBox(false);
  EXPECT_EQ(Checked(), std::string(kDepth, '0'));
  EXPECT_EQ(changes(), size_t(2 * kDepth));
}

TEST_F(TreeTest, RemovingSubtreesLeavesTheParentSound) {
  Build();
  CTreeNodeUI* d = Node(L"d");
  b_->Add(d);
  d->Add(Node(L"d1"));
  b_->Add(Node(L"e"));
  EXPECT_EQ(Rows(), "p a b b1 b2 d d1 e c q");
  EXPECT_EQ(b_->GetCountChild(), 4);
  // b with its four children (one with its own) goes; p keeps a and c.
  EXPECT_TRUE(view_->RemoveNode(b_));
  Layout();
  EXPECT_EQ(Rows(), "p a c q");
  EXPECT_EQ(p_->GetCountChild(), 2);
  EXPECT_TRUE(p_->Add(Node(L"f")));
  EXPECT_EQ(Rows(), "p a c f q");
  // Through the parent node's container removal.
  EXPECT_TRUE(p_->Remove(p_->GetChildNode(0)));
  EXPECT_EQ(Rows(), "p c f q");
  // A leaf row is removed by RemoveAt; a missing row is not.
  EXPECT_TRUE(view_->RemoveAt(1));
  EXPECT_EQ(Rows(), "p f q");
  EXPECT_EQ(p_->GetCountChild(), 1);
  EXPECT_FALSE(view_->RemoveAt(17));
  EXPECT_TRUE(view_->RemoveAt(0));
  EXPECT_EQ(Rows(), "q");
  Layout();
  Move(50, 20);
  view_->RemoveAll();
  EXPECT_EQ(view_->GetCount(), 0);
}

TEST_F(TreeTest, AddAtInsertsTheWholeSubtree) {
  Build();
  CTreeNodeUI* r = Node(L"r");
  CTreeNodeUI* r1 = Node(L"r1");
  r->Add(r1);
  r1->Add(Node(L"r11"));
  r->Add(Node(L"r2"));
  EXPECT_EQ(view_->AddAt(r, 1), 5);
  EXPECT_EQ(Rows(), "p r r1 r11 r2 a b b1 b2 c q");
  std::unique_ptr<CTreeNodeUI> x(Node(L"x"));
  EXPECT_EQ(view_->AddAt(x.get(), 99), -1);
  EXPECT_EQ(view_->AddAt(static_cast<CTreeNodeUI*>(nullptr), 0), -1);
  CTreeNodeUI* s = Node(L"s");
  EXPECT_TRUE(view_->AddAtNode(s, q_));
  EXPECT_EQ(Rows(), "p r r1 r11 r2 a b b1 b2 c s q");
  std::unique_ptr<CTreeNodeUI> stray(Node(L"stray")), nowhere(Node(L"nowhere"));
  EXPECT_FALSE(view_->AddAtNode(stray.get(), nowhere.get()));
  // A node inserted among the children of another, before its second child.
  EXPECT_TRUE(p_->AddAt(Node(L"ab"), 1));
  EXPECT_EQ(Rows(), "p r r1 r11 r2 a ab b b1 b2 c s q");
  EXPECT_EQ(p_->GetChildNode(1)->GetItemText(), CUIString(L"ab"));
  CLabelUI label;
  EXPECT_FALSE(p_->AddAt(&label, 0));
}

TEST_F(TreeTest, TextColoursAndMinimumWidth) {
  Build();
  view_->SetItemTextColor(0xFF112233);
  view_->SetSelItemTextColor(0xFF445566);
  view_->SetItemMinWidth(300);
  EXPECT_EQ(a_->GetItemButton()->GetTextColor(), 0xFF112233u);
  EXPECT_EQ(a_->GetMinWidth(), 300);
  a_->Select(true);
  EXPECT_EQ(a_->GetItemButton()->GetTextColor(), 0xFF445566u);
  a_->Select(false);
  EXPECT_EQ(a_->GetItemButton()->GetTextColor(), 0xFF112233u);
  CTreeNodeUI* late = Node(L"late");
  q_->Add(late);
  EXPECT_EQ(late->GetItemTextColor(), 0u);
  EXPECT_EQ(late->GetMinWidth(), 300);
  late->SetAttribute(L"itemtextcolor", L"#FF00FF00");
  EXPECT_EQ(late->GetItemButton()->GetTextColor(), 0xFF00FF00u);
  late->SetAttribute(L"folderattr", L"name=\"fold\"");
  EXPECT_EQ(Narrow(late->GetFolderButton()->GetName()), "fold");
  EXPECT_STREQ(view_->GetClass(), L"TreeViewUI");
  EXPECT_NE(view_->GetInterface(L"TreeView"), nullptr);
  EXPECT_FALSE(view_->GetHeader()->IsVisible());
}

TEST_F(TreeTest, NodesGivenAsPlainChildrenJoinAsNodes) {
  CTreeNodeUI* n = Node(L"n");
  n->Add(Node(L"n1"));
  IContainerUI* box = static_cast<IContainerUI*>(view_->GetInterface(L"IContainer"));
  ASSERT_TRUE(box->Add(n));
  EXPECT_EQ(Rows(), "n n1");
  n->GetFolderButton()->SetSelected(true);
  EXPECT_EQ(Rows(), "n n1-");
}

TEST_F(TreeTest, NodesOutsideAViewOwnTheirChildren) {
  CTreeNodeUI* loose = Node(L"loose");
  loose->Add(Node(L"l1"));
  loose->Add(Node(L"l2"));
  EXPECT_EQ(loose->GetCountChild(), 2);
  EXPECT_TRUE(loose->Remove(loose->GetChildNode(0)));
  EXPECT_EQ(loose->GetCountChild(), 1);
  delete loose;  // frees l2 (checked under ASan)
}

// The node's container removal takes only its child nodes: its own row, its buttons, a node
// of another parent and a stranger all stay where they are.
TEST_F(TreeTest, NodeRemovesOnlyItsChildNodes) {
  Build();
  CControlUI* stranger = new CControlUI;
  CControlUI* others[] = {p_->GetTreeNodeHoriznotal(), p_->GetItemButton(), p_->GetFolderButton(),
                          p_->GetCheckBox(), b_->GetChildNode(0), q_, stranger, nullptr};
  for (CControlUI* other : others) {
    EXPECT_FALSE(p_->Remove(other)) << (other ? Narrow(other->GetClass()) : "null");
    EXPECT_EQ(p_->GetCount(), 1);
    EXPECT_EQ(p_->GetItemAt(0), p_->GetTreeNodeHoriznotal());
  }
  delete stranger;
  EXPECT_EQ(Rows(), "p a b b1 b2 c q");
  p_->GetItemButton()->SetText(L"still here");
  Layout();
  ClickRow(p_);
  EXPECT_TRUE(p_->GetItemText() == L"still here");
}

// A handler may try to take any part out of a node's row the ordinary way (here when the row
// is clicked): the row, its buttons and its spacer are the node's for its whole life and stay;
// the node, its view and its later children go on using them, and the node frees them when it
// goes. A control the markup or the program put into the row is the row's to give up.
TEST_F(TreeTest, PartsOfARowStayWithTheNodeWhateverAHandlerRemoves) {
  using Part = CControlUI* (*)(CTreeNodeUI*);
  const Part parts[] = {
      [](CTreeNodeUI* n) -> CControlUI* { return n->GetFolderButton(); },
      [](CTreeNodeUI* n) -> CControlUI* { return n->GetCheckBox(); },
      [](CTreeNodeUI* n) -> CControlUI* { return n->GetItemButton(); },
      [](CTreeNodeUI* n) -> CControlUI* { return n->GetDottedLine(); },
      [](CTreeNodeUI* n) -> CControlUI* { return n->GetTreeNodeHoriznotal(); },
  };
  for (Part part : parts) {
    view_->RemoveAll();
    Build();
    CControlUI* target = part(b_);
    SCOPED_TRACE(Narrow(target->GetClass()));
    log_.hook = [&](UINotifyMsg& msg) {
      if (msg.type == L"itemclick" && msg.sender == b_) frametest::RemoveControl(target);
    };
    ClickRow(b_);
    log_.hook = nullptr;
    Pump();  // the delayed cleanup runs
    EXPECT_EQ(part(b_), target);
    EXPECT_EQ(b_->GetTreeNodeHoriznotal()->GetParent(), b_);
    EXPECT_EQ(b_->GetTreeNodeHoriznotal()->GetCount(), 4);
    // The view reaches every part of b: a double click folds it, its parent folds and checks
    // it, the buttons' visibility and the text colours go to it, a new child indents from it.
    view_->SetItemExpand(true);
    Layout();
    RECT rc = b_->GetPos();
    jf::TickAdvance(1000);
    Click(rc.right - 20, (rc.top + rc.bottom) / 2);
    Click(rc.right - 20, (rc.top + rc.bottom) / 2);
    EXPECT_TRUE(b_->GetFolderButton()->IsSelected());
    EXPECT_EQ(Rows(), "p a b b1- b2- c q");
    p_->GetCheckBox()->SetSelected(true);
    EXPECT_EQ(Checked(), "1111110");
    view_->SetVisibleFolderBtn(false);
    view_->SetVisibleCheckBtn(false);
    view_->SetItemTextColor(0xFF112233);
    Move(rc.left + 30, (rc.top + rc.bottom) / 2);
    Move(400, 420);
    b_->SetItemText(L"bb");
    EXPECT_TRUE(b_->GetItemText() == L"bb");
    CTreeNodeUI* b3 = Node(L"b3");
    EXPECT_TRUE(b_->Add(b3));
    EXPECT_EQ(b3->GetDottedLine()->GetFixedWidth(), b_->GetDottedLine()->GetFixedWidth() + 16);
    EXPECT_TRUE(view_->RemoveNode(b_));
    Pump();
  }
  // Emptying a node takes its child nodes, emptying its row what was put there.
  view_->RemoveAll();
  Build();
  auto* tag = new CLabelUI;
  b_->GetTreeNodeHoriznotal()->Add(tag);
  b_->RemoveAll();
  EXPECT_EQ(Rows(), "p a b c q");
  EXPECT_EQ(b_->GetCount(), 1);
  b_->GetTreeNodeHoriznotal()->RemoveAll();
  EXPECT_EQ(b_->GetTreeNodeHoriznotal()->GetCount(), 4);
  EXPECT_TRUE(b_->GetFolderButton()->GetParent() == b_->GetTreeNodeHoriznotal());
  Pump();
  b_->SetItemText(L"b");
  Layout();
}
