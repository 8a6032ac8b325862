// GDI+ pen: a colour and a width.
#pragma once
#include "GdiPlusTypes.h"

namespace Gdiplus {

class Pen {
 public:
  explicit Pen(const Color& color, REAL width = 1.0f) : color_(color), width_(width) {}
  Status GetLastStatus() const { return Ok; }
  Color GetColor() const { return color_; }
  REAL GetWidth() const { return width_; }

 private:
  Color color_;
  REAL width_;
};

}  // namespace Gdiplus
