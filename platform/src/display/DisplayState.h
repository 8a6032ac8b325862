// What the display half keeps for every window (in WindowRecord::display), and the helpers
// its files share. Fields are guarded by the window table lock like the rest of the record.
#pragma once
#include <cairo.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/src/user/UserArea.h"

namespace jf {

struct WindowDisplayState {
  WindowDisplayState() = default;
  WindowDisplayState(const WindowDisplayState&) = delete;
  WindowDisplayState& operator=(const WindowDisplayState&) = delete;
  ~WindowDisplayState() {
    if (surface != nullptr) cairo_surface_destroy(surface);
  }

  // The backing store of a top-level window: ARGB32, as large as the window rectangle.
  cairo_surface_t* surface = nullptr;
  // What was drawn into the backing store since it last went to the screen, in the store's
  // own coordinates: a few rectangles, merged as they come (see DamageLocked).
  std::vector<RECT> damage;
  // The update region, kept as its bounding rectangle in client coordinates.
  RECT update{};
  bool updatePending = false;
  bool erasePending = false;
  bool painting = false;  // between BeginPaint and EndPaint

  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
  RECT normalRect{};  // where SW_RESTORE puts a minimised or maximised window back
  bool normalKnown = false;

  bool layeredSet = false;
  COLORREF layeredKey = 0;
  BYTE layeredAlpha = 255;
  DWORD layeredFlags = 0;
  HRGN region = nullptr;  // owned by the window once SetWindowRgn succeeded
  HMENU systemMenu = nullptr;
  UINT closeItemState = MF_ENABLED;
};

// The record's display state, made on first use (table lock held).
inline WindowDisplayState& DisplayStateLocked(WindowRecord& rec) {
  if (!rec.display) rec.display = std::make_shared<WindowDisplayState>();
  return *rec.display;
}

// Screen position of a window's client origin (table lock held).
inline POINT ClientOriginLocked(WindowTable& table, const WindowRecord& rec) {
  POINT pt{rec.clientRect.left, rec.clientRect.top};
  HWND parent = rec.parent;
  for (int depth = 0; parent != nullptr && depth < 4096; ++depth) {
    auto p = table.LookupLocked(parent);
    if (!p) break;
    pt.x += p->clientRect.left;
    pt.y += p->clientRect.top;
    parent = p->parent;
  }
  return pt;
}

// The window rectangle in screen coordinates (table lock held).
inline RECT ScreenWindowRectLocked(WindowTable& table, const WindowRecord& rec) {
  POINT origin = ClientOriginLocked(table, rec);
  int dx = origin.x - rec.clientRect.left;
  int dy = origin.y - rec.clientRect.top;
  return RECT{rec.windowRect.left + dx, rec.windowRect.top + dy, rec.windowRect.right + dx,
              rec.windowRect.bottom + dy};
}

// WS_VISIBLE on the window and every ancestor (table lock held).
inline bool VisibleLocked(WindowTable& table, const WindowRecord& rec) {
  if ((rec.style & WS_VISIBLE) == 0 || rec.messageOnly) return false;
  HWND parent = rec.parent;
  for (int depth = 0; parent != nullptr && depth < 4096; ++depth) {
    auto p = table.LookupLocked(parent);
    if (!p || (p->style & WS_VISIBLE) == 0) return false;
    parent = p->parent;
  }
  return true;
}

inline bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline bool RectContains(const RECT& r, POINT pt) {
  return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}
inline RECT RectUnion(const RECT& a, const RECT& b) {
  if (RectEmpty(a)) return b;
  if (RectEmpty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}
inline RECT RectIntersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (RectEmpty(r)) r = RECT{0, 0, 0, 0};
  return r;
}

// The backing store of a top-level window, made or resized to its window rectangle (table
// lock held). Null for children and message-only windows.
cairo_surface_t* SurfaceLocked(WindowRecord& rec);
// Part of a top-level window's backing store (its own coordinates) changed and has to reach
// the screen with the next push (table lock held).
void DamageLocked(WindowRecord& root, const RECT& rect);
// Window DCs of the tree under `root` follow a move or resize (no lock held).
void RefreshWindowDcs(HWND root);
// A DC over the window's client area (or whole window), limited to `clip` in its own
// coordinates when given and always to what its ancestors show. Null when it has no surface.
HDC MakeWindowDc(HWND hwnd, bool wholeWindow, const RECT* clip);
// Deletes a DC made by MakeWindowDc; false for any other DC.
bool DropWindowDc(HDC hdc);

// Marks part of a window's client area (null: all of it) for painting; children too when
// `children` or when the window does not clip them. Table lock held.
void InvalidateLocked(WindowTable& table, WindowRecord& rec, const RECT* rect, bool erase, bool children);

}  // namespace jf
