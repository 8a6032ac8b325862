// Showing, moving, sizing and stacking windows, with the messages Windows sends for it.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/display/InputState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::WindowRecord;
using jf::WindowTable;

const POINT kMinimizedPos{-32000, -32000};
const SIZE kMinimizedSize{160, 28};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void Restack(WindowTable& table, WindowRecord& rec, HWND after) {
  std::vector<HWND>& siblings = table.SiblingsLocked(rec);
  auto it = std::find(siblings.begin(), siblings.end(), rec.handle);
  if (it == siblings.end()) return;
  siblings.erase(it);
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    siblings.insert(siblings.begin(), rec.handle);
  } else if (after == HWND_BOTTOM) {
    siblings.push_back(rec.handle);
  } else {
    auto pos = std::find(siblings.begin(), siblings.end(), after);
    siblings.insert(pos == siblings.end() ? siblings.begin() : pos + 1, rec.handle);
  }
  if (after == HWND_TOPMOST) rec.exStyle |= WS_EX_TOPMOST;
  if (after == HWND_NOTOPMOST) rec.exStyle &= ~DWORD(WS_EX_TOPMOST);
}

// The parent's client area under a child's rectangle needs painting again (lock held).
void InvalidateUnder(WindowTable& table, const WindowRecord& rec, const RECT& rect) {
  if (rec.parent == nullptr) return;
  auto parent = table.LookupLocked(rec.parent);
  if (parent) jf::InvalidateLocked(table, *parent, &rect, true, false);
}

void FillMinMaxDefaults(DWORD style, DWORD exStyle, MINMAXINFO* mmi) {
  RECT work = jf::WorkAreaRect();
  RECT frame = jf::FrameInsets(style, exStyle);
  if ((style & WS_CAPTION) == WS_CAPTION) frame.top -= GetSystemMetrics(SM_CYCAPTION);
  mmi->ptMaxSize = POINT{Width(work) + frame.left + frame.right, Height(work) + frame.top + frame.bottom};
  mmi->ptMaxPosition = POINT{work.left - frame.left, work.top - frame.top};
  mmi->ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi->ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
}

// Minimised or maximised: remembers where the window was last in its normal state.
void RememberNormal(HWND hwnd) {
  WindowTable::Get().WithRecord(hwnd, 0, [](WindowRecord& rec) {
    if ((rec.style & (WS_MINIMIZE | WS_MAXIMIZE)) == 0) {
      jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
      ds.normalRect = rec.windowRect;
      ds.normalKnown = true;
    }
    return 0;
  });
}

void SetStateBits(HWND hwnd, DWORD set, DWORD clear) {
  WindowTable::Get().WithRecord(hwnd, 0, [&](WindowRecord& rec) {
    rec.style = (rec.style & ~clear) | set;
    return 0;
  });
}

}  // namespace

