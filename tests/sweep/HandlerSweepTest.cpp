// The sweep: for every control class that the skin factory builds, a small window from markup
// with that control between two buttons; real input (pointer, keys, time, focus, drops, drags,
// the first paint) shows which notifications the control and its parts send. Its parts are
// what the markup made and what the control built for itself: a tree node's row and buttons,
// a list's header and body, containers' scroll bars, a combo's drop-down with its layout and
// rows. Then, for every notification, a handler takes one destructive action when it arrives
// (close the window, remove the sender from its container, hide it, disable it), the same
// input runs again, the queue is pumped and the window painted once more. Run under ASan/UBSan
// and valgrind, any touch of what the handler took away fails. The framework's sources give
// the notification names (SentNotifications.h, generated at configure time): each must be
// reached by some class here, so a new notification joins the sweep, or fails it, by itself.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SentNotifications.h"
#include "platform/src/user/DragData.h"
#include "tests/platform/display/DragProbes.h"
#include "tests/sweep/EndRun.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/base/ContainerUI.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/layout/TabLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ComboUI.h"
#include "ui/list/ComboWnd.h"
#include "ui/list/IListItemUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/skin/ControlFactory.h"

namespace {

using namespace SkinUI;
using frametest::Closing;
using frametest::ClosingWnd;
using frametest::Narrow;

// ---- The control under test, in its markup ----

// What a class needs around or inside it to send what it can (rows for lists, pages for a
// tab layout, a link for text); the rest stand alone.
std::wstring Markup(const std::wstring& cls) {
  const std::wstring rows = L"<ListLabelElement name=\"r0\" text=\"r0\" height=\"24\"/>"
                            L"<ListLabelElement name=\"r1\" text=\"r1\" height=\"24\"/>"
                            L"<ListContainerElement name=\"r2\" height=\"24\"/>";
  if (cls == L"List" || cls == L"ExpandList")
    return L"<" + cls + L" name=\"x\" height=\"100\" vscrollbar=\"true\"><ListHeader height=\"24\"><ListHeaderItem "
           L"name=\"h0\" text=\"h\" width=\"120\"/></ListHeader>" + rows + L"<ListTextElement name=\"r3\" "
           L"text=\"&lt;a&gt;link&lt;/a&gt;\" height=\"24\"/></" + cls + L">";
  if (cls == L"Combo" || cls == L"ComboBox")  // a drop-down too low for its rows: it scrolls
    return L"<" + cls + L" name=\"x\" height=\"30\" dropboxsize=\"0,40\">" + rows + L"</" + cls + L">";
  if (cls == L"ListHeader" || cls == L"ListHeaderItem" || cls == L"ListLabelElement" || cls == L"ListTextElement" ||
      cls == L"ListContainerElement") {
    const std::wstring inner = cls == L"ListHeaderItem" ? L"<ListHeader height=\"24\"><ListHeaderItem name=\"x\" "
                                                          L"text=\"h\" width=\"120\"/></ListHeader>"
                               : cls == L"ListHeader" ? L"<ListHeader name=\"x\" height=\"24\"><ListHeaderItem "
                                                        L"name=\"h0\" text=\"h\" width=\"120\"/></ListHeader>"
                                                      : L"<" + cls + L" name=\"x\" text=\"x\" height=\"30\"/>" + rows;
    return L"<List name=\"list\" height=\"140\">" + inner + L"</List>";
  }
  // Nodes with a child (its spacer shows), check buttons, more rows than the view shows; a
  // button of the markup in a node's row.
  if (cls == L"TreeView")
    return L"<TreeView name=\"x\" height=\"48\" visiblecheckbtn=\"true\" vscrollbar=\"true\"><TreeNode name=\"n0\" "
           L"text=\"n0\"><TreeNode name=\"n00\" text=\"n00\"/></TreeNode><TreeNode name=\"n1\" text=\"n1\"/></TreeView>";
  if (cls == L"TreeNode")
    return L"<TreeView name=\"tree\" height=\"48\" visiblecheckbtn=\"true\" vscrollbar=\"true\"><TreeNode name=\"p\" "
           L"text=\"p\"><TreeNode name=\"x\" text=\"x\"><Button name=\"tag\" width=\"30\" text=\"t\"/><TreeNode name=\"x0\" "
           L"text=\"x0\"/></TreeNode></TreeNode>"
           L"</TreeView>";
  if (cls == L"TabLayout")
    return L"<TabLayout name=\"x\" height=\"100\"><VerticalLayout name=\"p0\"><Button name=\"pb0\" height=\"30\"/>"
           L"</VerticalLayout><VerticalLayout name=\"p1\"><Button name=\"pb1\" height=\"30\"/></VerticalLayout>"
           L"</TabLayout>";
  if (cls == L"HorizontalLayout" || cls == L"VerticalLayout" || cls == L"TileLayout" || cls == L"Container" ||
      cls == L"ChildLayout")
    return L"<" + cls + L" name=\"x\" height=\"100\" sepwidth=\"6\" vscrollbar=\"true\"><Button name=\"xb\" "
           L"width=\"40\" height=\"30\"/><Button name=\"xc\" width=\"40\" height=\"300\"/></" + cls + L">";
  if (cls == L"Text" || cls == L"Label")
    return L"<" + cls + L" name=\"x\" height=\"18\" showhtml=\"true\" align=\"center\" text=\"{a x}a link{/a}\"/>";
  if (cls == L"Button") return L"<Button name=\"x\" height=\"40\" text=\"x\" menu=\"true\" fadeeffect=\"true\"/>";
  if (cls == L"Option" || cls == L"CheckBox") return L"<" + cls + L" name=\"x\" height=\"40\" text=\"x\" menu=\"true\"/>";
  if (cls == L"Slider" || cls == L"Progress")
    return L"<" + cls + L" name=\"x\" height=\"30\" min=\"0\" max=\"100\" value=\"10\" thumbsize=\"10,20\"/>";
  if (cls == L"ScrollBar") return L"<ScrollBar name=\"x\" height=\"20\" hor=\"true\" range=\"100\" linesize=\"10\"/>";
  if (cls == L"RichEdit") {  // more text than it shows: its scroll bar shows too
    std::wstring text = L"hello world";
    for (int i = 0; i < 60; ++i) text += L" more words";
    return L"<RichEdit name=\"x\" height=\"100\" text=\"" + text +
           L"\" wantreturn=\"true\" vscrollbar=\"true\" rich=\"true\" multiline=\"true\"/>";
  }
  if (cls == L"Edit" || cls == L"DateTime") return L"<" + cls + L" name=\"x\" height=\"30\" text=\"hello\"/>";
  return L"<" + cls + L" name=\"x\" height=\"60\" text=\"x\" menu=\"true\"/>";
}

std::wstring Skin(const std::wstring& cls) {
  return L"<Window size=\"400,300\"><Font name=\"DejaVu Sans\" size=\"12\" default=\"true\"/>"
         L"<VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\"><Button name=\"first\" height=\"30\" text=\"1\"/>" +
         Markup(cls) + L"<Button name=\"last\" height=\"30\" text=\"2\"/></VerticalLayout></Window>";
}

// ---- Real input ----

void Pump() { frametest::Pump(); }

// The control and its parts, at most a few dozen, in tree order: a container's own children
// (a list's header and body, a tree node's row) and its scroll bars.
void Collect(CControlUI* control, std::vector<CControlUI*>& out) {
  if (!control || out.size() >= 32) return;
  out.push_back(control);
  auto* box = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  if (!box) return;
  for (int i = 0; i < box->ItemCount(); ++i) Collect(box->ItemAt(i), out);
  Collect(box->OwnVerticalScrollBar(), out);
  Collect(box->OwnHorizontalScrollBar(), out);
}

// The layout of a combo's drop-down while it is open.
CControlUI* DropDownOf(CControlUI* x) {
  auto* combo = x ? static_cast<CComboUI*>(x->GetInterface(L"Combo")) : nullptr;
  return combo && combo->GetDropDown() ? combo->GetDropDown()->GetLayout() : nullptr;
}

// The screen point at the middle of a control, in whichever window shows it now.
bool Middle(CControlUI* control, POINT& pt) {
  CWindowManagerUI* manager = control->GetManager();
  HWND hwnd = manager ? manager->GetPaintWindow() : nullptr;
  if (!hwnd || !::IsWindow(hwnd) || !control->IsVisible()) return false;
  RECT rc = control->GetPos();
  pt = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  return ::ClientToScreen(hwnd, &pt) != FALSE;
}

struct Drive {
  const char* name;
  void (*run)(ClosingWnd* wnd, HWND hwnd);
};

// What the window still holds of the control under test: a handler may have taken any part.
// An open drop-down's parts come after the control's.
std::vector<CControlUI*> Parts(HWND hwnd, ClosingWnd* wnd) {
  std::vector<CControlUI*> parts;
  if (!::IsWindow(hwnd)) return parts;
  CControlUI* x = wnd->Find(L"x");
  Collect(x, parts);
  Collect(DropDownOf(x), parts);
  return parts;
}

void Click(POINT pt, UINT button = VK_LBUTTON) {
  jf::TestMouseMove(pt.x, pt.y);
  Pump();
  jf::TestMouseButton(button, true);
  Pump();
  jf::TestMouseButton(button, false);
  Pump();
}

// Each part in turn: pointed at, clicked, double-clicked, right-clicked, wheeled over, left.
void PointerDrive(ClosingWnd* wnd, HWND hwnd) {
  for (size_t i = 0;; ++i) {
    std::vector<CControlUI*> parts = Parts(hwnd, wnd);
    if (i >= parts.size()) break;
    POINT pt;
    if (!Middle(parts[i], pt)) continue;
    Click(pt);
    if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(pt.x, pt.y));
    Click(pt);
    Click(pt);
    jf::TestMouseWheel(-WHEEL_DELTA);
    jf::TestMouseWheel(WHEEL_DELTA);
    Pump();
    Click(pt, VK_RBUTTON);
    jf::TestKeyPress(VK_ESCAPE);  // a drop-down or menu that opened closes
    Pump();
    jf::TestMouseMove(399, 299);
    Pump();
  }
}

