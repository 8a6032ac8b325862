#include "RegionObject.h"

#include <algorithm>
#include <cmath>

namespace jf {

RegionObject::RegionObject() : GdiObject(OBJ_REGION), region_(cairo_region_create()) {}

RegionObject::RegionObject(const RECT& r) : GdiObject(OBJ_REGION) {
  const cairo_rectangle_int_t rect{std::min(r.left, r.right), std::min(r.top, r.bottom),
                                   std::abs(r.right - r.left), std::abs(r.bottom - r.top)};
  region_ = cairo_region_create_rectangle(&rect);
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

cairo_region_t* RegionObject::RoundRect(int left, int top, int right, int bottom, int ew, int eh) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  right -= 1;
  bottom -= 1;
  cairo_region_t* region = cairo_region_create();
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return region;
  ew = std::min(std::abs(ew), w);
  eh = std::min(std::abs(eh), h);
  if (ew < 2 || eh < 2) {
    const cairo_rectangle_int_t all{left, top, w, h};
    cairo_region_union_rectangle(region, &all);
    return region;
  }
  const double rx = ew / 2.0, ry = eh / 2.0;
  for (int y = top; y < bottom; ++y) {
    // Distance of the row's centre from the corner ellipses' centre line.
    double dy = 0;
    const double cy = y + 0.5;
    if (cy < top + ry) dy = top + ry - cy;
    else if (cy > bottom - ry) dy = cy - (bottom - ry);
    int inset = 0;
    if (dy > 0) {
      const double t = std::min(1.0, dy / ry);
      inset = static_cast<int>(std::lround(rx - rx * std::sqrt(1.0 - t * t)));
    }
    if (w - 2 * inset <= 0) continue;
    const cairo_rectangle_int_t row{left + inset, y, w - 2 * inset, 1};
    cairo_region_union_rectangle(region, &row);
  }
  return region;
}

}  // namespace jf
