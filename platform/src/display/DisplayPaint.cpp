// Update regions, WM_PAINT and WM_ERASEBKGND, paint and window DCs, window regions and the
// attributes of layered windows.
#include <windows.h>

#include "platform/src/display/DisplayState.h"
#include "platform/src/internal/gdisurface.h"
#include "platform/src/user/UserArea.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::WindowDisplayState;
using jf::WindowRecord;
using jf::WindowTable;

RECT ClientBox(const WindowRecord& rec) {
  return RECT{0, 0, rec.clientRect.right - rec.clientRect.left, rec.clientRect.bottom - rec.clientRect.top};
}

void ValidateLocked(WindowRecord& rec, const RECT* rect) {
  WindowDisplayState& ds = jf::DisplayStateLocked(rec);
  if (!ds.updatePending) return;
  // The region is kept as one rectangle: it empties when the validated part covers it.
  if (rect != nullptr) {
    RECT inside = jf::RectIntersect(*rect, ds.update);
    bool covers = inside.left == ds.update.left && inside.top == ds.update.top &&
                  inside.right == ds.update.right && inside.bottom == ds.update.bottom;
    if (!covers) return;
  }
  ds.updatePending = false;
  ds.erasePending = false;
  ds.update = RECT{0, 0, 0, 0};
}

HWND PaintWindow(DWORD threadId, const jf::MsgFilter& filter) {
  // Looking for work leaves the caller's last error as it was.
  struct KeepLastError {
    DWORD saved = GetLastError();
    ~KeepLastError() { SetLastError(saved); }
  } keep;
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  std::vector<HWND> tops = table.TopLevelLocked();
  for (HWND top : tops) {
    std::vector<HWND> tree;
    table.CollectTreeLocked(top, tree);
    for (HWND w : tree) {
      auto rec = table.LookupLocked(w);
      if (!rec || rec->threadId != threadId || !rec->display || !rec->display->updatePending) continue;
      if (rec->state.load() != WindowRecord::State::Alive || !filter.MatchesWindow(w)) continue;
      if (!jf::VisibleLocked(table, *rec)) continue;
      return w;
    }
  }
  return nullptr;
}

void PaintDispatched(HWND hwnd) {
  // A procedure that neither painted nor validated would get WM_PAINT forever.
  WindowTable::Get().WithRecord(hwnd, 0, [](WindowRecord& rec) {
    ValidateLocked(rec, nullptr);
    return 0;
  });
  jf::X11Push(hwnd);
}

// Programs that blend their own windows look UpdateLayeredWindow and SetLayeredWindowAttributes
// up by name in "user32".
const bool kLayeredExported = [] {
  jf::RegisterModuleExport(L"user32.dll", "UpdateLayeredWindow", reinterpret_cast<void*>(&UpdateLayeredWindow));
  jf::RegisterModuleExport(L"user32.dll", "SetLayeredWindowAttributes",
                           reinterpret_cast<void*>(&SetLayeredWindowAttributes));
  return true;
}();

}  // namespace

namespace jf {

void InvalidateLocked(WindowTable& table, WindowRecord& rec, const RECT* rect, bool erase, bool children) {
  if (!VisibleLocked(table, rec)) return;
  RECT client = ClientBox(rec);
  RECT part = rect != nullptr ? RectIntersect(*rect, client) : client;
  if (!RectEmpty(part)) {
    WindowDisplayState& ds = DisplayStateLocked(rec);
    ds.update = ds.updatePending ? RectUnion(ds.update, part) : part;
    ds.updatePending = true;
    ds.erasePending = ds.erasePending || erase;
    if (auto queue = rec.queue.lock()) queue->Wake();
  }
  if (!children && (rec.style & WS_CLIPCHILDREN) != 0) return;
  for (HWND child : rec.children) {
    auto c = table.LookupLocked(child);
    if (!c) continue;
    RECT over = RectIntersect(c->windowRect, part);
    if (RectEmpty(over)) continue;
    RECT local{over.left - c->clientRect.left, over.top - c->clientRect.top, over.right - c->clientRect.left,
               over.bottom - c->clientRect.top};
    InvalidateLocked(table, *c, &local, erase, children);
  }
}

void InstallPaintHooks(WindowDisplayHooks& hooks) {
  hooks.paintWindow = PaintWindow;
  hooks.paintDispatched = PaintDispatched;
}

}  // namespace jf

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  WindowTable& table = WindowTable::Get();
  if (hwnd == nullptr) {
    // Every top-level window, as Windows does for the desktop.
    auto guard = table.Guard();
    std::vector<HWND> tops = table.TopLevelLocked();
    for (HWND top : tops) {
      if (auto rec = table.LookupLocked(top)) jf::InvalidateLocked(table, *rec, nullptr, erase != FALSE, true);
    }
    return TRUE;
  }
  return table.WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    jf::InvalidateLocked(table, rec, rect, erase != FALSE, false);
    return TRUE;
  });
}

