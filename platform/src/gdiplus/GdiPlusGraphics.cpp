#include <GdiPlusGraphics.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <memory>

#include "platform/src/gdi/GdiArea.h"

namespace Gdiplus {

namespace {

cairo_antialias_t ShapeAntialias(SmoothingMode mode) {
  return mode == SmoothingModeAntiAlias || mode == SmoothingModeHighQuality ? CAIRO_ANTIALIAS_GRAY
                                                                            : CAIRO_ANTIALIAS_NONE;
}

void SetBrush(cairo_t* cr, const Brush* brush) {
  cairo_pattern_t* p = brush->CreateCairoPattern();
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

}  // namespace

Graphics::Graphics(HDC hdc) : hdc_(hdc), status_(jf::GdiHandleTable::Instance().LookupDc(hdc) ? Ok : InvalidParameter) {}

cairo_t* Graphics::Begin() const {
  auto dc = jf::GdiHandleTable::Instance().LookupDc(hdc_);
  if (!dc) return nullptr;
  cairo_t* cr = dc->Begin();
  if (cr) cairo_set_antialias(cr, ShapeAntialias(smoothing_));
  return cr;
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint) {
  if (hint < TextRenderingHintSystemDefault || hint > TextRenderingHintClearTypeGridFit) return InvalidParameter;
  textHint_ = hint;
  return Ok;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode) {
  if (mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias) return InvalidParameter;
  smoothing_ = mode;
  return Ok;
}

Status Graphics::SetPixelOffsetMode(PixelOffsetMode mode) {
  return mode < PixelOffsetModeDefault || mode > PixelOffsetModeHalf ? InvalidParameter : Ok;
}

Status Graphics::SetInterpolationMode(InterpolationMode mode) {
  if (mode < InterpolationModeDefault || mode > InterpolationModeHighQualityBicubic) return InvalidParameter;
  interpolation_ = mode;
  return Ok;
}

Status Graphics::Fill(const Brush* brush, cairo_t* cr) const {
  SetBrush(cr, brush);
  cairo_fill(cr);
  jf::DcState::End(cr);
  return Ok;
}

Status Graphics::Clear(const Color& color) {
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr, color.GetR() / 255.0, color.GetG() / 255.0, color.GetB() / 255.0, color.GetA() / 255.0);
  cairo_paint(cr);
  jf::DcState::End(cr);
  return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, const RectF& r) {
  if (!brush) return InvalidParameter;
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  cairo_rectangle(cr, r.X, r.Y, r.Width, r.Height);
  return Fill(brush, cr);
}

Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height) {
  return FillRectangle(brush, RectF(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                                    static_cast<REAL>(height)));
}

Status Graphics::FillPath(const Brush* brush, const GraphicsPath* path) {
  if (!brush || !path) return InvalidParameter;
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  path->AppendTo(cr);
  cairo_set_fill_rule(cr, path->GetFillMode() == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  return Fill(brush, cr);
}

Status Graphics::DrawPath(const Pen* pen, const GraphicsPath* path) {
  if (!pen || !path) return InvalidParameter;
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  path->AppendTo(cr);
  const Color c = pen->GetColor();
  cairo_set_source_rgba(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0, c.GetA() / 255.0);
  cairo_set_line_width(cr, pen->GetWidth());
  cairo_stroke(cr);
  jf::DcState::End(cr);
  return Ok;
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
  GraphicsPath path;
  path.AddLine(x1, y1, x2, y2);
  return DrawPath(pen, &path);
}

Status Graphics::DrawImage(Image* image, const RectF& d) {
  // An image whose pixels could not be made has no size to scale from.
  if (!image || !image->GetCairoSurface() || !image->GetWidth() || !image->GetHeight() || !(d.Width > 0) ||
      !(d.Height > 0))
    return InvalidParameter;
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  cairo_surface_t* s = image->GetCairoSurface();
  cairo_translate(cr, d.X, d.Y);
  cairo_scale(cr, d.Width / image->GetWidth(), d.Height / image->GetHeight());
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), interpolation_ == InterpolationModeNearestNeighbor
                                                     ? CAIRO_FILTER_NEAREST
                                                     : CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_rectangle(cr, 0, 0, image->GetWidth(), image->GetHeight());
  cairo_fill(cr);
  jf::DcState::End(cr);
  return Ok;
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height) {
  return DrawImage(image, RectF(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                                static_cast<REAL>(height)));
}

