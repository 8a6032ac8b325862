// Any handler may close its window, and the window object may delete itself at its final
// message: the code that called the handler (window creation, a tab layout's page switch, a
// delegate list, the rich edit's text services and drag and drop, the animation driver) must
// not touch what went. Run under ASan/UBSan, which turns any such touch into a failure.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <string>

#include "platform/src/user/DragData.h"
#include "tests/platform/display/DragProbes.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/control/ButtonUI.h"
#include "ui/core/Delegate.h"
#include "ui/layout/TabLayoutUI.h"
#include "ui/richedit/RichEditUI.h"

namespace {

using namespace SkinUI;
using frametest::Closing;
using frametest::ClosingWnd;

#define JF_WINDOW(body)                                                                              \
  L"<Window size=\"400,300\"><Font name=\"DejaVu Sans\" size=\"12\" default=\"true\"/>"             \
  L"<VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">" body L"</VerticalLayout></Window>"

class CloseFromAnyHandlerTest : public frametest::InputTest {
 protected:
  // The window is gone and its object deleted once the queue has run.
  static void ExpectClosed(HWND hwnd, const Closing& closing) {
    frametest::Pump();
    EXPECT_TRUE(closing.fired) << "the handler ran";
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(closing.deleted);
  }
  static POINT Centre(ClosingWnd* wnd, const wchar_t* name) {
    RECT rc = wnd->Find(name)->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }
};

// ---- Creation: refused at WM_NCCREATE or WM_CREATE, closed in InitWindow, or a skin that
// fails with an override that returns ----

class RefusingWnd : public CWindowWnd {
 public:
  RefusingWnd(UINT refuse, bool* deleted) : m_refuse(refuse), m_deleted(deleted) {}
  ~RefusingWnd() override { *m_deleted = true; }
  LPCWSTR GetWindowClassName() const override { return L"JfRefusingWnd"; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == m_refuse) return msg == WM_NCCREATE ? FALSE : -1;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }
  void OnFinalMessage(HWND) override { delete this; }

 private:
  UINT m_refuse;
  bool* m_deleted;
};

TEST_F(CloseFromAnyHandlerTest, AWindowRefusedOrClosedWhileCreatedIsGoneWhenCreateReturns) {
  for (UINT refuse : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
    bool deleted = false;
    auto* wnd = new RefusingWnd(refuse, &deleted);
    EXPECT_EQ(wnd->Create(nullptr, L"refused", WS_POPUP, 0, 0, 0, 100, 100), nullptr) << refuse;
    EXPECT_TRUE(deleted) << refuse;
  }
  Closing closedInInit;
  closedInInit.onInit = [](ClosingWnd& wnd) { wnd.Destroy(); };
  Closing badSkin;
  badSkin.fired = true;
  for (auto [closing, skin] : {std::pair<Closing*, const wchar_t*>{&closedInInit, JF_WINDOW(L"<Button name=\"b\"/>")},
                               {&badSkin, L"<Window><Nothing"}}) {
    HWND hwnd = reinterpret_cast<HWND>(1);
    EXPECT_EQ(ClosingWnd::Open(skin, closing, &hwnd), nullptr);
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_TRUE(closing->fired);
    EXPECT_TRUE(closing->deleted);
  }
}

// ---- A tab layout's page switch whose focus handlers close the window ----

