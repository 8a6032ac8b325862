#include <GdiPlusBitmap.h>

#include "platform/src/internal/gdisurface.h"

namespace Gdiplus {

Bitmap::Bitmap(HBITMAP bitmap, HPALETTE) {
  cairo_surface_t* src = jf::GetBitmapSurface(bitmap);
  if (!src) return;
  cairo_surface_flush(src);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(src),
                                        cairo_image_surface_get_height(src));
  cairo_t* cr = cairo_create(surface_);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, src, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
}

Bitmap::Bitmap(INT width, INT height) {
  if (width > 0 && height > 0) surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

Bitmap* Bitmap::FromHBITMAP(HBITMAP bitmap, HPALETTE palette) { return new Bitmap(bitmap, palette); }

}  // namespace Gdiplus
