// The window manager in a real headless window: focus and the Tab walk, timers and their
// ids, mouse routing (capture, hover, leave, wheel, cursor), keys, notifications and their
// order, deferred deletion and the first layout.
#include <gtest/gtest.h>

#include <functional>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/core/Delegate.h"
#include "ui/base/NotifyPump.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"

using namespace SkinUI;
using frametest::NotifyLog;
using frametest::ProbeUI;
using frametest::Pt;
using frametest::Pump;
using frametest::Str;

namespace {

class ShortcutLabel : public ProbeUI {
 public:
  using ProbeUI::ProbeUI;
  LPCWSTR GetClass() const override { return L"LabelUI"; }
};

class ActivationProbe : public ProbeUI {
 public:
  using ProbeUI::ProbeUI;
  bool Activate() override {
    ++activations;
    return CControlUI::Activate();
  }
  int activations = 0;
};

class WantTabRichEdit : public ProbeUI {
 public:
  using ProbeUI::ProbeUI;
  LPCWSTR GetClass() const override { return L"RichEditUI"; }
  LPVOID GetInterface(LPCWSTR name) override {
    if (wcscmp(name, L"WantTab") == 0) return this;
    return ProbeUI::GetInterface(name);
  }
};

// Root (vertical, 300 x 200 window): a row of a, label, b, c (60 wide each, 50 high), then d.
class ManagerTest : public ::testing::Test {
 public:
  void SetUp() override {
    jf::TestResetInput();
    ASSERT_TRUE(host.Open(100, 100, 300, 200));
    root = new CVerticalLayoutUI;
    root->SetName(L"root");
    auto* row = new CHorizontalLayoutUI;
    row->SetFixedHeight(50);
    a = new ProbeUI(L"a", UIFLAG_TABSTOP, &events);
    label = new ShortcutLabel(L"label", 0, &events);
    label->SetShortcut(L'K');
    b = new ActivationProbe(L"b", UIFLAG_TABSTOP, &events);
    c = new ProbeUI(L"c", UIFLAG_TABSTOP | UIFLAG_SETCURSOR, &events);
    for (CControlUI* child : {static_cast<CControlUI*>(a), static_cast<CControlUI*>(label),
                              static_cast<CControlUI*>(b), static_cast<CControlUI*>(c)}) {
      child->SetFixedWidth(60);
      row->Add(child);
    }
    d = new ProbeUI(L"d", 0, &events);
    root->Add(row);
    root->Add(d);
    manager().AddNotifier(&log);
    ASSERT_TRUE(manager().AttachDialog(root));
    Paint();
  }
  void TearDown() override {
    if (host.GetHWND()) ::DestroyWindow(host.GetHWND());
    jf::TestResetInput();
    jf::TickRestore();
  }
  CWindowManagerUI& manager() { return host.manager; }
  HWND hwnd() { return host.GetHWND(); }
  void Paint() {
    ::UpdateWindow(hwnd());
    Pump();
  }
  bool Tab(bool shift = false) {
    if (shift) {
      jf::TestKey(VK_SHIFT, true);
      Pump();
    }
    MSG msg = {hwnd(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    bool used = CWindowManagerUI::TranslateMessage(&msg);
    if (shift) {
      jf::TestKey(VK_SHIFT, false);
      Pump();
    }
    return used;
  }
  std::string FocusName() {
    CControlUI* f = manager().GetFocus();
    return f ? frametest::Narrow(f->GetName()) : "none";
  }
  std::vector<std::string> Notes(const std::string& type) {
    std::vector<std::string> out;
    for (const std::string& e : log.entries)
      if (e.size() > type.size() && e.compare(e.size() - type.size(), type.size(), type) == 0) out.push_back(e);
    return out;
  }

  frametest::HostWnd host;
  std::vector<std::string> events;
  NotifyLog log;
  CVerticalLayoutUI* root = nullptr;
  ProbeUI* a = nullptr;
  ShortcutLabel* label = nullptr;
  ActivationProbe* b = nullptr;
  ProbeUI* c = nullptr;
  ProbeUI* d = nullptr;
};

TEST_F(ManagerTest, FirstPaintLaysOutOnceAndFocusesTheFirstTabStop) {
  EXPECT_EQ(Str(a->GetPos()), "0,0,60,50");
  EXPECT_EQ(Str(d->GetPos()), "0,50,300,200");
  EXPECT_EQ(FocusName(), "a");
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  root->NeedUpdate();
  Paint();
  EXPECT_EQ(Notes(":windowinit"), std::vector<std::string>{"root:windowinit"});
  EXPECT_EQ(manager().FindControl(L"c"), c);
  EXPECT_EQ(manager().FindControl(L"nobody"), nullptr);
}

TEST_F(ManagerTest, TabWalkWrapsBothWays) {
  const struct {
    bool shift;
    const char* focus;
  } steps[] = {{false, "b"}, {false, "c"}, {false, "a"}, {true, "c"}, {true, "b"}, {true, "a"}, {true, "c"}};
  for (const auto& s : steps) {
    EXPECT_TRUE(Tab(s.shift));
    EXPECT_EQ(FocusName(), s.focus) << (s.shift ? "shift+tab" : "tab");
  }
  // Each move: the old control hears KILLFOCUS (sender: the new one) before the new one hears
  // SETFOCUS, and the notifications follow the same order.
  log.entries.clear();
  a->events.clear();
  a->SetFocus();
  b->SetFocus();
  EXPECT_EQ(log.entries, (std::vector<std::string>{"c:killfocus", "a:setfocus", "a:killfocus", "b:setfocus"}));
  ASSERT_EQ(a->Count(UIEVENT_KILLFOCUS), 1);
  EXPECT_EQ(a->events.back().sender, b);
  EXPECT_TRUE(b->IsFocused());
  EXPECT_FALSE(a->IsFocused());
  // Hidden, disabled and foreign controls are not focused; hiding the focus clears it.
  d->SetVisible(false);
  d->SetFocus();
  EXPECT_EQ(FocusName(), "none");
  b->SetFocus();
  b->SetVisible(false);
  EXPECT_EQ(FocusName(), "none");
}

TEST_F(ManagerTest, TabIsDeferredDuringALayoutAndNotLost) {
  root->NeedUpdate();
  EXPECT_TRUE(Tab());
  EXPECT_EQ(FocusName(), "a") << "the move waits for the layout";
  Paint();
  EXPECT_EQ(FocusName(), "b");
}

TEST_F(ManagerTest, FocusNeededReachesItsControl) {
  manager().SetFocusNeeded(c);
  EXPECT_EQ(FocusName(), "b") << "the tab stop before it, until the next paint";
  EXPECT_TRUE(manager().IsFocusNeeded());
  Paint();
  EXPECT_EQ(FocusName(), "c");
  EXPECT_TRUE(c->IsFocused());
  EXPECT_FALSE(manager().IsFocusNeeded());
}

// A focus move asked for (SetFocusNeeded, or a Tab during a layout) puts the focus at once on
// the tab stop before its control and waits for the next paint. A control focused after the
// ask keeps the focus: another one (by the program), or the very control that holds it (by the
// program or by a click), an explicit focus that drops the move.
struct PendingMove {
  const char* name;
  void (*ask)(class ManagerTest&);
  const char* focusAfterAsk;
  void (*focus)(ManagerTest&);
  const wchar_t* kept;
};
void PrintTo(const PendingMove& k, std::ostream* os) { *os << k.name; }

class ManagerPendingMoveTest : public ManagerTest, public ::testing::WithParamInterface<PendingMove> {};

TEST_P(ManagerPendingMoveTest, AControlFocusedAfterTheAskKeepsTheFocus) {
  const PendingMove& k = GetParam();
  a->SetFocus();
  Paint();
  k.ask(*this);
  ASSERT_TRUE(manager().IsFocusNeeded());
  ASSERT_EQ(FocusName(), k.focusAfterAsk);
  k.focus(*this);
  EXPECT_FALSE(manager().IsFocusNeeded());
  auto* kept = static_cast<ProbeUI*>(manager().FindControl(k.kept));
  ASSERT_NE(kept, nullptr);
  kept->events.clear();
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  Paint();
  EXPECT_EQ(FocusName(), frametest::Narrow(k.kept));
  EXPECT_EQ(kept->Count(UIEVENT_KILLFOCUS), 0);
  EXPECT_FALSE(manager().IsFocusNeeded());
}

void NeedB(ManagerTest& t) { t.manager().SetFocusNeeded(t.b); }
void NeedC(ManagerTest& t) { t.manager().SetFocusNeeded(t.c); }
void TabInALayout(ManagerTest& t) {
  t.root->NeedUpdate();
  EXPECT_TRUE(t.Tab());
}
void FocusB(ManagerTest& t) { t.b->SetFocus(); }
void FocusC(ManagerTest& t) { t.c->SetFocus(); }
void ClickB(ManagerTest& t) {
  LRESULT result = 0;
  t.manager().MessageHandler(WM_LBUTTONDOWN, MK_LBUTTON, Pt(150, 20), result);
  t.manager().MessageHandler(WM_LBUTTONUP, 0, Pt(150, 20), result);
}

INSTANTIATE_TEST_SUITE_P(
    ManagerTest, ManagerPendingMoveTest,
    ::testing::Values(PendingMove{"NeededThenAnotherFocused", NeedB, "a", FocusC, L"c"},
                      PendingMove{"TabInALayoutThenAnotherFocused", TabInALayout, "a", FocusC, L"c"},
                      PendingMove{"NeededThenTheHolderFocused", NeedC, "b", FocusB, L"b"},
                      PendingMove{"NeededThenTheHolderClicked", NeedC, "b", ClickB, L"b"}),
    [](const ::testing::TestParamInfo<PendingMove>& info) { return std::string(info.param.name); });

TEST_F(ManagerTest, TabLeftToARichEditThatWantsIt) {
  auto* edit = new WantTabRichEdit(L"edit", UIFLAG_TABSTOP);
  static_cast<CContainerUI*>(root)->Add(edit);
  Paint();
  edit->SetFocus();
  EXPECT_FALSE(Tab());
  EXPECT_EQ(FocusName(), "edit");
}

TEST(ManagerToolWindowTest, TabInAToolWindowMovesNothing) {
  frametest::HostWnd host;
  ASSERT_TRUE(host.Open(0, 0, 100, 100, WS_EX_TOOLWINDOW));
  auto* row = new CHorizontalLayoutUI;
  auto* x = new ProbeUI(L"x", UIFLAG_TABSTOP);
  row->Add(x);
  row->Add(new ProbeUI(L"y", UIFLAG_TABSTOP));
  host.manager.AttachDialog(row);
  ::UpdateWindow(host.GetHWND());
  x->SetFocus();
  EXPECT_TRUE(host.manager.SetNextTabControl(true));
  EXPECT_EQ(host.manager.GetFocus(), x);
  ::DestroyWindow(host.GetHWND());
}

TEST_F(ManagerTest, AltShortcutOfALabelActivatesTheNextControl) {
  MSG msg = {hwnd(), WM_SYSCHAR, L'k', 0, 0, {0, 0}};
  EXPECT_TRUE(manager().TranslateKeyboard(msg));
  EXPECT_EQ(FocusName(), "b");
  EXPECT_EQ(b->activations, 1);
  msg.wParam = L'q';
  EXPECT_FALSE(manager().TranslateKeyboard(msg));
}

TEST_F(ManagerTest, TimersKeepTheirIdsAndSkipHeldOnesAfterTheWrap) {
  EXPECT_TRUE(manager().SetTimer(a, 1, 1000));
  EXPECT_FALSE(manager().SetTimer(a, 1, 1000)) << "a live timer of the same control and id";
  LRESULT result = 0;
  EXPECT_FALSE(manager().MessageHandler(WM_TIMER, 17, 0, result));
  ASSERT_EQ(a->Count(UIEVENT_TIMER), 1);
  EXPECT_EQ(a->events.back().wParam, 1u);
  EXPECT_EQ(Notes(":timer"), std::vector<std::string>{"a:timer"});
  EXPECT_TRUE(manager().KillTimer(a, 1));
  EXPECT_FALSE(manager().KillTimer(a, 1));
  manager().MessageHandler(WM_TIMER, 17, 0, result);
  EXPECT_EQ(a->Count(UIEVENT_TIMER), 1) << "a killed timer is silent";
  EXPECT_TRUE(manager().SetTimer(a, 1, 1000)) << "again, with its old window id";
  manager().MessageHandler(WM_TIMER, 17, 0, result);
  EXPECT_EQ(a->Count(UIEVENT_TIMER), 2);

  // New timers take 18 .. 254, then 0 .. 16: the 239th new timer is id 0.
  for (UINT id = 2; id <= 238; ++id) ASSERT_TRUE(manager().SetTimer(b, id, 1000)) << id;
  ASSERT_TRUE(manager().SetTimer(c, 1, 1000));
  manager().MessageHandler(WM_TIMER, 0, 0, result);
  EXPECT_EQ(c->Count(UIEVENT_TIMER), 1);
  for (UINT id = 2; id <= 17; ++id) ASSERT_TRUE(manager().SetTimer(c, id, 1000)) << id;
  // All 255 ids are held: one more fails instead of replacing a running timer.
  EXPECT_FALSE(manager().SetTimer(d, 1, 1000));
  // a's record goes (id 17): the next new timer takes exactly that id.
  manager().KillAllTimers(a);
  ASSERT_TRUE(manager().SetTimer(d, 1, 1000));
  manager().MessageHandler(WM_TIMER, 17, 0, result);
  EXPECT_EQ(d->Count(UIEVENT_TIMER), 1);
  EXPECT_EQ(a->Count(UIEVENT_TIMER), 2);
  EXPECT_FALSE(manager().MessageHandler(WM_TIMER, 999, 0, result)) << "unknown ids go on";
}

TEST_F(ManagerTest, TimersFireFromTheTickSource) {
  jf::TickOverride(0xFFFFFF00u);  // the wrap of the 32-bit tick count comes along
  ASSERT_TRUE(manager().SetTimer(d, 7, 200));
  jf::TickAdvance(199);
  Pump();
  EXPECT_EQ(d->Count(UIEVENT_TIMER), 0);
  jf::TickAdvance(1);
  Pump();
  ASSERT_EQ(d->Count(UIEVENT_TIMER), 1);
  jf::TickAdvance(400);
  Pump();
  EXPECT_EQ(d->Count(UIEVENT_TIMER), 2) << "at most one pending timer message";
  EXPECT_EQ(log.last.wParam, 7u);
  root->SetDelayedDestroy(false);
  root->Remove(d);  // d goes, and its timer with it
  jf::TickAdvance(400);
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(ManagerTest, NoTimerWithoutAWindow) {
  jf::TickOverride(1000);
  CWindowManagerUI windowless;
  // A thread timer under an id of the system's own would be one that KillTimer cannot stop.
  EXPECT_FALSE(windowless.SetTimer(d, 1, 10));
  jf::TickAdvance(100);
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(windowless.KillTimer(d, 1));
}

TEST_F(ManagerTest, AControlFocusedBeforeTheFirstPaintKeepsTheFocus) {
  auto* box = new CHorizontalLayoutUI;
  auto* x = new ProbeUI(L"x", UIFLAG_TABSTOP, &events);
  auto* y = new ProbeUI(L"y", UIFLAG_TABSTOP, &events);
  box->Add(x);
  box->Add(y);
  ASSERT_TRUE(manager().AttachDialog(box));
  y->SetFocus();
  Paint();
  EXPECT_EQ(FocusName(), "y");
  // Without a focused control the first paint focuses the first tab stop.
  auto* other = new CHorizontalLayoutUI;
  auto* z = new ProbeUI(L"z", UIFLAG_TABSTOP, &events);
  other->Add(new ProbeUI(L"plain", 0, &events));
  other->Add(z);
  ASSERT_TRUE(manager().AttachDialog(other));
  Paint();
  EXPECT_EQ(FocusName(), "z");
}

TEST_F(ManagerTest, UpdateRectsAreOutlinedWithOnePenForTheProcess) {
  HPEN pen = CWindowManagerUI::GetUpdateRectPen();
  ASSERT_NE(pen, nullptr);
  CWindowManagerUI other;
  EXPECT_EQ(CWindowManagerUI::GetUpdateRectPen(), pen);
  LOGPEN style = {};
  ASSERT_EQ(static_cast<int>(sizeof(style)), ::GetObjectW(pen, sizeof(style), &style));
  EXPECT_EQ(style.lopnColor, RGB(220, 0, 0));
  manager().SetShowUpdateRect(true);
  for (int i = 0; i < 2; ++i) {
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    Paint();
    DWORD px = 0;
    ASSERT_TRUE(jf::TestWindowPixel(hwnd(), 0, 100, &px));
    EXPECT_EQ(px & 0xFFFFFF, 0xDC0000u);
    EXPECT_EQ(::GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));  // kept, not deleted by the paint
  }
}

TEST_F(ManagerTest, AKeyUpGoesOnlyWhereItsKeyDownWent) {
  a->SetFocus();
  ::SendMessageW(hwnd(), WM_KEYDOWN, 'X', 0);
  manager().SetFocus(nullptr);
  ::SendMessageW(hwnd(), WM_KEYDOWN, 'Y', 0);  // nobody takes it
  ::SendMessageW(hwnd(), WM_KEYUP, 'Y', 0);
  EXPECT_EQ(a->Count(UIEVENT_KEYDOWN), 1);
  EXPECT_EQ(a->Count(UIEVENT_KEYUP), 0);
}

TEST(ManagerWindowAgainTest, ASecondWindowGetsItsOwnTooltipAndPaintDc) {
  frametest::HostWnd host;
  auto* label = new CControlUI;
  label->SetToolTip(L"tip");
  ASSERT_TRUE(host.Open(100, 100, 200, 100));
  ASSERT_TRUE(host.manager.AttachDialog(label));
  ::UpdateWindow(host.GetHWND());
  LRESULT result = 0;
  host.manager.MessageHandler(WM_MOUSEHOVER, 0, Pt(20, 20), result);
  HWND firstTip = host.manager.GetTooltipWindow();
  ASSERT_TRUE(::IsWindow(firstTip));
  HDC firstDc = host.manager.GetPaintDC();
  ::DestroyWindow(host.GetHWND());
  Pump();
  EXPECT_FALSE(::IsWindow(firstTip));  // it went with its owner
  ASSERT_TRUE(host.Open(100, 100, 200, 100));
  EXPECT_NE(host.manager.GetPaintDC(), nullptr);
  EXPECT_NE(host.manager.GetPaintDC(), firstDc);
  host.manager.MessageHandler(WM_MOUSEHOVER, 0, Pt(20, 20), result);
  EXPECT_TRUE(::IsWindow(host.manager.GetTooltipWindow()));
  EXPECT_EQ(::GetWindow(host.manager.GetTooltipWindow(), GW_OWNER), host.GetHWND());
  ::DestroyWindow(host.GetHWND());
  Pump();
}

TEST_F(ManagerTest, PressedControlKeepsTheMouse) {
  events.clear();
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, Pt(10, 10));
  ::SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(10, 10));
  EXPECT_TRUE(manager().IsCaptured());
  EXPECT_EQ(::GetCapture(), hwnd());
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, MK_LBUTTON, Pt(130, 10));
  ::SendMessageW(hwnd(), WM_LBUTTONUP, 0, Pt(130, 10));
  EXPECT_FALSE(manager().IsCaptured());
  const std::vector<std::string> expected = {"a:11", "a:9", "a:13", "a:10", "b:11", "a:9", "a:14"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(a->events[3].keyState, MK_LBUTTON);
  EXPECT_EQ(a->events.back().mouse.x, 130);
  // WM_CLOSE while pressed: the pressed control hears the release first.
  events.clear();
  ::SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Pt(130, 10));
  LRESULT result = 0;
  manager().MessageHandler(WM_CLOSE, 0, 0, result);
  EXPECT_EQ(events, (std::vector<std::string>{"a:20", "b:21", "b:13", "b:10", "b:14", "b:20"}));
}