TEST_F(CloseFromAnyHandlerTest, ATabSwitchWhoseFocusHandlerClosesTheWindowStops) {
  const wchar_t kTabs[] = JF_WINDOW(
      L"<TabLayout name=\"tabs\"><VerticalLayout name=\"p0\"><Button name=\"b0\" height=\"30\"/></VerticalLayout>"
      L"<VerticalLayout name=\"p1\"><Button name=\"b1\" height=\"30\"/></VerticalLayout></TabLayout>");
  struct Road {
    const wchar_t* focused;  // what holds the focus before the switch
    const wchar_t* type;
    const wchar_t* sender;
  };
  const Road kRoads[] = {{L"p0", L"killfocus", L"p0"}, {L"b0", L"killfocus", L"b0"}, {L"b0", L"setfocus", L"p1"}};
  const UINT kSwitch = WM_APP + 7;
  for (const Road& road : kRoads) {
    for (bool inMessage : {false, true}) {
      SCOPED_TRACE(frametest::Narrow(road.type) + " of " + frametest::Narrow(road.sender) +
                   (inMessage ? " inside a message" : " from outside"));
      Closing closing;
      closing.onNotify = [&](ClosingWnd& wnd, UINotifyMsg& msg) {
        if (closing.fired || msg.type != road.type || msg.sender->GetName() != road.sender) return false;
        wnd.Destroy();
        return true;
      };
      closing.onMessage = [&](ClosingWnd& wnd, UINT msg, WPARAM, LPARAM, bool& handled) -> LRESULT {
        if (msg != kSwitch) return 0;
        handled = true;
        static_cast<CTabLayoutUI*>(wnd.Find(L"tabs"))->SelectItem(1);
        return 0;
      };
      HWND hwnd = nullptr;
      ClosingWnd* wnd = ClosingWnd::Open(kTabs, &closing, &hwnd);
      ASSERT_NE(wnd, nullptr);
      ::UpdateWindow(hwnd);
      wnd->GetManager().SetFocus(wnd->Find(road.focused));
      if (inMessage) {
        ::SendMessageW(hwnd, kSwitch, 0, 0);
      } else {
        static_cast<CTabLayoutUI*>(wnd->Find(L"tabs"))->SelectItem(1);
      }
      ExpectClosed(hwnd, closing);
    }
  }
}

// ---- A delegate list walked on after one of its delegates closed the window ----

struct Listener {
  ClosingWnd* wnd = nullptr;
  int calls = 0;
  bool Close(void* param) {
    auto* event = static_cast<UIEventRecord*>(param);
    if (event->type == UIEVENT_BUTTONDOWN) wnd->Destroy();
    return true;
  }
  bool CloseOnClick(void* param) {
    if (static_cast<UINotifyMsg*>(param)->type == L"click") wnd->Destroy();
    return true;
  }
  bool Count(void*) {
    ++calls;
    return true;
  }
};

TEST_F(CloseFromAnyHandlerTest, DelegatesAfterOneThatClosedTheWindowMeetLiveObjects) {
  for (bool notify : {false, true}) {
    SCOPED_TRACE(notify ? "OnNotify" : "OnEvent");
    Listener listener;
    Closing closing;
    closing.onInit = [&](ClosingWnd& wnd) {
      listener.wnd = &wnd;
      CControlUI* b = wnd.Find(L"b");
      CEventSourceUI& source = notify ? b->OnNotify : b->OnEvent;
      source += MakeDelegate(&listener, notify ? &Listener::CloseOnClick : &Listener::Close);
      source += MakeDelegate(&listener, &Listener::Count);
    };
    HWND hwnd = nullptr;
    ClosingWnd* wnd = ClosingWnd::Open(JF_WINDOW(L"<Button name=\"b\" height=\"40\"/>"), &closing, &hwnd);
    ASSERT_NE(wnd, nullptr);
    ::UpdateWindow(hwnd);
    POINT pt = Centre(wnd, L"b");
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    if (::IsWindow(hwnd)) ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    ExpectClosed(hwnd, closing);
  }
}

// ---- The rich edit's notifications: a typed character (EN_CHANGE), dropped files
// (EN_DROPFILES), text dragged from one rich edit to another (EN_DRAGDROPDONE) ----

CRichEditUI* Edit(ClosingWnd& wnd, const wchar_t* name, DWORD mask) {
  auto* edit = static_cast<CRichEditUI*>(wnd.Find(name));
  LRESULT ignored = 0;
  edit->TxSendMessage(EM_SETEVENTMASK, 0, LPARAM(mask), &ignored);
  edit->SetDropEnabled(true);
  return edit;
}

// Drags `data` in from outside the window and lets go at the client point.
void DropFrom(IDataObject* data, POINT at) {
  jf::TestMouseMove(390, 290);
  jf::TestMouseButton(VK_LBUTTON, true);
  frametest::Pump();
  jf::TestMouseMove(at.x, at.y);
  dndtest::ScriptSource source;
  source.steps = {[] { jf::TestMouseButton(VK_LBUTTON, false); }};
  DWORD effect = 0;
  DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  frametest::Pump();
}

