// A bitmap: a 32-bit premultiplied cairo image surface. A bottom-up DIB section is a surface
// with a negative stride over the caller's memory, so its rows stay where Windows puts them.
#pragma once
#include <cairo.h>

#include "platform/src/gdi/GdiObject.h"

namespace jf {

class BitmapObject : public GdiObject {
 public:
  // Takes over a reference of `surface`; `bits` is the start of the pixel memory as the
  // caller sees it (DIB sections only), freed with the bitmap when `ownsBits`.
  BitmapObject(cairo_surface_t* surface, void* bits, bool ownsBits, bool bottomUp);
  ~BitmapObject() override;
  cairo_surface_t* Surface() const { return surface_; }
  int Width() const { return cairo_image_surface_get_width(surface_); }
  int Height() const { return cairo_image_surface_get_height(surface_); }
  void* Bits() const { return bits_; }
  bool BottomUp() const { return bottomUp_; }
  // The memory DC the bitmap is selected into (a bitmap lives in one DC at a time).
  const void* owner = nullptr;

  // A zero-filled bitmap, top-down (bits null) or as a DIB section.
  static std::shared_ptr<BitmapObject> Create(int width, int height, bool dib, bool bottomUp);

 private:
  cairo_surface_t* surface_;
  void* bits_;
  bool ownsBits_;
  bool bottomUp_;
};

}  // namespace jf
