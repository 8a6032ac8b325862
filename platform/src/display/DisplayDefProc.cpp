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

bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_NCCALCSIZE: {
      DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
      DWORD exStyle = DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
      if (lParam == 0) return true;
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      if ((style & WS_MINIMIZE) == 0) CalcClient(style, exStyle, r);
      return true;
    }
    case WM_NCHITTEST:
      *result = HitTest(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return true;
    case WM_SETCURSOR:
      *result = SetCursorDefault(hwnd, wParam, lParam);
      return true;
    case WM_MOUSEACTIVATE: {
      HWND parent = GetAncestor(hwnd, GA_PARENT);
      if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0 && parent != nullptr) {
        LRESULT r = SendMessageW(parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r != 0) {
          *result = r;
          return true;
        }
      }
      *result = MA_ACTIVATE;
      return true;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) {
        HWND focus = GetFocus();
        if (focus == nullptr || (focus != hwnd && !IsChild(hwnd, focus))) SetFocus(hwnd);
      }
      return true;
    case WM_NCACTIVATE:
      *result = TRUE;
      return true;
    case WM_RBUTTONUP: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &pt);
      SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(WORD(SHORT(pt.x)), WORD(SHORT(pt.y))));
      return true;
    }
    case WM_NCRBUTTONUP:
      SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return true;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      // Children pass these on to their parent.
      HWND parent = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0 ? GetAncestor(hwnd, GA_PARENT) : nullptr;
      if (parent != nullptr) *result = SendMessageW(parent, msg, wParam, lParam);
      return true;
    }
    case WM_NCLBUTTONDOWN:
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
      return true;
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX) != 0) {
        SendMessageW(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      }
      return true;
    case WM_SYSCOMMAND:
      *result = SysCommand(hwnd, wParam, lParam);
      return true;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)) != 0) PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case WM_WINDOWPOSCHANGED: {
      auto wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (wp == nullptr) return true;
      RECT client{};
      bool ok = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
        client = rec.clientRect;
        return true;
      });
      if (!ok) return true;
      if ((wp->flags & SWP_NOCLIENTMOVE) == 0) {
        SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(WORD(SHORT(client.left)), WORD(SHORT(client.top))));
      }
      if ((wp->flags & SWP_NOCLIENTSIZE) == 0) {
        DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
        WPARAM kind = (style & WS_MINIMIZE) != 0 ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) != 0 ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageW(hwnd, WM_SIZE, kind,
                     MAKELPARAM(WORD(client.right - client.left), WORD(client.bottom - client.top)));
      }
      return true;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return true;
    }
    case WM_ERASEBKGND: {
      // The class brush paints the background; without one nothing is erased.
      HBRUSH brush = WindowTable::Get().WithRecord(hwnd, HBRUSH(nullptr), [](WindowRecord& rec) {
        return rec.cls ? rec.cls->background : HBRUSH(nullptr);
      });
      if (brush != nullptr && wParam != 0) {
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      }
      *result = brush != nullptr ? 1 : 0;
      return true;
    }
    case WM_PRINT:
      if ((lParam & PRF_CLIENT) != 0) SendMessageW(hwnd, WM_PRINTCLIENT, wParam, lParam);
      return true;
    case WM_SETICON:
    case WM_GETICON: {
      HICON previous = WindowTable::Get().WithRecord(hwnd, HICON(nullptr), [&](WindowRecord& rec) {
        jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
        HICON& slot = wParam == ICON_BIG ? ds.iconBig : ds.iconSmall;
        HICON old = slot;
        if (msg == WM_SETICON) slot = reinterpret_cast<HICON>(lParam);
        return old;
      });
      *result = reinterpret_cast<LRESULT>(previous);
      if (msg == WM_SETICON && wParam == ICON_BIG) jf::X11WindowIcon(hwnd, reinterpret_cast<HICON>(lParam));
      return true;
    }
    case WM_GETMINMAXINFO:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace jf {

bool DisplayDefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return Handle(hwnd, msg, wParam, lParam, result);
}

}  // namespace jf
