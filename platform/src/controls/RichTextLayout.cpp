#include "platform/src/controls/RichTextLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/src/gdi/GdiArea.h"

namespace jf {

namespace {

constexpr int kTwipsPerPixel = 15;  // 1440 twips an inch at 96 pixels an inch

int Pixels(LONG twips) { return int(twips / kTwipsPerPixel); }

guint16 Channel(BYTE v) { return guint16(v * 257); }

PangoAttribute* Colour(COLORREF c, bool background) {
  return background ? pango_attr_background_new(Channel(GetRValue(c)), Channel(GetGValue(c)), Channel(GetBValue(c)))
                    : pango_attr_foreground_new(Channel(GetRValue(c)), Channel(GetGValue(c)), Channel(GetBValue(c)));
}

void Add(PangoAttrList* list, PangoAttribute* a, int from, int to) {
  a->start_index = guint(from);
  a->end_index = guint(to);
  pango_attr_list_insert(list, a);
}

void Change(PangoAttrList* list, PangoAttribute* a, int from, int to) {
  a->start_index = guint(from);
  a->end_index = guint(to);
  pango_attr_list_change(list, a);
}

}  // namespace

RichTextLayout::RichTextLayout(const std::wstring& shown, const TextFormats& formats, const FontObject* font,
                               Options options)
    : text_(shown), formats_(formats), options_(std::move(options)) {
  LONG start = 0;
  const LONG n = LONG(text_.size());
  int y = 0;
  while (true) {
    LONG end = start;
    while (end < n && text_[size_t(end)] != L'\r') ++end;
    Paragraph p;
    p.start = start;
    p.length = end - start;
    std::wstring part = text_.substr(size_t(start), size_t(end - start));
    // A line break inside the paragraph: pango breaks at the line separator and draws nothing.
    std::replace(part.begin(), part.end(), L'\v', wchar_t(0x2028));
    p.layout = std::make_unique<FontLayout>(font, part);
    p.bytes.assign(1, 0);
    for (wchar_t c : part) {
      const unsigned u = unsigned(c);
      p.bytes.push_back(p.bytes.back() + (u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4));
    }
    const PARAFORMAT2& pf = formats_.ParaAt(end);
    PangoLayout* pl = p.layout->Get();
    PangoAttrList* attrs = Attributes(p, nullptr);
    pango_layout_set_attributes(pl, attrs);
    pango_attr_list_unref(attrs);
    // Later lines start at start + offset; the nearer of the two is the paragraph's left.
    const int first = Pixels(pf.dxStartIndent), rest = Pixels(pf.dxStartIndent + pf.dxOffset);
    const int left = std::max(0, std::min(first, rest));
    const int right = Pixels(pf.dxRightIndent);
    pango_layout_set_indent(pl, (first - rest) * PANGO_SCALE);
    const PangoAlignment align = pf.wAlignment == PFA_CENTER  ? PANGO_ALIGN_CENTER
                                 : pf.wAlignment == PFA_RIGHT ? PANGO_ALIGN_RIGHT
                                                              : PANGO_ALIGN_LEFT;
    switch (pf.bLineSpacingRule) {
      case 1: pango_layout_set_line_spacing(pl, 1.5f); break;
      case 2: pango_layout_set_line_spacing(pl, 2.0f); break;
      case 5: pango_layout_set_line_spacing(pl, std::clamp(float(pf.dyLineSpacing) / 20.0f, 0.1f, 10.0f)); break;
      default: break;
    }
    if (options_.wrapWidth > 0) {
      pango_layout_set_width(pl, std::max(1, options_.wrapWidth - left - right) * PANGO_SCALE);
      pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
      pango_layout_set_alignment(pl, align);
      pango_layout_set_justify(pl, pf.wAlignment == PFA_JUSTIFY);
      p.x = left;
    } else {
      // Unwrapped lines are aligned here, within the view.
      const int free = options_.alignWidth - left - right - p.layout->Extents().width;
      p.x = left + (free <= 0 ? 0 : align == PANGO_ALIGN_CENTER ? free / 2 : align == PANGO_ALIGN_RIGHT ? free : 0);
    }
    y += Pixels(pf.dySpaceBefore);
    p.y = y;
    const PangoRectangle e = p.layout->Extents();
    int height = e.height;
    if ((pf.bLineSpacingRule == 3 || pf.bLineSpacingRule == 4) && pf.dyLineSpacing > 0) {
      // At least or exactly the given height per line.
      const int lines = pango_layout_get_line_count(pl), want = Pixels(pf.dyLineSpacing) * lines;
      height = pf.bLineSpacingRule == 4 ? want : std::max(height, want);
    }
    y += height + Pixels(pf.dySpaceAfter);
    p.firstLine = int(lines_.size());
    for (int i = 0, count = pango_layout_get_line_count(pl); i < count; ++i) lines_.emplace_back(paragraphs_.size(), i);
    width_ = std::max(width_, p.x + e.x + e.width + right);
    paragraphs_.push_back(std::move(p));
    if (end >= n) break;
    start = end + 1;
  }
  height_ = y;
}

RichTextLayout::~RichTextLayout() = default;

PangoAttrList* RichTextLayout::Attributes(const Paragraph& p, const COLORREF* override) const {
  PangoAttrList* list = pango_attr_list_new();
  for (LONG cp = p.start; cp < p.start + p.length;) {
    const LONG next = std::min(formats_.RunEnd(cp), p.start + p.length);
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    const int from = p.bytes[size_t(cp - p.start)], to = p.bytes[size_t(next - p.start)];
    double em = std::clamp(cf.yHeight / double(kTwipsPerPixel), 1.0, FontObject::kLargestEm);
    int rise = cf.yOffset / kTwipsPerPixel;
    if (cf.dwEffects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT)) {
      rise += int(em / 3) * ((cf.dwEffects & CFE_SUPERSCRIPT) ? 1 : -1);
      em = std::max(1.0, em * 2 / 3);
    }
    Add(list, pango_attr_family_new(FontObject::FamilyFor(cf.szFaceName).c_str()), from, to);
    Add(list, pango_attr_size_new_absolute(int(em * PANGO_SCALE)), from, to);
    Add(list, pango_attr_weight_new(PangoWeight(std::clamp<int>(cf.wWeight ? cf.wWeight : FW_NORMAL, 100, 1000))),
        from, to);
    Add(list, pango_attr_style_new((cf.dwEffects & CFE_ITALIC) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL), from, to);
    if (cf.dwEffects & (CFE_UNDERLINE | CFE_LINK)) Add(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), from, to);
    if (cf.dwEffects & CFE_STRIKEOUT) Add(list, pango_attr_strikethrough_new(TRUE), from, to);
    if (rise) Add(list, pango_attr_rise_new(rise * PANGO_SCALE), from, to);
    const COLORREF colour = override ? *override : (cf.dwEffects & CFE_AUTOCOLOR) ? options_.text : cf.crTextColor;
    Add(list, Colour(colour, false), from, to);
    if (!override && !(cf.dwEffects & CFE_AUTOBACKCOLOR)) Add(list, Colour(cf.crBackColor, true), from, to);
    cp = next;
  }
  for (const CHARRANGE& link : options_.links) {
    const LONG from = std::max(link.cpMin, p.start), to = std::min(link.cpMax, p.start + p.length);
    if (from >= to) continue;
    const int a = p.bytes[size_t(from - p.start)], b = p.bytes[size_t(to - p.start)];
    Change(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), a, b);
    if (!override && (formats_.CharAt(from).dwEffects & CFE_AUTOCOLOR)) Change(list, Colour(options_.link, false), a, b);
  }
  return list;
}

