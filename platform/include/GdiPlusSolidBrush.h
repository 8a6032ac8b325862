// GDI+ solid brush.
#pragma once
#include "GdiPlusBrush.h"

namespace Gdiplus {

class SolidBrush : public Brush {
 public:
  explicit SolidBrush(const Color& color) : color_(color) {}
  Status GetColor(Color* color) const;
  Status SetColor(const Color& color);
  cairo_pattern_t* CreateCairoPattern() const override;

 private:
  Color color_;
};

}  // namespace Gdiplus
