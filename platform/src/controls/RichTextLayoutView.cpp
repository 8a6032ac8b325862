// The formatted text's layout as it is used: positions, hits, lines and drawing.
#include "platform/src/controls/RichTextLayout.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/src/gdi/GdiArea.h"

namespace jf {

namespace {

constexpr wchar_t kLineSeparator = 0x2028;

// Pixels of pango units, rounded to the nearest (a paragraph's may pass an int's range).
int Pixels(int64_t units) { return int((units + PANGO_SCALE / 2) >> 10); }

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

size_t RichTextLayout::PieceAtY(const Paragraph& p, int64_t units) {
  auto it = std::upper_bound(p.pieces.begin() + 1, p.pieces.end(), units,
                             [](int64_t y, const Piece& piece) { return y < piece.top; });
  return size_t(it - p.pieces.begin()) - 1;
}

LONG RichTextLayout::CpIn(const Paragraph& p, const Piece& piece, int byte) const {
  auto it = std::lower_bound(piece.bytes.begin(), piece.bytes.end(), byte);
  return p.start + piece.textFrom + LONG(it - piece.bytes.begin());
}

size_t RichTextLayout::PieceAtX(const Paragraph& p, int64_t units) {
  auto it = std::upper_bound(p.pieces.begin() + 1, p.pieces.end(), units,
                             [](int64_t x, const Piece& piece) { return x < int64_t(piece.left) + piece.dx; });
  return size_t(it - p.pieces.begin()) - 1;
}

int RichTextLayout::Baseline() const {
  const Paragraph& p = paragraphs_.front();
  return p.y + (p.across ? Pixels(p.ascent) : p.pieces.front().layout->Baseline());
}

RECT RichTextLayout::CaretAt(LONG cp) const {
  // Before the open paragraph's rest, what is laid out answers.
  if (!Before(cp)) Finish();
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  const LONG at = std::clamp<LONG>(cp - p.start, 0, p.length);
  const Piece& piece = p.pieces[PieceOf(p, at)];
  PangoRectangle pos;
  pango_layout_index_to_pos(piece.layout->Get(), piece.bytes[size_t(at - piece.textFrom)], &pos);
  const int x = p.x + PANGO_PIXELS(pos.x + piece.dx), y = p.y + Pixels(pos.y + piece.dy);
  return RECT{x, y, x + 1, y + std::max(1, PANGO_PIXELS(pos.height))};
}

// Where points start to hit a line rather than the one above it, as pango splits a gap
// between them in the middle (where lines overlap, the one above keeps the overlap).
int64_t RichTextLayout::HitBoundary(int64_t aboveBottom, int64_t top) {
  return top <= aboveBottom ? aboveBottom : aboveBottom + (top - aboveBottom) / 2;
}

// As pango finds the character at a point (pango units from the paragraph's left and top):
// the first line whose bottom is below the point or, in the upper half of a gap above that
// line, the one before. Only lines a piece keeps answer, each from that piece's layout: a line
// two pieces show is hit as the piece that places its characters lays it out (the other shows
// it after a separator, where its indent and tab stops may differ). The one line laid out in
// pieces across holds every point from its top to its bottom, as tall as its tallest piece.
RichTextLayout::Hit RichTextLayout::HitAt(const Paragraph& p, int64_t x, int64_t y) const {
  auto units = [](int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN / 2, INT_MAX / 2)); };
  const size_t k = p.across ? PieceAtX(p, x) : PieceAtY(p, y);
  const Piece& piece = p.pieces[k];
  int index = 0, trailing = 0;
  if (p.pieces.size() == 1) {  // one layout
    const bool inside =
        pango_layout_xy_to_index(piece.layout->Get(), units(x - piece.dx), units(y - piece.dy), &index, &trailing);
    return Hit{CpIn(p, piece, index), trailing, inside};
  }
  const int at = units(y - piece.dy);
  PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
  for (int i = 0; i < piece.firstLine; ++i) pango_layout_iter_next_line(it);
  PangoLayoutLine *found = nullptr, *before = nullptr;
  int foundX = 0, beforeX = 0, beforeBottom = 0;
  bool outside = p.across && (y < 0 || y >= int64_t(p.ascent) + p.descent);
  for (int line = piece.firstLine; line < piece.endLine && !found; ++line) {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    int top = 0, bottom = 0;
    pango_layout_iter_get_line_yrange(it, &top, &bottom);
    PangoLayoutLine* l = pango_layout_iter_get_line_readonly(it);
    if (!p.across && at < top && before && at < HitBoundary(beforeBottom, top)) {
      found = before, foundX = beforeX;
    } else if (p.across || at < bottom) {
      found = l, foundX = logical.x;
      if (!p.across && at < top && !before && k == 0) outside = true;  // above the paragraph's first line
    }
    before = l, beforeX = logical.x, beforeBottom = bottom;
    pango_layout_iter_next_line(it);
  }
  pango_layout_iter_free(it);
  if (!found) {
    // Below the piece's lines: below the paragraph's last one, or above where the next piece
    // starts to answer.
    found = before, foundX = beforeX;
    outside = outside || k + 1 == p.pieces.size();
  }
  if (!found) return Hit{p.start + piece.textFrom, 0, false};
  const bool inside = pango_layout_line_x_to_index(found, units(x - piece.dx - foundX), &index, &trailing);
  return Hit{CpIn(p, piece, index), trailing, inside && !outside};
}