// The control focused by a click, then keys and a typed character.
void KeyDrive(ClosingWnd* wnd, HWND hwnd) {
  for (UINT key : {UINT(VK_DOWN), UINT(VK_UP), UINT(VK_END), UINT(VK_HOME), UINT(VK_SPACE), UINT(VK_RETURN),
                   UINT(VK_TAB), UINT(VK_ESCAPE)}) {
    std::vector<CControlUI*> parts = Parts(hwnd, wnd);
    POINT pt;
    if (parts.empty() || !Middle(parts[0], pt)) return;
    Click(pt);
    jf::TestTypeText(L"a");
    Pump();
    jf::TestKeyPress(key);
    Pump();
  }
}

// The clock moves: timers, animations and carets step; the control's own timer fires.
void TimeDrive(ClosingWnd* wnd, HWND hwnd) {
  std::vector<CControlUI*> parts = Parts(hwnd, wnd);
  if (parts.empty()) return;
  wnd->GetManager().SetTimer(parts[0], 7, 20);
  POINT pt;
  if (Middle(parts[0], pt)) jf::TestMouseMove(pt.x, pt.y);  // a fade starts
  for (int i = 0; i < 12 && ::IsWindow(hwnd); ++i) {
    jf::TickAdvance(60);
    Pump();
  }
}

