// Regions and the clip region of device contexts.
#include <algorithm>
#include <cmath>

#include "platform/src/gdi/GdiHandleTable.h"
#include "platform/src/gdi/RegionObject.h"
#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::GdiHandleTable;
using jf::RegionObject;

namespace {

std::shared_ptr<RegionObject> Rgn(HRGN h) { return GdiHandleTable::Instance().LookupAs<RegionObject>(h); }

HRGN AddRegion(std::shared_ptr<RegionObject> r) { return GdiHandleTable::Instance().Add(std::move(r)); }

std::shared_ptr<cairo_region_t> Shared(cairo_region_t* r) {
  return std::shared_ptr<cairo_region_t>(r, cairo_region_destroy);
}

cairo_rectangle_int_t Normalised(int l, int t, int r, int b) { return RegionObject::Normalised(l, t, r, b); }

// Combines the DC's clip with `region` (device coordinates; null only for RGN_COPY).
int CombineClip(jf::DcState& dc, const cairo_region_t* region, int mode) {
  if (mode == RGN_COPY) {
    dc.attr.clip = region ? Shared(cairo_region_copy(region)) : nullptr;
  } else {
    // Without a clip region the DC's whole surface takes its place.
    cairo_region_t* cur = dc.EffectiveClip();
    switch (mode) {
      case RGN_AND: cairo_region_intersect(cur, region); break;
      case RGN_OR: cairo_region_union(cur, region); break;
      case RGN_XOR: cairo_region_xor(cur, region); break;
      case RGN_DIFF: cairo_region_subtract(cur, region); break;
      default:
        cairo_region_destroy(cur);
        JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
        return RGN_ERROR;
    }
    dc.attr.clip = Shared(cur);
  }
  cairo_region_t* eff = dc.EffectiveClip();
  const int kind = RegionObject::KindOf(eff);
  cairo_region_destroy(eff);
  return kind;
}

}  // namespace

HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom) {
  return AddRegion(std::make_shared<RegionObject>(RECT{left, top, right, bottom}));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN WINAPI CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh) {
  auto r = std::make_shared<RegionObject>();
  r->Reset(RegionObject::RoundRect(left, top, right, bottom, ew, eh));
  return AddRegion(r);
}

HRGN WINAPI CreateEllipticRgn(int left, int top, int right, int bottom) {
  auto r = std::make_shared<RegionObject>();
  r->Reset(RegionObject::RoundRect(left, top, right, bottom, std::abs(static_cast<long long>(right) - left),
                                   std::abs(static_cast<long long>(bottom) - top)));
  return AddRegion(r);
}

int WINAPI CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = Rgn(dest), a = Rgn(src1);
  auto b = mode == RGN_COPY ? nullptr : Rgn(src2);
  if (!d || !a || (mode != RGN_COPY && !b)) return RGN_ERROR;
  cairo_region_t* r = cairo_region_copy(a->Data());
  switch (mode) {
    case RGN_COPY: break;
    case RGN_AND: cairo_region_intersect(r, b->Data()); break;
    case RGN_OR: cairo_region_union(r, b->Data()); break;
    case RGN_XOR: cairo_region_xor(r, b->Data()); break;
    case RGN_DIFF: cairo_region_subtract(r, b->Data()); break;
    default:
      cairo_region_destroy(r);
      JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
      return RGN_ERROR;
  }
  d->Reset(r);
  return d->Kind();
}

BOOL WINAPI SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  auto r = Rgn(rgn);
  if (!r) return FALSE;
  const cairo_rectangle_int_t rect = Normalised(left, top, right, bottom);
  r->Reset(cairo_region_create_rectangle(&rect));
  return TRUE;
}

int WINAPI OffsetRgn(HRGN rgn, int dx, int dy) {
  auto r = Rgn(rgn);
  if (!r) return RGN_ERROR;
  cairo_region_translate(r->Data(), dx, dy);
  return r->Kind();
}

BOOL WINAPI PtInRegion(HRGN rgn, int x, int y) {
  auto r = Rgn(rgn);
  return r && cairo_region_contains_point(r->Data(), x, y) ? TRUE : FALSE;
}

BOOL WINAPI RectInRegion(HRGN rgn, const RECT* rect) {
  auto r = Rgn(rgn);
  if (!r || !rect) return FALSE;
  const cairo_rectangle_int_t c = Normalised(rect->left, rect->top, rect->right, rect->bottom);
  return cairo_region_contains_rectangle(r->Data(), &c) != CAIRO_REGION_OVERLAP_OUT ? TRUE : FALSE;
}

BOOL WINAPI EqualRgn(HRGN a, HRGN b) {
  auto ra = Rgn(a), rb = Rgn(b);
  return ra && rb && cairo_region_equal(ra->Data(), rb->Data()) ? TRUE : FALSE;
}

int WINAPI GetRgnBox(HRGN rgn, LPRECT rect) {
  auto r = Rgn(rgn);
  if (!r || !rect) return RGN_ERROR;
  cairo_rectangle_int_t e;
  cairo_region_get_extents(r->Data(), &e);
  *rect = RECT{e.x, e.y, e.x + e.width, e.y + e.height};
  return r->Kind();
}

int WINAPI SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

int WINAPI ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  if (!dc) return RGN_ERROR;
  std::shared_ptr<RegionObject> r;
  if (rgn) {
    r = Rgn(rgn);
    if (!r) return RGN_ERROR;
  } else if (mode != RGN_COPY) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return RGN_ERROR;
  }
  return CombineClip(*dc, r ? r->Data() : nullptr, mode);
}

namespace {

int ClipWithRect(HDC hdc, int left, int top, int right, int bottom, int mode) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  if (!dc) return RGN_ERROR;
  const POINT a = dc->ToDevice(left, top), b = dc->ToDevice(right, bottom);
  const cairo_rectangle_int_t rect = Normalised(a.x, a.y, b.x, b.y);
  cairo_region_t* r = cairo_region_create_rectangle(&rect);
  const int kind = CombineClip(*dc, r, mode);
  cairo_region_destroy(r);
  return kind;
}

}  // namespace

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_AND);
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_DIFF);
}

int WINAPI GetClipBox(HDC hdc, LPRECT rect) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  if (!dc || !rect) return RGN_ERROR;
  cairo_region_t* eff = dc->EffectiveClip();
  cairo_rectangle_int_t e;
  cairo_region_get_extents(eff, &e);
  const int kind = RegionObject::KindOf(eff);
  cairo_region_destroy(eff);
  const POINT a = dc->ToLogical(e.x, e.y);
  *rect = RECT{a.x, a.y, a.x + e.width, a.y + e.height};
  return kind;
}

int WINAPI GetClipRgn(HDC hdc, HRGN rgn) {
  auto dc = GdiHandleTable::Instance().LookupDc(hdc);
  auto r = Rgn(rgn);
  if (!dc || !r) return -1;
  if (!dc->attr.clip) return 0;
  r->Reset(cairo_region_copy(dc->attr.clip.get()));
  return 1;
}
