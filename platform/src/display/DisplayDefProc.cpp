// DefWindowProcW's behaviour for windows on a screen: frames and hit codes, activation,
// focus, cursors, the system commands, moving and sizing, context menus, icons and painting.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/src/user/UserArea.h"
#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/display/InputState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/internal/trace.h"

namespace {

using jf::WindowRecord;
using jf::WindowTable;

struct Frame {
  RECT window{};  // screen
  RECT client{};  // screen
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
  HCURSOR classCursor = nullptr;
};

bool ReadFrame(HWND hwnd, Frame* f) {
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, false, [&](WindowRecord& rec) {
    f->window = jf::ScreenWindowRectLocked(table, rec);
    POINT origin = jf::ClientOriginLocked(table, rec);
    f->client = RECT{origin.x, origin.y, origin.x + rec.clientRect.right - rec.clientRect.left,
                     origin.y + rec.clientRect.bottom - rec.clientRect.top};
    f->style = rec.style;
    f->exStyle = rec.exStyle;
    f->parent = rec.parent;
    f->classCursor = rec.cls ? rec.cls->cursor : nullptr;
    return true;
  });
}

LRESULT HitTest(HWND hwnd, POINT pt) {
  Frame f;
  if (!ReadFrame(hwnd, &f) || !jf::RectContains(f.window, pt)) return HTNOWHERE;
  if (jf::RectContains(f.client, pt)) return HTCLIENT;
  if ((f.style & WS_THICKFRAME) != 0 && (f.style & (WS_MAXIMIZE | WS_MINIMIZE)) == 0) {
    RECT insets = jf::FrameInsets(f.style & ~DWORD(WS_CAPTION), f.exStyle);
    int corner = GetSystemMetrics(SM_CYCAPTION);
    bool left = pt.x < f.window.left + insets.left;
    bool right = pt.x >= f.window.right - insets.right;
    bool top = pt.y < f.window.top + insets.top;
    bool bottom = pt.y >= f.window.bottom - insets.bottom;
    bool nearLeft = pt.x < f.window.left + corner;
    bool nearRight = pt.x >= f.window.right - corner;
    bool nearTop = pt.y < f.window.top + corner;
    bool nearBottom = pt.y >= f.window.bottom - corner;
    if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
    if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
    if (right) return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if ((f.style & WS_CAPTION) == WS_CAPTION && pt.y < f.client.top) return HTCAPTION;
  return HTBORDER;
}

LRESULT SetCursorDefault(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  Frame f;
  if (!ReadFrame(hwnd, &f)) return FALSE;
  // A child asks its parent first; a parent that sets the cursor wins.
  if ((f.style & WS_CHILD) != 0 && f.parent != nullptr && SendMessageW(f.parent, WM_SETCURSOR, wParam, lParam)) {
    return TRUE;
  }
  switch (SHORT(LOWORD(lParam))) {
    case HTCLIENT:
      if (f.classCursor != nullptr) SetCursor(f.classCursor);
      return FALSE;
    case HTLEFT:
    case HTRIGHT:
      SetCursor(jf::SystemCursor(IDC_SIZEWE));
      return TRUE;
    case HTTOP:
    case HTBOTTOM:
      SetCursor(jf::SystemCursor(IDC_SIZENS));
      return TRUE;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      SetCursor(jf::SystemCursor(IDC_SIZENWSE));
      return TRUE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      SetCursor(jf::SystemCursor(IDC_SIZENESW));
      return TRUE;
    case HTERROR:
      return FALSE;
    default:
      SetCursor(jf::SystemCursor(IDC_ARROW));
      return TRUE;
  }
}

void CalcClient(DWORD style, DWORD exStyle, RECT* r) {
  RECT insets = jf::FrameInsets(style, exStyle);
  // Frames of windows at the ends of the int range stay within it.
  auto move = [](LONG& edge, LONG by) { edge = LONG(std::clamp<long long>((long long)edge + by, INT_MIN, INT_MAX)); };
  move(r->left, insets.left);
  move(r->top, insets.top);
  move(r->right, -insets.right);
  move(r->bottom, -insets.bottom);
  if (r->right < r->left) r->right = r->left;
  if (r->bottom < r->top) r->bottom = r->top;
}

LRESULT SysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  // The point of a mouse-started move or size, in screen coordinates.
  POINT start{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (lParam == 0) GetCursorPos(&start);
  UINT cmd = UINT(wParam & 0xFFF0);
  switch (cmd) {
    case SC_CLOSE:
      SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
    case SC_MOVE:
      jf::InputBeginMoveSize(hwnd, HTCAPTION, start);
      return 0;
    case SC_SIZE: {
      // The low bits name the edge (WMSZ_*), one less than the hit code past HTLEFT.
      int edge = int(wParam & 0x0F);
      if (edge >= WMSZ_LEFT && edge <= WMSZ_BOTTOMRIGHT) jf::InputBeginMoveSize(hwnd, HTLEFT + edge - WMSZ_LEFT, start);
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT NcCalcSize(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
  DWORD exStyle = DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  if (lParam == 0) return 0;
  RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
  if ((style & WS_MINIMIZE) == 0) CalcClient(style, exStyle, r);
  return 0;
}

// A child asks its parent first; a parent that answers wins.
LRESULT MouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent = GetAncestor(hwnd, GA_PARENT);
  if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0 && parent != nullptr) {
    LRESULT r = SendMessageW(parent, WM_MOUSEACTIVATE, wParam, lParam);
    if (r != 0) return r;
  }
  return MA_ACTIVATE;
}

LRESULT Activate(HWND hwnd, WPARAM wParam) {
  if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) {
    HWND focus = GetFocus();
    if (focus == nullptr || (focus != hwnd && !IsChild(hwnd, focus))) SetFocus(hwnd);
  }
  return 0;
}

LRESULT RButtonUp(HWND hwnd, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(hwnd, &pt);
  SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(WORD(SHORT(pt.x)), WORD(SHORT(pt.y))));
  return 0;
}