// The focus goes to each part and away.
void FocusDrive(ClosingWnd* wnd, HWND hwnd) {
  for (size_t i = 0;; ++i) {
    std::vector<CControlUI*> parts = Parts(hwnd, wnd);
    if (i >= parts.size()) break;
    wnd->GetManager().SetFocus(parts[i]);
    Pump();
    if (!::IsWindow(hwnd)) break;
    wnd->GetManager().SetFocus(wnd->Find(L"last"));
    Pump();
  }
}

void DropAt(IDataObject* data, POINT at) {
  jf::TestMouseMove(399, 299);
  jf::TestMouseButton(VK_LBUTTON, true);
  Pump();
  jf::TestMouseMove(at.x, at.y);
  dndtest::ScriptSource source;
  source.steps = {[] { jf::TestMouseButton(VK_LBUTTON, false); }};
  DWORD effect = 0;
  DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  Pump();
}

// Text and then a file list dropped onto the control; then a press on it dragged away.
void DropDrive(ClosingWnd* wnd, HWND hwnd) {
  for (int kind = 0; kind < 3; ++kind) {
    std::vector<CControlUI*> parts = Parts(hwnd, wnd);
    POINT pt;
    if (parts.empty() || !Middle(parts[0], pt)) return;
    if (kind == 2) {
      if (auto* edit = static_cast<CRichEditUI*>(parts[0]->GetInterface(L"RichEdit"))) {
        CHARRANGE cr = {0, 5};
        LRESULT ignored = 0;
        edit->TxSendMessage(EM_EXSETSEL, 0, LPARAM(&cr), &ignored);
        POINT from = edit->PosFromChar(1);
        pt = POINT{from.x + 2, from.y + 6};
      }
      RECT rc = parts[0]->GetPos();
      jf::TestMouseMove(pt.x, pt.y);
      jf::TestMouseButton(VK_LBUTTON, true);
      Pump();
      // Across the control (a slider's thumb, a separator, a scroll bar) and onto its edge.
      for (LONG x : {pt.x + 20, LONG(rc.right - 3), LONG(rc.right - 1)}) {
        jf::TestMouseMove(x, pt.y + 4);
        Pump();
      }
      jf::TestMouseButton(VK_LBUTTON, false);
      Pump();
      continue;
    }
    auto* data = new jf::DragData;
    if (kind == 0) {
      data->SetText(L"dropped");
    } else {
      data->SetFiles({L"Z:\\tmp\\one.txt"});
    }
    DropAt(data, pt);
    data->Release();
  }
}

