// Blits between device contexts: copies, stretches and alpha blending.
#include <algorithm>
#include <cstdlib>

#include "platform/src/gdi/GdiHandleTable.h"
#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::DcState;
using jf::GdiHandleTable;

namespace {

std::shared_ptr<DcState> Dc(HDC hdc) { return GdiHandleTable::Instance().LookupDc(hdc); }

BOOL Fail(DWORD error) {
  JF_SET_ERROR(Gdi, error);
  return FALSE;
}

bool NeedsSource(DWORD rop) {
  return rop != BLACKNESS && rop != WHITENESS && rop != PATCOPY && rop != DSTINVERT && rop != PATINVERT;
}

// A pattern that maps the destination rectangle (x, y, w, h) onto the source rectangle
// (sx, sy, sw, sh) of `surface` (surface pixels). A source that is also the target is copied
// first, since cairo cannot read and write one surface at once. `opaque` ignores the
// source's alpha.
cairo_pattern_t* SourcePattern(cairo_surface_t* surface, cairo_surface_t* target, bool opaque, double x, double y,
                               double w, double h, double sx, double sy, double sw, double sh, bool smooth) {
  cairo_surface_flush(surface);
  cairo_surface_t* src;
  if (surface == target || opaque) {
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    src = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(src);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  } else {
    src = cairo_surface_reference(surface);
  }
  const bool same = std::abs(sw) == std::abs(w) && std::abs(sh) == std::abs(h);
  // A scaled piece reads only its own pixels, so its neighbours do not bleed into its edges.
  // The piece is checked in doubles: a caller's rectangle may reach past the int range.
  const double left = std::min(sx, sx + sw), top = std::min(sy, sy + sh);
  const double pw = std::abs(sw), ph = std::abs(sh);
  if (!same && left >= 0 && top >= 0 && left + pw <= cairo_image_surface_get_width(src) &&
      top + ph <= cairo_image_surface_get_height(src)) {
    cairo_surface_t* piece = cairo_surface_create_for_rectangle(src, left, top, pw, ph);
    cairo_surface_destroy(src);
    src = piece;
    sx -= left;
    sy -= top;
  }
  cairo_pattern_t* p = cairo_pattern_create_for_surface(src);
  cairo_surface_destroy(src);
  cairo_matrix_t m;
  cairo_matrix_init(&m, sw / w, 0, 0, sh / h, sx - x * sw / w, sy - y * sh / h);
  cairo_pattern_set_matrix(p, &m);
  cairo_pattern_set_filter(p, smooth && !same ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  return p;
}

BOOL Blit(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, DWORD rop) {
  if (!NeedsSource(rop)) return PatBlt(dest, x, y, w, h, rop);
  auto dst = Dc(dest), src = Dc(source);
  if (!dst || !src) return FALSE;
  if (rop != SRCCOPY) return Fail(ERROR_NOT_SUPPORTED);
  if (!w || !h || !sw || !sh) return TRUE;
  cairo_surface_t* from = src->Surface();
  if (!from) return Fail(ERROR_INVALID_PARAMETER);
  const POINT s = src->ToSurface(sx, sy);
  cairo_t* cr = dst->Begin();
  if (!cr) return FALSE;
  cairo_pattern_t* p = SourcePattern(from, cairo_get_target(cr), false, x, y, w, h, s.x, s.y, sw, sh,
                                     dst->attr.stretchMode == HALFTONE);
  // A copy takes all four bytes, alpha included.
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source(cr, p);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  DcState::End(cr);
  return TRUE;
}

}  // namespace

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  return Blit(dest, x, y, width, height, src, srcX, srcY, width, height, rop);
}

BOOL WINAPI StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                       int srcHeight, DWORD rop) {
  return Blit(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop);
}

BOOL WINAPI AlphaBlend(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                       BLENDFUNCTION blend) {
  auto dst = Dc(dest), src = Dc(source);
  if (!dst || !src) return FALSE;
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || blend.BlendOp != AC_SRC_OVER) return Fail(ERROR_INVALID_PARAMETER);
  cairo_surface_t* from = src->Surface();
  if (!from) return Fail(ERROR_INVALID_PARAMETER);
  // The source rectangle must lie inside the source surface: nothing is read from outside it.
  const POINT s = src->ToSurface(sx, sy);
  if (s.x < 0 || s.y < 0 || static_cast<long long>(s.x) + sw > cairo_image_surface_get_width(from) ||
      static_cast<long long>(s.y) + sh > cairo_image_surface_get_height(from))
    return Fail(ERROR_INVALID_PARAMETER);
  if (blend.SourceConstantAlpha == 0) return TRUE;
  cairo_t* cr = dst->Begin();
  if (!cr) return FALSE;
  const bool opaque = !(blend.AlphaFormat & AC_SRC_ALPHA);
  cairo_pattern_t* p = SourcePattern(from, cairo_get_target(cr), opaque, x, y, w, h, s.x, s.y, sw, sh, true);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_set_source(cr, p);
  cairo_paint_with_alpha(cr, blend.SourceConstantAlpha / 255.0);
  cairo_pattern_destroy(p);
  DcState::End(cr);
  return TRUE;
}
