// GDI+ bitmap, made from a GDI bitmap (its pixels are copied, alpha included) or empty.
#pragma once
#include "GdiPlusImage.h"

namespace Gdiplus {

class Bitmap : public Image {
 public:
  Bitmap(HBITMAP bitmap, HPALETTE palette);
  Bitmap(INT width, INT height);
  static Bitmap* FromHBITMAP(HBITMAP bitmap, HPALETTE palette);
};

}  // namespace Gdiplus