LRESULT NcRButtonUp(HWND hwnd, LPARAM lParam) {
  SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
  return 0;
}

// Children pass context menus and wheels on to their parent.
LRESULT ToParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND parent = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0 ? GetAncestor(hwnd, GA_PARENT) : nullptr;
  return parent != nullptr ? SendMessageW(parent, msg, wParam, lParam) : 0;
}

// A press on the caption moves the window; a press on a sizing border sizes it.
LRESULT NcLButtonDown(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  switch (int(wParam)) {
    case HTCAPTION:
      SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      break;
    case HTLEFT:
    case HTRIGHT:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
      SendMessageW(hwnd, WM_SYSCOMMAND, SC_SIZE + (wParam - HTLEFT + WMSZ_LEFT), lParam);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT NcLButtonDblClk(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (wParam == HTCAPTION && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX) != 0) {
    SendMessageW(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
  }
  return 0;
}

// Alt+F4 closes the window.
LRESULT SysKeyDown(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)) != 0) PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

// WM_MOVE and WM_SIZE follow a change of place or size.
LRESULT WindowPosChanged(HWND hwnd, LPARAM lParam) {
  auto wp = reinterpret_cast<const WINDOWPOS*>(lParam);
  if (wp == nullptr) return 0;
  RECT client{};
  bool ok = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    client = rec.clientRect;
    return true;
  });
  if (!ok) return 0;
  if ((wp->flags & SWP_NOCLIENTMOVE) == 0) {
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(WORD(SHORT(client.left)), WORD(SHORT(client.top))));
  }
  if ((wp->flags & SWP_NOCLIENTSIZE) == 0) {
    DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
    WPARAM kind = (style & WS_MINIMIZE) != 0 ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) != 0 ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessageW(hwnd, WM_SIZE, kind, MAKELPARAM(WORD(client.right - client.left), WORD(client.bottom - client.top)));
  }
  return 0;
}

LRESULT Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
  return 0;
}

// The class brush paints the background; without one nothing is erased.
LRESULT EraseBackground(HWND hwnd, WPARAM wParam) {
  HBRUSH brush = WindowTable::Get().WithRecord(hwnd, HBRUSH(nullptr), [](WindowRecord& rec) {
    return rec.cls ? rec.cls->background : HBRUSH(nullptr);
  });
  if (brush != nullptr && wParam != 0) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
  }
  return brush != nullptr ? 1 : 0;
}

LRESULT Print(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if ((lParam & PRF_CLIENT) != 0) SendMessageW(hwnd, WM_PRINTCLIENT, wParam, lParam);
  if ((lParam & ~LPARAM(PRF_CLIENT | PRF_CHECKVISIBLE)) != 0) JF_FIXME(Display, "print flags 0x%lx", (unsigned long)lParam);
  return 0;
}

