// A notification handler may destroy the window that the notification came from (its object
// deleted at the final message, as a message box does) or remove the control that raised it,
// for every notification the framework sends from inside its own loops (a click, a focus move
// at a paint or a tab layout's page switch, the rich edit's text services and drag and drop):
// the framework must not touch either afterwards. Run under ASan/UBSan, which turns any such
// touch into a failure.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <string>

#include "platform/src/user/DragData.h"
#include "tests/platform/display/DragProbes.h"
#include "tests/ui/activex/RecordingControl.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/base/ContainerUI.h"
#include "ui/control/CheckBoxUI.h"
#include "ui/layout/TabLayoutUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/window/WndShadow.h"

namespace {

using namespace SkinUI;
using frametest::Closing;
using frametest::ClosingWnd;
using frametest::Narrow;

enum class Victim { kWindow, kControl };

using frametest::RemoveControl;

// ---- How each case makes the framework send its notification ----

void Mouse(HWND hwnd, UINT msg, POINT pt) {
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
}

POINT Centre(ClosingWnd& wnd, const wchar_t* name) {
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
void FirstPaint(HWND hwnd, ClosingWnd&) { ::UpdateWindow(hwnd); }
void ClickOn(HWND hwnd, ClosingWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  ClickAt(hwnd, Centre(wnd, name));
}
void DoubleClickOn(HWND hwnd, ClosingWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  POINT pt = Centre(wnd, name);
  ClickAt(hwnd, pt);
  Mouse(hwnd, WM_LBUTTONDBLCLK, pt);
  if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}
void ClickB(HWND hwnd, ClosingWnd& wnd) { ClickOn(hwnd, wnd, L"b"); }
void ClickCloseButton(HWND hwnd, ClosingWnd& wnd) { ClickOn(hwnd, wnd, L"btn_close"); }
void ClickR1(HWND hwnd, ClosingWnd& wnd) { ClickOn(hwnd, wnd, L"r1"); }
void DoubleClickR1(HWND hwnd, ClosingWnd& wnd) { DoubleClickOn(hwnd, wnd, L"r1"); }
// b holds the focus; a Tab during a layout moves it at the next paint ("killfocus").
void TabAtPaint(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  wnd.GetManager().GetRoot()->NeedUpdate();
  wnd.GetManager().SetNextTabControl(true);
  ::UpdateWindow(hwnd);
}
// b holds the focus; a click on c takes it ("killfocus" from the button-down).
void ClickAway(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  ClickAt(hwnd, Centre(wnd, L"c"));
}
// A control (a container too) holds the focus and is hidden ("killfocus" from the hiding).
void HideFocused(HWND hwnd, ClosingWnd& wnd, const wchar_t* name) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(name));
  wnd.Find(name)->SetVisible(false);
}
void HideFocusedB(HWND hwnd, ClosingWnd& wnd) { HideFocused(hwnd, wnd, L"b"); }
void HideFocusedList(HWND hwnd, ClosingWnd& wnd) { HideFocused(hwnd, wnd, L"list"); }
// b holds the focus and the layout around it is hidden.
void HideAroundFocusedB(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"b"));
  wnd.Find(L"root")->SetVisible(false);
}
// Alt+C: the shortcut focuses c ("setfocus") and then activates it.
void AltC(HWND hwnd, ClosingWnd&) {
  ::UpdateWindow(hwnd);
  MSG msg = {hwnd, WM_SYSCHAR, L'c', 0, 0, {0, 0}};
  CWindowManagerUI::TranslateMessage(&msg);
}
void Tick(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetTimer(wnd.Find(L"b"), 3, 10);
  jf::TickAdvance(20);
  frametest::Pump();
}
void TypeIntoB(HWND hwnd, ClosingWnd& wnd) {
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
void KeyDownInList(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(L"list"));
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
}
void ClickFolderOfP(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  auto* node = static_cast<CTreeNodeUI*>(wnd.Find(L"p")->GetInterface(L"TreeNode"));
  RECT rc = node->GetFolderButton()->GetPos();
  ClickAt(hwnd, POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
}
void ClickNodeA(HWND hwnd, ClosingWnd& wnd) { ClickOn(hwnd, wnd, L"a"); }
void DoubleClickNodeA(HWND hwnd, ClosingWnd& wnd) { DoubleClickOn(hwnd, wnd, L"a"); }

// A tree "t" with p (a, b) and q, made in code.
void GrowTree(ClosingWnd& wnd) {
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
void ClickBBesideShadow(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  frametest::Pump();
  EXPECT_TRUE(wnd.GetShadow() && ::IsWindowVisible(wnd.GetShadow()->GetShadowWnd())) << "the shadow is shown";
  ClickB(hwnd, wnd);
}

// A tab layout's page switch, from outside any message or inside one that the window handles
// (kInside carries the work), with a control of the first page holding the focus.
const UINT kInside = WM_APP + 7;
LRESULT RunInside(ClosingWnd& wnd, UINT msg, WPARAM work, LPARAM, bool& handled) {
  if (msg != kInside) return 0;
  handled = true;
  reinterpret_cast<void (*)(ClosingWnd&)>(work)(wnd);
  return 0;
}
void SelectSecondPage(ClosingWnd& wnd) { static_cast<CTabLayoutUI*>(wnd.Find(L"tabs"))->SelectItem(1); }
void SwitchTab(HWND hwnd, ClosingWnd& wnd, const wchar_t* focused, bool inMessage) {
  ::UpdateWindow(hwnd);
  wnd.GetManager().SetFocus(wnd.Find(focused));
  if (inMessage) {
    ::SendMessageW(hwnd, kInside, reinterpret_cast<WPARAM>(&SelectSecondPage), 0);
  } else {
    SelectSecondPage(wnd);
  }
}
void SwitchFromP0(HWND hwnd, ClosingWnd& wnd) { SwitchTab(hwnd, wnd, L"p0", false); }
void SwitchFromP0InMessage(HWND hwnd, ClosingWnd& wnd) { SwitchTab(hwnd, wnd, L"p0", true); }
void SwitchFromB0(HWND hwnd, ClosingWnd& wnd) { SwitchTab(hwnd, wnd, L"b0", false); }
void SwitchFromB0InMessage(HWND hwnd, ClosingWnd& wnd) { SwitchTab(hwnd, wnd, L"b0", true); }

// The rich edits a (all three notifications asked for) and b (drag and drop done).
CRichEditUI* Edit(ClosingWnd& wnd, const wchar_t* name, DWORD mask) {
  auto* edit = static_cast<CRichEditUI*>(wnd.Find(name));
  LRESULT ignored = 0;
  edit->TxSendMessage(EM_SETEVENTMASK, 0, LPARAM(mask), &ignored);
  edit->SetDropEnabled(true);
  return edit;
}
void AskEditNotifications(ClosingWnd& wnd) {
  Edit(wnd, L"a", ENM_CHANGE | ENM_DROPFILES | ENM_DRAGDROPDONE);
  Edit(wnd, L"b", ENM_DRAGDROPDONE);
}
// A character typed into a (EN_CHANGE).
void TypeIntoA(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  POINT pt = Centre(wnd, L"a");
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  ::SendMessageW(hwnd, WM_CHAR, L'z', 0);
}
// A file dragged in from outside the window and let go on a (EN_DROPFILES).
void DropFileOnA(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  auto* data = new jf::DragData;
  data->SetFiles({L"Z:\\tmp\\one.txt"});
  POINT at = Centre(wnd, L"a");
  jf::TestMouseMove(390, 290);
  jf::TestMouseButton(VK_LBUTTON, true);
  frametest::Pump();
  jf::TestMouseMove(at.x, at.y);
  dndtest::ScriptSource source;
  source.steps = {[] { jf::TestMouseButton(VK_LBUTTON, false); }};
  DWORD effect = 0;
  DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  frametest::Pump();
  data->Release();
}
// "hello" selected in a, pressed inside it, dragged onto b's text and let go there
// (EN_DRAGDROPDONE).
void DragTextFromAToB(HWND hwnd, ClosingWnd& wnd) {
  ::UpdateWindow(hwnd);
  auto* a = static_cast<CRichEditUI*>(wnd.Find(L"a"));
  auto* b = static_cast<CRichEditUI*>(wnd.Find(L"b"));
  CHARRANGE cr = {0, 5};
  LRESULT ignored = 0;
  a->TxSendMessage(EM_EXSETSEL, 0, LPARAM(&cr), &ignored);
  POINT from = a->PosFromChar(1);
  POINT to = b->PosFromChar(1);
  jf::TestMouseMove(from.x + 2, from.y + 6);
  jf::TestMouseButton(VK_LBUTTON, true);
  frametest::Pump();
  jf::TestMouseMove(to.x + 2, to.y + 6);
  jf::TestMouseButton(VK_LBUTTON, false);
  frametest::Pump();
}

// ---- The skins ----

#define JF_WINDOW_OF(size, attrs, body)                                                           \
  L"<Window size=\"" size L"\" " attrs L"><Font name=\"DejaVu Sans\" size=\"12\" default=\"true\"/>" \
  L"<VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">" body L"</VerticalLayout></Window>"
#define JF_WINDOW(attrs, body) JF_WINDOW_OF(L"300,200", attrs, body)

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
const wchar_t kTabs[] = JF_WINDOW_OF(
    L"400,300", L"",
    L"<TabLayout name=\"tabs\"><VerticalLayout name=\"p0\"><Button name=\"b0\" height=\"30\"/></VerticalLayout>"
    L"<VerticalLayout name=\"p1\"><Button name=\"b1\" height=\"30\"/></VerticalLayout></TabLayout>");
const wchar_t kEdits[] = JF_WINDOW_OF(L"400,300", L"",
                                      L"<RichEdit name=\"a\" height=\"100\" text=\"hello world\"/><Control height=\"20\"/>"
                                      L"<RichEdit name=\"b\" height=\"100\" text=\"xy\"/>");

#undef JF_BUTTONS
#undef JF_WINDOW
#undef JF_WINDOW_OF

struct Case {
  const char* name;
  const wchar_t* skin;
  const wchar_t* type;
  const wchar_t* sender;
  Victim victim;
  void (*drive)(HWND, ClosingWnd&);
  void (*setup)(ClosingWnd&);
  WPARAM code = 0;  // the notification's code, where the type alone does not tell (0: any)
};

const Case kCases[] = {
    {"ClickWindow", kButtons, L"click", L"b", Victim::kWindow, ClickB, nullptr},
    {"ClickControl", kButtons, L"click", L"b", Victim::kControl, ClickB, nullptr},
    {"ClickWindowWithShadow", kShadowButtons, L"click", L"b", Victim::kWindow, ClickBBesideShadow, nullptr},
    // A button in the caption area (the window's own close button).
    {"ClickInTheCaptionWindow", frametest::kSkin, L"click", L"btn_close", Victim::kWindow, ClickCloseButton, nullptr},
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
    {"TabSwitchKillFocusOfPageWindow", kTabs, L"killfocus", L"p0", Victim::kWindow, SwitchFromP0, nullptr},
    {"TabSwitchKillFocusOfPageInMessageWindow", kTabs, L"killfocus", L"p0", Victim::kWindow, SwitchFromP0InMessage, nullptr},
    {"TabSwitchKillFocusOfButtonWindow", kTabs, L"killfocus", L"b0", Victim::kWindow, SwitchFromB0, nullptr},
    {"TabSwitchKillFocusOfButtonInMessageWindow", kTabs, L"killfocus", L"b0", Victim::kWindow, SwitchFromB0InMessage, nullptr},
    {"TabSwitchSetFocusWindow", kTabs, L"setfocus", L"p1", Victim::kWindow, SwitchFromB0, nullptr},
    {"TabSwitchSetFocusInMessageWindow", kTabs, L"setfocus", L"p1", Victim::kWindow, SwitchFromB0InMessage, nullptr},
    {"RichEditChangeWindow", kEdits, L"richeditnotify", nullptr, Victim::kWindow, TypeIntoA, AskEditNotifications, EN_CHANGE},
    {"RichEditDropFilesWindow", kEdits, L"richeditnotify", nullptr, Victim::kWindow, DropFileOnA, AskEditNotifications, EN_DROPFILES},
    {"RichEditDragDropDoneWindow", kEdits, L"richeditnotify", nullptr, Victim::kWindow, DragTextFromAToB, AskEditNotifications,
     EN_DRAGDROPDONE},
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
  Closing closing;
  if (c.setup) closing.onInit = c.setup;
  closing.onNotify = [&](ClosingWnd& wnd, UINotifyMsg& msg) {
    if (closing.fired || msg.type != c.type || (c.sender && msg.sender->GetName() != c.sender) ||
        (c.code && msg.wParam != c.code)) {
      return false;
    }
    closing.fired = true;
    if (c.victim == Victim::kWindow) {
      wnd.Destroy();
    } else {
      RemoveControl(msg.sender);
    }
    return true;
  };
  closing.onMessage = RunInside;
  HWND hwnd = nullptr;
  ClosingWnd* wnd = ClosingWnd::Open(c.skin, &closing, &hwnd);
  ASSERT_NE(wnd, nullptr);
  c.drive(hwnd, *wnd);
  frametest::Pump();
  EXPECT_TRUE(closing.fired) << "the notification came";
  if (c.victim == Victim::kWindow) {
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(closing.deleted);
  } else {
    ASSERT_TRUE(::IsWindow(hwnd));
    EXPECT_EQ(wnd->Find(c.sender), nullptr) << "the control is gone";
    // The window goes on working without it.
    ClickAt(hwnd, POINT{150, 150});
    Paint(hwnd);
    frametest::Pump();
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(closing.deleted);
  }
}

INSTANTIATE_TEST_SUITE_P(Notifications, HandlerDestroysTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