// Nothing but the first paint: "windowinit", the first tab stop's "setfocus".
void PaintDrive(ClosingWnd*, HWND) {}

// What only the application does: a tab layout's page switch.
void ProgramDrive(ClosingWnd* wnd, HWND hwnd) {
  for (int page : {1, 0}) {
    std::vector<CControlUI*> parts = Parts(hwnd, wnd);
    auto* tabs = parts.empty() ? nullptr : static_cast<CTabLayoutUI*>(parts[0]->GetInterface(L"TabLayout"));
    if (!tabs) return;
    tabs->SelectItem(page);
    Pump();
  }
}

// A combo's drop-down, opened each time: each of its parts pointed at, wheeled over, focused
// and clicked (a click on a row picks it and closes the drop-down); then keys in it.
std::vector<CControlUI*> OpenDropDown(ClosingWnd* wnd, HWND hwnd) {
  std::vector<CControlUI*> parts;
  CControlUI* x = ::IsWindow(hwnd) ? wnd->Find(L"x") : nullptr;
  if (!x || !x->GetInterface(L"Combo")) return parts;
  if (!DropDownOf(x)) x->Activate();
  Pump();
  Collect(DropDownOf(::IsWindow(hwnd) ? wnd->Find(L"x") : nullptr), parts);
  return parts;
}

void DropDownDrive(ClosingWnd* wnd, HWND hwnd) {
  for (size_t i = 0;; ++i) {
    std::vector<CControlUI*> parts = OpenDropDown(wnd, hwnd);
    POINT pt;
    if (i >= parts.size()) break;
    if (!Middle(parts[0], pt)) continue;
    jf::TestMouseMove(pt.x, pt.y);
    Pump();
    for (int turn = 0; turn < int(i); ++turn) jf::TestMouseWheel(-WHEEL_DELTA);  // the later rows show
    Pump();
    parts = OpenDropDown(wnd, hwnd);
    if (i < parts.size() && parts[i]->GetManager()) parts[i]->GetManager()->SetFocus(parts[i]);
    Pump();
    parts = OpenDropDown(wnd, hwnd);
    if (i < parts.size() && Middle(parts[i], pt)) Click(pt);
  }
  for (UINT key : {UINT(VK_DOWN), UINT(VK_RETURN), UINT(VK_ESCAPE)}) {
    if (OpenDropDown(wnd, hwnd).empty()) return;
    jf::TestKeyPress(key);
    Pump();
  }
}

