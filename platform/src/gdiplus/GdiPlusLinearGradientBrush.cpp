#include <GdiPlusLinearGradientBrush.h>

namespace Gdiplus {

LinearGradientBrush::LinearGradientBrush(const PointF& p1, const PointF& p2, const Color& c1, const Color& c2)
    : p1_(p1), p2_(p2), c1_(c1), c2_(c2) {}

LinearGradientBrush::LinearGradientBrush(const Point& p1, const Point& p2, const Color& c1, const Color& c2)
    : p1_(static_cast<REAL>(p1.X), static_cast<REAL>(p1.Y)), p2_(static_cast<REAL>(p2.X), static_cast<REAL>(p2.Y)),
      c1_(c1), c2_(c2) {}

LinearGradientBrush::LinearGradientBrush(const RectF& r, const Color& c1, const Color& c2, LinearGradientMode mode)
    : c1_(c1), c2_(c2) {
  switch (mode) {
    case LinearGradientModeVertical:
      p1_ = PointF(r.X, r.Y);
      p2_ = PointF(r.X, r.Y + r.Height);
      break;
    case LinearGradientModeForwardDiagonal:
      p1_ = PointF(r.X, r.Y);
      p2_ = PointF(r.X + r.Width, r.Y + r.Height);
      break;
    case LinearGradientModeBackwardDiagonal:
      p1_ = PointF(r.X + r.Width, r.Y);
      p2_ = PointF(r.X, r.Y + r.Height);
      break;
    default:
      p1_ = PointF(r.X, r.Y);
      p2_ = PointF(r.X + r.Width, r.Y);
      break;
  }
}

Status LinearGradientBrush::SetWrapMode(WrapMode mode) {
  if (mode == WrapModeClamp) return InvalidParameter;  // as GDI+ answers for gradients
  wrap_ = mode;
  return Ok;
}

Status LinearGradientBrush::GetLinearColors(Color* colors) const {
  if (!colors) return InvalidParameter;
  colors[0] = c1_;
  colors[1] = c2_;
  return Ok;
}

cairo_pattern_t* LinearGradientBrush::CreateCairoPattern() const {
  cairo_pattern_t* p = cairo_pattern_create_linear(p1_.X, p1_.Y, p2_.X, p2_.Y);
  for (int i = 0; i < 2; ++i) {
    const Color& c = i ? c2_ : c1_;
    cairo_pattern_add_color_stop_rgba(p, i, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0, c.GetA() / 255.0);
  }
  cairo_pattern_set_extend(p, wrap_ == WrapModeTile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT);
  return p;
}

}  // namespace Gdiplus