size_t RichTextLayout::ParagraphOf(LONG cp) const {
  size_t i = 0;
  while (i + 1 < paragraphs_.size() && cp > paragraphs_[i].start + paragraphs_[i].length) ++i;
  return i;
}

LONG RichTextLayout::CpIn(const Paragraph& p, int byte) const {
  auto it = std::lower_bound(p.bytes.begin(), p.bytes.end(), byte);
  return p.start + LONG(it - p.bytes.begin());
}

int RichTextLayout::Baseline() const {
  const Paragraph& p = paragraphs_.front();
  return p.y + p.layout->Baseline();
}

RECT RichTextLayout::CaretAt(LONG cp) const {
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  const LONG at = std::clamp<LONG>(cp - p.start, 0, p.length);
  PangoRectangle pos;
  pango_layout_index_to_pos(p.layout->Get(), p.bytes[size_t(at)], &pos);
  const int x = p.x + PANGO_PIXELS(pos.x), y = p.y + PANGO_PIXELS(pos.y);
  return RECT{x, y, x + 1, y + std::max(1, PANGO_PIXELS(pos.height))};
}

LONG RichTextLayout::CpAt(int x, int y) const {
  size_t i = 0;
  while (i + 1 < paragraphs_.size() && y >= paragraphs_[i + 1].y) ++i;
  const Paragraph& p = paragraphs_[i];
  const int height = p.layout->Extents().height;
  const int ly = std::clamp((y - p.y) * PANGO_SCALE, 0, std::max(0, height * PANGO_SCALE - 1));
  int index = 0, trailing = 0;
  pango_layout_xy_to_index(p.layout->Get(), (x - p.x) * PANGO_SCALE, ly, &index, &trailing);
  return std::clamp<LONG>(CpIn(p, index) + trailing, p.start, p.start + p.length);
}

