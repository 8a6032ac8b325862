// The rectangle fills and frames of user32.
#include "GdiHandleTable.h"
#include "errhandlingapi.h"
#include "winerror.h"

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
  cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  if (hole && hole->right > hole->left && hole->bottom > hole->top) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, hole->left, hole->top, hole->right - hole->left, hole->bottom - hole->top);
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
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  } else {
    // Every other pixel of the frame.
    for (int x = rect->left; x < rect->right; x += 2) {
      cairo_rectangle(cr, x, rect->top, 1, 1);
      if (rect->bottom - 1 > rect->top) cairo_rectangle(cr, x, rect->bottom - 1, 1, 1);
    }
    for (int y = rect->top + 2; y < rect->bottom - 1; y += 2) {
      cairo_rectangle(cr, rect->left, y, 1, 1);
      if (rect->right - 1 > rect->left) cairo_rectangle(cr, rect->right - 1, y, 1, 1);
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
  const RECT inner{rect->left + 1, rect->top + 1, rect->right - 1, rect->bottom - 1};
  return FillWithBrush(hdc, rect, brush, &inner);
}

BOOL WINAPI InvertRect(HDC hdc, const RECT* rect) { return Invert(hdc, rect, false); }

BOOL WINAPI DrawFocusRect(HDC hdc, const RECT* rect) { return Invert(hdc, rect, true); }