TEST_F(ManagerTest, HoverThenLeaveStillEndsTheHover) {
  events.clear();
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, Pt(70, 10));
  ::SendMessageW(hwnd(), WM_MOUSEHOVER, 0, Pt(70, 10));
  ::SendMessageW(hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"label:11", "label:9", "label:12", "label:10"}));
  EXPECT_EQ(manager().GetHover(), nullptr);
  ::SendMessageW(hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(events.size(), 4u) << "a second leave finds nothing to end";
  // A hover over a control with a tooltip shows it through the tooltip window.
  label->SetToolTip(L"line one<n>line two");
  EXPECT_EQ(label->GetToolTip(), CUIString(L"line one\r\nline two"));
  ::SendMessageW(hwnd(), WM_MOUSEMOVE, 0, Pt(70, 10));
  LRESULT result = 0;
  EXPECT_TRUE(manager().MessageHandler(WM_MOUSEHOVER, 0, Pt(70, 10), result));
  EXPECT_NE(manager().GetTooltipWindow(), nullptr);
  EXPECT_FALSE(manager().MessageHandler(WM_MOUSEHOVER, 0, Pt(500, 500), result)) << "no control there";
}

TEST_F(ManagerTest, WheelCursorAndKeys) {
  events.clear();
  const struct {
    int delta;
    WPARAM wParam;
  } wheels[] = {{-120, 1}, {120, 0}, {-240, 1}};
  for (const auto& w : wheels) {
    size_t before = d->events.size();
    ::SendMessageW(hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, w.delta), Pt(100 + 10, 100 + 60));
    ASSERT_GT(d->events.size(), before);
    EXPECT_EQ(d->events[before].type, UIEVENT_SCROLLWHEEL);
    EXPECT_EQ(d->events[before].wParam, w.wParam) << w.delta;
    EXPECT_EQ(d->events[before].mouse.y, 60);
  }
  // WM_SETCURSOR: only controls with the cursor flag hear it.
  LRESULT result = 0;
  jf::TestMouseMove(100 + 10, 100 + 10);
  EXPECT_FALSE(manager().MessageHandler(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), HTCLIENT, result));
  jf::TestMouseMove(100 + 190, 100 + 10);  // the move itself asks for the cursor once
  int asked = c->Count(UIEVENT_SETCURSOR);
  EXPECT_TRUE(manager().MessageHandler(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), HTCLIENT, result));
  EXPECT_EQ(c->Count(UIEVENT_SETCURSOR), asked + 1);
  EXPECT_EQ(a->Count(UIEVENT_SETCURSOR), 0);
  EXPECT_FALSE(manager().MessageHandler(WM_SETCURSOR, 0, HTCAPTION, result));
  // Keys go to the focus; the key-up to the control that took the key-down.
  a->events.clear();
  ::SendMessageW(hwnd(), WM_KEYDOWN, 'X', 0);
  b->SetFocus();
  ::SendMessageW(hwnd(), WM_KEYUP, 'X', 0);
  ::SendMessageW(hwnd(), WM_CHAR, 'x', 0);
  EXPECT_EQ(a->Count(UIEVENT_KEYDOWN), 1);
  EXPECT_EQ(a->Count(UIEVENT_KEYUP), 1);
  EXPECT_EQ(b->Count(UIEVENT_CHAR), 1);
  EXPECT_EQ(b->events.back().key, L'x');
}