LONG RichTextLayout::CpAt(int x, int y) const {
  if (!Hits(y)) Finish();
  auto next = std::upper_bound(paragraphs_.begin() + 1, paragraphs_.end(), y,
                               [](int at, const Paragraph& p) { return at < p.y; });
  const Paragraph& p = *(next - 1);
  const int64_t ly = std::clamp<int64_t>((int64_t(y) - p.y) * PANGO_SCALE, 0,
                                         std::max<int64_t>(0, int64_t(p.height) * PANGO_SCALE - 1));
  const Hit hit = HitAt(p, (int64_t(x) - p.x) * PANGO_SCALE, ly);
  return std::clamp<LONG>(hit.cp + hit.trailing, p.start, p.start + p.length);
}

LONG RichTextLayout::CharAt(int x, int y) const {
  Finish();
  for (const Paragraph& p : paragraphs_) {
    if (y < p.y || y >= p.y + p.height) continue;
    const Hit hit = HitAt(p, (int64_t(x) - p.x) * PANGO_SCALE, (int64_t(y) - p.y) * PANGO_SCALE);
    return hit.inside && hit.cp < p.start + p.length ? hit.cp : -1;
  }
  return -1;
}

int RichTextLayout::LineOf(LONG cp) const {
  if (!Before(cp)) Finish();
  const Paragraph& p = paragraphs_[ParagraphOf(cp)];
  const LONG at = std::clamp<LONG>(cp - p.start, 0, p.length);
  const Piece& piece = p.pieces[PieceOf(p, at)];
  int line = 0, x = 0;
  pango_layout_index_to_line_x(piece.layout->Get(), piece.bytes[size_t(at - piece.textFrom)], FALSE, &line, &x);
  return p.firstLine + piece.lineBase + line - piece.firstLine;
}

LONG RichTextLayout::LineStart(int line) const {
  if (!HasLine(line)) return LONG(text_.size());
  const Line& at = lines_[size_t(line)];
  const Paragraph& p = paragraphs_[at.paragraph];
  const Piece& piece = p.pieces[at.piece];
  PangoLayoutLine* l = pango_layout_get_line_readonly(piece.layout->Get(), at.line);
  return l ? CpIn(p, piece, l->start_index) : p.start;
}

LONG RichTextLayout::LineEnd(int line) const {
  if (!HasLine(line)) return LONG(text_.size());
  const Line& at = lines_[size_t(line)];
  const Paragraph& p = paragraphs_[at.paragraph];
  const Piece& piece = p.pieces[at.piece];
  PangoLayoutLine* l = pango_layout_get_line_readonly(piece.layout->Get(), at.line);
  if (!l || p.across) return p.start + p.length;
  const LONG end = CpIn(p, piece, l->start_index + l->length);
  // A line break inside the paragraph ends its line as the paragraph's break ends the last.
  return end > p.start && text_[size_t(end - 1)] == kLineSeparator ? end - 1 : end;
}

namespace {

// Whether lines reach into [top, bottom) (pixels of the surface) when their paragraph is at py.
bool Shown(double py, int64_t above, int64_t below, double top, double bottom) {
  return py + double(below) / PANGO_SCALE > top && py + double(above) / PANGO_SCALE < bottom;
}

}  // namespace

