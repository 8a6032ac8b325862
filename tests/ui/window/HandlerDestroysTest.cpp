// A notification handler may destroy the window that the notification came from (its object
// deleted at the final message, as a message box does) or remove the control that raised it,
// for every notification the framework sends from inside its own loops: the framework must not
// touch either afterwards. Run under ASan/UBSan, which turns any such touch into a failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/ui/activex/RecordingControl.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/base/ContainerUI.h"
#include "ui/control/CheckBoxUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"
#include "ui/window/WndShadow.h"

namespace {

using namespace SkinUI;
using frametest::Narrow;

enum class Victim { kWindow, kControl };

// What a case saw; it outlives the window object.
struct Outcome {
  bool fired = false;
  bool deleted = false;
};

using frametest::RemoveControl;

class DoomedWnd : public frametest::SkinWnd {
 public:
  DoomedWnd(const wchar_t* skin, const wchar_t* type, const wchar_t* sender, Victim victim, Outcome* outcome,
            void (*setup)(DoomedWnd&))
      : SkinWnd(skin), m_type(type), m_sender(sender), m_victim(victim), m_outcome(outcome), m_setup(setup) {}
  ~DoomedWnd() override { m_outcome->deleted = true; }
  void InitWindow() override {
    if (m_setup) m_setup(*this);
  }
  void Notify(UINotifyMsg& msg) override {
    if (!m_outcome->fired && msg.type == m_type && msg.sender->GetName() == m_sender) {
      m_outcome->fired = true;
      if (m_victim == Victim::kWindow) {
        ::DestroyWindow(m_hwnd);
      } else {
        RemoveControl(msg.sender);
      }
      return;
    }
    SkinWnd::Notify(msg);
  }
  void OnFinalMessage(HWND hwnd) override {
    SkinWnd::OnFinalMessage(hwnd);
    delete this;
  }
  CControlUI* Find(const wchar_t* name) { return m_manager.FindControl(name); }