class Listener {
 public:
  bool OnNotify(void* param) {
    seen.push_back(frametest::Narrow(static_cast<UINotifyMsg*>(param)->type));
    return false;  // a refusal does not stop the window's notifiers
  }
  std::vector<std::string> seen;
};

TEST_F(ManagerTest, NotificationsInOrder) {
  NotifyLog second("2:");
  manager().AddNotifier(&second);
  Listener listener;
  a->OnNotify += MakeDelegate(&listener, &Listener::OnNotify);
  log.entries.clear();
  manager().SendNotify(a, L"click", 3, 4);
  manager().SendNotify(b, L"other");
  EXPECT_EQ(listener.seen, std::vector<std::string>{"click"});
  EXPECT_EQ(log.entries, (std::vector<std::string>{"a:click", "b:other"}));
  EXPECT_EQ(second.entries, (std::vector<std::string>{"2:a:click", "2:b:other"}));
  EXPECT_TRUE(manager().RemoveNotifier(&second));
  EXPECT_FALSE(manager().RemoveNotifier(&second));
  // Queued notifications go out at the next message, in order; those of a control that is
  // deleted meanwhile are dropped.
  log.entries.clear();
  manager().PostNotify(a, L"first");
  manager().PostNotify(d, L"gone");
  manager().PostNotify(b, L"second");
  root->SetDelayedDestroy(false);
  root->Remove(d);
  EXPECT_TRUE(log.entries.empty());
  ::SendMessageW(hwnd(), WM_NULL, 0, 0);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"a:first", "b:second"}));
}