BOOL WINAPI InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  // Update regions are kept as rectangles: a region counts by its bounding box.
  if (region == nullptr) return InvalidateRect(hwnd, nullptr, erase);
  RECT box{};
  if (GetRgnBox(region, &box) == 0) return FALSE;
  return InvalidateRect(hwnd, &box, erase);
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT* rect) {
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    ValidateLocked(rec, rect);
    return TRUE;
  });
}

BOOL WINAPI ValidateRgn(HWND hwnd, HRGN region) {
  if (region == nullptr) return ValidateRect(hwnd, nullptr);
  RECT box{};
  if (GetRgnBox(region, &box) == 0) return FALSE;
  return ValidateRect(hwnd, &box);
}

BOOL WINAPI GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  (void)erase;
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    if (rect != nullptr) *rect = ds.updatePending ? ds.update : RECT{0, 0, 0, 0};
    return ds.updatePending ? TRUE : FALSE;
  });
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
  std::vector<HWND> tree;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    if (!table.LookupLocked(hwnd)) return FALSE;
    table.CollectTreeLocked(hwnd, tree);
  }
  for (HWND w : tree) {
    bool pending = WindowTable::Get().WithRecord(w, false, [](WindowRecord& rec) {
      return rec.display != nullptr && rec.display->updatePending;
    });
    if (!pending || !IsWindowVisible(w)) continue;
    SendMessageW(w, WM_PAINT, 0, 0);
    PaintDispatched(w);
  }
  return TRUE;
}

BOOL WINAPI RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd == nullptr) return FALSE;
  const RECT* part = region != nullptr ? nullptr : rect;
  WindowTable& table = WindowTable::Get();
  BOOL ok = table.WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    if ((flags & RDW_INVALIDATE) != 0) {
      jf::InvalidateLocked(table, rec, part, (flags & RDW_ERASE) != 0, (flags & RDW_ALLCHILDREN) != 0);
    }
    if ((flags & RDW_VALIDATE) != 0) ValidateLocked(rec, part);
    return TRUE;
  });
  if (ok && (flags & RDW_UPDATENOW) != 0) UpdateWindow(hwnd);
  return ok;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  if (paint == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *paint = PAINTSTRUCT{};
  RECT update{};
  bool erase = false;
  bool ok = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    update = ds.updatePending ? ds.update : RECT{0, 0, 0, 0};
    erase = ds.erasePending;
    ds.painting = true;
    ValidateLocked(rec, nullptr);
    return true;
  });
  if (!ok) return nullptr;
  HDC hdc = jf::MakeWindowDc(hwnd, false, &update);
  if (hdc == nullptr) hdc = GetDC(nullptr);  // a window without a surface of its own
  paint->hdc = hdc;
  paint->rcPaint = update;
  paint->fErase = erase ? TRUE : FALSE;
  if (erase && SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) != 0) paint->fErase = FALSE;
  return hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint != nullptr && paint->hdc != nullptr) jf::DropWindowDc(paint->hdc);
  return WindowTable::Get().WithRecord(hwnd, FALSE, [](WindowRecord& rec) {
    jf::DisplayStateLocked(rec).painting = false;
    return TRUE;
  });
}

