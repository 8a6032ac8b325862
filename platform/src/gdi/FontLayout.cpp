#include "platform/src/gdi/FontLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/src/internal/utf.h"

namespace jf {

namespace {

// Pango objects belong to one thread; each thread that draws text gets its own context.
struct ThreadContext {
  ThreadContext() {
    map = pango_cairo_font_map_new();
    context = pango_font_map_create_context(map);
    pango_cairo_context_set_resolution(context, 96.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
  }
  ~ThreadContext() {
    g_object_unref(context);
    g_object_unref(map);
  }
  PangoFontMap* map;
  PangoContext* context;
};

PangoContext* Context() {
  thread_local ThreadContext tc;
  return tc.context;
}

}  // namespace

FontLayout::FontLayout(const FontObject* font, const std::wstring& text) : utf8_(ToUtf8(text)) {
  layout_ = pango_layout_new(Context());
  if (font) {
    pango_layout_set_font_description(layout_, font->Description());
    if (PangoAttrList* attrs = font->CreateAttributes()) {
      pango_layout_set_attributes(layout_, attrs);
      pango_attr_list_unref(attrs);
    }
  }
  pango_layout_set_text(layout_, utf8_.c_str(), static_cast<int>(utf8_.size()));
}

FontLayout::~FontLayout() { g_object_unref(layout_); }

PangoRectangle FontLayout::Extents() const {
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout_, nullptr, &logical);
  return logical;
}

int FontLayout::Baseline() const {
  return static_cast<int>(std::lround(pango_layout_get_baseline(layout_) / static_cast<double>(PANGO_SCALE)));
}

int FontLayout::XOfChar(size_t index) const {
  // Byte offset of the character in the UTF-8 text.
  size_t byte = 0;
  for (size_t i = 0; i < index && byte < utf8_.size(); ++i) {
    byte += 1;
    while (byte < utf8_.size() && (static_cast<unsigned char>(utf8_[byte]) & 0xC0) == 0x80) ++byte;
  }
  if (byte >= utf8_.size()) return Extents().width;
  PangoRectangle pos;
  pango_layout_index_to_pos(layout_, static_cast<int>(byte), &pos);
  return static_cast<int>(std::lround(pos.x / static_cast<double>(PANGO_SCALE)));
}

void FontLayout::Show(cairo_t* cr, double x, double y) const {
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout_);
  cairo_restore(cr);
}

TEXTMETRICW FontLayout::Metrics(const FontObject* font) {
  TEXTMETRICW tm{};
  FontLayout probe(font, L"x");
  const PangoRectangle e = probe.Extents();
  tm.tmHeight = e.height;
  tm.tmAscent = probe.Baseline();
  tm.tmDescent = tm.tmHeight - tm.tmAscent;
  const double em = font ? FontObject::EmPixels(font->Log()) : 12.0;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(em)));
  tm.tmExternalLeading = 0;
  PangoFontMetrics* m = pango_context_get_metrics(Context(), font ? font->Description() : nullptr, nullptr);
  tm.tmAveCharWidth = static_cast<LONG>(std::lround(pango_font_metrics_get_approximate_char_width(m) / double(PANGO_SCALE)));
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround(em * 2));
  pango_font_metrics_unref(m);
  if (font) {
    const LOGFONTW& lf = font->Log();
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    tm.tmCharSet = lf.lfCharSet;
  }
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFD;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  return tm;
}

}  // namespace jf

#if defined(__SANITIZE_ADDRESS__)
// fontconfig leaves parts of its parsed configuration unreachable when the process ends; the
// leak checker is told so, since that memory is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