TEST_F(ManagerTest, VirtualWindowNameGivenBeforeAManager) {
  EXPECT_FALSE(manager().IsUsedVirtualWnd());
  auto* pane = new CHorizontalLayoutUI;
  pane->SetAttribute(L"virtualwnd", L"Pages");  // no manager yet: kept
  auto* inner = new ProbeUI(L"inner");
  pane->Add(inner);
  static_cast<CContainerUI*>(root)->Add(pane);
  EXPECT_TRUE(manager().IsUsedVirtualWnd());
  manager().SendNotify(inner, L"click");
  EXPECT_EQ(log.last.virtualWnd, CUIString(L"Pages"));
  // Every manager call of a control without a manager is skipped.
  ProbeUI loose(L"loose", UIFLAG_TABSTOP);
  loose.SetFocus();
  loose.NeedUpdate();
  loose.NeedParentUpdate();
  loose.Invalidate();
  loose.SetPos(RECT{0, 0, 5, 5});
  loose.SetAttribute(L"virtualwnd", L"x");
  UIEventRecord timer;
  timer.type = UIEVENT_TIMER;
  loose.Event(timer);
  EXPECT_EQ(loose.GetVirtualWnd(), CUIString(L"x"));
}

class Tracked : public CControlUI {
 public:
  explicit Tracked(bool* alive) : m_alive(alive) { *alive = true; }
  ~Tracked() override { *m_alive = false; }
  bool* m_alive;
};

