#include <GdiPlusTextureBrush.h>

namespace Gdiplus {

TextureBrush::TextureBrush(Image* image, WrapMode mode) : wrap_(mode) {
  if (image && image->GetCairoSurface()) surface_ = cairo_surface_reference(image->GetCairoSurface());
}

TextureBrush::~TextureBrush() {
  if (surface_) cairo_surface_destroy(surface_);
}

cairo_pattern_t* TextureBrush::CreateCairoPattern() const {
  if (!surface_) return cairo_pattern_create_rgba(0, 0, 0, 0);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(surface_);
  cairo_pattern_set_extend(p, wrap_ == WrapModeClamp  ? CAIRO_EXTEND_NONE
                              : wrap_ == WrapModeTile ? CAIRO_EXTEND_REPEAT
                                                      : CAIRO_EXTEND_REFLECT);
  return p;
}

}  // namespace Gdiplus
