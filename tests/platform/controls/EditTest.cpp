#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TraceSettingScope.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using Strings = std::vector<std::string>;

namespace {

constexpr int kEditId = 77;

std::string Code(WORD code) {
  switch (code) {
    case EN_CHANGE: return "change";
    case EN_UPDATE: return "update";
    case EN_MAXTEXT: return "maxtext";
    case EN_SETFOCUS: return "setfocus";
    case EN_KILLFOCUS: return "killfocus";
    default: return std::to_string(code);
  }
}

// A parent that records its edit's notifications and may colour it.
struct Parent {
  std::vector<std::string> log;
  HBRUSH brush = nullptr;
  disptest::Handler handler = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(w) == kEditId) {
      wchar_t text[64] = {};
      GetWindowTextW(reinterpret_cast<HWND>(l), text, 64);
      std::string t;
      for (wchar_t* p = text; *p; ++p) t.push_back(*p < 128 ? char(*p) : '?');
      log.push_back(Code(HIWORD(w)) + (HIWORD(w) == EN_CHANGE ? " " + t : ""));
    }
    if (msg == WM_CTLCOLOREDIT && brush != nullptr) return reinterpret_cast<LRESULT>(brush);
    return DefWindowProcW(hwnd, msg, w, l);
  };
};

std::wstring Text(HWND edit) {
  wchar_t buffer[256] = {};
  GetWindowTextW(edit, buffer, 256);
  return buffer;
}

std::pair<DWORD, DWORD> Sel(HWND edit) {
  DWORD a = 0, b = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return {a, b};
}

class EditTest : public DisplayTest {
 protected:
  HWND MakeEdit(DWORD style, const wchar_t* text = L"") {
    top_ = Make(&parent_.handler, WS_POPUP | WS_VISIBLE, 100, 100, 300, 100);
    HWND edit = CreateWindowExW(0, L"Edit", text, WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 24, top_,
                                reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
    SetFocus(edit);
    Pump();
    parent_.log.clear();
    return edit;
  }
  void TearDown() override {
    if (top_ != nullptr) DestroyWindow(top_);
    DisplayTest::TearDown();
  }
  void Ctrl(UINT key) {
    jf::TestKey(VK_CONTROL, true);
    jf::TestKeyPress(key);
    jf::TestKey(VK_CONTROL, false);
  }
  void Shift(UINT key) {
    jf::TestKey(VK_SHIFT, true);
    jf::TestKeyPress(key);
    jf::TestKey(VK_SHIFT, false);
  }

  Parent parent_;
  HWND top_ = nullptr;
};

}  // namespace

TEST_F(EditTest, TypedTextNotifiesUpdateThenChangeForEachCharacter) {
  HWND edit = MakeEdit(0);
  jf::TestTypeText(L"ab中");
  Pump();
  EXPECT_EQ(Text(edit), L"ab中");
  EXPECT_EQ(parent_.log, (Strings{"update", "change a", "update", "change ab", "update", "change ab?"}));
  parent_.log.clear();
  SetWindowTextW(edit, L"xyz");
  EXPECT_EQ(parent_.log, (Strings{"update", "change xyz"}));
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(0)));
}

TEST_F(EditTest, LimitNumberPasswordAndReadOnly) {
  HWND edit = MakeEdit(ES_NUMBER);
  SendMessageW(edit, EM_LIMITTEXT, 3, 0);
  jf::TestTypeText(L"1a2b34");
  Pump();
  EXPECT_EQ(Text(edit), L"123");
  EXPECT_EQ(parent_.log.back(), "maxtext");
  DestroyWindow(top_);

  edit = MakeEdit(ES_PASSWORD);
  jf::TestTypeText(L"secret");
  Pump();
  EXPECT_EQ(Text(edit), L"secret");
  EXPECT_EQ(SendMessageW(edit, 0x00D2 /* EM_GETPASSWORDCHAR */, 0, 0), 0x25CF);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_COPY, 0, 0);  // a password never leaves the control
  HWND other = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 10, 40, 200, 24, top_, nullptr, nullptr, nullptr);
  SendMessageW(other, WM_PASTE, 0, 0);
  EXPECT_NE(Text(other), L"secret");
  DestroyWindow(top_);

  edit = MakeEdit(ES_READONLY, L"fixed");
  jf::TestTypeText(L"x");
  jf::TestKeyPress(VK_BACK);
  jf::TestKeyPress(VK_DELETE);
  Pump();
  EXPECT_EQ(Text(edit), L"fixed");
  EXPECT_TRUE(parent_.log.empty());
}