TEST_F(ManagerTest, ASecondRootIsAttachedAndTheFirstDeletedLater) {
  bool oldAlive = false;
  bool newAlive = false;
  bool removedAlive = false;
  auto* removed = new Tracked(&removedAlive);
  static_cast<CContainerUI*>(root)->Add(removed);
  static_cast<CContainerUI*>(root)->Remove(removed);
  EXPECT_TRUE(removedAlive) << "a child removed under a manager goes through the delayed cleanup";
  auto* second = new CHorizontalLayoutUI;
  second->Add(new Tracked(&newAlive));
  static_cast<CContainerUI*>(root)->Add(new Tracked(&oldAlive));
  ASSERT_TRUE(manager().AttachDialog(second));
  EXPECT_TRUE(oldAlive);
  EXPECT_EQ(manager().GetRoot(), second);
  Pump();
  EXPECT_FALSE(oldAlive);
  EXPECT_FALSE(removedAlive);
  EXPECT_TRUE(newAlive);
  EXPECT_EQ(manager().FindControl(L"a"), nullptr);
  // Gone before the flags it writes go out of scope.
  second->SetDelayedDestroy(false);
  second->RemoveAll();
  EXPECT_FALSE(newAlive);
}

class SelfMarking : public CControlUI {
 public:
  void SetPos(RECT rc) override {
    CControlUI::SetPos(rc);
    ++placed;
    m_updateNeeded = true;  // a broken control that never settles
  }
  int placed = 0;
};

