// Whatever a handler takes out of the tree, by any road, lives until the frames that may
// still use it have returned: a control removed from a container that deletes at once, a
// scroll bar turned off, a tree node outside a view. Each is deleted later, outside every
// frame, and not leaked. The press of a bar turned off by its own scroll runs under valgrind
// in the memcheck suites. And what waits for the thread's next message when the thread ends
// (a window's final message) still runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/core/Delegate.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ListUI.h"
#include "ui/list/TreeNodeUI.h"

namespace {

using namespace SkinUI;

// Records when its control is deleted: the frames on the stack at that moment.
struct Watch {
  bool gone = false;
  int depth = -1;
  bool Gone(void*) {
    gone = true;
    depth = CWindowWnd::GetDispatchDepth();
    return true;
  }
  void On(CControlUI* control) { control->OnDestroy += MakeDelegate(this, &Watch::Gone); }
};

class DeferredDeletionTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(host.Open(0, 0, 200, 100));
    root = new CVerticalLayoutUI;
    ASSERT_TRUE(host.manager.AttachDialog(root));
  }
  void TearDown() override {
    if (host.GetHWND()) ::DestroyWindow(host.GetHWND());
  }
  // A container of `rows` rows 50 high, with a vertical scroll bar.
  template <class Box>
  Box* Scrolled(Box* box, int rows) {
    box->EnableScrollBar(true, false);
    for (int i = 0; i < rows; ++i) {
      auto* row = new CControlUI;
      row->SetFixedHeight(50);
      box->Add(row);
    }
    root->Add(box);
    ::UpdateWindow(host.GetHWND());
    return box;
  }

  frametest::HostWnd host;
  CVerticalLayoutUI* root = nullptr;
};

// Each road runs inside a frame, as from a handler, and watches the control that it takes.
TEST_F(DeferredDeletionTest, ARemovedControlOutlivesTheFrameThatRemovedIt) {
  struct Road {
    const char* name;
    std::function<void(DeferredDeletionTest&, Watch&)> take;
  };
  const Road roads[] = {
      {"a container that deletes at once",
       [](DeferredDeletionTest& t, Watch& watch) {
         auto* box = t.Scrolled(new CVerticalLayoutUI, 2);
         box->SetDelayedDestroy(false);
         CControlUI* row = box->GetItemAt(1);
         watch.On(row);
         box->Remove(row);
       }},
      {"all children of a container that deletes at once",
       [](DeferredDeletionTest& t, Watch& watch) {
         auto* box = t.Scrolled(new CVerticalLayoutUI, 2);
         box->SetDelayedDestroy(false);
         watch.On(box->GetItemAt(0));
         box->RemoveAll();
       }},
      {"a container's vertical bar turned off",
       [](DeferredDeletionTest& t, Watch& watch) {
         auto* box = t.Scrolled(new CVerticalLayoutUI, 4);
         watch.On(box->GetVerticalScrollBar());
         box->EnableScrollBar(false, false);
       }},
      {"a list's bars turned off",
       [](DeferredDeletionTest& t, Watch& watch) {
         auto* list = t.Scrolled(new CListUI, 4);
         list->EnableScrollBar(true, true);
         watch.On(list->GetHorizontalScrollBar());
         list->EnableScrollBar(false, false);
       }},
      {"a child node of a node outside any view",
       [](DeferredDeletionTest& t, Watch& watch) {
         auto* node = new CTreeNodeUI;
         t.root->Add(node);
         auto* child = new CTreeNodeUI;
         node->AddChildNode(child);
         watch.On(child);
         node->Remove(child);
       }},
  };
  for (const Road& road : roads) {
    SCOPED_TRACE(road.name);
    Watch watch;
    {
      CWindowWnd::DispatchScope frame;
      road.take(*this, watch);
      frametest::Pump();  // a modal loop inside the handler
      EXPECT_FALSE(watch.gone) << "deleted under the frame";
    }
    frametest::Pump();
    EXPECT_TRUE(watch.gone) << "deleted once the frame returned";
    EXPECT_EQ(watch.depth, 0);
    root->RemoveAll();
    frametest::Pump();
  }
}

// A press on a container's bar scrolls a row, and the row's size handler turns the bars off:
// the bar finishes its press, and goes afterwards.
TEST_F(DeferredDeletionTest, ABarTurnedOffByItsOwnScrollFinishesItsPress) {
  auto* box = Scrolled(new CVerticalLayoutUI, 4);
  CScrollBarUI* bar = box->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->IsVisible());
  Watch watch;
  watch.On(bar);
  struct TurnOff {
    CContainerUI* box;
    Watch* watch;
    bool underPress = false;
    bool Size(void*) {
      if (!box->GetVerticalScrollBar()) return true;
      box->EnableScrollBar(false, false);
      underPress = !watch->gone;
      return true;
    }
  } turnOff{box, &watch};
  box->GetItemAt(0)->OnSize += MakeDelegate(&turnOff, &TurnOff::Size);
  RECT down = bar->GetButton2Rect();
  const LPARAM at = MAKELPARAM((down.left + down.right) / 2, (down.top + down.bottom) / 2);
  ::SendMessageW(host.GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(box->GetVerticalScrollBar(), nullptr);
  EXPECT_TRUE(turnOff.underPress) << "the bar lived on under its press";
  ::SendMessageW(host.GetHWND(), WM_LBUTTONUP, 0, at);
  frametest::Pump();
  EXPECT_TRUE(watch.gone);
  EXPECT_EQ(watch.depth, 0);
}

// ---- A final message left for the thread's next message, which never comes ----

class SelfDeletingWnd : public CWindowWnd {
 public:
  explicit SelfDeletingWnd(bool* deleted) : m_deleted(deleted) {}
  ~SelfDeletingWnd() override {
    if (m_deleted) *m_deleted = true;
    std::fputs("final message ran\n", stderr);
  }
  LPCWSTR GetWindowClassName() const override { return L"JfSelfDeletingWnd"; }
  void OnFinalMessage(HWND) override { delete this; }

  // Destroyed from a callout outside any message: its final message waits for the next one.
  static void CloseFromACallout(bool* deleted) {
    auto* wnd = new SelfDeletingWnd(deleted);
    HWND hwnd = wnd->Create(nullptr, L"left", WS_POPUP, 0, 0, 0, 10, 10);
    ASSERT_NE(hwnd, nullptr);
    CWindowWnd::DispatchScope callout;
    ::DestroyWindow(hwnd);
  }

 private:
  bool* m_deleted;
};

TEST(FinalMessageAtExitTest, RunsBeforeTheThreadOrTheProgramEnds) {
  bool deleted = false;
  std::thread([&] { SelfDeletingWnd::CloseFromACallout(&deleted); }).join();
  EXPECT_TRUE(deleted) << "a thread that ends";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SelfDeletingWnd::CloseFromACallout(nullptr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "final message ran")
      << "a program that exits";
}

}  // namespace