namespace {

// A layout size in pango units (1/PANGO_SCALE pixel, inside an int); at least one pixel.
int PangoUnits(REAL pixels) {
  const double widest = INT_MAX / PANGO_SCALE;
  return static_cast<int>(std::max(1.0, std::min(widest, static_cast<double>(pixels))) * PANGO_SCALE);
}

// Lays the text out as the format asks inside the rectangle; `origin` gets the layout's
// top-left.
void Arrange(jf::FontLayout& layout, const RectF& rect, const StringFormat* format, double* x, double* y) {
  PangoLayout* pl = layout.Get();
  const INT flags = format ? format->GetFormatFlags() : 0;
  const bool sized = rect.Width > 0;
  if (sized) {
    pango_layout_set_width(pl, PangoUnits(rect.Width));
    if (flags & StringFormatFlagsNoWrap) pango_layout_set_single_paragraph_mode(pl, TRUE);
    else pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    const StringTrimming trim = format ? format->GetTrimming() : StringTrimmingCharacter;
    if (trim == StringTrimmingEllipsisCharacter || trim == StringTrimmingEllipsisWord)
      pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_END);
    else if (trim == StringTrimmingEllipsisPath)
      pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_MIDDLE);
    if (rect.Height > 0 && pango_layout_get_ellipsize(pl) != PANGO_ELLIPSIZE_NONE)
      pango_layout_set_height(pl, PangoUnits(rect.Height));
  }
  const StringAlignment align = format ? format->GetAlignment() : StringAlignmentNear;
  const StringAlignment line = format ? format->GetLineAlignment() : StringAlignmentNear;
  pango_layout_set_alignment(pl, align == StringAlignmentCenter ? PANGO_ALIGN_CENTER
                                 : align == StringAlignmentFar  ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
  PangoRectangle ink, logical;
  pango_layout_get_extents(pl, &ink, &logical);
  const double w = logical.width / double(PANGO_SCALE), h = logical.height / double(PANGO_SCALE);
  *x = rect.X;
  if (!sized) {
    if (align == StringAlignmentCenter) *x -= w / 2;
    else if (align == StringAlignmentFar) *x -= w;
  }
  *y = rect.Y;
  if (rect.Height > 0 || !sized) {
    const double room = rect.Height > 0 ? rect.Height : 0;
    if (line == StringAlignmentCenter) *y += (room - h) / 2;
    else if (line == StringAlignmentFar) *y += room - h;
  }
}

// The text in the font's pixel size on this thread's pango context.
std::unique_ptr<jf::FontLayout> MakeLayout(const WCHAR* text, INT length, const Font* font) {
  const std::wstring s = length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length));
  LOGFONTW lf = font->GetLogFont();
  lf.lfHeight = -static_cast<LONG>(font->GetEmPixels() + 0.5f);
  jf::FontObject fo(lf);
  return std::make_unique<jf::FontLayout>(&fo, s);
}

}  // namespace

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const RectF& rect,
                            const StringFormat* format, const Brush* brush) {
  if (!text || !font || !brush) return InvalidParameter;
  cairo_t* cr = Begin();
  if (!cr) return InvalidParameter;
  auto layout = MakeLayout(text, length, font);
  double x, y;
  Arrange(*layout, rect, format, &x, &y);
  if (rect.Width > 0 && rect.Height > 0 && !(format && (format->GetFormatFlags() & StringFormatFlagsNoClip))) {
    cairo_rectangle(cr, rect.X, rect.Y, rect.Width, rect.Height);
    cairo_clip(cr);
  }
  SetBrush(cr, brush);
  const bool aliased = textHint_ == TextRenderingHintSingleBitPerPixel ||
                       textHint_ == TextRenderingHintSingleBitPerPixelGridFit;
  if (aliased) {
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout->Get());
  } else {
    layout->Show(cr, x, y);
  }
  jf::DcState::End(cr);
  return Ok;
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                            const Brush* brush) {
  return DrawString(text, length, font, RectF(origin.X, origin.Y, 0, 0), nullptr, brush);
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                            const StringFormat* format, const Brush* brush) {
  return DrawString(text, length, font, RectF(origin.X, origin.Y, 0, 0), format, brush);
}

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& rect,
                               const StringFormat* format, RectF* bounds) const {
  if (!text || !font || !bounds) return InvalidParameter;
  auto layout = MakeLayout(text, length, font);
  double x, y;
  Arrange(*layout, rect, format, &x, &y);
  PangoRectangle logical;
  pango_layout_get_extents(layout->Get(), nullptr, &logical);
  *bounds = RectF(static_cast<REAL>(x + logical.x / double(PANGO_SCALE)), static_cast<REAL>(y),
                  static_cast<REAL>(logical.width / double(PANGO_SCALE)),
                  static_cast<REAL>(logical.height / double(PANGO_SCALE)));
  return Ok;
}

}  // namespace Gdiplus