TEST_F(ManagerTest, LayoutStopsOnAControlThatMarksItselfAgain) {
  auto* bad = new SelfMarking;
  static_cast<CContainerUI*>(root)->Add(bad);
  Paint();
  bad->NeedUpdate();
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  int before = bad->placed;
  Paint();
  EXPECT_LE(bad->placed - before, 2);
}

// The notification maps: a named row beats any-sender rows, the last any-sender row wins,
// then the base class's map, and a virtual window first when the notification carries one.
class BasePump : public CNotifyPump {
 public:
  void OnBaseTimer(UINotifyMsg&) { calls.push_back("base timer"); }
  std::vector<std::string> calls;
  SKINUI_DECLARE_NOTIFY_MAP()
};

class DerivedPump : public BasePump {
 public:
  void OnAny(UINotifyMsg&) { calls.push_back("any"); }
  void OnOk(UINotifyMsg&) { calls.push_back("ok"); }
  void OnFirst(UINotifyMsg&) { calls.push_back("first"); }
  void OnLast(WPARAM w, LPARAM l) { calls.push_back("last " + std::to_string(w) + std::to_string(l)); }
  SKINUI_DECLARE_NOTIFY_MAP()
};

SKINUI_BEGIN_NOTIFY_MAP(BasePump, CNotifyPump)
SKINUI_ON_NOTIFY(L"timer", OnBaseTimer)
SKINUI_END_NOTIFY_MAP()

