// The rectangle fills and frames of user32.
#include <algorithm>

#include "platform/src/gdi/GdiHandleTable.h"
#include <errhandlingapi.h>
#include <winerror.h>

using jf::DcState;
using jf::GdiHandleTable;

namespace {

// Fills `rect` minus the inner rectangle (null: all of it) with the brush.
int FillWithBrush(HDC hdc, const RECT* rect, HBRUSH brush, const RECT* hole) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  auto b = GdiHandleTable::Instance().LookupAs<jf::GdiBrush>(brush);
  if (!dc || !rect || !b) return 0;
  COLORREF color;
  if (!dc->BrushColor(b.get(), &color) || rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  cairo_t* cr = dc->Begin();
  if (!cr) return 0;
  DcState::SetColor(cr, color);
  dc->AppendVisibleRect(cr, rect->left, rect->top, rect->right, rect->bottom);
  if (hole && hole->right > hole->left && hole->bottom > hole->top) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    dc->AppendVisibleRect(cr, hole->left, hole->top, hole->right, hole->bottom);
  }
  cairo_fill(cr);
  DcState::End(cr);
  return 1;
}

BOOL Invert(HDC hdc, const RECT* rect, bool dotted) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  if (!dc || !rect) return FALSE;
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
  cairo_set_source_rgb(cr, 1, 1, 1);
  if (!dotted) {
    dc->AppendVisibleRect(cr, std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                          std::max(rect->left, rect->right), std::max(rect->top, rect->bottom));
  } else {
    // Every other pixel of the frame, walked only where the clip lets it show: a huge
    // rectangle must not become billions of path pieces. 64-bit steps cannot overflow.
    const RECT box = dc->LogicalClipBox();
    const long long l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
    auto firstFrom = [](long long start, long long visible) {
      return start >= visible ? start : start + (visible - start + 1) / 2 * 2;
    };
    for (long long x = firstFrom(l, box.left); x < std::min<long long>(r, box.right); x += 2) {
      dc->AppendVisibleRect(cr, x, t, x + 1, t + 1);
      if (b - 1 > t) dc->AppendVisibleRect(cr, x, b - 1, x + 1, b);
    }
    for (long long y = firstFrom(t + 2, box.top); y < std::min<long long>(b - 1, box.bottom); y += 2) {
      dc->AppendVisibleRect(cr, l, y, l + 1, y + 1);
      if (r - 1 > l) dc->AppendVisibleRect(cr, r - 1, y, r, y + 1);
    }
  }
  cairo_fill(cr);
  DcState::End(cr);
  return TRUE;
}

}  // namespace

int WINAPI FillRect(HDC hdc, const RECT* rect, HBRUSH brush) { return FillWithBrush(hdc, rect, brush, nullptr); }

int WINAPI FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  if (!rect) return 0;
  // An empty rectangle has no frame (and its inner rectangle could not be computed).
  if (rect->right <= rect->left || rect->bottom <= rect->top) return FillWithBrush(hdc, rect, brush, nullptr);
  const RECT inner{rect->left + 1, rect->top + 1, rect->right - 1, rect->bottom - 1};
  return FillWithBrush(hdc, rect, brush, &inner);
}

BOOL WINAPI InvertRect(HDC hdc, const RECT* rect) { return Invert(hdc, rect, false); }

BOOL WINAPI DrawFocusRect(HDC hdc, const RECT* rect) { return Invert(hdc, rect, true); }
