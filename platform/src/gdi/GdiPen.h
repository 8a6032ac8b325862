// A pen: style, width and colour.
#pragma once
#include "platform/src/gdi/GdiObject.h"

namespace jf {

class GdiPen : public GdiObject {
 public:
  explicit GdiPen(const LOGPEN& pen) : GdiObject(OBJ_PEN), pen_(pen) {}
  const LOGPEN& Log() const { return pen_; }
  int Style() const { return static_cast<int>(pen_.lopnStyle & PS_STYLE_MASK); }
  int Width() const { return pen_.lopnWidth.x < 1 ? 1 : pen_.lopnWidth.x; }

 private:
  LOGPEN pen_;
};

}  // namespace jf
