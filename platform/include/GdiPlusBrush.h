// GDI+ brushes: the base class.
#pragma once
#include <cairo.h>

#include "GdiPlusTypes.h"

namespace Gdiplus {

class Brush {
 public:
  virtual ~Brush() = default;
  Status GetLastStatus() const { return Ok; }
  // A new cairo pattern that paints with this brush in device pixels (caller destroys it).
  virtual cairo_pattern_t* CreateCairoPattern() const = 0;

 protected:
  Brush() = default;
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;
};

}  // namespace Gdiplus
