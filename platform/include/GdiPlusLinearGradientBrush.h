// GDI+ linear gradient brush. The gradient is anchored in device pixels (not at the shape it
// fills) and repeats beyond its end points (WrapModeTile), as GDI+ does by default.
#pragma once
#include "GdiPlusBrush.h"

namespace Gdiplus {

class LinearGradientBrush : public Brush {
 public:
  LinearGradientBrush(const PointF& p1, const PointF& p2, const Color& c1, const Color& c2);
  LinearGradientBrush(const Point& p1, const Point& p2, const Color& c1, const Color& c2);
  LinearGradientBrush(const RectF& rect, const Color& c1, const Color& c2, LinearGradientMode mode);
  Status SetWrapMode(WrapMode mode);
  WrapMode GetWrapMode() const { return wrap_; }
  Status GetLinearColors(Color* colors) const;
  cairo_pattern_t* CreateCairoPattern() const override;

 private:
  PointF p1_, p2_;
  Color c1_, c2_;
  WrapMode wrap_ = WrapModeTile;
};

}  // namespace Gdiplus