const Drive kDrives[] = {{"paint", PaintDrive}, {"pointer", PointerDrive}, {"keys", KeyDrive},
                         {"time", TimeDrive},   {"focus", FocusDrive},     {"drops", DropDrive},
                         {"program", ProgramDrive}, {"dropdown", DropDownDrive}};

// ---- One run: a window, its first paint, one drive, then the queue and a last paint ----

enum Action { kObserve, kClose, kRemove, kHide, kDisable };
const char* const kActionNames[] = {"observe", "close", "remove", "hide", "disable"};

// Where a sender sits under the control or its drop-down: its place among each container's own
// children, "v" and "h" for a container's scroll bars.
std::wstring PathOf(CControlUI* sender, CControlUI* x, CControlUI* drop) {
  std::wstring path;
  for (CControlUI* c = sender; c; c = c->GetParent()) {
    if (c == x) return L"x" + path;
    if (c == drop) return L"drop" + path;
    auto* box = c->GetParent() ? static_cast<CContainerUI*>(c->GetParent()->GetInterface(L"Container")) : nullptr;
    std::wstring step = L"?";
    if (box && c == box->OwnVerticalScrollBar()) step = L"v";
    if (box && c == box->OwnHorizontalScrollBar()) step = L"h";
    for (int i = 0; box && i < box->ItemCount(); ++i) {
      if (box->ItemAt(i) == c) step = std::to_wstring(i);
    }
    path = L"." + step + path;
  }
  return L"window";
}

// One case per notification and sender (the rich edit's notifications are one type with the
// text services' code beside it: each code is its own case).
std::wstring Key(const UINotifyMsg& msg, CControlUI* x, CControlUI* drop) {
  std::wstring key = msg.type.GetData();
  if (msg.type == L"richeditnotify") key += L"/" + std::to_wstring(msg.wParam);
  return key + L"@" + PathOf(msg.sender, x, drop);
}

std::wstring TypeOf(const std::wstring& key) { return key.substr(0, key.find_first_of(L"/@")); }

bool InSubtree(CControlUI* control, CControlUI* top) {
  for (CControlUI* c = control; c; c = c->GetParent()) {
    if (c == top) return true;
  }
  return false;
}

// Out of its container the ordinary way; a combo's row through its combo, wherever it shows.
void Take(CControlUI* sender, CControlUI* x) {
  auto* row = static_cast<IListItemUI*>(sender->GetInterface(L"ListItem"));
  auto* combo = x ? static_cast<CComboUI*>(x->GetInterface(L"Combo")) : nullptr;
  if (combo && row && row->GetOwner() == static_cast<IListOwnerUI*>(combo)) {
    combo->Remove(sender);
    return;
  }
  frametest::RemoveControl(sender);
}

struct Case {
  Case(std::wstring c, const Drive* d, Action a = kObserve, std::wstring t = L"")
      : cls(std::move(c)), drive(d), action(a), type(std::move(t)) {}
  std::wstring cls;
  const Drive* drive;
  Action action;
  std::wstring type;            // the notification acted on, with its sender's place
  std::set<std::wstring> seen;  // observe: what the control and its parts sent
  bool fired = false;
};

