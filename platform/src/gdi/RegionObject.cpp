#include "platform/src/gdi/RegionObject.h"

#include <algorithm>
#include <cmath>

namespace jf {

RegionObject::RegionObject() : GdiObject(OBJ_REGION), region_(cairo_region_create()) {}

namespace {

const long long kFar = (1LL << 30) - 1;

}  // namespace

RegionObject::RegionObject(const RECT& r) : GdiObject(OBJ_REGION) {
  const cairo_rectangle_int_t rect = Normalised(r.left, r.top, r.right, r.bottom);
  region_ = cairo_region_create_rectangle(&rect);
}

cairo_rectangle_int_t RegionObject::Normalised(long long l, long long t, long long r, long long b) {
  auto near = [](long long v) { return std::max(-kFar, std::min(kFar, v)); };
  l = near(l);
  t = near(t);
  r = near(r);
  b = near(b);
  return cairo_rectangle_int_t{static_cast<int>(std::min(l, r)), static_cast<int>(std::min(t, b)),
                               static_cast<int>(std::abs(r - l)), static_cast<int>(std::abs(b - t))};
}

RegionObject::~RegionObject() { cairo_region_destroy(region_); }

void RegionObject::Reset(cairo_region_t* region) {
  cairo_region_destroy(region_);
  region_ = region;
}

int RegionObject::Kind() const { return KindOf(region_); }

int RegionObject::KindOf(const cairo_region_t* region) {
  const int n = cairo_region_num_rectangles(region);
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

cairo_region_t* RegionObject::RoundRect(long long left, long long top, long long right, long long bottom,
                                        long long ew, long long eh, const RECT* window) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  right -= 1;
  bottom -= 1;
  cairo_region_t* region = cairo_region_create();
  const long long w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return region;
  const long long winLeft = window ? window->left : -kFar, winTop = window ? window->top : -kFar;
  const long long winRight = window ? window->right : kFar, winBottom = window ? window->bottom : kFar;
  // Adds the row piece [x0, x1) x [y0, y1) that lies inside the window.
  auto add = [&](long long x0, long long y0, long long x1, long long y1) {
    x0 = std::max(x0, winLeft);
    y0 = std::max(y0, winTop);
    x1 = std::min(x1, winRight);
    y1 = std::min(y1, winBottom);
    if (x0 >= x1 || y0 >= y1) return;
    const cairo_rectangle_int_t piece{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                                      static_cast<int>(y1 - y0)};
    cairo_region_union_rectangle(region, &piece);
  };
  ew = std::min(ew < 0 ? -ew : ew, w);
  eh = std::min(eh < 0 ? -eh : eh, h);
  if (ew < 2 || eh < 2) {
    add(left, top, right, bottom);
    return region;
  }
  const double rx = ew / 2.0, ry = eh / 2.0;
  auto row = [&](long long y) {
    // Distance of the row's centre from the corner ellipses' centre line.
    double dy = 0;
    const double cy = y + 0.5;
    if (cy < top + ry) dy = top + ry - cy;
    else if (cy > bottom - ry) dy = cy - (bottom - ry);
    long long inset = 0;
    if (dy > 0) {
      const double t = std::min(1.0, dy / ry);
      inset = std::llround(rx - rx * std::sqrt(1.0 - t * t));
    }
    if (w - 2 * inset > 0) add(left + inset, y, right - inset, y + 1);
  };
  // Only the corner rows differ from one another; the straight middle is one piece, and only
  // rows inside the window are walked.
  const long long corner = static_cast<long long>(std::ceil(ry));
  const long long midTop = top + corner, midBottom = bottom - corner;
  if (midTop < midBottom) {
    for (long long y = std::max(top, winTop); y < std::min(midTop, winBottom); ++y) row(y);
    add(left, midTop, right, midBottom);
    for (long long y = std::max(midBottom, winTop); y < std::min(bottom, winBottom); ++y) row(y);
  } else {
    for (long long y = std::max(top, winTop); y < std::min(bottom, winBottom); ++y) row(y);
  }
  return region;
}

}  // namespace jf
