// Window and client rectangles, coordinate mapping and finding the window under a point.
#include <windows.h>

#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::WindowRecord;
using jf::WindowTable;

// Offset from a window's client coordinates to the screen; null window: the screen itself.
bool ClientOffset(WindowTable& table, HWND hwnd, POINT* offset) {
  *offset = POINT{0, 0};
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) return true;
  auto rec = table.LookupLocked(hwnd);
  if (!rec) return false;
  *offset = jf::ClientOriginLocked(table, *rec);
  return true;
}

// Moves a point by the window's client origin: +1 client to screen, -1 screen to client.
BOOL ShiftByClientOrigin(HWND hwnd, LPPOINT point, int sign) {
  if (point == nullptr || hwnd == nullptr) {
    JF_SET_ERROR(Display, point == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  POINT offset{};
  if (!ClientOffset(table, hwnd, &offset)) return FALSE;
  point->x += sign * offset.x;
  point->y += sign * offset.y;
  return TRUE;
}

// The deepest visible child of `hwnd` containing the screen point (table lock held).
HWND DeepestLocked(WindowTable& table, HWND hwnd, POINT screen, bool skipDisabled) {
  for (int depth = 0; depth < 4096; ++depth) {
    auto rec = table.LookupLocked(hwnd);
    if (!rec) return hwnd;
    HWND next = nullptr;
    for (HWND child : rec->children) {
      auto c = table.LookupLocked(child);
      if (!c || (c->style & WS_VISIBLE) == 0) continue;
      if (skipDisabled && (c->style & WS_DISABLED) != 0) continue;
      if (jf::RectContains(jf::ScreenWindowRectLocked(table, *c), screen)) {
        next = child;
        break;
      }
    }
    if (next == nullptr) return hwnd;
    hwnd = next;
  }
  return hwnd;
}

}  // namespace

namespace jf {

HWND TopLevelFromPointLocked(WindowTable& table, POINT screen) {
  for (HWND top : table.TopLevelLocked()) {
    auto rec = table.LookupLocked(top);
    if (!rec || (rec->style & WS_VISIBLE) == 0 || (rec->exStyle & WS_EX_TRANSPARENT) != 0) continue;
    if (!RectContains(rec->windowRect, screen)) continue;
    // A window region cuts the window's shape.
    if (rec->display && rec->display->region != nullptr &&
        !PtInRegion(rec->display->region, screen.x - rec->windowRect.left, screen.y - rec->windowRect.top)) {
      continue;
    }
    return top;
  }
  return nullptr;
}

HWND WindowFromPointLocked(WindowTable& table, POINT screen) {
  HWND top = TopLevelFromPointLocked(table, screen);
  return top == nullptr ? nullptr : DeepestLocked(table, top, screen, true);
}

}  // namespace jf

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (hwnd == GetDesktopWindow()) {
    *rect = jf::ScreenRect();
    return TRUE;
  }
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    *rect = jf::ScreenWindowRectLocked(table, rec);
    return TRUE;
  });
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (hwnd == GetDesktopWindow()) {
    *rect = jf::ScreenRect();
    return TRUE;
  }
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    *rect = RECT{0, 0, std::max<LONG>(0, rec.clientRect.right - rec.clientRect.left),
                 std::max<LONG>(0, rec.clientRect.bottom - rec.clientRect.top)};
    return TRUE;
  });
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  POINT a{}, b{};
  if (!ClientOffset(table, from, &a) || !ClientOffset(table, to, &b)) return 0;
  int dx = a.x - b.x;
  int dy = a.y - b.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return MAKELONG(WORD(SHORT(dx)), WORD(SHORT(dy)));
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) { return ShiftByClientOrigin(hwnd, point, -1); }

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) { return ShiftByClientOrigin(hwnd, point, 1); }

HWND WINAPI WindowFromPoint(POINT point) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  return jf::WindowFromPointLocked(table, point);
}

HWND WINAPI ChildWindowFromPoint(HWND parent, POINT point) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  auto rec = table.LookupLocked(parent);
  if (!rec) return nullptr;
  RECT client{0, 0, rec->clientRect.right - rec->clientRect.left, rec->clientRect.bottom - rec->clientRect.top};
  if (!jf::RectContains(client, point)) return nullptr;
  for (HWND child : rec->children) {
    auto c = table.LookupLocked(child);
    if (c && jf::RectContains(c->windowRect, point)) return child;
  }
  return parent;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (rect == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT frame = jf::FrameInsets(style, exStyle);
  rect->left -= frame.left;
  rect->top -= frame.top;
  rect->right += frame.right;
  rect->bottom += frame.bottom;
  if (menu) rect->top -= GetSystemMetrics(SM_CYMENU);
  return TRUE;
}

// Beside the window rectangles rather than with the screen's metrics: a program that only asks
// for metrics does not take in the window code.
HMONITOR WINAPI MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) return MonitorFromRect(nullptr, flags);
  // An empty window counts by its position.
  if (jf::RectEmpty(r)) return MonitorFromPoint(POINT{r.left, r.top}, flags);
  return MonitorFromRect(&r, flags);
}