SKINUI_BEGIN_NOTIFY_MAP(DerivedPump, BasePump)
SKINUI_ON_NOTIFY(L"click", OnAny)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_ok", OnOk)
SKINUI_ON_NOTIFY(L"select", OnFirst)
SKINUI_ON_NOTIFY_PARAMS(L"select", OnLast)
SKINUI_END_NOTIFY_MAP()

TEST(NotifyPumpTest, MatchingRules) {
  CControlUI ok;
  ok.SetName(L"btn_ok");
  CControlUI other;
  other.SetName(L"other");
  DerivedPump pump;
  const struct {
    const wchar_t* type;
    CControlUI* sender;
    const char* call;
    bool handled;
  } cases[] = {{L"click", &ok, "ok", true},        {L"click", &other, "any", true},
               {L"select", &other, "last 12", true}, {L"timer", &other, "base timer", true},
               {L"Click", &other, "", false},       {L"unknown", &ok, "", false}};
  for (const auto& c : cases) {
    pump.calls.clear();
    UINotifyMsg msg;
    msg.type = c.type;
    msg.sender = c.sender;
    msg.wParam = 1;
    msg.lParam = 2;
    EXPECT_EQ(pump.LoopDispatch(msg), c.handled) << frametest::Narrow(c.type);
    EXPECT_EQ(pump.calls.empty() ? "" : pump.calls[0], c.call) << frametest::Narrow(c.type);
  }
  // A notification tagged with a virtual window goes to that window's pump first.
  DerivedPump page;
  ASSERT_TRUE(pump.AddVirtualWnd(L"Page", &page));
  EXPECT_FALSE(pump.AddVirtualWnd(L"Page", &page));
  UINotifyMsg msg;
  msg.type = L"click";
  msg.sender = &ok;
  msg.virtualWnd = L"page";
  pump.calls.clear();
  pump.NotifyPump(msg);
  EXPECT_EQ(page.calls, std::vector<std::string>{"ok"});
  EXPECT_TRUE(pump.calls.empty());
  msg.type = L"nothing there";
  pump.NotifyPump(msg);
  EXPECT_TRUE(pump.calls.empty());
}

}  // namespace

namespace {

class Filter : public IMessageFilterUI {
 public:
  explicit Filter(UINT consume) : m_consume(consume) {}
  LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool& handled) override {
    seen.push_back(msg);
    if (msg == m_consume) {
      handled = true;
      return 42;
    }
    return 0;
  }
  UINT m_consume;
  std::vector<UINT> seen;
};

class Accelerator : public ITranslateAccelerator {
 public:
  HRESULT TranslateAccelerator(MSG* msg) override { return msg->wParam == VK_F5 ? S_OK : S_FALSE; }
};

