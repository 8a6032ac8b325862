#include "platform/src/controls/RichTextLayout.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <unordered_map>

#include "platform/src/gdi/GdiArea.h"
#include "platform/testing/hooks/textlayout.h"

namespace jf {

namespace {

constexpr int kTwipsPerPixel = 15;  // 1440 twips an inch at 96 pixels an inch
// Pango's attribute work on a line grows with all the attributes of its layout, so a long
// paragraph goes to pango in pieces of about forty lines, within these bounds (characters).
constexpr LONG kLongestPiece = 1024;
constexpr LONG kShortestPiece = 256;
constexpr LONG kLinesPerPiece = 40;
constexpr wchar_t kLineBreak = 0x000B;      // a line break inside a paragraph
constexpr wchar_t kLineSeparator = 0x2028;  // the same, as pango knows it

std::atomic<unsigned long> g_laidOut{0};
std::atomic<int> g_piece{0};

LONG LongestPiece() { return g_piece > 0 ? LONG(g_piece) : kLongestPiece; }

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

int Utf8Length(wchar_t c) {
  const unsigned u = unsigned(c);
  return u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
}

// Right-to-left letters or embeddings make every bidi level of a paragraph depend on all of it.
bool RightToLeft(const std::wstring& text, LONG from, LONG to) {
  for (LONG i = from; i < to; ++i) {
    const unsigned c = unsigned(text[size_t(i)]);
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
        (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF) || c == 0x061C || c == 0x200F ||
        c == 0x202B || c == 0x202E || c == 0x2067)
      return true;
  }
  return false;
}

// Top of a layout's line, pango units from the layout's top; with `hit`, where points start
// to hit it rather than the line before (a gap between them is split in the middle).
int LineTop(PangoLayout* layout, int line, bool hit = false) {
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  int top = 0, bottom = 0, before = 0;
  for (int i = 0; i < line && pango_layout_iter_next_line(it); ++i) {
  }
  if (hit && line > 0) {
    pango_layout_iter_free(it);
    it = pango_layout_get_iter(layout);
    for (int i = 0; i < line - 1 && pango_layout_iter_next_line(it); ++i) {
    }
    pango_layout_iter_get_line_yrange(it, &top, &before);
    pango_layout_iter_next_line(it);
  }
  pango_layout_iter_get_line_yrange(it, &top, &bottom);
  pango_layout_iter_free(it);
  if (hit && line > 0) return top <= before ? before : before + (top - before) / 2;
  return top;
}

template <typename T>
void Append(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The end of the character run at cp, `end` at most.
LONG RunEnd(const TextFormats& formats, LONG cp, LONG end) {
  const CHARFORMAT2W* at = &formats.CharAt(cp);
  LONG next = cp + 1;
  while (next < end && &formats.CharAt(next) == at) ++next;
  return next;
}

// The first of the links (in text order, apart) that ends after `from`.
std::vector<CHARRANGE>::const_iterator FirstLink(const std::vector<CHARRANGE>& links, LONG from) {
  return std::upper_bound(links.begin(), links.end(), from,
                          [](LONG cp, const CHARRANGE& link) { return cp < link.cpMax; });
}

}  // namespace

unsigned long TestTextLayoutParagraphs() { return g_laidOut; }
void TestSetTextLayoutPiece(int chars) { g_piece = chars; }

RichTextLayout::RichTextLayout(const std::wstring& shown, const TextFormats& formats, const FontObject* font,
                               Options options, RichTextLayout* previous)
    : text_(shown), formats_(formats), font_(font), options_(std::move(options)) {
  for (wchar_t& c : text_)
    if (c == kLineBreak) c = kLineSeparator;
  // Paragraphs of the previous layout by what they show, when it was made alike.
  std::unordered_map<std::string, std::vector<size_t>> reusable;
  if (previous && previous->font_ == font_ && previous->options_.wrapWidth == options_.wrapWidth &&
      previous->options_.alignWidth == options_.alignWidth && previous->options_.text == options_.text &&
      previous->options_.link == options_.link) {
    for (size_t i = previous->paragraphs_.size(); i-- > 0;)
      reusable[previous->paragraphs_[i].key].push_back(i);
  }
  LONG start = 0;
  const LONG n = LONG(text_.size());
  int y = 0;
  while (true) {
    LONG end = start;
    while (end < n && text_[size_t(end)] != L'\r') ++end;
    const PARAFORMAT2& pf = formats_.ParaAt(end);
    Paragraph p;
    p.start = start;
    p.length = end - start;
    p.key = KeyOf(start, end, pf);
    auto same = reusable.find(p.key);
    if (same != reusable.end() && !same->second.empty()) {
      Paragraph& old = previous->paragraphs_[same->second.back()];
      same->second.pop_back();
      p.pieces = std::move(old.pieces);
      p.x = old.x;
      p.height = old.height;
      p.total = old.total;
      p.right = old.right;
      p.lines = old.lines;
    } else {
      LayOut(p, pf);
      ++g_laidOut;
    }
    y += Pixels(pf.dySpaceBefore);
    p.y = y;
    y += p.total;
    p.firstLine = int(lines_.size());
    for (size_t k = 0; k < p.pieces.size(); ++k)
      for (int l = p.pieces[k].firstLine; l < p.pieces[k].endLine; ++l) lines_.push_back(Line{paragraphs_.size(), k, l});
    width_ = std::max(width_, p.right);
    paragraphs_.push_back(std::move(p));
    if (end >= n) break;
    start = end + 1;
  }
  height_ = y;
}

RichTextLayout::~RichTextLayout() = default;

std::string RichTextLayout::KeyOf(LONG start, LONG end, const PARAFORMAT2& pf) const {
  std::string key;
  key.reserve(size_t(end - start) * sizeof(wchar_t) + 64);
  Append(key, end - start);
  key.append(reinterpret_cast<const char*>(text_.data() + start), size_t(end - start) * sizeof(wchar_t));
  for (LONG v : {pf.dxStartIndent, pf.dxRightIndent, pf.dxOffset, pf.dySpaceBefore, pf.dySpaceAfter, pf.dyLineSpacing})
    Append(key, v);
  Append(key, pf.wAlignment);
  Append(key, pf.bLineSpacingRule);
  for (LONG cp = start; cp < end;) {
    const LONG next = RunEnd(formats_, cp, end);
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    for (LONG v : {LONG(next - cp), LONG(cf.dwEffects), cf.yHeight, cf.yOffset, LONG(cf.wWeight), LONG(cf.crTextColor),
                   LONG(cf.crBackColor)})
      Append(key, v);
    key.append(reinterpret_cast<const char*>(cf.szFaceName), wcsnlen(cf.szFaceName, LF_FACESIZE) * sizeof(wchar_t));
    key.push_back('\0');
    cp = next;
  }
  for (auto link = FirstLink(options_.links, start); link != options_.links.end() && link->cpMin < end; ++link) {
    Append(key, std::max(link->cpMin, start) - start);
    Append(key, std::min(link->cpMax, end) - start);
  }
  return key;
}

void RichTextLayout::LayOut(Paragraph& p, const PARAFORMAT2& pf) const {
  // Justified lines are spread by rules of their own that pieces do not always meet: those
  // paragraphs stay whole.
  const bool split = options_.wrapWidth > 0 && p.length > LongestPiece() && pf.wAlignment != PFA_JUSTIFY &&
                     !RightToLeft(text_, p.start, p.start + p.length);
  if (!split || !LayOutPieces(p, pf)) {
    p.pieces.clear();
    Piece whole = MakePiece(p, pf, 0, p.length, false);
    whole.endLine = pango_layout_get_line_count(whole.layout->Get());
    p.pieces.push_back(std::move(whole));
  }
  Measure(p, pf);
}

// Each piece after the first shows a line separator, then the last line kept from the piece
// before (so the lines after it are placed and broken as in one layout), then new lines; the
// last line of a piece that does not reach the paragraph's end may be cut short and is not kept.
bool RichTextLayout::LayOutPieces(Paragraph& p, const PARAFORMAT2& pf) const {
  LONG from = 0, limit = LongestPiece(), kept = 0;
  int keptTop = 0;  // paragraph units of the top of the line the next piece starts with
  int hitTop = 0;   // and where points start to hit that line
  while (true) {
    const bool first = p.pieces.empty();
    const LONG to = std::min(p.length, from + limit);
    const bool last = to == p.length;
    Piece piece = MakePiece(p, pf, from, to, !first);
    PangoLayout* pl = piece.layout->Get();
    const int count = pango_layout_get_line_count(pl);
    if (!last && count < (first ? 3 : 4)) {  // lines to keep (two in the first) and one to drop
      limit *= 2;
      continue;
    }
    auto lineStart = [&](int line) {
      return CpIn(p, piece, pango_layout_get_line_readonly(pl, line)->start_index) - p.start;
    };
    piece.firstLine = first ? 0 : 2;
    piece.endLine = last ? count : count - 1;
    if (!first) {
      if (lineStart(2) != kept) return false;  // the shared line broke elsewhere
      piece.floor = LineTop(pl, 1);
      piece.dy = keptTop - piece.floor;
      piece.from = kept;
      piece.top = hitTop;
      piece.lineBase = p.pieces.back().lineBase + p.pieces.back().endLine - p.pieces.back().firstLine;
    }
    piece.to = last ? p.length : lineStart(count - 1);
    const LONG chars = piece.to - piece.from, lines = piece.endLine - piece.firstLine;
    const LONG next = last ? 0 : lineStart(count - 2);
    if (!last) {
      // The next piece answers for the points of its shared line and below (in this piece,
      // the line after that one may be cut short).
      const int64_t top = int64_t(piece.dy) + LineTop(pl, count - 2);
      const int64_t hit = int64_t(piece.dy) + LineTop(pl, count - 2, true);
      // Pango places in int units: a paragraph taller than half their range is laid out whole.
      if (std::max(top, hit) > INT_MAX / 2 || std::min(top, hit) < INT_MIN / 2) return false;
      keptTop = int(top);
      hitTop = int(hit);
    }
    kept = piece.to;
    p.pieces.push_back(std::move(piece));
    if (last) return true;
    from = next;
    limit = std::clamp<LONG>(chars / lines * kLinesPerPiece, std::min(kShortestPiece, LongestPiece()), LongestPiece());
  }
}

RichTextLayout::Piece RichTextLayout::MakePiece(const Paragraph& p, const PARAFORMAT2& pf, LONG from, LONG to,
                                                bool continued) const {
  Piece piece;
  piece.textFrom = piece.from = from;
  piece.to = to;
  std::wstring part;
  if (continued) part += kLineSeparator;
  part.append(text_, size_t(p.start + from), size_t(to - from));
  piece.layout = std::make_unique<FontLayout>(font_, part);
  int byte = continued ? Utf8Length(kLineSeparator) : 0;
  piece.bytes.reserve(size_t(to - from) + 1);
  piece.bytes.push_back(byte);
  for (LONG i = p.start + from; i < p.start + to; ++i) piece.bytes.push_back(byte += Utf8Length(text_[size_t(i)]));
  PangoLayout* pl = piece.layout->Get();
  PangoAttrList* attrs = Attributes(p, piece, nullptr);
  pango_layout_set_attributes(pl, attrs);
  pango_attr_list_unref(attrs);
  // Later lines start at start + offset; the nearer of the two is the paragraph's left.
  const int first = Pixels(pf.dxStartIndent), rest = Pixels(pf.dxStartIndent + pf.dxOffset);
  const int left = std::max(0, std::min(first, rest));
  const int right = Pixels(pf.dxRightIndent);
  pango_layout_set_indent(pl, (first - rest) * PANGO_SCALE);
  switch (pf.bLineSpacingRule) {
    case 1: pango_layout_set_line_spacing(pl, 1.5f); break;
    case 2: pango_layout_set_line_spacing(pl, 2.0f); break;
    case 5: pango_layout_set_line_spacing(pl, std::clamp(float(pf.dyLineSpacing) / 20.0f, 0.1f, 10.0f)); break;
    default: break;
  }
  if (options_.wrapWidth > 0) {
    pango_layout_set_width(pl, std::max(1, options_.wrapWidth - left - right) * PANGO_SCALE);
    pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(pl, pf.wAlignment == PFA_CENTER  ? PANGO_ALIGN_CENTER
                                   : pf.wAlignment == PFA_RIGHT ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
    pango_layout_set_justify(pl, pf.wAlignment == PFA_JUSTIFY);
  }
  return piece;
}

// The paragraph's place across, its height and its right edge, from the lines it keeps.
void RichTextLayout::Measure(Paragraph& p, const PARAFORMAT2& pf) const {
  const int first = Pixels(pf.dxStartIndent), rest = Pixels(pf.dxStartIndent + pf.dxOffset);
  const int left = std::max(0, std::min(first, rest));
  const int right = Pixels(pf.dxRightIndent);
  p.lines = 0;
  for (const Piece& piece : p.pieces) p.lines += piece.endLine - piece.firstLine;
  PangoRectangle e;
  if (p.pieces.size() == 1) {
    e = p.pieces.front().layout->Extents();
  } else {
    // The union of the kept lines, rounded out to pixels as pango rounds a layout's extents.
    int l = 0, r = 0;
    bool any = false;
    for (const Piece& piece : p.pieces) {
      PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
      for (int line = 0; line < piece.endLine; ++line) {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(it, nullptr, &logical);
        if (line >= piece.firstLine) {
          l = any ? std::min(l, logical.x) : logical.x;
          r = any ? std::max(r, logical.x + logical.width) : logical.x + logical.width;
          any = true;
        }
        if (!pango_layout_iter_next_line(it)) break;
      }
      pango_layout_iter_free(it);
    }
    PangoRectangle last;
    pango_layout_get_extents(p.pieces.back().layout->Get(), nullptr, &last);
    e.x = PANGO_PIXELS_FLOOR(l);
    e.width = PANGO_PIXELS_CEIL(r) - e.x;
    e.height = PANGO_PIXELS_CEIL(p.pieces.back().dy + last.y + last.height);
  }
  p.height = e.height;
  if (options_.wrapWidth > 0) {
    p.x = left;
  } else {
    // Unwrapped lines are aligned here, within the view.
    const int free = options_.alignWidth - left - right - e.width;
    p.x = left + (free <= 0 ? 0 : pf.wAlignment == PFA_CENTER ? free / 2 : pf.wAlignment == PFA_RIGHT ? free : 0);
  }
  p.right = p.x + e.x + e.width + right;
  p.total = p.height;
  if ((pf.bLineSpacingRule == 3 || pf.bLineSpacingRule == 4) && pf.dyLineSpacing > 0) {
    // At least or exactly the given height per line.
    const int want = Pixels(pf.dyLineSpacing) * p.lines;
    p.total = pf.bLineSpacingRule == 4 ? want : std::max(p.total, want);
  }
  p.total += Pixels(pf.dySpaceAfter);
}

PangoAttrList* RichTextLayout::Attributes(const Paragraph& p, const Piece& piece, const COLORREF* override) const {
  PangoAttrList* list = pango_attr_list_new();
  const LONG begin = p.start + piece.textFrom, end = begin + LONG(piece.bytes.size()) - 1;
  auto byteOf = [&](LONG cp) { return piece.bytes[size_t(cp - begin)]; };
  for (LONG cp = begin; cp < end;) {
    const LONG next = RunEnd(formats_, cp, end);
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    const int from = byteOf(cp), to = byteOf(next);
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
  for (auto link = FirstLink(options_.links, begin); link != options_.links.end() && link->cpMin < end; ++link) {
    const LONG from = std::max(link->cpMin, begin), to = std::min(link->cpMax, end);
    if (from >= to) continue;
    const int a = byteOf(from), b = byteOf(to);
    Change(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), a, b);
    if (!override && (formats_.CharAt(std::max(link->cpMin, p.start)).dwEffects & CFE_AUTOCOLOR)) Change(list, Colour(options_.link, false), a, b);
  }
  return list;
}

}  // namespace jf
