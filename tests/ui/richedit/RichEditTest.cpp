#include <richedit.h>
#include <textserv.h>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/ButtonUI.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/richedit/TxtWinHost.h"
#include "ui/skin/ControlFactory.h"
#include "platform/testing/hooks/textlayout.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

class RichEditTest : public ControlTest {
 protected:
  // A rich edit at (10,10)-(210,110) with the attributes given before its creation, and a
  // button to take the focus away.
  CRichEditUI* Make(std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes = {},
                    RECT rc = RECT{10, 10, 210, 110}) {
    other_ = Place(new CButtonUI, L"other", RECT{10, 300, 110, 330});
    auto* edit = new CRichEditUI;
    for (auto& a : attributes) edit->SetAttribute(a.first, a.second);
    return Place(edit, L"r", rc);
  }
  LRESULT Send(CRichEditUI* edit, UINT msg, WPARAM w = 0, LPARAM l = 0) {
    LRESULT result = 0;
    edit->TxSendMessage(msg, w, l, &result);
    return result;
  }
  // Keys as the window's message loop hands them on: the manager's translation first.
  void TranslatedKey(UINT vk) {
    jf::TestKeyPress(vk);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (CWindowManagerUI::TranslateMessage(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  CButtonUI* other_ = nullptr;
};

TEST_F(RichEditTest, TypedTextRoundTripsWithChineseAndCharactersAboveTheBasicPlane) {
  CRichEditUI* edit = Make();
  ASSERT_NE(edit->GetTxtWinHost(), nullptr);
  EXPECT_STREQ(edit->GetClass(), L"RichEditUI");
  EXPECT_EQ(edit->GetInterface(L"RichEdit"), edit);
  Click(50, 30);
  EXPECT_TRUE(edit->IsFocused());
  Type(L"ab中\U0001D11E");
  EXPECT_EQ(edit->GetText(), L"ab中\U0001D11E");
  EXPECT_EQ(edit->GetTextLength(), 4);  // characters, whatever the width of one
  Key(VK_LEFT);
  Key(VK_BACK);
  EXPECT_EQ(edit->GetText(), L"ab\U0001D11E");
  edit->SetText(L"第一行\r\n二\U00020000");
  EXPECT_EQ(edit->GetText(), L"第一行\r二\U00020000");  // paragraphs end with CR
  wchar_t buffer[16] = {};
  EXPECT_EQ(Send(edit, WM_GETTEXT, 16, LPARAM(buffer)), 7);
  EXPECT_STREQ(buffer, L"第一行\r\n二\U00020000");
  // A buffer's byte count is characters times the width of one; the text is cut to fit.
  GETTEXTEX gt = {DWORD(4 * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  EXPECT_EQ(Send(edit, EM_GETTEXTEX, WPARAM(&gt), LPARAM(buffer)), 3);
  EXPECT_STREQ(buffer, L"第一行");
  GETTEXTLENGTHEX gl = {GTL_USECRLF, 1200};
  EXPECT_EQ(Send(edit, EM_GETTEXTLENGTHEX, WPARAM(&gl)), 7);
  // Long lines wrap at the client width.
  edit->SetText(L"安装程序正在准备 the words of a long line wrap inside the control");
  Layout();
  LRESULT lines = Send(edit, EM_GETLINECOUNT);
  EXPECT_GE(lines, 2);
  EXPECT_LT(edit->PosFromChar(edit->GetTextLength() - 1).x, 210);
  Png("richedit_wrap");
  CControlUI* made = CControlFactory::Create(L"RichEdit");
  EXPECT_STREQ(made->GetClass(), L"RichEditUI");
  delete made;
}

TEST_F(RichEditTest, ReturnAndCtrlReturnFollowTheWantFlags) {
  struct Row {
    const wchar_t* wantReturn;
    const wchar_t* wantCtrlReturn;
    bool ctrl;
    bool notified;  // "return" sent and no paragraph made
  };
  const Row rows[] = {
      {L"true", L"true", false, false}, {L"true", L"true", true, false},  {L"false", L"true", false, true},
      {L"false", L"true", true, true},  {L"true", L"false", true, true}, {L"true", L"false", false, false},
  };
  for (const Row& row : rows) {
    root_->RemoveAll();
    log_.entries.clear();
    CRichEditUI* edit = Make({{L"wantreturn", row.wantReturn}, {L"wantctrlreturn", row.wantCtrlReturn}});
    Click(50, 30);
    Type(L"a");
    if (row.ctrl) jf::TestKey(VK_CONTROL, true);
    Key(VK_RETURN);
    if (row.ctrl) jf::TestKey(VK_CONTROL, false);
    Pump();
    SCOPED_TRACE(testing::Message() << row.wantReturn << " " << row.wantCtrlReturn << " " << row.ctrl);
    EXPECT_EQ(log_.Of("return").size(), row.notified ? 1u : 0u);
    EXPECT_EQ(edit->GetText(), row.notified ? L"a" : L"a\r");
  }
}

TEST_F(RichEditTest, TabStaysInTheControlWhileItWantsTab) {
  CRichEditUI* edit = Make();
  Click(50, 30);
  TranslatedKey(VK_TAB);
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_EQ(edit->GetText(), L"\t");
  edit->SetAttribute(L"wanttab", L"false");
  TranslatedKey(VK_TAB);
  EXPECT_FALSE(edit->IsFocused());
  EXPECT_EQ(edit->GetText(), L"\t");
}

TEST_F(RichEditTest, MessageFilterRoutesWheelMouseAndKeys) {
  CRichEditUI* edit = Make({{L"vscrollbar", L"true"}});
  edit->SetText(L"1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r12\r13\r14");
  Layout();
  POINT screen = {kX + 50, kY + 30};
  const LPARAM at = MAKELPARAM(screen.x, screen.y);
  struct Row {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool handled;
  };
  const Row rows[] = {
      {WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), at, false},          // the manager scrolls
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WORD(-WHEEL_DELTA)), at, true},  // the text services
      {WM_LBUTTONDOWN, 0, MAKELPARAM(50, 30), false},                        // passed on, not kept
      {WM_LBUTTONUP, 0, MAKELPARAM(50, 30), false},
      {WM_MOUSEMOVE, 0, MAKELPARAM(50, 30), true},
      {WM_MOUSEMOVE, 0, MAKELPARAM(300, 200), false},  // outside the text
      {WM_KEYDOWN, VK_END, 0, true},                   // focused by the button-down above
      {WM_TIMER, 1, 0, false},                         // not a message of the filter
  };
  for (const Row& row : rows) {
    bool handled = false;
    edit->MessageHandler(row.msg, row.wParam, row.lParam, handled);
    EXPECT_EQ(handled, row.handled) << std::hex << row.msg << " " << row.wParam;
  }
  EXPECT_TRUE(edit->IsFocused());
  POINT view = {0, 0};
  Send(edit, EM_GETSCROLLPOS, 0, LPARAM(&view));
  EXPECT_GT(view.y, 0);  // Ctrl+wheel scrolled the text
  other_->SetFocus();
  bool handled = false;
  edit->MessageHandler(WM_KEYDOWN, VK_HOME, 0, handled);
  EXPECT_FALSE(handled);  // keys only while focused
  edit->SetEnabled(false);
  edit->MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(50, 30), handled);
  EXPECT_FALSE(handled);
}

TEST_F(RichEditTest, VerticalBarAppearsAtTheLineThatOverflows) {
  CRichEditUI* edit = Make({{L"vscrollbar", L"true"}}, RECT{10, 10, 210, 70});
  CScrollBarUI* bar = edit->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  Click(50, 30);
  Layout();
  EXPECT_FALSE(bar->IsVisible());
  const int client = edit->GetTxtWinHost()->GetClientRect().bottom - edit->GetTxtWinHost()->GetClientRect().top;
  int appearedAt = 0;
  for (int line = 1; line <= 12 && !appearedAt; ++line) {
    Type(L"x");
    Key(VK_RETURN);
    Layout();
    if (bar->IsVisible()) appearedAt = line + 1;  // lines now: typed ones plus the empty last
  }
  LRESULT lines = 0;
  edit->TxSendMessage(EM_GETLINECOUNT, 0, 0, &lines);
  ASSERT_GT(appearedAt, 1);
  const int lineHeight = (edit->PosFromChar(2).y - edit->PosFromChar(0).y);
  EXPECT_GT(appearedAt * lineHeight, client);
  EXPECT_LE((appearedAt - 1) * lineHeight, client);
  // The caret's line stays in view: bar and view scrolled together.
  POINT view = {0, 0};
  Send(edit, EM_GETSCROLLPOS, 0, LPARAM(&view));
  EXPECT_EQ(view.y, bar->GetScrollPos());
  EXPECT_GT(view.y, 0);
  Png("richedit_overflow");
}

TEST_F(RichEditTest, ScrollPositionsBeyondSixteenBits) {
  CRichEditUI* edit = Make({{L"vscrollbar", L"true"}});
  std::wstring text;
  for (int i = 0; i < 6000; ++i) text += L"line\r";
  edit->SetText(text.c_str());
  Layout();
  CScrollBarUI* bar = edit->GetVerticalScrollBar();
  ASSERT_TRUE(bar->IsVisible());
  ASSERT_GT(bar->GetScrollRange(), 70000);
  edit->SetScrollPos(SIZE{0, 70000});
  POINT view = {0, 0};
  Send(edit, EM_GETSCROLLPOS, 0, LPARAM(&view));
  EXPECT_EQ(view.y, 70000);
  EXPECT_EQ(bar->GetScrollPos(), 70000);
}

// A letter typed into a long paragraph that breaks between any two letters moves every line
// after it: the keystroke lays out what is seen, and the rest follows in slices of a timer,
// after which the scroll range and the lines are those of the text laid out afresh.
TEST_F(RichEditTest, TypingInALongParagraphLaysOutItsRestInSlices) {
  CRichEditUI* edit = Make({{L"vscrollbar", L"true"}, {L"rich", L"true"}, {L"multiline", L"true"}});
  std::wstring text;
  for (int i = 0; i < 30000; ++i) text += L"\u4E0B\u8F7D\u4E2D\u6587"[i % 4];
  edit->SetText(text.c_str());
  Layout();
  Click(50, 30);
  Send(edit, EM_SETSEL, 15000, 15000);
  const unsigned long made = jf::TestTextLayoutPieces();
  Type(L"q");
  EXPECT_LE(jf::TestTextLayoutPieces() - made, 6u);  // not the forty after it
  // Letters typed before the rest is laid out, two lines of them: the range grows.
  const std::wstring more(30, L'\u6587');
  Type(more);
  CScrollBarUI* bar = edit->GetVerticalScrollBar();
  for (int i = 0; i < 40; ++i) {
    jf::TickAdvance(10);
    Pump();
  }
  EXPECT_GT(jf::TestTextLayoutPieces() - made, 20u);
  const int range = bar->GetScrollRange();
  const LRESULT lines = Send(edit, EM_GETLINECOUNT);
  text.insert(15000, L"q" + more);
  edit->SetText(text.c_str());  // laid out afresh
  Layout();
  EXPECT_EQ(range, bar->GetScrollRange());
  EXPECT_EQ(lines, Send(edit, EM_GETLINECOUNT));
}

TEST_F(RichEditTest, HintOnlyWhenEmptyAndUnfocused) {
  CRichEditUI* edit = Make({{L"hinttext", L"HHHH"}, {L"font", L"0"}});
  EXPECT_EQ(edit->GetHintColor(), host_.manager.GetDefaultDisabledColor());  // the default
  // The hint colour is bluish; text and caret are drawn in black.
  auto hintInk = [&] {
    Layout();
    int n = 0;
    for (int y = 10; y < 40; ++y) {
      for (int x = 10; x < 80; ++x) {
        const DWORD px = Pixel(x, y);
        n += int(px & 0xFF) > int((px >> 16) & 0xFF) + 20;
      }
    }
    return n;
  };
  Png("richedit_hint");
  EXPECT_GT(hintInk(), 10);
  Click(50, 30);
  EXPECT_EQ(hintInk(), 0);  // focused
  Type(L"k");
  other_->SetFocus();
  EXPECT_EQ(hintInk(), 0);  // text
  edit->SetText(L"");
  EXPECT_GT(hintInk(), 10);
  edit->SetAttribute(L"hintcolor", L"#FF00FF00");
  EXPECT_EQ(edit->GetHintColor(), 0xFF00FF00u);
}

TEST_F(RichEditTest, ClearRemovesEverythingUndoably) {
  CRichEditUI* edit = Make();
  edit->SetText(L"hello world");
  edit->SetSel(3);  // a part selected: Clear still takes all
  edit->Clear();
  EXPECT_EQ(edit->GetText(), L"");
  EXPECT_TRUE(edit->Undo());
  EXPECT_EQ(edit->GetText(), L"lo world");  // the last replace undone: the cleared rest back
  EXPECT_TRUE(edit->Redo());
  EXPECT_EQ(edit->GetText(), L"");
  EXPECT_FALSE(edit->Redo());
  // A run of typing is one step.
  Click(50, 30);
  Type(L"abc");
  EXPECT_TRUE(edit->Undo());
  EXPECT_EQ(edit->GetText(), L"");
}

TEST_F(RichEditTest, MaxCharBeforeAndAfterCreation) {
  struct Row {
    const wchar_t* before;
    const wchar_t* after;
    size_t typed;
  };
  const Row rows[] = {{L"3", nullptr, 3}, {L"0", nullptr, 8}, {L"-5", nullptr, 8}, {L"3", L"0", 8}, {nullptr, L"5", 5}};
  for (const Row& row : rows) {
    root_->RemoveAll();
    CRichEditUI* edit = row.before ? Make({{L"maxchar", row.before}}) : Make();
    if (row.after) edit->SetAttribute(L"maxchar", row.after);
    Click(50, 30);
    Type(L"12345678");
    EXPECT_EQ(edit->GetText().GetLength(), int(row.typed)) << (row.before ? Narrow(row.before) : "-");
    if (row.typed == 8) {
      EXPECT_EQ(edit->GetTxtWinHost()->GetMaxLength(), 32767);
    }
  }
}

TEST_F(RichEditTest, MouseSelectsAndTheClipboardMovesText) {
  CRichEditUI* edit = Make();
  edit->SetText(L"alpha beta gamma");
  Layout();
  const POINT b = edit->PosFromChar(6), a = edit->PosFromChar(10);
  const int y = b.y + 5;
  Down(b.x + 1, y);
  Move(a.x, y);
  Up(a.x, y);
  EXPECT_EQ(edit->GetSelText(), L"beta");
  Layout();
  Png("richedit_selection");
  jf::TestKey(VK_CONTROL, true);
  Key('C');
  jf::TestKey(VK_CONTROL, false);
  Key(VK_END);
  jf::TestKey(VK_CONTROL, true);
  Key('V');
  jf::TestKey(VK_CONTROL, false);
  EXPECT_EQ(edit->GetText(), L"alpha beta gammabeta");
  const POINT g = edit->PosFromChar(12);
  SendMessageW(host_.GetHWND(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(g.x, g.y + 5));
  EXPECT_EQ(edit->GetSelText(), L"gammabeta");
  edit->Cut();
  EXPECT_EQ(edit->GetText(), L"alpha beta ");
  edit->SetReadOnly(true);
  Type(L"zz");
  edit->Paste();
  EXPECT_EQ(edit->GetText(), L"alpha beta ");
  EXPECT_TRUE(edit->IsReadOnly());
}

TEST_F(RichEditTest, ChangesAreRelayedAsNotifications) {
  CRichEditUI* edit = Make();
  Send(edit, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
  log_.hook = [&](UINotifyMsg& msg) {
    if (wcscmp(msg.type.GetData(), L"richeditnotify") == 0 && msg.wParam == EN_SELCHANGE) {
      auto* sc = reinterpret_cast<SELCHANGE*>(msg.lParam);
      EXPECT_EQ(sc->nmhdr.hwndFrom, host_.GetHWND());
      EXPECT_EQ(sc->nmhdr.code, UINT(EN_SELCHANGE));
    }
  };
  Click(50, 30);
  log_.entries.clear();
  Type(L"q");
  Strings codes;
  for (const std::string& e : log_.entries) codes.push_back(e.substr(e.find(' ') + 1, e.find(',') - e.find(' ') - 1));
  EXPECT_EQ(codes, (Strings{"768", "1794"}));  // EN_CHANGE, then EN_SELCHANGE
  log_.hook = nullptr;
}

// Without its own caret the control shows the system caret, drawn by the text services; it
// blinks at the system's blink time.
TEST_F(RichEditTest, SystemCaretBlinksThroughTheTextServices) {
  Make();
  Click(50, 30);
  Type(L"ab");
  POINT at{};
  ASSERT_TRUE(GetCaretPos(&at));
  auto dark = [&] {
    UpdateWindow(host_.GetHWND());
    DWORD px = 0;
    EXPECT_TRUE(jf::TestWindowPixel(host_.GetHWND(), at.x, at.y + 5, &px));
    return (px & 0xFF) < 0x80;
  };
  EXPECT_TRUE(dark());
  jf::TickAdvance(GetCaretBlinkTime());
  Pump();
  EXPECT_FALSE(dark());
  jf::TickAdvance(GetCaretBlinkTime());
  Pump();
  EXPECT_TRUE(dark());
}

TEST_F(RichEditTest, TimersEndWithTheControl) {
  CRichEditUI* edit = Make({{L"owndrawcaret", L"true"}});
  Click(50, 30);
  Type(L"ab");
  ASSERT_TRUE(edit->IsCaretActive());
  EXPECT_TRUE(edit->IsCaretShown());
  const RECT caret = edit->GetCaretRect();
  EXPECT_EQ(caret.right - caret.left, 1);
  EXPECT_EQ(caret.bottom - caret.top, 15);
  jf::TickAdvance(CRichEditUI::kCaretElapse);
  Pump();
  EXPECT_FALSE(edit->IsCaretShown());  // the blink tick reached the control through its manager
  jf::TickAdvance(CRichEditUI::kCaretElapse);
  Pump();
  EXPECT_TRUE(edit->IsCaretShown());
  // A text-services timer is a timer of the control in its manager as well.
  ASSERT_TRUE(edit->GetTxtWinHost()->TxSetTimer(7, 100));
  root_->Remove(edit);  // destroyed at once or by the delayed clean-up
  Pump();
  Layout();
  for (int i = 0; i < 5; ++i) {
    jf::TickAdvance(500);
    Pump();  // a timer left behind would reach the freed control
  }
  EXPECT_FALSE(host_.manager.KillTimer(other_, CRichEditUI::kCaretTimerId));
}

}  // namespace
