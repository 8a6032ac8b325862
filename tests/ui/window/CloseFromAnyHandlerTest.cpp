// Any handler may close its window, and the window object may delete itself at its final
// message: the code that called the handler (window creation, a delegate list, the animation
// driver) must not touch what went. The roads through a notification handler (a tab layout's
// page switch, the rich edit's notifications among them) are rows of HandlerDestroysTest. Run
// under ASan/UBSan, which turns any such touch into a failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/ui/window/ClosingWnd.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/control/ButtonUI.h"
#include "ui/core/Delegate.h"

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
