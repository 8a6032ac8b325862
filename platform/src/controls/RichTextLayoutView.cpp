// The formatted text's layout as it is used: positions, hits, lines and drawing.
#include "platform/src/controls/RichTextLayout.h"

#include <algorithm>

#include "platform/src/gdi/GdiArea.h"

namespace jf {

namespace {

constexpr wchar_t kLineSeparator = 0x2028;

}  // namespace

size_t RichTextLayout::ParagraphOf(LONG cp) const {
  auto it = std::lower_bound(paragraphs_.begin(), paragraphs_.end(), cp,
                             [](const Paragraph& p, LONG at) { return p.start + p.length < at; });
  return it == paragraphs_.end() ? paragraphs_.size() - 1 : size_t(it - paragraphs_.begin());
}

size_t RichTextLayout::PieceOf(const Paragraph& p, LONG cp) {
  auto it = std::upper_bound(p.pieces.begin() + 1, p.pieces.end(), cp,
                             [](LONG at, const Piece& piece) { return at < piece.from; });
  return size_t(it - p.pieces.begin()) - 1;
}

size_t RichTextLayout::PieceAtY(const Paragraph& p, int units) {
  auto it = std::upper_bound(p.pieces.begin() + 1, p.pieces.end(), units,
                             [](int y, const Piece& piece) { return y < piece.top; });
  return size_t(it - p.pieces.begin()) - 1;
}

LONG RichTextLayout::CpIn(const Paragraph& p, const Piece& piece, int byte) const {
  auto it = std::lower_bound(piece.bytes.begin(), piece.bytes.end(), byte);
  return p.start + piece.textFrom + LONG(it - piece.bytes.begin());
}

int RichTextLayout::Baseline() const {
  const Paragraph& p = paragraphs_.front();
  return p.y + p.pieces.front().layout->Baseline();
}

RECT RichTextLayout::CaretAt(LONG cp) const {
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  const LONG at = std::clamp<LONG>(cp - p.start, 0, p.length);
  const Piece& piece = p.pieces[PieceOf(p, at)];
  PangoRectangle pos;
  pango_layout_index_to_pos(piece.layout->Get(), piece.bytes[size_t(at - piece.textFrom)], &pos);
  const int x = p.x + PANGO_PIXELS(pos.x), y = p.y + PANGO_PIXELS(pos.y + piece.dy);
  return RECT{x, y, x + 1, y + std::max(1, PANGO_PIXELS(pos.height))};
}

LONG RichTextLayout::CpAt(int x, int y) const {
  auto next = std::upper_bound(paragraphs_.begin() + 1, paragraphs_.end(), y,
                               [](int at, const Paragraph& p) { return at < p.y; });
  const Paragraph& p = *(next - 1);
  const int ly = std::clamp((y - p.y) * PANGO_SCALE, 0, std::max(0, p.height * PANGO_SCALE - 1));
  const Piece& piece = p.pieces[PieceAtY(p, ly)];
  int index = 0, trailing = 0;
  pango_layout_xy_to_index(piece.layout->Get(), (x - p.x) * PANGO_SCALE, std::max(ly - piece.dy, piece.floor), &index,
                           &trailing);
  return std::clamp<LONG>(CpIn(p, piece, index) + trailing, p.start, p.start + p.length);
}

LONG RichTextLayout::CharAt(int x, int y) const {
  for (const Paragraph& p : paragraphs_) {
    if (y < p.y || y >= p.y + p.height) continue;
    const int ly = (y - p.y) * PANGO_SCALE;
    const Piece& piece = p.pieces[PieceAtY(p, ly)];
    int index = 0, trailing = 0;
    if (!pango_layout_xy_to_index(piece.layout->Get(), (x - p.x) * PANGO_SCALE, std::max(ly - piece.dy, piece.floor),
                                  &index, &trailing))
      return -1;
    const LONG cp = CpIn(p, piece, index);
    return cp < p.start + p.length ? cp : -1;
  }
  return -1;
}

int RichTextLayout::LineOf(LONG cp) const {
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  const LONG at = std::clamp<LONG>(cp - p.start, 0, p.length);
  const Piece& piece = p.pieces[PieceOf(p, at)];
  int line = 0, x = 0;
  pango_layout_index_to_line_x(piece.layout->Get(), piece.bytes[size_t(at - piece.textFrom)], FALSE, &line, &x);
  return p.firstLine + piece.lineBase + line - piece.firstLine;
}

LONG RichTextLayout::LineStart(int line) const {
  if (line < 0 || line >= LineCount()) return LONG(text_.size());
  const Line& at = lines_[size_t(line)];
  const Paragraph& p = paragraphs_[at.paragraph];
  const Piece& piece = p.pieces[at.piece];
  PangoLayoutLine* l = pango_layout_get_line_readonly(piece.layout->Get(), at.line);
  return l ? CpIn(p, piece, l->start_index) : p.start;
}

LONG RichTextLayout::LineEnd(int line) const {
  if (line < 0 || line >= LineCount()) return LONG(text_.size());
  const Line& at = lines_[size_t(line)];
  const Paragraph& p = paragraphs_[at.paragraph];
  const Piece& piece = p.pieces[at.piece];
  PangoLayoutLine* l = pango_layout_get_line_readonly(piece.layout->Get(), at.line);
  if (!l) return p.start + p.length;
  const LONG end = CpIn(p, piece, l->start_index + l->length);
  // A line break inside the paragraph ends its line as the paragraph's break ends the last.
  return end > p.start && text_[size_t(end - 1)] == kLineSeparator ? end - 1 : end;
}

void RichTextLayout::DrawPiece(cairo_t* cr, double px, double py, const Piece& piece) const {
  PangoLayout* pl = piece.layout->Get();
  if (piece.firstLine == 0 && piece.dy == 0 && piece.endLine == pango_layout_get_line_count(pl)) {
    piece.layout->Show(cr, px, py);
    return;
  }
  // Only the lines it keeps, each where the layout would draw it.
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
  PangoLayoutIter* it = pango_layout_get_iter(pl);
  for (int line = 0; line < piece.endLine; ++line) {
    if (line >= piece.firstLine) {
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(it, nullptr, &logical);
      const int baseline = pango_layout_iter_get_baseline(it);
      cairo_move_to(cr, px + logical.x / double(PANGO_SCALE), py + (baseline + piece.dy) / double(PANGO_SCALE));
      pango_cairo_show_layout_line(cr, pango_layout_iter_get_line_readonly(it));
    }
    if (!pango_layout_iter_next_line(it)) break;
  }
  pango_layout_iter_free(it);
  cairo_restore(cr);
}

void RichTextLayout::Draw(cairo_t* cr, double x, double y, LONG selFrom, LONG selTo, COLORREF highlight,
                          COLORREF highlightText) const {
  for (const Paragraph& p : paragraphs_) {
    const double px = x + p.x, py = y + p.y;
    for (const Piece& piece : p.pieces) DrawPiece(cr, px, py, piece);
    const LONG from = std::max(selFrom, p.start), to = std::min(selTo, p.start + p.length);
    if (from >= to) continue;
    for (const Piece& piece : p.pieces) DrawSelection(cr, px, py, p, piece, from, to, highlight, highlightText);
  }
}

// The selection: its background, then the text again in the highlight colour inside it.
void RichTextLayout::DrawSelection(cairo_t* cr, double px, double py, const Paragraph& p, const Piece& piece,
                                   LONG from, LONG to, COLORREF highlight, COLORREF highlightText) const {
  const LONG begin = p.start + piece.textFrom, end = begin + LONG(piece.bytes.size()) - 1;
  const int a = piece.bytes[size_t(std::clamp(from, begin, end) - begin)];
  const int b = piece.bytes[size_t(std::clamp(to, begin, end) - begin)];
  PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
  cairo_new_path(cr);
  bool any = false;
  for (int index = 0; index < piece.endLine; ++index) {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
    int top = 0, bottom = 0;
    pango_layout_iter_get_line_yrange(it, &top, &bottom);
    const int lineEnd = line->start_index + line->length;
    if (index >= piece.firstLine && b > line->start_index && a <= lineEnd) {
      int* ranges = nullptr;
      int count = 0;
      pango_layout_line_get_x_ranges(line, std::max(a, line->start_index), std::min(b, lineEnd), &ranges, &count);
      for (int i = 0; i < count; ++i) {
        const double l = px + ranges[2 * i] / double(PANGO_SCALE), r = px + ranges[2 * i + 1] / double(PANGO_SCALE);
        cairo_rectangle(cr, l, py + (top + piece.dy) / double(PANGO_SCALE), std::max(1.0, r - l),
                        (bottom - top) / double(PANGO_SCALE));
        any = true;
      }
      g_free(ranges);
    }
    if (!pango_layout_iter_next_line(it)) break;
  }
  pango_layout_iter_free(it);
  if (!any) {
    cairo_new_path(cr);
    return;
  }
  cairo_save(cr);
  cairo_clip_preserve(cr);
  cairo_set_source_rgb(cr, GetRValue(highlight) / 255.0, GetGValue(highlight) / 255.0, GetBValue(highlight) / 255.0);
  cairo_fill(cr);
  PangoLayout* pl = piece.layout->Get();
  PangoAttrList* selected = Attributes(p, piece, &highlightText);
  PangoAttrList* normal = pango_attr_list_ref(pango_layout_get_attributes(pl));
  pango_layout_set_attributes(pl, selected);
  DrawPiece(cr, px, py, piece);
  pango_layout_set_attributes(pl, normal);
  pango_attr_list_unref(normal);
  pango_attr_list_unref(selected);
  cairo_restore(cr);
}

}  // namespace jf