LONG RichTextLayout::CharAt(int x, int y) const {
  for (const Paragraph& p : paragraphs_) {
    const PangoRectangle e = p.layout->Extents();
    if (y < p.y || y >= p.y + e.height) continue;
    int index = 0, trailing = 0;
    if (!pango_layout_xy_to_index(p.layout->Get(), (x - p.x) * PANGO_SCALE, (y - p.y) * PANGO_SCALE, &index, &trailing))
      return -1;
    const LONG cp = CpIn(p, index);
    return cp < p.start + p.length ? cp : -1;
  }
  return -1;
}

int RichTextLayout::LineOf(LONG cp) const {
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  int line = 0, x = 0;
  pango_layout_index_to_line_x(p.layout->Get(), p.bytes[size_t(std::clamp<LONG>(cp - p.start, 0, p.length))], FALSE,
                               &line, &x);
  return p.firstLine + line;
}

LONG RichTextLayout::LineStart(int line) const {
  if (line < 0 || line >= LineCount()) return LONG(text_.size());
  const Paragraph& p = paragraphs_[lines_[size_t(line)].first];
  PangoLayoutLine* l = pango_layout_get_line_readonly(p.layout->Get(), lines_[size_t(line)].second);
  return l ? CpIn(p, l->start_index) : p.start;
}

LONG RichTextLayout::LineEnd(int line) const {
  if (line < 0 || line >= LineCount()) return LONG(text_.size());
  const Paragraph& p = paragraphs_[lines_[size_t(line)].first];
  PangoLayoutLine* l = pango_layout_get_line_readonly(p.layout->Get(), lines_[size_t(line)].second);
  return l ? CpIn(p, l->start_index + l->length) : p.start + p.length;
}

void RichTextLayout::Draw(cairo_t* cr, double x, double y, LONG selFrom, LONG selTo, COLORREF highlight,
                          COLORREF highlightText) const {
  for (const Paragraph& p : paragraphs_) {
    const double px = x + p.x, py = y + p.y;
    p.layout->Show(cr, px, py);
    const LONG from = std::max(selFrom, p.start), to = std::min(selTo, p.start + p.length);
    if (from >= to) continue;
    // The selection: its background, then the text again in the highlight colour inside it.
    const int a = p.bytes[size_t(from - p.start)];
    const int b = p.bytes[size_t(to - p.start)];
    PangoLayoutIter* it = pango_layout_get_iter(p.layout->Get());
    cairo_new_path(cr);
    do {
      PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
      int top = 0, bottom = 0;
      pango_layout_iter_get_line_yrange(it, &top, &bottom);
      const int lineEnd = line->start_index + line->length;
      if (b > line->start_index && a <= lineEnd) {
        int* ranges = nullptr;
        int count = 0;
        pango_layout_line_get_x_ranges(line, std::max(a, line->start_index), std::min(b, lineEnd), &ranges, &count);
        for (int i = 0; i < count; ++i) {
          const double l = px + ranges[2 * i] / double(PANGO_SCALE), r = px + ranges[2 * i + 1] / double(PANGO_SCALE);
          cairo_rectangle(cr, l, py + top / double(PANGO_SCALE), std::max(1.0, r - l), (bottom - top) / double(PANGO_SCALE));
        }
        g_free(ranges);
      }
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_set_source_rgb(cr, GetRValue(highlight) / 255.0, GetGValue(highlight) / 255.0, GetBValue(highlight) / 255.0);
    cairo_fill(cr);
    PangoAttrList* selected = Attributes(p, &highlightText);
    PangoAttrList* normal = pango_attr_list_ref(pango_layout_get_attributes(p.layout->Get()));
    pango_layout_set_attributes(p.layout->Get(), selected);
    p.layout->Show(cr, px, py);
    pango_layout_set_attributes(p.layout->Get(), normal);
    pango_attr_list_unref(normal);
    pango_attr_list_unref(selected);
    cairo_restore(cr);
  }
}

}  // namespace jf