 private:
  CUIString m_type;
  CUIString m_sender;
  Victim m_victim;
  Outcome* m_outcome;
  void (*m_setup)(DoomedWnd&);
};

// ---- How each case makes the framework send its notification ----

void Mouse(HWND hwnd, UINT msg, POINT pt) {
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
}

POINT Centre(DoomedWnd& wnd, const wchar_t* name) {
  CControlUI* control = wnd.Find(name);
  EXPECT_NE(control, nullptr) << Narrow(name);
  if (!control) return POINT{-1, -1};
  RECT rc = control->GetPos();
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// Laid out first (the first paint), then pressed and released.
void ClickAt(HWND hwnd, POINT pt) {
  ::UpdateWindow(hwnd);
  Mouse(hwnd, WM_MOUSEMOVE, pt);
  Mouse(hwnd, WM_LBUTTONDOWN, pt);
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

void Paint(HWND hwnd) {
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
}

// The first paint: layout ("windowinit") and the first tab stop ("setfocus").
void FirstPaint(HWND hwnd, DoomedWnd&) { ::UpdateWindow(hwnd); }
void ClickOn(HWND hwnd, DoomedWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  ClickAt(hwnd, Centre(wnd, name));
}
void DoubleClickOn(HWND hwnd, DoomedWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  POINT pt = Centre(wnd, name);
  ClickAt(hwnd, pt);
  Mouse(hwnd, WM_LBUTTONDBLCLK, pt);
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}
void ClickB(HWND hwnd, DoomedWnd& wnd) { ClickOn(hwnd, wnd, L"b"); }
void ClickR1(HWND hwnd, DoomedWnd& wnd) { ClickOn(hwnd, wnd, L"r1"); }
void DoubleClickR1(HWND hwnd, DoomedWnd& wnd) { DoubleClickOn(hwnd, wnd, L"r1"); }
// b holds the focus; a Tab during a layout moves it at the next paint ("killfocus").
void TabAtPaint(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  wnd.GetManager().GetRoot()->NeedUpdate();
  wnd.GetManager().SetNextTabControl(true);
  ::UpdateWindow(hwnd);
}
// b holds the focus; a click on c takes it ("killfocus" from the button-down).
void ClickAway(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  ClickAt(hwnd, Centre(wnd, L"c"));
}
// A control (a container too) holds the focus and is hidden ("killfocus" from the hiding).
void HideFocused(HWND hwnd, DoomedWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(name));
  wnd.Find(name)->SetVisible(false);
}
void HideFocusedB(HWND hwnd, DoomedWnd& wnd) { HideFocused(hwnd, wnd, L"b"); }
void HideFocusedList(HWND hwnd, DoomedWnd& wnd) { HideFocused(hwnd, wnd, L"list"); }
// b holds the focus and the layout around it is hidden.
void HideAroundFocusedB(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  wnd.Find(L"root")->SetVisible(false);
}
// Alt+C: the shortcut focuses c ("setfocus") and then activates it.
void AltC(HWND hwnd, DoomedWnd&) {
  ::UpdateWindow(hwnd);
  MSG msg = {hwnd, WM_SYSCHAR, L'c', 0, 0, {0, 0}};
  CWindowManagerUI::TranslateMessage(&msg);
}
void Tick(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetTimer(wnd.Find(L"b"), 3, 10);
  jf::TickAdvance(20);
  frametest::Pump();
}
void TypeIntoB(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  POINT pt = Centre(wnd, L"b");
  jf::TestMouseMove(pt.x, pt.y);  // the window sits at the screen's origin
  jf::TestMouseButton(VK_LBUTTON, true);
  jf::TestMouseButton(VK_LBUTTON, false);
  frametest::Pump();
  jf::TestTypeText(L"xy");
  frametest::Pump();
}
// r0 is selected by the skin; the focused list moves down by a key.
void KeyDownInList(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"list"));
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
}
void ClickFolderOfP(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  auto* node = static_cast<CTreeNodeUI*>(wnd.Find(L"p")->GetInterface(L"TreeNode"));
  RECT rc = node->GetFolderButton()->GetPos();
  ClickAt(hwnd, POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
}
void ClickNodeA(HWND hwnd, DoomedWnd& wnd) { ClickOn(hwnd, wnd, L"a"); }
void DoubleClickNodeA(HWND hwnd, DoomedWnd& wnd) { DoubleClickOn(hwnd, wnd, L"a"); }

// A tree "t" with p (a, b) and q, made in code.
void GrowTree(DoomedWnd& wnd) {
  auto* view = static_cast<CTreeViewUI*>(wnd.Find(L"t")->GetInterface(L"TreeView"));
  auto node = [](const wchar_t* name) {
    auto* n = new CTreeNodeUI;
    n->SetName(name);
    n->SetItemText(name);
    return n;
  };
  CTreeNodeUI* p = node(L"p");
  view->Add(p);
  p->Add(node(L"a"));
  p->Add(node(L"b"));
  view->Add(node(L"q"));
}

// The same click while the window's shadow is shown.
void ClickBBesideShadow(HWND hwnd, DoomedWnd& wnd) {
  ::UpdateWindow(hwnd);
  frametest::Pump();
  EXPECT_TRUE(wnd.GetShadow() && ::IsWindowVisible(wnd.GetShadow()->GetShadowWnd())) << "the shadow is shown";
  ClickB(hwnd, wnd);
}

// ---- The skins ----

#define JF_WINDOW(attrs, body)                                                                  \
  L"<Window size=\"300,200\" " attrs L"><Font name=\"DejaVu Sans\" size=\"12\" default=\"true\"/>" \
  L"<VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">" body L"</VerticalLayout></Window>"

#define JF_BUTTONS                                                      \
  L"<Button name=\"b\" height=\"40\" text=\"b\" bkcolor=\"#FF808080\"/>" \
  L"<Button name=\"c\" height=\"40\" text=\"c\" bkcolor=\"#FF8080FF\"/>"

const wchar_t kButtons[] = JF_WINDOW(L"", JF_BUTTONS);
const wchar_t kShortcutButtons[] = JF_WINDOW(
    L"", L"<Button name=\"b\" height=\"40\" text=\"b\"/><Button name=\"c\" height=\"40\" text=\"c\" shortcut=\"C\"/>");
const wchar_t kLayeredButtons[] = JF_WINDOW(L"bktrans=\"true\"", JF_BUTTONS);
const wchar_t kShadowButtons[] = JF_WINDOW(L"shadow=\"true\"", JF_BUTTONS);
const wchar_t kOptions[] = JF_WINDOW(
    L"", L"<Option name=\"b\" group=\"g\" height=\"40\" text=\"b\"/>"
         L"<Option name=\"c\" group=\"g\" height=\"40\" text=\"c\" selected=\"true\"/>");
const wchar_t kEdit[] = JF_WINDOW(L"", L"<Edit name=\"b\" height=\"30\"/><Button name=\"c\" height=\"30\"/>");
const wchar_t kList[] = JF_WINDOW(
    L"", L"<List name=\"list\" header=\"hidden\">"
         L"<ListLabelElement name=\"r0\" text=\"r0\" height=\"30\" selected=\"true\"/>"
         L"<ListLabelElement name=\"r1\" text=\"r1\" height=\"30\"/>"
         L"<ListContainerElement name=\"r2\" height=\"30\"/></List>");
const wchar_t kContainerRows[] = JF_WINDOW(
    L"", L"<List name=\"list\" header=\"hidden\">"
         L"<ListContainerElement name=\"r0\" height=\"30\"/>"
         L"<ListContainerElement name=\"r1\" height=\"30\"/></List>");
const wchar_t kSlider[] = JF_WINDOW(L"", L"<Slider name=\"b\" height=\"30\" min=\"0\" max=\"100\"/>");
const wchar_t kActiveX[] =
    JF_WINDOW(L"", L"<ActiveX name=\"b\" height=\"60\" clsid=\"{5A5A0001-1111-2222-3333-444455556666}\"/>");
const wchar_t kHeader[] = JF_WINDOW(
    L"", L"<List name=\"list\"><ListHeader height=\"30\"><ListHeaderItem name=\"b\" text=\"h\" width=\"100\"/>"
         L"</ListHeader><ListLabelElement name=\"r0\" text=\"r0\" height=\"30\"/></List>");
const wchar_t kTree[] = JF_WINDOW(L"", L"<TreeView name=\"t\"/>");

#undef JF_BUTTONS
#undef JF_WINDOW

struct Case {
  const char* name;
  const wchar_t* skin;
  const wchar_t* type;
  const wchar_t* sender;
  Victim victim;
  void (*drive)(HWND, DoomedWnd&);
  void (*setup)(DoomedWnd&);
};

const Case kCases[] = {
    {"ClickWindow", kButtons, L"click", L"b", Victim::kWindow, ClickB, nullptr},
    {"ClickControl", kButtons, L"click", L"b", Victim::kControl, ClickB, nullptr},
    {"ClickWindowWithShadow", kShadowButtons, L"click", L"b", Victim::kWindow, ClickBBesideShadow, nullptr},
    {"WindowInit", kButtons, L"windowinit", L"root", Victim::kWindow, FirstPaint, nullptr},
    {"WindowInitLayered", kLayeredButtons, L"windowinit", L"root", Victim::kWindow, FirstPaint, nullptr},
    {"SetFocusAtPaintWindow", kButtons, L"setfocus", L"b", Victim::kWindow, FirstPaint, nullptr},
    {"SetFocusAtPaintControl", kButtons, L"setfocus", L"b", Victim::kControl, FirstPaint, nullptr},
    {"SetFocusLayered", kLayeredButtons, L"setfocus", L"b", Victim::kWindow, FirstPaint, nullptr},
    {"KillFocusAtPaintWindow", kButtons, L"killfocus", L"b", Victim::kWindow, TabAtPaint, nullptr},
    {"KillFocusAtPaintControl", kButtons, L"killfocus", L"b", Victim::kControl, TabAtPaint, nullptr},
    {"KillFocusLayered", kLayeredButtons, L"killfocus", L"b", Victim::kWindow, TabAtPaint, nullptr},
    {"KillFocusByClickWindow", kButtons, L"killfocus", L"b", Victim::kWindow, ClickAway, nullptr},
    {"SetFocusByClickWindow", kButtons, L"setfocus", L"c", Victim::kWindow, ClickAway, nullptr},
    {"KillFocusByHidingWindow", kButtons, L"killfocus", L"b", Victim::kWindow, HideFocusedB, nullptr},
    {"KillFocusByHidingItsLayoutWindow", kButtons, L"killfocus", L"b", Victim::kWindow, HideAroundFocusedB, nullptr},
    {"KillFocusByHidingListWindow", kList, L"killfocus", L"list", Victim::kWindow, HideFocusedList, nullptr},
    {"SetFocusByShortcutWindow", kShortcutButtons, L"setfocus", L"c", Victim::kWindow, AltC, nullptr},
    {"SelectChangedWindow", kOptions, L"selectchanged", L"b", Victim::kWindow, ClickB, nullptr},
    {"SelectChangedControl", kOptions, L"selectchanged", L"b", Victim::kControl, ClickB, nullptr},
    {"TimerWindow", kButtons, L"timer", L"b", Victim::kWindow, Tick, nullptr},
    {"TimerControl", kButtons, L"timer", L"b", Victim::kControl, Tick, nullptr},
    {"ValueChangedWindow", kSlider, L"valuechanged", L"b", Victim::kWindow, ClickB, nullptr},
    {"ValueChangedControl", kSlider, L"valuechanged", L"b", Victim::kControl, ClickB, nullptr},
    {"ShowActiveXWindow", kActiveX, L"showactivex", L"b", Victim::kWindow, FirstPaint, nullptr},
    {"ShowActiveXControl", kActiveX, L"showactivex", L"b", Victim::kControl, FirstPaint, nullptr},
    {"HeaderClickWindow", kHeader, L"headerclick", L"b", Victim::kWindow, ClickB, nullptr},
    {"HeaderClickControl", kHeader, L"headerclick", L"b", Victim::kControl, ClickB, nullptr},
    {"TextChangedWindow", kEdit, L"textchanged", L"b", Victim::kWindow, TypeIntoB, nullptr},
    {"TextChangedControl", kEdit, L"textchanged", L"b", Victim::kControl, TypeIntoB, nullptr},
    {"ItemClickWindow", kList, L"itemclick", L"r1", Victim::kWindow, ClickR1, nullptr},
    {"ItemClickControl", kList, L"itemclick", L"r1", Victim::kControl, ClickR1, nullptr},
    {"ItemSelectWindow", kList, L"itemselect", L"list", Victim::kWindow, ClickR1, nullptr},
    {"ItemSelectControl", kList, L"itemselect", L"list", Victim::kControl, ClickR1, nullptr},
    {"ItemSelectByKeyWindow", kList, L"itemselect", L"list", Victim::kWindow, KeyDownInList, nullptr},
    {"ItemActivateWindow", kList, L"itemactivate", L"r1", Victim::kWindow, DoubleClickR1, nullptr},
    {"ItemActivateControl", kList, L"itemactivate", L"r1", Victim::kControl, DoubleClickR1, nullptr},
    {"ContainerRowClickWindow", kContainerRows, L"itemclick", L"r1", Victim::kWindow, ClickR1, nullptr},
    {"ContainerRowClickControl", kContainerRows, L"itemclick", L"r1", Victim::kControl, ClickR1, nullptr},
    {"ContainerRowDoubleClickWindow", kContainerRows, L"itemdbclick", L"r1", Victim::kWindow, DoubleClickR1, nullptr},
    {"TreeItemClickWindow", kTree, L"itemclick", L"a", Victim::kWindow, ClickNodeA, GrowTree},
    {"TreeItemClickControl", kTree, L"itemclick", L"a", Victim::kControl, ClickNodeA, GrowTree},
    {"TreeItemSelectWindow", kTree, L"itemselect", L"t", Victim::kWindow, ClickNodeA, GrowTree},
    {"TreeItemDoubleClickWindow", kTree, L"itemdbclick", L"a", Victim::kWindow, DoubleClickNodeA, GrowTree},
    {"TreeItemDoubleClickControl", kTree, L"itemdbclick", L"a", Victim::kControl, DoubleClickNodeA, GrowTree},
    {"TreeFolderWindow", kTree, L"selectchanged", L"", Victim::kWindow, ClickFolderOfP, GrowTree},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class HandlerDestroysTest : public frametest::InputTest, public ::testing::WithParamInterface<Case> {
 protected:
  // The in-process OLE control that the ActiveX cases host.
  static void SetUpTestSuite() {
    CoRegisterClassObject(axtest::kTestControl, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  }
  static void TearDownTestSuite() { CoRevokeClassObject(cookie); }
  static inline axtest::RecordingFactory factory;
  static inline DWORD cookie = 0;

  void SetUp() override {
    CWndShadow::Initialize(::GetModuleHandleW(nullptr));  // once per process; later calls do nothing
    frametest::InputTest::SetUp();
  }
};

TEST_P(HandlerDestroysTest, NothingTouchesWhatTheHandlerDestroyed) {
  const Case& c = GetParam();
  Outcome outcome;
  auto* wnd = new DoomedWnd(c.skin, c.type, c.sender, c.victim, &outcome, c.setup);
  HWND hwnd = wnd->Create(nullptr, L"doomed", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
  ASSERT_TRUE(hwnd);
  c.drive(hwnd, *wnd);
  frametest::Pump();
  EXPECT_TRUE(outcome.fired) << "the notification came";
  if (c.victim == Victim::kWindow) {
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(outcome.deleted);
  } else {
    ASSERT_TRUE(::IsWindow(hwnd));
    EXPECT_EQ(wnd->Find(c.sender), nullptr) << "the control is gone";
    // The window goes on working without it.
    ClickAt(hwnd, POINT{150, 150});
    Paint(hwnd);
    frametest::Pump();
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(outcome.deleted);
  }
}

INSTANTIATE_TEST_SUITE_P(Notifications, HandlerDestroysTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
