// A region: a set of pixel rectangles (cairo_region_t), as GDI keeps regions.
#pragma once
#include <cairo.h>

#include "platform/src/gdi/GdiObject.h"

namespace jf {

class RegionObject : public GdiObject {
 public:
  RegionObject();  // empty
  explicit RegionObject(const RECT& rect);
  ~RegionObject() override;
  cairo_region_t* Data() const { return region_; }
  // Replaces the contents (takes over `region`).
  void Reset(cairo_region_t* region);
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Kind() const;
  static int KindOf(const cairo_region_t* region);
  // The ordered rectangle between two corners, kept inside a range where every size fits an
  // int (a caller's rectangle may span the whole int range).
  static cairo_rectangle_int_t Normalised(long long left, long long top, long long right, long long bottom);
  // Windows' rounded rectangle region: left..right-1 by top..bottom-1 less the corners, only
  // the part inside `window` (null: a range that keeps every size within an int). Sizes are
  // 64-bit, so a caller's rectangle may span the whole int range.
  static cairo_region_t* RoundRect(long long left, long long top, long long right, long long bottom,
                                   long long ellipseWidth, long long ellipseHeight, const RECT* window = nullptr);

 private:
  cairo_region_t* region_;
};

}  // namespace jf
