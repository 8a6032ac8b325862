#include "platform/src/gdi/BitmapObject.h"

#include <cstdlib>

namespace jf {

BitmapObject::BitmapObject(cairo_surface_t* surface, void* bits, bool ownsBits, bool bottomUp)
    : GdiObject(OBJ_BITMAP), surface_(surface), bits_(bits), ownsBits_(ownsBits), bottomUp_(bottomUp) {}

BitmapObject::~BitmapObject() {
  // The memory goes with the bitmap: no drawing may reach it afterwards.
  if (ownsBits_) cairo_surface_finish(surface_);
  cairo_surface_destroy(surface_);
  if (ownsBits_) std::free(bits_);
}

std::shared_ptr<BitmapObject> BitmapObject::Create(int width, int height, bool dib, bool bottomUp) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  unsigned char* mem = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(stride), height));
  if (!mem) return nullptr;
  cairo_surface_t* s =
      bottomUp ? cairo_image_surface_create_for_data(mem + static_cast<size_t>(stride) * (height - 1),
                                                     CAIRO_FORMAT_ARGB32, width, height, -stride)
               : cairo_image_surface_create_for_data(mem, CAIRO_FORMAT_ARGB32, width, height, stride);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    std::free(mem);
    return nullptr;
  }
  return std::make_shared<BitmapObject>(s, mem, true, bottomUp && dib);
}

}  // namespace jf
