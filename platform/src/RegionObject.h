// A region: a set of pixel rectangles (cairo_region_t), as GDI keeps regions.
#pragma once
#include <cairo.h>

#include "GdiObject.h"

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
  // Windows' rounded rectangle region: left..right-1 by top..bottom-1 less the corners.
  static cairo_region_t* RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

 private:
  cairo_region_t* region_;
};

}  // namespace jf