void Play(Case& run) {
  if (std::getenv("JF_SWEEP_TRACE"))
    std::fprintf(stderr, "sweep case: %s %s %s %s\n", Narrow(run.cls.c_str()).c_str(), run.drive->name,
                 kActionNames[run.action], Narrow(run.type.c_str()).c_str());
  Closing closing;
  CControlUI* x = nullptr;
  CControlUI* root = nullptr;
  closing.onInit = [&](ClosingWnd& wnd) {
    x = wnd.Find(L"x");
    root = wnd.GetManager().GetRoot();
    if (auto* edit = x ? static_cast<CRichEditUI*>(x->GetInterface(L"RichEdit")) : nullptr) {
      LRESULT ignored = 0;
      edit->TxSendMessage(EM_SETEVENTMASK, 0, LPARAM(ENM_CHANGE | ENM_SELCHANGE | ENM_DROPFILES | ENM_DRAGDROPDONE |
                                                     ENM_LINK),
                          &ignored);
      edit->SetDropEnabled(true);
    }
  };
  closing.onNotify = [&](ClosingWnd& wnd, UINotifyMsg& msg) {
    // The control, its parts, its open drop-down, and the window's own notices about the tree.
    CControlUI* drop = DropDownOf(wnd.Find(L"x"));
    if (!x || !(InSubtree(msg.sender, x) || InSubtree(msg.sender, drop) ||
                (msg.sender == root && msg.type == L"windowinit")))
      return false;
    // What the drop-down's rows send goes to its own manager: this handler hears it too.
    if (msg.sender == x && msg.type == L"dropdown" && drop)
      static_cast<CComboUI*>(x->GetInterface(L"Combo"))->GetDropDown()->GetManager().AddNotifier(&wnd);
    if (run.action == kObserve) {
      run.seen.insert(Key(msg, x, drop));
      return false;
    }
    if (run.fired || Key(msg, x, drop) != run.type) return false;
    run.fired = true;
    closing.fired = true;
    switch (run.action) {
      case kClose: wnd.Destroy(); break;
      case kRemove: Take(msg.sender, wnd.Find(L"x")); break;
      case kHide: msg.sender->SetVisible(false); break;
      default: msg.sender->SetEnabled(false); break;
    }
    return true;
  };
  HWND hwnd = nullptr;
  ClosingWnd* wnd = ClosingWnd::Open(Skin(run.cls), &closing, &hwnd);
  ASSERT_NE(wnd, nullptr) << Narrow(run.cls.c_str());
  ::UpdateWindow(hwnd);
  Pump();
  if (::IsWindow(hwnd)) run.drive->run(wnd, hwnd);
  sweep::EndRun(hwnd, closing);
}

class HandlerSweep : public frametest::InputTest, public ::testing::WithParamInterface<int> {};
class HandlerSweepCoverage : public frametest::InputTest {};

// Every notification of one class, each drive that brings it, every action.
TEST_P(HandlerSweep, EveryNotificationWithEveryDestructiveAction) {
  const std::wstring cls = CControlFactory::GetElementName(GetParam());
  std::map<std::wstring, const Drive*> first;  // case -> the first drive that brings it
  for (const Drive& drive : kDrives) {
    Case observe{cls, &drive};
    Play(observe);
    for (const std::wstring& type : observe.seen) first.emplace(type, &drive);
  }
  int cases = 0;
  for (const auto& [type, drive] : first) {
    for (Action action : {kClose, kRemove, kHide, kDisable}) {
      SCOPED_TRACE(Narrow(type.c_str()) + " by " + drive->name + ", " + kActionNames[action]);
      Case run{cls, drive, action, type};
      Play(run);
      EXPECT_TRUE(run.fired) << "the notification came again";
      ++cases;
    }
  }
  std::set<std::wstring> types;
  for (const auto& entry : first) types.insert(TypeOf(entry.first));
  std::string names;
  for (const std::wstring& type : types) names += " " + Narrow(type.c_str());
  RecordProperty("cases", cases);
  std::printf("sweep: %s: %d cases from %zu senders' notifications;%s\n", Narrow(cls.c_str()).c_str(), cases,
              first.size(), names.c_str());
}

INSTANTIATE_TEST_SUITE_P(Classes, HandlerSweep, ::testing::Range(0, CControlFactory::GetCount()),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return Narrow(CControlFactory::GetElementName(info.param));
                         });

// Every notification the sources send is brought by some class and drive above, so none is
// left out of the sweep (a new one that no drive brings fails here until one does).
TEST_F(HandlerSweepCoverage, EveryNotificationTheFrameworkSendsIsSwept) {
  // Brought by hosted objects, which need a registered control class: the hosted-object
  // sweep walks them.
  const std::set<std::wstring> kElsewhere = {L"showactivex"};
  std::set<std::wstring> seen;
  for (int i = 0; i < CControlFactory::GetCount(); ++i) {
    for (const Drive& drive : kDrives) {
      Case observe{CControlFactory::GetElementName(i), &drive};
      Play(observe);
      for (const std::wstring& key : observe.seen) seen.insert(TypeOf(key));
    }
  }
  for (const wchar_t* type : kSentNotifications) {
    EXPECT_TRUE(seen.count(type) || kElsewhere.count(type)) << Narrow(type) << " is sent but never swept";
  }
}

}  // namespace