TEST_F(EditTest, KeysSelectDeleteAndUseTheClipboard) {
  HWND edit = MakeEdit(0, L"hello world");
  jf::TestKeyPress(VK_END);
  jf::TestKeyPress(VK_LEFT);
  jf::TestKeyPress(VK_BACK);
  Pump();
  EXPECT_EQ(Text(edit), L"hello word");
  jf::TestKeyPress(VK_HOME);
  jf::TestKeyPress(VK_DELETE);
  Shift(VK_RIGHT);
  Shift(VK_RIGHT);
  Pump();
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(2)));
  Ctrl('X');
  Pump();
  EXPECT_EQ(Text(edit), L"lo word");
  jf::TestKeyPress(VK_END);
  Ctrl('V');
  Pump();
  EXPECT_EQ(Text(edit), L"lo wordel");
  Ctrl('A');
  Ctrl('C');
  Pump();
  SendMessageW(edit, EM_SETSEL, 2, 2);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"++"));
  EXPECT_EQ(Text(edit), L"lo++ wordel");
  SendMessageW(edit, EM_SETSEL, -1, 0);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD(4), DWORD(4)));
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(edit), L"lo wordel");
}

TEST_F(EditTest, MouseSelectsByDragAndWordByDoubleClick) {
  HWND edit = MakeEdit(0, L"alpha beta");
  RECT rc{};
  GetWindowRect(edit, &rc);
  jf::TestMouseMove(rc.left + 1, rc.top + 10);
  jf::TestMouseButton(VK_LBUTTON, true);
  jf::TestMouseMove(rc.right - 5, rc.top + 10);
  jf::TestMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(10)));
  EXPECT_EQ(GetCapture(), nullptr);
  jf::TickAdvance(1000);
  jf::TestMouseMove(rc.left + 3, rc.top + 10);
  jf::TestMouseClick(VK_LBUTTON);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(5)));
}

TEST_F(EditTest, ParentBrushColoursTheControlAndFontsAreKept) {
  parent_.brush = CreateSolidBrush(RGB(10, 20, 30));
  HWND edit = MakeEdit(0, L"");
  InvalidateRect(edit, nullptr, TRUE);
  Pump();
  DWORD px = 0;
  ASSERT_TRUE(jf::TestWindowPixel(edit, 190, 20, &px));
  EXPECT_EQ(px, 0xFF0A141Eu);
  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)), font);
  DestroyWindow(top_);
  top_ = nullptr;
  DeleteObject(parent_.brush);
}

namespace {

WNDPROC g_editBase = nullptr;
int g_superChars = 0;

LRESULT CALLBACK SuperEdit(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_CHAR) ++g_superChars;
  return CallWindowProcW(g_editBase, hwnd, msg, w, l);
}

}  // namespace

TEST_F(EditTest, SuperclassedEditKeepsItsBehaviour) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&icc));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(GetClassInfoExW(nullptr, L"Edit", &wc));
  g_editBase = wc.lpfnWndProc;
  wc.lpfnWndProc = SuperEdit;
  wc.lpszClassName = L"JfSuperEdit2";
  ASSERT_NE(RegisterClassExW(&wc), 0);
  top_ = Make(&parent_.handler, WS_POPUP | WS_VISIBLE, 0, 0, 300, 100);
  HWND edit = CreateWindowExW(0, L"JfSuperEdit2", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, top_,
                              reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
  SetFocus(edit);
  jf::TestTypeText(L"ok");
  Pump();
  EXPECT_EQ(Text(edit), L"ok");
  EXPECT_EQ(g_superChars, 2);
}

TEST_F(EditTest, StateLivesInTheWindowsExtraBytesUntilTheLastHandlerReturns) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(GetClassInfoExW(nullptr, L"Edit", &wc));
  EXPECT_EQ(wc.cbWndExtra, int(sizeof(LONG_PTR)));
  HWND edit = MakeEdit(0);
  EXPECT_NE(GetWindowLongPtrW(edit, 0), 0);
  // A parent that destroys the edit while it is told of a change: the edit's handler is still
  // running on its state when the window goes.
  disptest::Handler destroying = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(w) == kEditId && HIWORD(w) == EN_UPDATE) DestroyWindow(edit);
    return DefWindowProcW(hwnd, msg, w, l);
  };
  parent_.handler.swap(destroying);
  jf::TestTypeText(L"a");
  Pump();
  parent_.handler.swap(destroying);
  EXPECT_FALSE(IsWindow(edit));
}

TEST_F(EditTest, MessageItDoesNotHandleShowsOnTheControlsChannel) {
  HWND edit = MakeEdit(0);
  auto send = [&] { SendMessageW(edit, EM_GETLINECOUNT, 0, 0); };
  {
    TraceSettingScope on("+controls");
    std::string traced = CaptureStream(STDERR_FILENO, send);
    EXPECT_NE(traced.find("controls:entry:EditProc hwnd "), std::string::npos) << traced;
    EXPECT_NE(traced.find("msg 0xba"), std::string::npos) << traced;
    EXPECT_NE(traced.find("controls:fixme:ControlDefault message 0xba\n"), std::string::npos) << traced;
  }
  // Off, the channel says nothing.
  TraceSettingScope off("-controls");
  EXPECT_EQ(CaptureStream(STDERR_FILENO, send), "");
}
