// GDI+ image: a 32-bit premultiplied cairo surface.
#pragma once
#include <cairo.h>

#include "GdiPlusTypes.h"

namespace Gdiplus {

class Image {
 public:
  virtual ~Image();
  UINT GetWidth() const;
  UINT GetHeight() const;
  Status GetLastStatus() const { return surface_ ? Ok : InvalidParameter; }
  // Not referenced; null when the image could not be made.
  cairo_surface_t* GetCairoSurface() const { return surface_; }

 protected:
  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  cairo_surface_t* surface_ = nullptr;
};

}  // namespace Gdiplus