TEST_F(CloseFromAnyHandlerTest, ARichEditNotificationThatClosesTheWindowEndsTheTextServicesWork) {
  const wchar_t kEdits[] = JF_WINDOW(
      L"<RichEdit name=\"a\" height=\"100\" text=\"hello world\"/><Control height=\"20\"/>"
      L"<RichEdit name=\"b\" height=\"100\" text=\"xy\"/>");
  for (DWORD code : {DWORD(EN_CHANGE), DWORD(EN_DROPFILES), DWORD(EN_DRAGDROPDONE)}) {
    SCOPED_TRACE(code);
    Closing closing;
    closing.onInit = [&](ClosingWnd& wnd) {
      Edit(wnd, L"a", ENM_CHANGE | ENM_DROPFILES | ENM_DRAGDROPDONE);
      Edit(wnd, L"b", ENM_DRAGDROPDONE);
    };
    closing.onNotify = [&](ClosingWnd& wnd, UINotifyMsg& msg) {
      if (closing.fired || msg.type != L"richeditnotify" || msg.wParam != code) return false;
      wnd.Destroy();
      return true;
    };
    HWND hwnd = nullptr;
    ClosingWnd* wnd = ClosingWnd::Open(kEdits, &closing, &hwnd);
    ASSERT_NE(wnd, nullptr);
    ::UpdateWindow(hwnd);
    auto* a = static_cast<CRichEditUI*>(wnd->Find(L"a"));
    auto* b = static_cast<CRichEditUI*>(wnd->Find(L"b"));
    if (code == EN_CHANGE) {
      POINT pt = Centre(wnd, L"a");
      ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
      ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
      ::SendMessageW(hwnd, WM_CHAR, L'z', 0);
    } else if (code == EN_DROPFILES) {
      auto* data = new jf::DragData;
      data->SetFiles({L"Z:\\tmp\\one.txt"});
      DropFrom(data, Centre(wnd, L"a"));
      data->Release();
    } else {
      // "hello" selected in a, pressed inside it, dragged onto b's text and let go there.
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
    ExpectClosed(hwnd, closing);
  }
}

// ---- An animation step that closes the window, with another animation still to step ----

class ClosingFade : public CButtonUI {
 public:
  explicit ClosingFade(ClosingWnd* wnd) : m_wnd(wnd) {}
  DWORD GetAnimationInterval() const override { return 10; }
  void OnAnimationStep() override {
    CButtonUI::OnAnimationStep();
    m_wnd->Destroy();
  }

 private:
  ClosingWnd* m_wnd;
};

TEST_F(CloseFromAnyHandlerTest, AnAnimationStepThatClosesTheWindowEndsTheTick) {
  Closing closing;
  closing.onInit = [](ClosingWnd& wnd) {
    auto* root = static_cast<CContainerUI*>(wnd.Find(L"root"));
    for (int i = 0; i < 2; ++i) {
      auto* fade = new ClosingFade(&wnd);
      fade->SetFixedHeight(30);
      fade->SetFrameCount(5);
      root->Add(fade);
      fade->StartAnimation();
    }
  };
  HWND hwnd = nullptr;
  ClosingWnd* wnd = ClosingWnd::Open(JF_WINDOW(L""), &closing, &hwnd);
  ASSERT_NE(wnd, nullptr);
  ASSERT_EQ(wnd->GetManager().GetAnimationDriver()->GetCount(), 2u);
  ::UpdateWindow(hwnd);
  jf::TickAdvance(50);
  ExpectClosed(hwnd, closing);
}

// ---- A separator pressed twice without a release, then its layout removed ----

TEST_F(CloseFromAnyHandlerTest, ASeparatorPressedTwiceLeavesNoDeadEntryToPaint) {
  Closing closing;
  HWND hwnd = nullptr;
  ClosingWnd* wnd = ClosingWnd::Open(
      JF_WINDOW(L"<HorizontalLayout name=\"h\" height=\"100\" sepwidth=\"8\"><Button name=\"b\" width=\"50\"/></HorizontalLayout>"),
      &closing, &hwnd);
  ASSERT_NE(wnd, nullptr);
  ::UpdateWindow(hwnd);
  CControlUI* layout = wnd->Find(L"h");
  RECT rc = layout->GetPos();
  const LPARAM thumb = MAKELPARAM(rc.right - 3, (rc.top + rc.bottom) / 2);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, thumb);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, thumb);
  EXPECT_EQ(wnd->GetManager().GetPostPaintCount(), 1);
  static_cast<CContainerUI*>(wnd->Find(L"root"))->Remove(layout);
  frametest::Pump();
  EXPECT_EQ(wnd->GetManager().GetPostPaintCount(), 0);
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::UpdateWindow(hwnd);
  closing.fired = true;
  ::DestroyWindow(hwnd);
  EXPECT_TRUE(closing.deleted);
}

}  // namespace
