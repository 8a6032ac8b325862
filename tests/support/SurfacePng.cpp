#include "tests/support/SurfacePng.h"

#include "platform/src/internal/gdisurface.h"

namespace jftest {

bool WriteSurfacePng(cairo_surface_t* surface, const std::string& path) {
  if (!surface) return false;
  cairo_surface_flush(surface);
  return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool WriteDcPng(HDC hdc, const std::string& path) { return WriteSurfacePng(jf::GetDcSurface(hdc), path); }

bool WriteBitmapPng(HBITMAP bitmap, const std::string& path) {
  return WriteSurfacePng(jf::GetBitmapSurface(bitmap), path);
}

}  // namespace jftest
