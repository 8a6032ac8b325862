#include <GdiPlusImage.h>

namespace Gdiplus {

Image::~Image() {
  if (surface_) cairo_surface_destroy(surface_);
}

UINT Image::GetWidth() const { return surface_ ? static_cast<UINT>(cairo_image_surface_get_width(surface_)) : 0; }

UINT Image::GetHeight() const {
  return surface_ ? static_cast<UINT>(cairo_image_surface_get_height(surface_)) : 0;
}

}  // namespace Gdiplus
