// GDI+ texture brush: an image repeated from the device origin.
#pragma once
#include "GdiPlusBrush.h"
#include "GdiPlusImage.h"

namespace Gdiplus {

class TextureBrush : public Brush {
 public:
  explicit TextureBrush(Image* image, WrapMode mode = WrapModeTile);
  ~TextureBrush() override;
  Status GetLastStatus() const { return surface_ ? Ok : InvalidParameter; }
  cairo_pattern_t* CreateCairoPattern() const override;

 private:
  cairo_surface_t* surface_ = nullptr;
  WrapMode wrap_;
};

}  // namespace Gdiplus