TEST_F(ManagerTest, FiltersTranslatorsAndChildWindows) {
  Filter first(WM_USER + 1);
  Filter second(WM_USER + 2);
  manager().AddMessageFilter(&first);
  manager().AddMessageFilter(&second);
  EXPECT_EQ(::SendMessageW(hwnd(), WM_USER + 2, 0, 0), 42);
  EXPECT_EQ(first.seen, std::vector<UINT>{WM_USER + 2});
  EXPECT_EQ(::SendMessageW(hwnd(), WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(second.seen.size(), 1u) << "the first filter that takes it ends the walk";
  EXPECT_TRUE(manager().RemoveMessageFilter(&first));
  EXPECT_FALSE(manager().RemoveMessageFilter(&first));
  // Pre-message filters and accelerators act in the modal loop's pre-translation, also for
  // the messages of child windows.
  Accelerator accelerator;
  manager().AddTranslateAccelerator(&accelerator);
  HWND child = ::CreateWindowExW(0, L"JfFrameHost", L"", WS_CHILD, 0, 0, 10, 10, hwnd(), nullptr, nullptr, nullptr);
  MSG f5 = {child, WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
  EXPECT_TRUE(CWindowManagerUI::TranslateMessage(&f5));
  MSG f6 = {child, WM_KEYDOWN, VK_F6, 0, 0, {0, 0}};
  EXPECT_FALSE(CWindowManagerUI::TranslateMessage(&f6));
  Filter pre(WM_KEYDOWN);
  manager().AddPreMessageFilter(&pre);
  EXPECT_TRUE(CWindowManagerUI::TranslateMessage(&f6));
  manager().RemovePreMessageFilter(&pre);
  EXPECT_TRUE(manager().RemoveTranslateAccelerator(&accelerator));
  MSG stray = {nullptr, WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
  EXPECT_FALSE(CWindowManagerUI::TranslateMessage(&stray));
  ::DestroyWindow(child);
  manager().RemoveMessageFilter(&second);
}

TEST_F(ManagerTest, OptionGroups) {
  EXPECT_TRUE(manager().AddOptionGroup(L"g", a));
  EXPECT_FALSE(manager().AddOptionGroup(L"g", a));
  EXPECT_TRUE(manager().AddOptionGroup(L"g", b));
  ASSERT_NE(manager().GetOptionGroup(L"g"), nullptr);
  EXPECT_EQ(manager().GetOptionGroup(L"g")->GetSize(), 2);
  manager().RemoveOptionGroup(L"g", a);
  EXPECT_EQ(manager().GetOptionGroup(L"g")->GetSize(), 1);
  manager().RemoveOptionGroup(L"g", b);
  EXPECT_EQ(manager().GetOptionGroup(L"g"), nullptr) << "an empty group goes";
  EXPECT_TRUE(manager().AddOptionGroup(L"h", c));  // freed with the manager
}

TEST_F(ManagerTest, InitialSizeAndTransparency) {
  // The initial rectangle is taken once; the window is resized only before a tree exists.
  CWindowManagerUI fresh;
  fresh.SetInitSize(0, 0, 50, 40);
  fresh.SetInitSize(0, 0, 70, 80);
  EXPECT_EQ(fresh.GetInitSize().cx, 50);
  manager().SetInitSize(0, 0, 10, 10);
  RECT rc;
  ::GetWindowRect(hwnd(), &rc);
  EXPECT_EQ(Str(rc), "100,100,400,300") << "a window with a tree keeps its size";
  const struct {
    int alpha;
    bool layered;
  } cases[] = {{128, true}, {300, false}, {0, true}, {255, true}, {256, false}};
  for (const auto& c : cases) {
    manager().SetTransparent(c.alpha);
    EXPECT_EQ((::GetWindowLongW(hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0, c.layered) << c.alpha;
  }
  fresh.SetTransparent(10);  // no window: nothing
}

}  // namespace

namespace {

// One entry of every list the manager walks; `onCall` runs inside its call.
struct Member : INotifyUI, IMessageFilterUI, ITranslateAccelerator {
  Member(const char* name, std::vector<std::string>* log) : name(name), log(log) {}
  void Called() {
    log->push_back(name);
    if (onCall) onCall();
  }
  void Notify(UINotifyMsg&) override { Called(); }
  // Only the walked messages, not those of the window's destruction.
  LRESULT MessageHandler(UINT msg, WPARAM, LPARAM, bool&) override {
    if (msg == WM_USER + 7 || msg == WM_KEYDOWN) Called();
    return 0;
  }
  HRESULT TranslateAccelerator(MSG*) override {
    Called();
    return S_FALSE;
  }
  std::string name;
  std::vector<std::string>* log;
  std::function<void()> onCall;
};

}  // namespace

// A callee that removes itself, or itself and the next one, while a list is walked: the
// entries after it are neither skipped nor called once gone, on each of the four lists. A
// callee that closes the window ends the walk.
TEST_F(ManagerTest, ListsWalkedWhileACalleeLeavesThemOrClosesTheWindow) {
  struct List {
    const char* name;
    std::function<bool(Member*)> add, remove;
    std::function<void()> walk;
  };
  MSG key = {nullptr, WM_KEYDOWN, VK_F6, 0, 0, {0, 0}};
  CWindowManagerUI& m = manager();
  const List lists[] = {
      {"notifiers", [&](Member* x) { return m.AddNotifier(x); }, [&](Member* x) { return m.RemoveNotifier(x); },
       [&] { m.SendNotify(a, L"walk"); }},
      {"message filters", [&](Member* x) { return m.AddMessageFilter(x); },
       [&](Member* x) { return m.RemoveMessageFilter(x); }, [&] { ::SendMessageW(hwnd(), WM_USER + 7, 0, 0); }},
      {"pre-message filters", [&](Member* x) { return m.AddPreMessageFilter(x); },
       [&](Member* x) { return m.RemovePreMessageFilter(x); }, [&] {
         key.hwnd = hwnd();
         CWindowManagerUI::TranslateMessage(&key);
       }},
      {"translators", [&](Member* x) { return m.AddTranslateAccelerator(x); },
       [&](Member* x) { return m.RemoveTranslateAccelerator(x); },
       [&] {
         key.hwnd = hwnd();
         CWindowManagerUI::TranslateMessage(&key);
       }},
  };
  enum Act { kLeaves, kTakesNext, kCloses };
  for (const List& list : lists) {
    for (Act act : {kLeaves, kTakesNext, kCloses}) {
      SCOPED_TRACE(std::string(list.name) + " " + std::to_string(act));
      if (!hwnd()) {
        ASSERT_TRUE(host.Open(100, 100, 300, 200));
      }
      std::vector<std::string> called;
      Member first("1", &called), second("2", &called), third("3", &called);
      for (Member* x : {&first, &second, &third}) ASSERT_TRUE(list.add(x));
      first.onCall = [&] {
        if (act == kCloses) return static_cast<void>(::DestroyWindow(hwnd()));
        list.remove(&first);
        if (act == kTakesNext) list.remove(&second);
      };
      list.walk();
      const std::vector<std::vector<std::string>> expected = {{"1", "2", "3"}, {"1", "3"}, {"1"}};
      EXPECT_EQ(called, expected[act]);
      for (Member* x : {&first, &second, &third}) list.remove(x);
    }
  }
}
