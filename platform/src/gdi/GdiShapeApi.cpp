// Lines, shapes, pixels, pattern blits and gradients.
#include <algorithm>
#include <cmath>

#include "platform/src/gdi/GdiHandleTable.h"
#include "platform/src/gdi/RegionObject.h"
#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::DcState;
using jf::GdiHandleTable;

namespace {

std::shared_ptr<DcState> Dc(HDC hdc) { return GdiHandleTable::Instance().LookupDc(hdc); }

// The dash pattern of a cosmetic pen (on, off, ...); empty for solid. Wide pens draw solid.
std::vector<int> DashesOf(const jf::GdiPen* pen) {
  if (!pen || pen->Width() > 1) return {};
  switch (pen->Style()) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// Moves a dash walk `skipped` pixels on: the index of the current dash and what is left of it.
void SkipDashes(const std::vector<int>& dashes, long long skipped, int* dash, long long* left) {
  if (dashes.empty() || skipped <= 0) return;
  long long period = 0;
  for (int d : dashes) period += d;
  skipped %= period;
  while (skipped >= *left) {
    skipped -= *left;
    *dash = (*dash + 1) % static_cast<int>(dashes.size());
    *left = dashes[*dash];
  }
  *left -= skipped;
}

// A horizontal or vertical run of pixels from `from` (inclusive) to `to` (exclusive) along one
// axis, `width` thick, dashed by `dashes`. Only the part near `box` (logical clip extents) is
// walked: the pattern keeps its phase, and the far end lies outside the box anyway.
void AxisLine(cairo_t* cr, bool horizontal, long long from, long long to, long long across, long long width,
              const std::vector<int>& dashes, const RECT& box) {
  const long long first = across - (width - 1) / 2;
  const long long lo = (horizontal ? box.left : box.top) - width, hi = (horizontal ? box.right : box.bottom) + width;
  if (first + width <= (horizontal ? box.top : box.left) || first >= (horizontal ? box.bottom : box.right)) return;
  const int step = from < to ? 1 : -1;
  int dash = 0;
  long long left = dashes.empty() ? 0 : dashes[0];
  const long long start = step > 0 ? std::max(from, lo) : std::min(from, hi);
  const long long end = step > 0 ? std::min(to, hi) : std::max(to, lo);
  SkipDashes(dashes, (start - from) * step, &dash, &left);
  long long pos = start;
  while ((end - pos) * step > 0) {
    // Length of the piece that keeps the same on/off state.
    long long n = (end - pos) * step;
    if (!dashes.empty()) n = std::min(n, left);
    const bool on = dashes.empty() || dash % 2 == 0;
    if (on) {
      const long long a = step > 0 ? pos : pos - n + 1;
      if (horizontal) cairo_rectangle(cr, a, first, n, width);
      else cairo_rectangle(cr, first, a, width, n);
    }
    pos += step * n;
    if (!dashes.empty()) {
      left -= n;
      if (left == 0) {
        dash = (dash + 1) % static_cast<int>(dashes.size());
        left = dashes[dash];
      }
    }
  }
  cairo_fill(cr);
}

// Cuts the segment (x0, y0)-(x1, y1) to `box` grown by `margin`; false when nothing is left.
// `skipped` is how many steps of the longer axis were cut from the start.
bool ClipSegment(long long* x0, long long* y0, long long* x1, long long* y1, const RECT& box, long long margin,
                 long long* skipped) {
  const double dx = static_cast<double>(*x1 - *x0), dy = static_cast<double>(*y1 - *y0);
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {static_cast<double>(*x0 - (box.left - margin)), static_cast<double>(box.right + margin - *x0),
                       static_cast<double>(*y0 - (box.top - margin)), static_cast<double>(box.bottom + margin - *y0)};
  double t0 = 0, t1 = 1;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  if (t0 > t1) return false;
  const long long major = static_cast<long long>(std::max(std::abs(dx), std::abs(dy)));
  *skipped = std::llround(t0 * major);
  if (t1 < 1) {
    *x1 = *x0 + std::llround(t1 * dx);
    *y1 = *y0 + std::llround(t1 * dy);
  }
  if (t0 > 0) {
    *x0 += std::llround(t0 * dx);
    *y0 += std::llround(t0 * dy);
  }
  return true;
}

// A line with the DC's pen from (x0, y0) to (x1, y1), end point excluded. A line reaching far
// outside the clip is first cut to the clip (plus a margin), so its walk stays short.
void PenLine(DcState& dc, cairo_t* cr, long long x0, long long y0, long long x1, long long y1) {
  const jf::GdiPen* pen = dc.attr.pen.get();
  if (!pen || pen->Style() == PS_NULL) return;
  DcState::SetColor(cr, dc.PenColor());
  const std::vector<int> dashes = DashesOf(pen);
  const RECT box = dc.LogicalClipBox();
  if (y0 == y1) return AxisLine(cr, true, x0, x1, y0, pen->Width(), dashes, box);
  if (x0 == x1) return AxisLine(cr, false, y0, y1, x0, pen->Width(), dashes, box);
  // Other slopes: Bresenham's pixels, the end point excluded, each a square of the pen width.
  const long long w = pen->Width(), half = (w - 1) / 2;
  long long skipped = 0;
  if (!ClipSegment(&x0, &y0, &x1, &y1, box, w + 64, &skipped)) return;
  const long long dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  long long err = dx + dy, x = x0, y = y0, left = dashes.empty() ? 0 : dashes[0];
  int dash = 0;
  SkipDashes(dashes, skipped, &dash, &left);
  while (x != x1 || y != y1) {
    if (dashes.empty() || dash % 2 == 0) cairo_rectangle(cr, x - half, y - half, w, w);
    if (!dashes.empty() && --left == 0) {
      dash = (dash + 1) % static_cast<int>(dashes.size());
      left = dashes[dash];
    }
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  cairo_fill(cr);
}

void FillRegionLogical(cairo_t* cr, const cairo_region_t* region) {
  DcState::AppendRegion(cr, region, 0, 0);
  cairo_fill(cr);
}

// The pixels of a rounded rectangle covering left..right-1 by top..bottom-1, as far as they
// fall inside `window`.
cairo_region_t* Shape(long long l, long long t, long long r, long long b, long long ew, long long eh,
                      const RECT& window) {
  return jf::RegionObject::RoundRect(l, t, r + 1, b + 1, ew, eh, &window);
}

// Rectangle, RoundRect and Ellipse: the interior with the brush, the outline with the pen.
// Sizes are 64-bit and only the rows inside the clip are built, so a shape may span the
// whole int range.
BOOL DrawShape(HDC hdc, long long l, long long t, long long r, long long b, long long ew, long long eh) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  const RECT window = dc->LogicalClipBox();
  const jf::GdiPen* pen = dc->attr.pen.get();
  COLORREF brush;
  const bool hasBrush = dc->BrushColor(dc->attr.brush.get(), &brush);
  if (!pen || pen->Style() == PS_NULL) {
    // Without a pen the shape is one pixel smaller, as on Windows.
    if (hasBrush) {
      cairo_region_t* s = Shape(l, t, r - 1, b - 1, ew, eh, window);
      DcState::SetColor(cr, brush);
      FillRegionLogical(cr, s);
      cairo_region_destroy(s);
    }
    DcState::End(cr);
    return TRUE;
  }
  const long long w = pen->Width();
  const bool inside = pen->Style() == PS_INSIDEFRAME;
  const long long lo = inside ? 0 : (w - 1) / 2, hi = inside ? 0 : w / 2;
  const long long ol = l - lo, ot = t - lo, orr = r + hi, ob = b + hi;
  cairo_region_t* outer = Shape(ol, ot, orr, ob, ew, eh, window);
  cairo_region_t* inner = Shape(ol + w, ot + w, orr - w, ob - w, std::max(0LL, ew - 2 * w), std::max(0LL, eh - 2 * w),
                                window);
  if (hasBrush) {
    DcState::SetColor(cr, brush);
    FillRegionLogical(cr, inner);
  }
  const std::vector<int> dashes = DashesOf(pen);
  if (!dashes.empty() && ew < 2 && eh < 2) {
    PenLine(*dc, cr, l, t, r - 1, t);
    PenLine(*dc, cr, r - 1, t, r - 1, b - 1);
    PenLine(*dc, cr, r - 1, b - 1, l, b - 1);
    PenLine(*dc, cr, l, b - 1, l, t);
  } else {
    cairo_region_subtract(outer, inner);
    DcState::SetColor(cr, dc->PenColor());
    FillRegionLogical(cr, outer);
  }
  cairo_region_destroy(outer);
  cairo_region_destroy(inner);
  DcState::End(cr);
  return TRUE;
}

}  // namespace

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->attr.position;
  dc->attr.position = POINT{x, y};
  return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  cairo_t* cr = dc->Begin();
  if (cr) {
    PenLine(*dc, cr, dc->attr.position.x, dc->attr.position.y, x, y);
    DcState::End(cr);
  }
  dc->attr.position = POINT{x, y};
  return cr ? TRUE : FALSE;
}