namespace jf {

// WM_GETMINMAXINFO as Windows sends it before maximising or tracking a size.
MINMAXINFO QueryMinMax(HWND hwnd) {
  MINMAXINFO mmi{};
  DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
  DWORD exStyle = DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  FillMinMaxDefaults(style, exStyle, &mmi);
  SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

// The client rectangle of a window moving from oldWindow to newWindow: WM_NCCALCSIZE asks the
// procedure when the size or frame changes, else the client moves with the window. Marks
// wp.flags with SWP_NOCLIENTSIZE / SWP_NOCLIENTMOVE where the client stays.
RECT ClientRectAfterMove(HWND hwnd, WINDOWPOS& wp, const RECT& newWindow, const RECT& oldWindow,
                         const RECT& oldClient, bool sized) {
  RECT newClient{};
  if (sized || (wp.flags & SWP_FRAMECHANGED) != 0) {
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = newWindow;
    params.rgrc[1] = oldWindow;
    params.rgrc[2] = oldClient;
    params.lppos = &wp;
    SendMessageW(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    newClient = params.rgrc[0];
  } else {
    int dx = newWindow.left - oldWindow.left;
    int dy = newWindow.top - oldWindow.top;
    newClient = RECT{oldClient.left + dx, oldClient.top + dy, oldClient.right + dx, oldClient.bottom + dy};
  }
  if (Width(newClient) == Width(oldClient) && Height(newClient) == Height(oldClient) &&
      (wp.flags & SWP_FRAMECHANGED) == 0) {
    wp.flags |= SWP_NOCLIENTSIZE;
  }
  if (newClient.left == oldClient.left && newClient.top == oldClient.top && (wp.flags & SWP_FRAMECHANGED) == 0) {
    wp.flags |= SWP_NOCLIENTMOVE;
  }
  return newClient;
}

}  // namespace jf

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowTable& table = WindowTable::Get();
  auto rec = table.Lookup(hwnd);
  if (!rec) return FALSE;
  flags &= ~UINT(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  WINDOWPOS wp{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  RECT oldWindow{}, oldClient{};
  bool wasVisible = false;
  {
    auto guard = table.Guard();
    oldWindow = rec->windowRect;
    oldClient = rec->clientRect;
    wasVisible = jf::VisibleLocked(table, *rec);
  }
  if ((flags & SWP_NOMOVE) != 0) {
    wp.x = oldWindow.left;
    wp.y = oldWindow.top;
  }
  if ((flags & SWP_NOSIZE) != 0) {
    wp.cx = Width(oldWindow);
    wp.cy = Height(oldWindow);
  }
  if ((flags & SWP_NOSENDCHANGING) == 0) SendMessageW(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if (!IsWindow(hwnd)) return FALSE;
  wp.cx = std::max(wp.cx, 0);
  wp.cy = std::max(wp.cy, 0);
  // A far position plus a large size ends at the end of the int range instead of wrapping.
  auto end = [](int from, int extent) { return int(std::min<long long>((long long)from + extent, INT_MAX)); };
  RECT newWindow{wp.x, wp.y, end(wp.x, wp.cx), end(wp.y, wp.cy)};
  bool sized = Width(newWindow) != Width(oldWindow) || Height(newWindow) != Height(oldWindow);
  RECT newClient = jf::ClientRectAfterMove(hwnd, wp, newWindow, oldWindow, oldClient, sized);
  bool nowVisible = false;
  {
    auto guard = table.Guard();
    if (!table.LookupLocked(hwnd)) return FALSE;
    rec->windowRect = newWindow;
    rec->clientRect = newClient;
    if ((wp.flags & SWP_NOZORDER) == 0) Restack(table, *rec, wp.hwndInsertAfter);
    if ((wp.flags & SWP_SHOWWINDOW) != 0) rec->style |= WS_VISIBLE;
    if ((wp.flags & SWP_HIDEWINDOW) != 0) rec->style &= ~DWORD(WS_VISIBLE);
    nowVisible = jf::VisibleLocked(table, *rec);
    bool changed = sized || (wp.flags & SWP_FRAMECHANGED) != 0 || nowVisible != wasVisible;
    bool moved = newWindow.left != oldWindow.left || newWindow.top != oldWindow.top;
    if ((wp.flags & SWP_NOREDRAW) == 0) {
      if (nowVisible && changed) jf::InvalidateLocked(table, *rec, nullptr, true, true);
      if (wasVisible && (changed || moved)) {
        InvalidateUnder(table, *rec, oldWindow);
        if (nowVisible) InvalidateUnder(table, *rec, newWindow);
      }
    }
  }
  if (wasVisible && !nowVisible) jf::InputWindowHidden(hwnd);
  if ((wp.flags & (SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE)) != (SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE) || sized) {
    jf::RefreshWindowDcs(GetAncestor(hwnd, GA_ROOT));
  }
  jf::X11WindowChanged(hwnd);
  SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  bool child = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0;
  if (nowVisible && !child && (flags & SWP_NOACTIVATE) == 0 &&
      (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0) {
    jf::ActivateWindow(hwnd, WA_ACTIVE);
  }
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW);
  return SetWindowPos(hwnd, nullptr, x, y, width, height, flags);
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
  auto rec = WindowTable::Get().Lookup(hwnd);
  if (!rec) return FALSE;
  DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
  bool wasVisible = (style & WS_VISIBLE) != 0;
  bool child = (style & WS_CHILD) != 0;
  UINT noActivate = SWP_NOACTIVATE;
  bool activate = false;
  switch (cmdShow) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessageW(hwnd, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
      return TRUE;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: {
      if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
      RememberNormal(hwnd);
      SetStateBits(hwnd, WS_MINIMIZE, WS_MAXIMIZE);
      SetWindowPos(hwnd, nullptr, kMinimizedPos.x, kMinimizedPos.y, kMinimizedSize.cx, kMinimizedSize.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
      // A minimised window gives up activation and focus.
      if (GetActiveWindow() == hwnd) jf::InputWindowHidden(hwnd);
      return wasVisible ? TRUE : FALSE;
    }
    case SW_MAXIMIZE: {
      if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
      RememberNormal(hwnd);
      MINMAXINFO mmi = jf::QueryMinMax(hwnd);
      SetStateBits(hwnd, WS_MAXIMIZE, WS_MINIMIZE);
      SetWindowPos(hwnd, nullptr, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
                   SWP_NOZORDER | noActivate | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
      activate = !child;
      break;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
      if (!wasVisible) SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
      if ((style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0) {
        RECT normal{};
        bool known = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& r) {
          normal = jf::DisplayStateLocked(r).normalRect;
          return jf::DisplayStateLocked(r).normalKnown;
        });
        SetStateBits(hwnd, 0, WS_MINIMIZE | WS_MAXIMIZE);
        if (known) {
          SetWindowPos(hwnd, nullptr, normal.left, normal.top, Width(normal), Height(normal),
                       SWP_NOZORDER | noActivate | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        } else {
          SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | noActivate |
                       SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        }
      } else if (!wasVisible) {
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | noActivate | SWP_SHOWWINDOW);
      }
      activate = !child && cmdShow != SW_SHOWNOACTIVATE;
      break;
    case SW_SHOW:
    case SW_SHOWNA:
      if (!wasVisible) {
        SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | noActivate | SWP_SHOWWINDOW);
      }
      activate = !child && cmdShow == SW_SHOW;
      break;
    default:
      JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  if (activate && IsWindow(hwnd) && (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0) {
    jf::ActivateWindow(hwnd, WA_ACTIVE);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  auto rec = table.LookupLocked(hwnd);
  return rec && jf::VisibleLocked(table, *rec) ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MINIMIZE) != 0 ? TRUE : FALSE; }

BOOL WINAPI IsZoomed(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZE) != 0 ? TRUE : FALSE; }

BOOL WINAPI GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  if (placement == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    bool special = (rec.style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0;
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->flags = 0;
    placement->showCmd = (rec.style & WS_MINIMIZE) != 0   ? SW_SHOWMINIMIZED
                         : (rec.style & WS_MAXIMIZE) != 0 ? SW_SHOWMAXIMIZED
                         : (rec.style & WS_VISIBLE) != 0  ? SW_SHOWNORMAL
                                                          : SW_HIDE;
    placement->ptMinPosition = kMinimizedPos;
    placement->ptMaxPosition = POINT{-1, -1};
    placement->rcNormalPosition = special && ds.normalKnown ? ds.normalRect : rec.windowRect;
    return TRUE;
  });
}

BOOL WINAPI BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