void RichTextLayout::DrawPiece(cairo_t* cr, double px, double py, const Piece& piece, double clipTop,
                               double clipBottom) const {
  PangoLayout* pl = piece.layout->Get();
  if (!Shown(py, piece.above, piece.below, clipTop, clipBottom)) return;
  // Nor across (the pieces of one long line): lines kept reach from left to right, glyphs a
  // little past them.
  double clipLeft = 0, clipRight = 0, top = 0, bottom = 0;
  cairo_clip_extents(cr, &clipLeft, &top, &clipRight, &bottom);
  constexpr double kOverhang = 100;
  if (px + (piece.right + piece.dx) / double(PANGO_SCALE) < clipLeft - kOverhang ||
      px + (piece.left + piece.dx) / double(PANGO_SCALE) > clipRight + kOverhang)
    return;
  if (piece.firstLine == 0 && piece.dy == 0 && piece.dx == 0 && piece.endLine == pango_layout_get_line_count(pl) &&
      piece.context.empty()) {
    piece.layout->Show(cr, px, py);
    return;
  }
  // Only the lines it keeps and that are seen, each where the layout would draw it.
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
  PangoLayoutIter* it = pango_layout_get_iter(pl);
  for (int line = 0; line < piece.endLine; ++line) {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    if (line >= piece.firstLine &&
        Shown(py, piece.dy + logical.y, piece.dy + logical.y + logical.height, clipTop, clipBottom)) {
      const int baseline = pango_layout_iter_get_baseline(it);
      cairo_move_to(cr, px + (logical.x + piece.dx) / double(PANGO_SCALE), py + (baseline + piece.dy) / double(PANGO_SCALE));
      pango_cairo_show_layout_line(cr, pango_layout_iter_get_line_readonly(it));
    }
    if (!pango_layout_iter_next_line(it)) break;
  }
  pango_layout_iter_free(it);
  cairo_restore(cr);
}

void RichTextLayout::Draw(cairo_t* cr, double x, double y, LONG selFrom, LONG selTo, COLORREF highlight,
                          COLORREF highlightText) const {
  // Only what the clip lets through is drawn: a long paragraph is seen a screen at a time.
  double clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
  cairo_clip_extents(cr, &clipLeft, &clipTop, &clipRight, &clipBottom);
  clipTop -= 1;
  clipBottom += 1;
  // An open paragraph is laid out as far as it is seen; what comes after it is not.
  Reach(int(std::min(clipBottom - y, double(INT_MAX))));
  for (size_t i = 0; i < LaidOut(); ++i) {
    const Paragraph& p = paragraphs_[i];
    const double px = x + p.x, py = y + p.y;
    if (py + p.total < clipTop || py > clipBottom) continue;
    for (const Piece& piece : p.pieces) DrawPiece(cr, px, py, piece, clipTop, clipBottom);
    const LONG from = std::max(selFrom, p.start), to = std::min(selTo, p.start + p.length);
    if (from >= to) continue;
    DrawSelection(cr, px, py, p, from, to, highlight, highlightText, clipTop, clipBottom);
  }
}

// The selection: its background, then the text again in the highlight colour inside it; the
// backgrounds of all pieces first, as lines drawn closer than their height overlap.
void RichTextLayout::DrawSelection(cairo_t* cr, double px, double py, const Paragraph& p, LONG from, LONG to,
                                   COLORREF highlight, COLORREF highlightText, double clipTop,
                                   double clipBottom) const {
  cairo_new_path(cr);
  std::vector<const Piece*> selected;
  for (const Piece& piece : p.pieces) {
    if (!Shown(py, piece.above, piece.below, clipTop, clipBottom)) continue;
    const LONG begin = p.start + piece.textFrom, end = begin + LONG(piece.bytes.size()) - 1;
    const int a = piece.bytes[size_t(std::clamp(from, begin, end) - begin)];
    const int b = piece.bytes[size_t(std::clamp(to, begin, end) - begin)];
    PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
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
          const double l = px + (ranges[2 * i] + piece.dx) / double(PANGO_SCALE),
                       r = px + (ranges[2 * i + 1] + piece.dx) / double(PANGO_SCALE);
          if (p.across) top = -piece.dy, bottom = p.ascent + p.descent - piece.dy;  // the whole line's
          cairo_rectangle(cr, l, py + double(top + piece.dy) / PANGO_SCALE, std::max(1.0, r - l),
                          (bottom - top) / double(PANGO_SCALE));
          any = true;
        }
        g_free(ranges);
      }
      if (!pango_layout_iter_next_line(it)) break;
    }
    pango_layout_iter_free(it);
    if (any) selected.push_back(&piece);
  }
  if (selected.empty()) {
    cairo_new_path(cr);
    return;
  }
  cairo_save(cr);
  cairo_clip_preserve(cr);
  cairo_set_source_rgb(cr, GetRValue(highlight) / 255.0, GetGValue(highlight) / 255.0, GetBValue(highlight) / 255.0);
  cairo_fill(cr);
  for (const Piece* piece : selected) {
    PangoLayout* pl = piece->layout->Get();
    PangoAttrList* inverse = Attributes(p, *piece, &highlightText);
    PangoAttrList* normal = pango_attr_list_ref(pango_layout_get_attributes(pl));
    pango_layout_set_attributes(pl, inverse);
    DrawPiece(cr, px, py, *piece, clipTop, clipBottom);
    pango_layout_set_attributes(pl, normal);
    pango_attr_list_unref(normal);
    pango_attr_list_unref(inverse);
  }
  cairo_restore(cr);
}

}  // namespace jf