BOOL WINAPI Polyline(HDC hdc, const POINT* points, int count) {
  auto dc = Dc(hdc);
  if (!dc || !points || count < 2) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  for (int i = 1; i < count; ++i) PenLine(*dc, cr, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  DcState::End(cr);
  return TRUE;
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  return DrawShape(hdc, left, top, right, bottom, 0, 0);
}

BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int ew, int eh) {
  return DrawShape(hdc, left, top, right, bottom, ew, eh);
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  return DrawShape(hdc, left, top, right, bottom, std::abs(static_cast<long long>(right) - left),
                   std::abs(static_cast<long long>(bottom) - top));
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  COLORREF color = 0;
  cairo_operator_t op = CAIRO_OPERATOR_OVER;
  switch (rop) {
    case BLACKNESS: color = RGB(0, 0, 0); break;
    case WHITENESS: color = RGB(255, 255, 255); break;
    case PATCOPY:
      if (!dc->BrushColor(dc->attr.brush.get(), &color)) return TRUE;
      break;
    case DSTINVERT:
      color = RGB(255, 255, 255);
      op = CAIRO_OPERATOR_DIFFERENCE;
      break;
    case PATINVERT:
      if (!dc->BrushColor(dc->attr.brush.get(), &color)) return TRUE;
      op = CAIRO_OPERATOR_DIFFERENCE;
      break;
    default:
      JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  cairo_set_operator(cr, op);
  DcState::SetColor(cr, color);
  // Negative sizes extend left and up from (x, y).
  const long long x2 = static_cast<long long>(x) + width, y2 = static_cast<long long>(y) + height;
  dc->AppendVisibleRect(cr, std::min<long long>(x, x2), std::min<long long>(y, y2), std::max<long long>(x, x2),
                        std::max<long long>(y, y2));
  cairo_fill(cr);
  DcState::End(cr);
  return TRUE;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  auto dc = Dc(hdc);
  POINT p;
  if (!dc || !dc->SurfacePixel(x, y, &p)) return CLR_INVALID;
  cairo_surface_t* s = dc->Surface();
  cairo_surface_flush(s);
  const unsigned char* px =
      cairo_image_surface_get_data(s) + static_cast<ptrdiff_t>(cairo_image_surface_get_stride(s)) * p.y + p.x * 4;
  return RGB(px[2], px[1], px[0]);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  auto dc = Dc(hdc);
  POINT p;
  if (!dc || !dc->SurfacePixel(x, y, &p)) return static_cast<COLORREF>(-1);
  cairo_surface_t* s = dc->Surface();
  cairo_surface_flush(s);
  unsigned char* px =
      cairo_image_surface_get_data(s) + static_cast<ptrdiff_t>(cairo_image_surface_get_stride(s)) * p.y + p.x * 4;
  px[0] = GetBValue(color);
  px[1] = GetGValue(color);
  px[2] = GetRValue(color);
  px[3] = 255;
  cairo_surface_mark_dirty(s);
  return color & 0xFFFFFF;
}

BOOL WINAPI GradientFill(HDC hdc, PTRIVERTEX v, ULONG count, PVOID mesh, ULONG meshCount, ULONG mode) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  if (!v || !mesh || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const GRADIENT_RECT* rects = static_cast<const GRADIENT_RECT*>(mesh);
  for (ULONG i = 0; i < meshCount; ++i)
    if (rects[i].UpperLeft >= count || rects[i].LowerRight >= count) {
      JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  // The vertices' colours and alpha replace what was there, as on Windows.
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  for (ULONG i = 0; i < meshCount; ++i) {
    const TRIVERTEX& a = v[rects[i].UpperLeft];
    const TRIVERTEX& b = v[rects[i].LowerRight];
    const bool h = mode == GRADIENT_FILL_RECT_H;
    // Pixel i of n gets the colour at i / n, so the first row or column is exactly `a`.
    cairo_pattern_t* p = h ? cairo_pattern_create_linear(a.x + 0.5, 0, b.x + 0.5, 0)
                           : cairo_pattern_create_linear(0, a.y + 0.5, 0, b.y + 0.5);
    cairo_pattern_add_color_stop_rgba(p, 0, (a.Red >> 8) / 255.0, (a.Green >> 8) / 255.0, (a.Blue >> 8) / 255.0,
                                      (a.Alpha >> 8) / 255.0);
    cairo_pattern_add_color_stop_rgba(p, 1, (b.Red >> 8) / 255.0, (b.Green >> 8) / 255.0, (b.Blue >> 8) / 255.0,
                                      (b.Alpha >> 8) / 255.0);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, p);
    dc->AppendVisibleRect(cr, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  DcState::End(cr);
  return TRUE;
}

BOOL WINAPI FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  auto dc = Dc(hdc);
  auto region = GdiHandleTable::Instance().LookupAs<jf::RegionObject>(rgn);
  auto b = GdiHandleTable::Instance().LookupAs<jf::GdiBrush>(brush);
  if (!dc || !region || !b) return FALSE;
  COLORREF color;
  if (!dc->BrushColor(b.get(), &color)) return TRUE;
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  DcState::SetColor(cr, color);
  dc->FillDeviceRegion(cr, region->Data());
  DcState::End(cr);
  return TRUE;
}

BOOL WINAPI PaintRgn(HDC hdc, HRGN rgn) {
  auto dc = Dc(hdc);
  return dc ? FillRgn(hdc, rgn, dc->attr.brushHandle) : FALSE;
}
