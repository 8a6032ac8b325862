// GDI+ graphics over a GDI device context: draws with the DC's clip and origins.
#pragma once
#include <cairo.h>

#include "GdiPlusBrush.h"
#include "GdiPlusFont.h"
#include "GdiPlusGraphicsPath.h"
#include "GdiPlusImage.h"
#include "GdiPlusPen.h"
#include "GdiPlusStringFormat.h"
#include "GdiPlusTypes.h"

namespace Gdiplus {

class Graphics {
 public:
  explicit Graphics(HDC hdc);
  static Graphics* FromHDC(HDC hdc) { return new Graphics(hdc); }
  ~Graphics() = default;
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Status GetLastStatus() const { return status_; }
  Status SetTextRenderingHint(TextRenderingHint hint);
  TextRenderingHint GetTextRenderingHint() const { return textHint_; }
  Status SetSmoothingMode(SmoothingMode mode);
  SmoothingMode GetSmoothingMode() const { return smoothing_; }
  Status SetPixelOffsetMode(PixelOffsetMode mode);
  Status SetInterpolationMode(InterpolationMode mode);

  Status Clear(const Color& color);
  Status FillRectangle(const Brush* brush, const RectF& rect);
  Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);
  Status FillPath(const Brush* brush, const GraphicsPath* path);
  Status DrawPath(const Pen* pen, const GraphicsPath* path);
  Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
  Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
  Status DrawImage(Image* image, const RectF& dest);
  // Text in the rectangle (length -1: up to the terminator), laid out by the format
  // (null: near alignment, wrapping at the rectangle's width).
  Status DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layoutRect,
                    const StringFormat* format, const Brush* brush);
  Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const Brush* brush);
  Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                    const StringFormat* format, const Brush* brush);
  Status MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layoutRect,
                       const StringFormat* format, RectF* bounds) const;

 private:
  // A cairo context on the DC's surface with its clip and origins, or null.
  cairo_t* Begin() const;
  Status Fill(const Brush* brush, cairo_t* cr) const;
  HDC hdc_;
  Status status_;
  TextRenderingHint textHint_ = TextRenderingHintSystemDefault;
  SmoothingMode smoothing_ = SmoothingModeDefault;
  InterpolationMode interpolation_ = InterpolationModeDefault;
};

}  // namespace Gdiplus