int WINAPI SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  WindowTable& table = WindowTable::Get();
  int ok = table.WithRecord(hwnd, 0, [&](WindowRecord& rec) {
    // The window owns the region from now on; the one it had goes.
    HRGN& slot = jf::DisplayStateLocked(rec).region;
    if (slot != nullptr && slot != region) DeleteObject(slot);
    slot = region;
    if (redraw) jf::InvalidateLocked(table, rec, nullptr, true, true);
    return 1;
  });
  if (ok) jf::X11WindowChanged(hwnd);
  return ok;
}

int WINAPI GetWindowRgn(HWND hwnd, HRGN region) {
  HRGN own = WindowTable::Get().WithRecord(hwnd, HRGN(nullptr), [](WindowRecord& rec) {
    return rec.display != nullptr ? rec.display->region : HRGN(nullptr);
  });
  if (own == nullptr || region == nullptr) return ERROR;
  return CombineRgn(region, own, nullptr, RGN_COPY);
}

BOOL WINAPI SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    if ((rec.exStyle & WS_EX_LAYERED) == 0) {
      JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    ds.layeredSet = true;
    ds.layeredKey = key;
    ds.layeredAlpha = alpha;
    ds.layeredFlags = flags;
    jf::InvalidateLocked(table, rec, nullptr, false, true);
    return TRUE;
  });
}

BOOL WINAPI GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    if ((rec.exStyle & WS_EX_LAYERED) == 0 || !ds.layeredSet) {
      JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (key != nullptr) *key = ds.layeredKey;
    if (alpha != nullptr) *alpha = ds.layeredAlpha;
    if (flags != nullptr) *flags = ds.layeredFlags;
    return TRUE;
  });
}

BOOL WINAPI UpdateLayeredWindow(HWND hwnd, HDC hdcDst, POINT* pptDst, SIZE* psize, HDC hdcSrc, POINT* pptSrc,
                                COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
  (void)hdcDst;
  (void)key;
  bool usable = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    // Windows refuses windows whose look was set by SetLayeredWindowAttributes.
    bool ok = (rec.exStyle & WS_EX_LAYERED) != 0 && !(rec.display && rec.display->layeredSet);
    if (!ok) JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return ok;
  });
  if (!usable) return FALSE;
  if (psize != nullptr && hdcSrc != nullptr && (psize->cx <= 0 || psize->cy <= 0)) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
  if (pptDst == nullptr) swp |= SWP_NOMOVE;
  if (psize == nullptr) swp |= SWP_NOSIZE;
  if (pptDst != nullptr || psize != nullptr) {
    SetWindowPos(hwnd, nullptr, pptDst ? pptDst->x : 0, pptDst ? pptDst->y : 0, psize ? psize->cx : 0,
                 psize ? psize->cy : 0, swp);
  }
  if (hdcSrc == nullptr) return TRUE;
  cairo_surface_t* source = jf::GetDcSurface(hdcSrc);
  if (source == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The window's look becomes the source pixels as they are (premultiplied, per-pixel alpha
  // with ULW_ALPHA), scaled by the constant alpha; the screen composes them.
  POINT from = pptSrc != nullptr ? *pptSrc : POINT{0, 0};
  double constant = blend != nullptr ? blend->SourceConstantAlpha / 255.0 : 1.0;
  bool perPixel = (flags & ULW_ALPHA) != 0 && blend != nullptr && (blend->AlphaFormat & AC_SRC_ALPHA) != 0;
  WindowTable& table = WindowTable::Get();
  BOOL copied = table.WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    cairo_surface_t* target = jf::SurfaceLocked(rec);
    if (target == nullptr) return FALSE;
    cairo_surface_flush(source);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_push_group_with_content(cr, perPixel ? CAIRO_CONTENT_COLOR_ALPHA : CAIRO_CONTENT_COLOR);
    cairo_set_source_surface(cr, source, -from.x, -from.y);
    cairo_paint(cr);
    cairo_pop_group_to_source(cr);
    if (constant < 1.0) {
      cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
      cairo_paint_with_alpha(cr, constant);
    } else {
      cairo_paint(cr);
    }
    cairo_destroy(cr);
    cairo_surface_mark_dirty(target);
    jf::DamageLocked(rec, RECT{0, 0, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target)});
    return TRUE;
  });
  if (copied) jf::X11Push(hwnd);
  return copied;
}
