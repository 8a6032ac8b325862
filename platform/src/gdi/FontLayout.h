// A pango layout of one text in one font, on this thread's pango context (96 dpi, greyscale
// antialiasing, so text coverage is the same in every colour channel).
#pragma once
#include <string>

#include "platform/src/gdi/FontObject.h"

#include <pango/pangocairo.h>

namespace jf {

class FontLayout {
 public:
  FontLayout(const FontObject* font, const std::wstring& text);
  ~FontLayout();
  FontLayout(const FontLayout&) = delete;
  FontLayout& operator=(const FontLayout&) = delete;
  PangoLayout* Get() const { return layout_; }
  // Logical extents in pixels.
  PangoRectangle Extents() const;
  int Baseline() const;
  // Pixel offset of the character at `index` of the wide text (its leading edge).
  int XOfChar(size_t index) const;
  // Draws at (x, y), the layout's top-left, in the current source.
  void Show(cairo_t* cr, double x, double y) const;

  static TEXTMETRICW Metrics(const FontObject* font);

 private:
  PangoLayout* layout_;
  std::string utf8_;
};

}  // namespace jf
