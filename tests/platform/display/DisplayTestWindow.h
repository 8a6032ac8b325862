// Windows whose procedure is a std::function, a message log and a pump, for the display tests.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/user/MsgTestWindow.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/testing/hooks/tick.h"

namespace disptest {

// The procedure of the message tests: a std::function per window, passed as the create
// parameter.
using msgtest::Handler;
using msgtest::HandlerProc;

// Two classes: one plain, one with CS_DBLCLKS.
inline const wchar_t* ClassName(bool doubleClicks) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HandlerProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"JfDisplayPlain";
    RegisterClassExW(&wc);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = L"JfDisplayDbl";
    RegisterClassExW(&wc);
    return true;
  }();
  (void)registered;
  return doubleClicks ? L"JfDisplayDbl" : L"JfDisplayPlain";
}

inline HWND Make(Handler* handler, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
                 bool doubleClicks = false, DWORD exStyle = 0, int id = 0) {
  return CreateWindowExW(exStyle, ClassName(doubleClicks), L"test", style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, handler);
}

// Everything that is ready now, translated and dispatched.
inline int Pump() { return msgtest::PumpReady(); }

inline std::string Name(UINT msg) {
  switch (msg) {
    case WM_MOVE: return "move";
    case WM_SIZE: return "size";
    case WM_ACTIVATE: return "activate";
    case WM_SETFOCUS: return "setfocus";
    case WM_KILLFOCUS: return "killfocus";
    case WM_PAINT: return "paint";
    case WM_CLOSE: return "close";
    case WM_ERASEBKGND: return "erase";
    case WM_SHOWWINDOW: return "showwindow";
    case WM_SETCURSOR: return "setcursor";
    case WM_MOUSEACTIVATE: return "mouseactivate";
    case WM_NCACTIVATE: return "ncactivate";
    case WM_GETMINMAXINFO: return "getminmaxinfo";
    case WM_WINDOWPOSCHANGING: return "poschanging";
    case WM_WINDOWPOSCHANGED: return "poschanged";
    case WM_NCCALCSIZE: return "nccalcsize";
    case WM_NCHITTEST: return "nchittest";
    case WM_KEYDOWN: return "keydown";
    case WM_KEYUP: return "keyup";
    case WM_CHAR: return "char";
    case WM_SYSKEYDOWN: return "syskeydown";
    case WM_SYSKEYUP: return "syskeyup";
    case WM_SYSCHAR: return "syschar";
    case WM_SYSCOMMAND: return "syscommand";
    case WM_CONTEXTMENU: return "contextmenu";
    case WM_MOUSEMOVE: return "mousemove";
    case WM_LBUTTONDOWN: return "ldown";
    case WM_LBUTTONUP: return "lup";
    case WM_LBUTTONDBLCLK: return "ldbl";
    case WM_RBUTTONDOWN: return "rdown";
    case WM_RBUTTONUP: return "rup";
    case WM_MOUSEWHEEL: return "wheel";
    case WM_MOUSEHOVER: return "hover";
    case WM_MOUSELEAVE: return "leave";
    case WM_CAPTURECHANGED: return "capturechanged";
    case WM_NCMOUSEMOVE: return "ncmousemove";
    case WM_NCLBUTTONDOWN: return "ncldown";
    case WM_NCLBUTTONUP: return "nclup";
    case WM_NCLBUTTONDBLCLK: return "ncldbl";
    case WM_ENTERSIZEMOVE: return "entersizemove";
    case WM_EXITSIZEMOVE: return "exitsizemove";
    case WM_DESTROY: return "destroy";
    case WM_USER: return "user";
    default: return "";
  }
}

// Records the named messages a window gets, with an optional detail per message.
struct Recorder {
  std::vector<std::string> log;
  std::vector<UINT> only;  // empty: every named message
  std::function<std::string(UINT, WPARAM, LPARAM)> detail;
  Handler handler = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    std::string name = Name(msg);
    bool wanted = only.empty() || std::find(only.begin(), only.end(), msg) != only.end();
    if (!name.empty() && wanted) log.push_back(detail ? name + detail(msg, w, l) : name);
    return DefWindowProcW(hwnd, msg, w, l);
  };
};

inline std::string Pt(LPARAM l) {
  return " " + std::to_string(GET_X_LPARAM(l)) + "," + std::to_string(GET_Y_LPARAM(l));
}

// Every test starts from a quiet screen, a manual clock and no input state.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jf::TickOverride(5000000);
    jf::TestSetScreen(1920, 1080, 40);
    jf::TestResetInput();
  }
  void TearDown() override {
    Pump();
    jf::TestResetInput();
    jf::TickRestore();
  }
};

}  // namespace disptest