// WM_SETICON and WM_GETICON: the previous icon of that size.
LRESULT Icon(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  HICON previous = WindowTable::Get().WithRecord(hwnd, HICON(nullptr), [&](WindowRecord& rec) {
    jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    HICON& slot = wParam == ICON_BIG ? ds.iconBig : ds.iconSmall;
    HICON old = slot;
    if (msg == WM_SETICON) slot = reinterpret_cast<HICON>(lParam);
    return old;
  });
  if (msg == WM_SETICON && wParam == ICON_BIG) jf::X11WindowIcon(hwnd, reinterpret_cast<HICON>(lParam));
  return reinterpret_cast<LRESULT>(previous);
}

// Messages whose default on Windows does more than answer 0, and which this procedure and
// DefWindowProcW's own switch leave undone.
bool DefaultNotDone(UINT msg) {
  switch (msg) {
    case WM_NCPAINT:
    case WM_SYSCHAR:
    case WM_CANCELMODE:
    case WM_QUERYENDSESSION:
    case WM_SETREDRAW:
      return true;
    default:
      return false;
  }
}

LRESULT Unhandled(UINT msg, bool* handled) {
  if (DefaultNotDone(msg)) JF_FIXME(Display, "message 0x%x", msg);
  *handled = false;
  return 0;
}

// Clears *handled for the messages it leaves to DefWindowProcW's own switch.
LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool* handled) {
  switch (msg) {
    case WM_NCCALCSIZE: return NcCalcSize(hwnd, wParam, lParam);
    case WM_NCHITTEST: return HitTest(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETCURSOR: return SetCursorDefault(hwnd, wParam, lParam);
    case WM_MOUSEACTIVATE: return MouseActivate(hwnd, wParam, lParam);
    case WM_ACTIVATE: return Activate(hwnd, wParam);
    case WM_NCACTIVATE: return TRUE;
    case WM_RBUTTONUP: return RButtonUp(hwnd, lParam);
    case WM_NCRBUTTONUP: return NcRButtonUp(hwnd, lParam);
    case WM_CONTEXTMENU: return ToParent(hwnd, msg, wParam, lParam);
    case WM_MOUSEWHEEL: return ToParent(hwnd, msg, wParam, lParam);
    case WM_MOUSEHWHEEL: return ToParent(hwnd, msg, wParam, lParam);
    case WM_NCLBUTTONDOWN: return NcLButtonDown(hwnd, wParam, lParam);
    case WM_NCLBUTTONDBLCLK: return NcLButtonDblClk(hwnd, wParam, lParam);
    case WM_SYSCOMMAND: return SysCommand(hwnd, wParam, lParam);
    case WM_SYSKEYDOWN: return SysKeyDown(hwnd, wParam, lParam);
    case WM_WINDOWPOSCHANGED: return WindowPosChanged(hwnd, lParam);
    case WM_PAINT: return Paint(hwnd);
    case WM_ERASEBKGND: return EraseBackground(hwnd, wParam);
    case WM_PRINT: return Print(hwnd, wParam, lParam);
    case WM_SETICON: return Icon(hwnd, msg, wParam, lParam);
    case WM_GETICON: return Icon(hwnd, msg, wParam, lParam);
    case WM_GETMINMAXINFO: return 0;
    case WM_CTLCOLOREDIT: return 0;
    case WM_CTLCOLORSTATIC: return 0;
    case WM_CTLCOLORMSGBOX: return 0;
    case WM_CTLCOLORBTN: return 0;
    case WM_CTLCOLORDLG: return 0;
    case WM_CTLCOLORLISTBOX: return 0;
    case WM_CTLCOLORSCROLLBAR: return 0;
    default: return Unhandled(msg, handled);
  }
}

}  // namespace

namespace jf {

// DefWindowProcW's hook: true with *result for the messages it answers.
bool DisplayDefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  JF_TRACE_ENTRY(Display, "hwnd %p msg 0x%x wp 0x%lx lp 0x%lx", (void*)hwnd, msg, (unsigned long)wParam,
                 (unsigned long)lParam);
  bool handled = true;
  *result = Dispatch(hwnd, msg, wParam, lParam, &handled);
  return handled;
}

}  // namespace jf
