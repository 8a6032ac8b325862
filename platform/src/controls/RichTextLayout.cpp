#include "platform/src/controls/RichTextLayout.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <unordered_map>

#include <fribidi.h>

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
// An edit's paragraph is laid out this many pieces past the change before it is left open.
constexpr int kEagerPieces = 3;
constexpr wchar_t kLineBreak = 0x000B;      // a line break inside a paragraph
constexpr wchar_t kLineSeparator = 0x2028;  // the same, as pango knows it
constexpr wchar_t kWordJoiner = 0x2060;     // nothing at all, to start a piece in the paragraph's font
constexpr wchar_t kEmbedding = 0x202A, kPopFormat = 0x202C;
// Pango places in int units: a piece is kept within an eighth of their range (pixels).
constexpr double kTallestPiece = double(INT_MAX / 8 / PANGO_SCALE);

std::atomic<unsigned long> g_laidOut{0};
std::atomic<unsigned long> g_pieces{0};
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

// Where pango starts a paragraph of its own inside a layout (following scripts and levels afresh).
bool ParagraphBreak(wchar_t c) { return c == L'\n' || c == 0x2029; }

int Utf8Length(wchar_t c) {
  const unsigned u = unsigned(c);
  return u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
}

// Fribidi fails on embeddings and isolates nested deeper than the levels it keeps: those
// opened past half of them are shown as nothing (their ends then end nothing).
void LimitNesting(std::wstring& text) {
  constexpr size_t kDeepest = 60;
  std::vector<bool> open;  // isolates, or embeddings and overrides
  for (wchar_t& c : text) {
    if (c == L'\r' || ParagraphBreak(c)) {
      open.clear();
    } else if ((c >= 0x202A && c <= 0x202E && c != 0x202C) || (c >= 0x2066 && c <= 0x2068)) {
      if (open.size() >= kDeepest) c = kWordJoiner;
      else open.push_back(c >= 0x2066);
    } else if (c == 0x202C && !open.empty() && !open.back()) {
      open.pop_back();
    } else if (c == 0x2069 && std::find(open.begin(), open.end(), true) != open.end()) {
      while (!open.back()) open.pop_back();
      open.pop_back();
    }
  }
}

// Right-to-left letters, embeddings, overrides or isolates (left-to-right ones raise levels too)
// make every bidi level of a paragraph depend on all of it.
bool RightToLeft(const std::wstring& text, LONG from, LONG to) {
  for (LONG i = from; i < to; ++i) {
    const unsigned c = unsigned(text[size_t(i)]);
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
        (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF) || c == 0x061C || c == 0x200F ||
        (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069))
      return true;
  }
  return false;
}

// The mark of a strong bidi type: the letter a piece's text is resolved against.
constexpr wchar_t kLeftToRightMark = 0x200E, kRightToLeftMark = 0x200F, kArabicLetterMark = 0x061C;
wchar_t Mark(FriBidiCharType type) {
  return type == FRIBIDI_TYPE_LTR   ? kLeftToRightMark
         : type == FRIBIDI_TYPE_RTL ? kRightToLeftMark
         : type == FRIBIDI_TYPE_AL  ? kArabicLetterMark
                                    : 0;
}

// A strong letter or a number: what the neutrals beside a bracket pair resolve by.
bool Steers(FriBidiCharType type) { return Mark(type) || type == FRIBIDI_TYPE_EN || type == FRIBIDI_TYPE_AN; }

// Top of a layout's line, pango units from the layout's top; with `bottom`, its bottom.
int LineTop(PangoLayout* layout, int line, bool bottom = false) {
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  int top = 0, end = 0;
  for (int i = 0; i < line && pango_layout_iter_next_line(it); ++i) {
  }
  pango_layout_iter_get_line_yrange(it, &top, &end);
  pango_layout_iter_free(it);
  return bottom ? end : top;
}

// Baseline of a layout's line, pango units from the layout's top.
int LineBaseline(PangoLayout* layout, int line) {
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  for (int i = 0; i < line && pango_layout_iter_next_line(it); ++i) {
  }
  const int baseline = pango_layout_iter_get_baseline(it);
  pango_layout_iter_free(it);
  return baseline;
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

// What of a character format the layout shows.
bool SameLook(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
  return a.dwEffects == b.dwEffects && a.yHeight == b.yHeight && a.yOffset == b.yOffset && a.wWeight == b.wWeight &&
         a.crTextColor == b.crTextColor && a.crBackColor == b.crBackColor &&
         wcsncmp(a.szFaceName, b.szFaceName, LF_FACESIZE) == 0;
}

// The first of the links (in text order, apart) that ends after `from`.
std::vector<CHARRANGE>::const_iterator FirstLink(const std::vector<CHARRANGE>& links, LONG from) {
  return std::upper_bound(links.begin(), links.end(), from,
                          [](LONG cp, const CHARRANGE& link) { return cp < link.cpMax; });
}

}  // namespace

unsigned long TestTextLayoutParagraphs() { return g_laidOut; }
unsigned long TestTextLayoutPieces() { return g_pieces; }
void TestSetTextLayoutPiece(int chars) { g_piece = chars; }

// The strong letters of a paragraph holding right-to-left text. A piece's text starts with the
// mark of its bidi paragraph's direction and of the last strong letter before it, and ends with
// the mark of the direction of what it stops at, so its letters take the levels they take in
// the paragraph. That holds only where those marks are all the bidi algorithm carries over: a
// piece starts after a space or tab (or a paragraph separator, after which pango resolves the
// text as a paragraph of its own), outside any embedding, override or isolate, where no bracket
// pair is open but ones that resolve as the paragraph's direction whatever their text around
// (the first and last letters inside of that direction) after a letter of that direction or
// one inside the innermost, and nothing that steers the
// neutrals after it another way stands between the last strong letter and it (an Arabic digit
// after left-to-right text, a resolved pair). Text after an embedding is a run of its own,
// whose start steers it as a letter of the direction of the embedding's level would; text after
// an isolate goes on from the letter before it (but fribidi lets one isolate steer another: no
// piece starts or ends between two). A piece stops at a strong letter, or at a number after a
// space, likewise.
class RichTextLayout::Bidi {
 public:
  Bidi(const std::wstring& text, LONG start, LONG length) {
    if (!RightToLeft(text, start, start + length)) return;
    rtl_ = true;
    length_ = length;
    types_.resize(size_t(length));
    for (LONG i = 0; i < length; ++i) {
      types_[size_t(i)] = fribidi_get_bidi_type(FriBidiChar(text[size_t(start + i)]));
      // Other paragraph separators end no paragraph for pango, but end fribidi's embeddings.
      whole_ = whole_ || (types_[size_t(i)] == FRIBIDI_TYPE_BS && !ParagraphBreak(text[size_t(start + i)]));
    }
    if (whole_) return;
    Bases();
    Tastes();
    Pairs pairs;
    pairs.across.assign(size_t(length) + 2, 0);
    pairs.mixed.assign(size_t(length) + 2, 0);
    pairs.opener.assign(size_t(length) + 1, -1);
    pairs.controls.assign(size_t(length) + 1, 0);
    pairs.next.assign(size_t(length) + 1, length);
    pairs.last.assign(size_t(length) + 1, -1);
    for (LONG i = 0; i < length; ++i) {
      const FriBidiCharType t = types_[size_t(i)];
      pairs.controls[size_t(i) + 1] = pairs.controls[size_t(i)] + (FRIBIDI_IS_EXPLICIT(t) || FRIBIDI_IS_ISOLATE(t));
      pairs.last[size_t(i) + 1] = Steers(t) ? i : pairs.last[size_t(i)];
    }
    for (LONG i = length; i-- > 0;) pairs.next[size_t(i)] = Steers(types_[size_t(i)]) ? i : pairs.next[size_t(i) + 1];
    if (!Scan(text, start, &pairs)) {
      whole_ = true;
      return;
    }
    Marks(pairs);
  }
  bool Whole() const { return whole_; }
  bool Separated() const { return separated_; }  // by paragraph separators, into bidi paragraphs
  bool Rtl() const { return rtl_; }
  bool RightToLeftFirst() const { return rtl_ && base_[0] == kRightToLeftMark; }  // the paragraph's direction
  // Whether a piece may start at `from` (on a line starting there), and end at `to`.
  bool Cut(LONG from) const { return !rtl_ || cut_[size_t(from)]; }
  bool End(LONG to) const { return !rtl_ || end_[size_t(to)]; }
  // Whether pango resolves the bidi paragraphs a piece of [from, to) holds parts of as it
  // resolves them whole (see Tastes).
  bool Resolved(LONG from, LONG to) const {
    return !rtl_ || (Alike(from, std::min(to, ends_[size_t(from)])) && Alike(std::max(from, starts_[size_t(to)]), to));
  }
  // The marks before a piece of [from, to) (a continued one shows a line before `from`) and after it.
  std::wstring Lead(LONG from, bool continued) const {
    std::wstring lead;
    if (!rtl_) return lead;
    // A first piece takes the paragraph's direction from its own first strong letter, or from
    // its trail, the mark of the paragraph's first one (a mark of its own would stand on its
    // first line, in a font of its own).
    if (!continued) return lead;
    if (base_[size_t(from)]) lead += base_[size_t(from)];
    if (before_[size_t(from)]) lead += before_[size_t(from)];
    return lead;
  }
  wchar_t Trail(LONG to) const { return rtl_ && to < length_ ? mark_[size_t(to)] : 0; }
  // Both, as a piece keeps them (no trail on the last piece); none that a piece could match
  // where it may not start or end.
  std::wstring Context(LONG from, LONG to, bool continued, bool last) const {
    if ((continued && !Cut(from)) || (!last && !End(to))) return std::wstring(1, wchar_t(0xFFFF));
    std::wstring context = Lead(from, continued);
    if (!last && Trail(to)) context += Trail(to);
    return context;
  }

 private:
  static wchar_t Direction(wchar_t mark) { return mark == kLeftToRightMark || !mark ? kLeftToRightMark : kRightToLeftMark; }
  // Bracket pairs as the algorithm matches them. `across[i]`, once summed: pairs open before i
  // and closed at i or later; `mixed[i]`: those of them that may resolve otherwise than as the
  // paragraph's direction whatever is around them: all but those starting and ending with
  // letters of that direction (the first and last letters or numbers inside, `next` and `last`),
  // holding no explicit control (`controls`, summed) and leaving no bracket open inside.
  struct Pairs {
    std::vector<int> across, mixed, controls;
    std::vector<LONG> opener;  // at a pair's closing bracket, where it opened
    std::vector<LONG> next, last;
  };
  struct Run {  // of text at one level, and the brackets open in it
    int level = -1;
    std::vector<std::pair<FriBidiBracketType, LONG>> open;
  };
  void Bases();
  void Tastes();
  bool Alike(LONG from, LONG to) const;
  bool Scan(const std::wstring& text, LONG start, Pairs* pairs);
  bool Match(Run& run, FriBidiBracketType bracket, LONG i, Pairs* pairs) const;
  void Tangle(const std::vector<char>& isolates);
  std::vector<LONG> Innermost(const std::vector<LONG>& opener) const;
  void Marks(Pairs& pairs);

  bool rtl_ = false;
  bool whole_ = false;
  bool separated_ = false;
  LONG length_ = 0;
  std::vector<FriBidiCharType> types_;
  // Per character: the direction of its bidi paragraph (0: none of its own or before); whether
  // no embedding, override or isolate is open before it; where text after an embedding starts a
  // run of its own, the mark of its start's direction.
  std::vector<wchar_t> base_, sos_;
  std::vector<char> outer_, tangled_;
  std::vector<wchar_t> before_, mark_;
  std::vector<char> cut_, end_;
  // Summed: characters that make pango call fribidi; left-to-right embeddings and overrides.
  // And where the bidi paragraph of each place starts and ends.
  std::vector<LONG> tastes_, raised_, starts_, ends_;
};

// Pango takes each bidi paragraph's direction from its first strong letter or embedding, or
// from the paragraph before it when it has none; the first from the first in all its text.
void RichTextLayout::Bidi::Bases() {
  base_.assign(size_t(length_) + 1, 0);
  auto first = [&](LONG from, LONG end) {
    for (LONG i = from; i < end; ++i) {
      const FriBidiCharType t = types_[size_t(i)];
      if (Mark(t) || t == FRIBIDI_TYPE_LRE || t == FRIBIDI_TYPE_RLE || t == FRIBIDI_TYPE_LRO || t == FRIBIDI_TYPE_RLO)
        return FRIBIDI_IS_RTL(t) ? kRightToLeftMark : kLeftToRightMark;
    }
    return wchar_t(0);
  };
  wchar_t previous = first(0, length_);
  for (LONG from = 0; from <= length_;) {
    LONG end = from;
    while (end < length_ && types_[size_t(end)] != FRIBIDI_TYPE_BS) ++end;
    wchar_t direction = first(from, end);
    if (!direction) direction = previous;
    for (LONG i = from; i <= end && i <= length_; ++i) base_[size_t(i)] = direction;
    separated_ = separated_ || end < length_;
    previous = direction;
    from = end + 1;
  }
}

// Pango resolves a bidi paragraph without fribidi, all left to right, when it holds no
// right-to-left, Arabic or isolate character: left-to-right embeddings and overrides then raise
// no level (and start no run of their own). A part of a paragraph that holds such embeddings
// or overrides but none of those characters, in a paragraph that holds some, would be resolved
// otherwise alone.
void RichTextLayout::Bidi::Tastes() {
  tastes_.assign(size_t(length_) + 1, 0);
  raised_.assign(size_t(length_) + 1, 0);
  starts_.assign(size_t(length_) + 1, 0);
  ends_.assign(size_t(length_) + 1, length_);
  for (LONG i = 0; i < length_; ++i) {
    const FriBidiCharType t = types_[size_t(i)];
    tastes_[size_t(i) + 1] = tastes_[size_t(i)] + (FRIBIDI_IS_RTL(t) || FRIBIDI_IS_ARABIC(t) || FRIBIDI_IS_ISOLATE(t));
    raised_[size_t(i) + 1] = raised_[size_t(i)] + (t == FRIBIDI_TYPE_LRE || t == FRIBIDI_TYPE_LRO);
    starts_[size_t(i) + 1] = t == FRIBIDI_TYPE_BS ? i + 1 : starts_[size_t(i)];
  }
  for (LONG i = length_; i-- > 0;) ends_[size_t(i)] = types_[size_t(i)] == FRIBIDI_TYPE_BS ? i : ends_[size_t(i) + 1];
}

// Whether pango resolves [from, to), within one bidi paragraph, as part of it.
bool RichTextLayout::Bidi::Alike(LONG from, LONG to) const {
  if (from >= to || raised_[size_t(to)] == raised_[size_t(from)] || tastes_[size_t(to)] > tastes_[size_t(from)])
    return true;
  const LONG start = starts_[size_t(from)], end = ends_[size_t(from)];
  return tastes_[size_t(end)] == tastes_[size_t(start)];
}

// The explicit levels, the runs of text they make and the bracket pairs in each run. False for
// levels or brackets nested deeper than the algorithm follows them.
bool RichTextLayout::Bidi::Scan(const std::wstring& text, LONG start, Pairs* pairs) {
  struct Entry {
    int level;
    bool override, isolate;
  };
  std::vector<Entry> stack;
  std::vector<Run> runs;  // of the isolates open, each going on after its isolate
  int lastLevel = 0;
  auto begin = [&](LONG i) {
    lastLevel = base_[size_t(i)] == kRightToLeftMark;
    stack.assign(1, Entry{lastLevel, false, false});
    runs.assign(1, Run());
  };
  outer_.assign(size_t(length_) + 1, 0);
  sos_.assign(size_t(length_), 0);
  std::vector<char> isolates(size_t(length_), 0);  // where one starts
  begin(0);
  for (LONG i = 0; i < length_; ++i) {
    outer_[size_t(i)] = stack.size() == 1;
    const FriBidiCharType t = types_[size_t(i)];
    const int top = stack.back().level;
    if (t == FRIBIDI_TYPE_BS) {
      begin(i + 1);
      continue;
    }
    const bool rtl = t == FRIBIDI_TYPE_RLE || t == FRIBIDI_TYPE_RLO || t == FRIBIDI_TYPE_RLI;
    const int raised = rtl ? (top + 1) | 1 : (top + 2) & ~1;
    if (raised > 120 && (FRIBIDI_IS_EXPLICIT(t) || FRIBIDI_IS_ISOLATE(t)) && t != FRIBIDI_TYPE_PDF && t != FRIBIDI_TYPE_PDI)
      return false;
    if (t == FRIBIDI_TYPE_LRE || t == FRIBIDI_TYPE_RLE || t == FRIBIDI_TYPE_LRO || t == FRIBIDI_TYPE_RLO) {
      stack.push_back(Entry{raised, t == FRIBIDI_TYPE_LRO || t == FRIBIDI_TYPE_RLO, false});
      continue;
    }
    if (t == FRIBIDI_TYPE_PDF && stack.size() > 1 && !stack.back().isolate) stack.pop_back();
    if (t == FRIBIDI_TYPE_PDF || t == FRIBIDI_TYPE_BN) continue;
    bool resumed = false;  // an isolate's end, where the run before it goes on
    if (t == FRIBIDI_TYPE_PDI && std::any_of(stack.begin(), stack.end(), [](const Entry& e) { return e.isolate; })) {
      while (!stack.back().isolate) stack.pop_back();
      stack.pop_back();
      runs.pop_back();
      resumed = true;
    }
    const int level = stack.back().level;
    if (stack.size() == 1 && !resumed && level != lastLevel)
      sos_[size_t(i)] = (std::max(level, lastLevel) & 1) ? kRightToLeftMark : kLeftToRightMark;
    lastLevel = level;
    Run& run = runs.back();
    if (run.level != level) run = Run{level, {}};
    if (t == FRIBIDI_TYPE_ON && !stack.back().override &&
        !Match(run, fribidi_get_bracket(FriBidiChar(text[size_t(start + i)])), i, pairs))
      return false;
    if (t == FRIBIDI_TYPE_LRI || t == FRIBIDI_TYPE_RLI || t == FRIBIDI_TYPE_FSI) {
      isolates[size_t(i)] = 1;
      stack.push_back(Entry{raised, false, true});
      runs.emplace_back();
    }
  }
  outer_[size_t(length_)] = stack.size() == 1;
  Tangle(isolates);
  return true;
}

// A bracket in its run: an opening one kept open, a closing one matched with the nearest open
// one of its kind. False past the 63 brackets open that the algorithm follows.
bool RichTextLayout::Bidi::Match(Run& run, FriBidiBracketType bracket, LONG i, Pairs* pairs) const {
  if (bracket == FRIBIDI_NO_BRACKET) return true;
  if (FRIBIDI_IS_BRACKET_OPEN(bracket)) {
    if (run.open.size() == 63) return false;
    run.open.emplace_back(FRIBIDI_BRACKET_ID(bracket), i);
    return true;
  }
  auto match = std::find_if(run.open.rbegin(), run.open.rend(),
                            [&](const auto& o) { return o.first == FRIBIDI_BRACKET_ID(bracket); });
  if (match == run.open.rend()) return true;
  const LONG o = match->second;
  ++pairs->across[size_t(o) + 1];
  --pairs->across[size_t(i) + 1];
  const wchar_t direction = Direction(base_[size_t(o)]);
  auto of = [&](LONG k) { return Mark(types_[size_t(k)]) && Direction(Mark(types_[size_t(k)])) == direction; };
  const LONG first = pairs->next[size_t(o) + 1], last = pairs->last[size_t(i)];
  if (match != run.open.rbegin() || !outer_[size_t(o)] || pairs->controls[size_t(i)] != pairs->controls[size_t(o) + 1] ||
      first >= i || last <= o || !of(first) || !of(last))
    ++pairs->mixed[size_t(o) + 1], --pairs->mixed[size_t(i) + 1];
  pairs->opener[size_t(i)] = o;
  run.open.erase(std::prev(match.base()), run.open.end());
  return true;
}

// Fribidi lets one isolate steer the levels in another (it pairs their brackets, for one): no
// piece starts or ends between two.
void RichTextLayout::Bidi::Tangle(const std::vector<char>& isolates) {
  tangled_.assign(size_t(length_) + 1, 0);
  for (LONG i = 0, before = 0; i < length_; ++i) {
    before = types_[size_t(i)] == FRIBIDI_TYPE_BS ? 0 : before || isolates[size_t(i)];
    tangled_[size_t(i) + 1] = char(before);
  }
  for (LONG i = length_ - 1, after = 0; i >= 0; --i) {
    after = types_[size_t(i)] == FRIBIDI_TYPE_BS ? 0 : after || isolates[size_t(i)];
    tangled_[size_t(i)] = char(tangled_[size_t(i)] && after);
  }
}

// At each place, the opening bracket of the innermost pair open there (-1: none).
std::vector<LONG> RichTextLayout::Bidi::Innermost(const std::vector<LONG>& opener) const {
  std::vector<LONG> closing(size_t(length_), -1);
  for (LONG c = 0; c < length_; ++c)
    if (opener[size_t(c)] >= 0) closing[size_t(opener[size_t(c)])] = c;
  std::vector<LONG> inner(size_t(length_) + 1, -1);
  std::vector<LONG> open;  // innermost last
  for (LONG i = 0; i <= length_; ++i) {
    while (!open.empty() && closing[size_t(open.back())] < i) open.pop_back();
    inner[size_t(i)] = open.empty() ? -1 : open.back();
    if (i < length_ && closing[size_t(i)] >= 0) open.push_back(i);
  }
  return inner;
}

void RichTextLayout::Bidi::Marks(Pairs& pairs) {
  std::vector<int>& across = pairs.across;
  std::vector<int>& mixed = pairs.mixed;
  const std::vector<LONG> inner = Innermost(pairs.opener);
  before_.assign(size_t(length_) + 1, 0);
  mark_.assign(size_t(length_) + 1, 0);
  cut_.assign(size_t(length_) + 1, 0);
  end_.assign(size_t(length_) + 1, 0);
  for (size_t i = 1; i < across.size(); ++i) across[i] += across[i - 1], mixed[i] += mixed[i - 1];
  wchar_t last = 0;
  LONG at = -1;          // where that letter stands (-1: the start of the run)
  bool steered = false;  // since the last strong letter
  bool spaced = false;   // the character before is a space or a tab
  for (LONG i = 0; i < length_; ++i) {
    const FriBidiCharType type = types_[size_t(i)];
    const wchar_t base = base_[size_t(i)];
    if (sos_[size_t(i)]) last = sos_[size_t(i)], at = -1, steered = false;
    const bool outer = outer_[size_t(i)];
    const bool closed = outer && across[size_t(i)] == 0;
    // What European digits and neutrals here follow: the last strong letter, or the start.
    const wchar_t context = !last ? base : Direction(last);
    // Inside pairs that resolve as the paragraph's direction whatever is around them (a piece
    // starts there after a letter of that direction).
    const bool plain = outer && mixed[size_t(i)] == 0;
    // (there, the text after the innermost pair's opening bracket follows it, as of that direction)
    const bool held = plain && (at > inner[size_t(i)] || Direction(context) == Direction(base));
    before_[size_t(i)] = last;
    // Between two strong letters of one direction (two ideographs) the last one is all
    // that crosses too.
    const bool strong = i > 0 && Mark(type) && Mark(type) == Mark(types_[size_t(i) - 1]);
    cut_[size_t(i)] = (closed || held) && (spaced || strong) && !steered && !tangled_[size_t(i)] &&
                      Alike(i, ends_[size_t(i)]);
    if (outer) {
      if (const wchar_t mark = Mark(type)) {
        mark_[size_t(i)] = mark;
        end_[size_t(i)] = plain && !tangled_[size_t(i)];
        last = mark;
        at = i;
        steered = false;
      } else if (type == FRIBIDI_TYPE_EN || type == FRIBIDI_TYPE_AN) {
        // A piece may also stop at a number after a space: the neutrals before it take the
        // direction it resolves to (a European one that of the letter before it, an Arabic
        // one right to left), which a first piece's trail must not give it another way.
        const wchar_t resolved = type == FRIBIDI_TYPE_EN ? context : kRightToLeftMark;
        if (closed && spaced && (last || resolved == base))
          mark_[size_t(i)] = resolved, end_[size_t(i)] = !tangled_[size_t(i)];
        // An Arabic digit after left-to-right text steers the neutrals after it another way.
        if (resolved != context) steered = true;
      }
      if (pairs.opener[size_t(i)] >= 0) steered = true;  // a pair, resolved either way
    }
    // A paragraph separator starts the algorithm afresh.
    if (type == FRIBIDI_TYPE_BS) last = 0, at = -1, steered = false;
    spaced = type == FRIBIDI_TYPE_WS || type == FRIBIDI_TYPE_SS || type == FRIBIDI_TYPE_BS;
  }
  before_[size_t(length_)] = last;
  cut_[0] = 1;
  end_[size_t(length_)] = 1;
}

RichTextLayout::RichTextLayout(const std::wstring& shown, const TextFormats& formats, const FontObject* font,
                               Options options, RichTextLayout* previous)
    : text_(shown), formats_(formats), font_(font), options_(std::move(options)) {
  for (wchar_t& c : text_)
    if (c == kLineBreak) c = kLineSeparator;
  LimitNesting(text_);
  // Paragraphs of the previous layout by what they show, when it was made alike.
  std::unordered_map<std::string, std::vector<size_t>> reusable;
  // Old paragraphs taken over whole, or in part (the pieces before a change for one paragraph,
  // those after it for another).
  enum Use : char { kFree, kWhole, kPart };
  std::vector<Use> taken;
  if (previous && (previous->font_ != font_ || previous->options_.wrapWidth != options_.wrapWidth ||
                   previous->options_.alignWidth != options_.alignWidth || previous->options_.text != options_.text ||
                   previous->options_.link != options_.link))
    previous = nullptr;
  LONG same = 0, sameEnd = 0;  // what the texts share at their start and at their end
  // The previous layout's open paragraph has only the pieces before its rest: those alone hold.
  const size_t unfinished = previous && !previous->Done() ? previous->LaidOut() - 1 : SIZE_MAX;
  if (previous) {
    for (size_t i = previous->paragraphs_.size(); i-- > 0;)
      if (i != unfinished) reusable[previous->paragraphs_[i].key].push_back(i);
    taken.assign(previous->paragraphs_.size(), kFree);
    Compare(*previous, &same, &sameEnd);
  }
  const LONG n = LONG(text_.size());
  const LONG shift = previous ? n - LONG(previous->text_.size()) : 0;
  LONG start = 0;
  while (true) {
    LONG end = start;
    while (end < n && text_[size_t(end)] != L'\r') ++end;
    const PARAFORMAT2& pf = formats_.ParaAt(end);
    Paragraph p;
    p.start = start;
    p.length = end - start;
    p.look = LookOf(pf);
    p.key = KeyOf(start, end, p.look);
    auto alike = reusable.find(p.key);
    while (alike != reusable.end() && !alike->second.empty() && taken[alike->second.back()] != kFree)
      alike->second.pop_back();
    if (alike != reusable.end() && !alike->second.empty()) {
      taken[alike->second.back()] = kWhole;
      Paragraph& old = previous->paragraphs_[alike->second.back()];
      alike->second.pop_back();
      p.pieces = std::move(old.pieces);
      p.x = old.x;
      p.height = old.height;
      p.total = old.total;
      p.right = old.right;
      p.lines = old.lines;
      p.across = old.across;
      p.ascent = old.ascent;
      p.descent = old.descent;
    } else {
      // A changed paragraph takes over the pieces of the one that started where it starts
      // and of the one that ended where it ends, as far as the text there is the same (and
      // its tab stops, which pango measures in the font of a paragraph's first letter).
      Reuse reuse;
      if (previous) {
        auto& olds = previous->paragraphs_;
        auto usable = [&](size_t i) { return taken[i] != kWhole && olds[i].look == p.look && !olds[i].pieces.empty(); };
        auto at = std::lower_bound(olds.begin(), olds.end(), start,
                                   [](const Paragraph& o, LONG cp) { return o.start < cp; });
        if (start <= same && at != olds.end() && at->start == start && usable(size_t(at - olds.begin()))) {
          reuse.before = &*at;
          reuse.same = std::min({same - start, at->length, p.length});
        }
        const LONG oldEnd = end - shift;
        auto ends = std::lower_bound(olds.begin(), olds.end(), oldEnd,
                                     [](const Paragraph& o, LONG cp) { return o.start + o.length < cp; });
        if (oldEnd >= LONG(previous->text_.size()) - sameEnd && ends != olds.end() &&
            ends->start + ends->length == oldEnd && usable(size_t(ends - olds.begin())) &&
            size_t(ends - olds.begin()) != unfinished &&
            (SameLook(formats_.CharAt(start), previous->formats_.CharAt(ends->start)) ||
             text_.find(L'\t', size_t(start)) >= size_t(end))) {
          reuse.after = &*ends;
          reuse.unchanged = std::max<LONG>(0, LONG(previous->text_.size()) - sameEnd - ends->start);
          reuse.shift = ends->start + shift - start;
        }
        for (Paragraph* o : {reuse.before, reuse.after}) {
          if (!o) continue;
          const size_t i = size_t(o - olds.data());
          taken[i] = kPart;
          auto& alikes = reusable[o->key];
          alikes.erase(std::remove(alikes.begin(), alikes.end(), i), alikes.end());
        }
      }
      LayOut(p, pf, &reuse);
      ++g_laidOut;
    }
    paragraphs_.push_back(std::move(p));
    if (end >= n) break;
    start = end + 1;
  }
  Stack();
}

// The paragraphs stacked from the top, and their lines.
void RichTextLayout::Stack() const {
  lines_.clear();
  width_ = 0;
  int y = 0;
  for (size_t i = 0; i < paragraphs_.size(); ++i) {
    Paragraph& p = paragraphs_[i];
    y += Pixels(formats_.ParaAt(p.start + p.length).dySpaceBefore);
    p.y = y;
    y += p.total;
    p.firstLine = int(lines_.size());
    for (size_t k = 0; k < (p.across ? 1 : p.pieces.size()); ++k)
      for (int l = p.pieces[k].firstLine; l < p.pieces[k].endLine; ++l) lines_.push_back(Line{i, k, l});
    width_ = std::max(width_, p.right);
  }
  height_ = y;
}

std::string RichTextLayout::LookOf(const PARAFORMAT2& pf) {
  std::string look;
  for (LONG v : {pf.dxStartIndent, pf.dxRightIndent, pf.dxOffset, pf.dySpaceBefore, pf.dySpaceAfter, pf.dyLineSpacing})
    Append(look, v);
  Append(look, pf.wAlignment);
  Append(look, pf.bLineSpacingRule);
  return look;
}

// How many characters, with their formats and links, the texts share at their start and at their end.
void RichTextLayout::Compare(const RichTextLayout& previous, LONG* same, LONG* sameEnd) const {
  const std::wstring& old = previous.text_;
  const LONG n = LONG(text_.size()), m = LONG(old.size()), most = std::min(n, m);
  const CHARFORMAT2W *lastA = nullptr, *lastB = nullptr;
  auto alike = [&](LONG a, LONG b) {
    if (text_[size_t(a)] != old[size_t(b)]) return false;
    const CHARFORMAT2W* fa = &formats_.CharAt(a);
    const CHARFORMAT2W* fb = &previous.formats_.CharAt(b);
    if (fa == lastA && fb == lastB) return true;
    if (!SameLook(*fa, *fb)) return false;
    lastA = fa;
    lastB = fb;
    return true;
  };
  LONG s = 0;
  while (s < most && alike(s, s)) ++s;
  LONG e = 0;
  while (e < most - s && alike(n - 1 - e, m - 1 - e)) ++e;
  const auto& a = options_.links;
  const auto& b = previous.options_.links;
  for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const bool both = i < a.size() && i < b.size();
    if (both && a[i].cpMin == b[i].cpMin && a[i].cpMax == b[i].cpMax && a[i].cpMax <= s) continue;
    if (i < a.size()) s = std::min(s, a[i].cpMin);
    if (i < b.size()) s = std::min(s, b[i].cpMin);
    break;
  }
  for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const bool both = i < a.size() && i < b.size();
    const CHARRANGE* x = i < a.size() ? &a[a.size() - 1 - i] : nullptr;
    const CHARRANGE* y = i < b.size() ? &b[b.size() - 1 - i] : nullptr;
    if (both && x->cpMin - n == y->cpMin - m && x->cpMax - n == y->cpMax - m && y->cpMin >= m - e) continue;
    if (x) e = std::min(e, std::max<LONG>(0, n - x->cpMax));
    if (y) e = std::min(e, std::max<LONG>(0, m - y->cpMax));
    break;
  }
  *same = std::max<LONG>(0, s);
  *sameEnd = std::max<LONG>(0, e);
}

std::string RichTextLayout::KeyOf(LONG start, LONG end, const std::string& look) const {
  std::string key;
  key.reserve(size_t(end - start) * sizeof(wchar_t) + 64);
  Append(key, end - start);
  key.append(reinterpret_cast<const char*>(text_.data() + start), size_t(end - start) * sizeof(wchar_t));
  key += look;
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

void RichTextLayout::LayOut(Paragraph& p, const PARAFORMAT2& pf, Reuse* reuse) const {
  const Bidi bidi(text_, p.start, p.length);
  // Unwrapped lines stand by the direction of their own bidi paragraph.
  const bool split = p.length > LongestPiece() && !bidi.Whole() && !(bidi.Separated() && options_.wrapWidth <= 0);
  if (split && Across(p, pf, bidi)) {
    LayOutAcross(p, pf, reuse);
  } else if (split && LayOutPieces(p, pf, bidi, reuse)) {
    // Unwrapped lines of a right-to-left paragraph stand at the right of its widest line, as
    // pango puts them at the right of the widest line of their layout: each piece is shifted
    // by what its layout's width falls short of the paragraph's.
    int widest = 0;
    for (const Piece& piece : p.pieces) widest = std::max(widest, piece.widest);
    const bool shifted = bidi.RightToLeftFirst() && options_.wrapWidth <= 0;
    for (Piece& piece : p.pieces) piece.dx = shifted ? widest - piece.width : 0;
  } else {
    LayOutWhole(p, pf);
  }
  Measure(p, pf);
}

// The paragraph in one pango layout.
void RichTextLayout::LayOutWhole(Paragraph& p, const PARAFORMAT2& pf) const {
  p.pieces.clear();
  Piece whole = MakePiece(p, pf, 0, p.length, false, Bidi(text_, p.start, 0), ScriptContext());
  whole.endLine = pango_layout_get_line_count(whole.layout->Get());
  Seal(whole);
  p.pieces.push_back(std::move(whole));
}

// Whether a paragraph goes to pango in pieces across: one unwrapped line of left-to-right
// text in one face and size, with no tab (whose stop is measured from the line's start), no
// spacing rule that pango applies and no raised or lowered run (pango stands a line of runs
// of several sizes or rises on a baseline that is not the highest of theirs).
bool RichTextLayout::Across(const Paragraph& p, const PARAFORMAT2& pf, const Bidi& bidi) const {
  if (options_.wrapWidth > 0 || bidi.Rtl() || pf.bLineSpacingRule == 1 || pf.bLineSpacingRule == 2 ||
      pf.bLineSpacingRule == 5)
    return false;
  const CHARFORMAT2W& first = formats_.CharAt(p.start);
  for (LONG cp = p.start, end = p.start + p.length; cp < end; cp = RunEnd(formats_, cp, end)) {
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    if (cf.yOffset != 0 || (cf.dwEffects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT)) || cf.yHeight != first.yHeight ||
        wcsncmp(cf.szFaceName, first.szFaceName, LF_FACESIZE) != 0)
      return false;
  }
  for (LONG i = p.start; i < p.start + p.length; ++i) {
    const wchar_t c = text_[size_t(i)];
    if (c == L'\t' || c == L'\n' || c == 0x000C || c == 0x0085 || c == kLineSeparator || c == 0x2029) return false;
  }
  return true;
}

// A piece across ends where the font changes (pango shapes no glyphs over such a change), half
// a piece's characters or more on.
LONG RichTextLayout::AcrossEnd(const Paragraph& p, LONG from) const {
  LONG to = std::min(p.length, from + std::max<LONG>(1, LongestPiece() / 2));
  // The first piece holds the first letter of a script (one after its text would stand on its line).
  while (from == 0 && to < p.length && NextLetter(p, 0, to, false, ScriptContext())) ++to;
  auto sameFont = [&](LONG cp) {
    const CHARFORMAT2W &a = formats_.CharAt(p.start + cp - 1), &b = formats_.CharAt(p.start + cp);
    constexpr DWORD kShape = CFE_ITALIC | CFE_SUBSCRIPT | CFE_SUPERSCRIPT;
    return &a == &b || (a.yHeight == b.yHeight && a.wWeight == b.wWeight &&
                        (a.dwEffects & kShape) == (b.dwEffects & kShape) &&
                        wcsncmp(a.szFaceName, b.szFaceName, LF_FACESIZE) == 0);
  };
  while (to < p.length && sameFont(to)) ++to;
  return to;
}

void RichTextLayout::LayOutAcross(Paragraph& p, const PARAFORMAT2& pf, Reuse* reuse) const {
  p.across = true;
  const Bidi none(text_, p.start, 0);
  ScriptContext scripts;
  LONG from = 0, scriptsAt = 0;
  int64_t x = 0;  // where the line has come to, pango units
  // The pieces laid out from text before the change hold.
  if (reuse->before && reuse->before->across) {
    std::vector<Piece>& old = reuse->before->pieces;
    size_t held = 0;
    while (held + 1 < old.size() && old[held].textTo <= reuse->same &&
           g_unichar_get_script(gunichar(old[held].next)) ==
               g_unichar_get_script(gunichar(NextLetter(p, old[held].textFrom, old[held].textTo, held > 0, old[held].scripts))))
      ++held;
    if (held > 0) {
      from = scriptsAt = old[held].textFrom;
      scripts = old[held].scripts;  // of the same text before it
      x = old[held - 1].right + old[held - 1].dx;
    }
    for (size_t k = 0; k < held; ++k) p.pieces.push_back(std::move(old[k]));
  }
  while (from < p.length) {
    for (; scriptsAt < from; ++scriptsAt) scripts.Step(text_[size_t(p.start + scriptsAt)]);
    if (TakeOverAcross(p, reuse, from, scripts, x)) break;
    const LONG to = AcrossEnd(p, from);
    Piece piece = MakePiece(p, pf, from, to, from > 0, none, scripts);
    PangoLayout* pl = piece.layout->Get();
    if (from > 0) pango_layout_set_indent(pl, 0);  // only the line's start is indented
    piece.endLine = pango_layout_get_line_count(pl);
    piece.firstLine = piece.endLine - 1;
    SealAcross(piece);
    piece.dx = from == 0 ? 0 : int(x - piece.left);
    x = piece.right + piece.dx;
    p.pieces.push_back(std::move(piece));
    from = to;
  }
  // Every piece lowered to the line's baseline.
  p.ascent = p.descent = 0;
  for (const Piece& piece : p.pieces) {
    p.ascent = std::max(p.ascent, piece.ascent);
    p.descent = std::max(p.descent, piece.descent);
  }
  for (Piece& piece : p.pieces) {
    piece.dy = p.ascent - piece.baseline;
    piece.top = piece.above = 0;
    piece.below = p.ascent + p.descent;
  }
}

// The old pieces across after the change from the one that starts at `at` here, when it
// starts there as a piece made now would: moved on to `x`. How many were taken.
size_t RichTextLayout::TakeOverAcross(Paragraph& p, Reuse* reuse, LONG at, const ScriptContext& before,
                                      int64_t x) const {
  if (!reuse->after || !reuse->after->across || at == 0) return 0;
  std::vector<Piece>& old = reuse->after->pieces;
  const LONG was = at - reuse->shift;
  auto it = std::lower_bound(old.begin(), old.end(), was, [](const Piece& piece, LONG cp) { return piece.textFrom < cp; });
  if (it == old.begin() || it == old.end() || it->textFrom != was || was < reuse->unchanged || !it->layout ||
      !it->scripts.SameState(before) ||
      g_unichar_get_script(gunichar(it->next)) !=
          g_unichar_get_script(gunichar(NextLetter(p, at, it->textTo + reuse->shift, true, before))))
    return 0;
  const int64_t move = x - (it->left + it->dx);
  const size_t taken = size_t(old.end() - it);
  for (; it != old.end(); ++it) {
    Piece moved = std::move(*it);
    for (LONG* cp : {&moved.textFrom, &moved.from, &moved.to, &moved.textTo}) *cp += reuse->shift;
    moved.dx = int(moved.dx + move);
    p.pieces.push_back(std::move(moved));
  }
  return taken;
}

// The line of a piece across: its baseline, height above and below it, and the places across
// where its text starts and ends.
void RichTextLayout::SealAcross(Piece& piece) {
  PangoLayout* pl = piece.layout->Get();
  PangoLayoutIter* it = pango_layout_get_iter(pl);
  for (int i = 0; i < piece.firstLine; ++i) pango_layout_iter_next_line(it);
  PangoRectangle logical;
  pango_layout_iter_get_line_extents(it, nullptr, &logical);
  piece.baseline = pango_layout_iter_get_baseline(it);
  pango_layout_iter_free(it);
  piece.ascent = piece.baseline - logical.y;
  piece.descent = logical.y + logical.height - piece.baseline;
  PangoRectangle end;
  pango_layout_index_to_pos(pl, piece.bytes.back(), &end);
  piece.left = logical.x;
  piece.right = end.x;
}

// How far a paragraph being laid out in pieces has come.
struct RichTextLayout::Progress {
  LONG from = 0, limit = 0, kept = 0;
  int64_t keptTop = 0;  // paragraph units of the top of the line the next piece starts with
  int64_t baseBefore = 0;  // and the baseline of the line before it
  int leadAscent = 0;      // of the separator's line, as last found
  // The script state of the text before the piece being made, followed from the paragraph's
  // start or from a piece taken over.
  ScriptContext scripts;
  LONG scriptsAt = 0;
  bool aim = true;  // a piece may end where an old one did, or where its lines would pass pango's units
};

// The state of a paragraph being laid out in pieces.
struct RichTextLayout::Piecing : Progress {
  Piecing(Paragraph& paragraph, const PARAFORMAT2& format, const Bidi& levels, Reuse* taken)
      : p(paragraph), pf(format), bidi(levels), reuse(taken) {}
  Paragraph& p;
  const PARAFORMAT2& pf;
  const Bidi& bidi;
  Reuse* reuse;
  std::vector<Piece>* after = nullptr;  // the old pieces after the change, when there are some to take over
};

// A paragraph left open: where it has come, and what its rest is laid out with.
struct RichTextLayout::Open {
  size_t paragraph = 0;
  PARAFORMAT2 pf{};
  Bidi bidi;
  Paragraph old;  // the old pieces after the change that the rest may still meet
  Reuse reuse;
  Progress progress;
};

// Each piece after the first shows a line separator, then the last line kept from the piece
// before (so the lines after it are placed and broken as in one layout), then new lines; the
// last line of a piece that does not reach the paragraph's end may be cut short and is not
// kept. Lines are broken, spread and ordered one by one, so justified, unwrapped and
// right-to-left paragraphs are pieced the same way.
bool RichTextLayout::LayOutPieces(Paragraph& p, const PARAFORMAT2& pf, const Bidi& bidi, Reuse* reuse) const {
  // Pieces across are no lines to go on from.
  if (reuse->before && reuse->before->across) reuse->before = nullptr;
  if (reuse->after && reuse->after->across) reuse->after = nullptr;
  Piecing s(p, pf, bidi, reuse);
  s.limit = LongestPiece();
  TakeOverBefore(s);
  s.after = reuse->after && reuse->after->pieces.size() > 1 ? &reuse->after->pieces : nullptr;
  // An edit's lines are laid out up to a few pieces past the change, where they may meet the
  // old ones; what no one sees yet is laid out when asked for (in one paragraph of an edit).
  const bool edit = !open_ && options_.wrapWidth > 0 && (!p.pieces.empty() || s.after);
  const Pieced pieced = PieceOn(s, edit ? kEagerPieces : INT_MAX);
  if (pieced == Pieced::kOpen) Stash(s);
  return pieced != Pieced::kFailed;
}

// Lays out the paragraph's pieces on, `pieces` of them at most (or until the paragraph opens).
RichTextLayout::Pieced RichTextLayout::PieceOn(Piecing& s, int pieces) const {
  Paragraph& p = s.p;
  for (int made = 0;; ++made) {
    const bool first = p.pieces.empty();
    if (!first && made >= pieces) return Pieced::kOpen;
    const LONG to = PieceEnd(s, first);
    const bool last = to == p.length;
    s.scripts = ScriptsBefore(s, s.from);
    s.scriptsAt = s.from;
    Piece piece = MakePiece(p, s.pf, s.from, to, !first, s.bidi, s.scripts);
    if (!first) Lower(p, piece, s.baseBefore, &s.leadAscent);
    std::vector<LONG> starts;  // of the layout's lines, in the paragraph
    if (!KeepLines(s, piece, to, first, last, &starts)) {  // too few lines: a longer piece
      s.limit = std::max(s.limit, to - s.from) * 2;
      s.aim = false;
      --made;
      continue;
    }
    s.aim = true;
    PangoLayout* pl = piece.layout->Get();
    if (!first) {
      if (starts[2] != s.kept) return Pieced::kFailed;  // the shared line broke elsewhere
      piece.dy = s.keptTop - LineTop(pl, 1);
      piece.from = s.kept;
      piece.top = TopAfter(p.pieces.back(), piece);
      piece.lineBase = p.pieces.back().lineBase + p.pieces.back().endLine - p.pieces.back().firstLine;
    }
    piece.to = last ? p.length : starts[size_t(piece.endLine)];
    const size_t meet = Meet(s, piece, starts);
    const LONG next = last && !meet ? 0 : starts[size_t(piece.endLine - 1)];
    if (!last || meet) {
      s.keptTop = piece.dy + LineTop(pl, piece.endLine - 1);
      s.baseBefore = piece.dy + LineBaseline(pl, piece.endLine - 2);
    }
    s.kept = piece.to;
    Seal(piece);
    piece.lowest = Lowest(piece, first ? INT64_MIN : p.pieces.back().lowest);
    p.pieces.push_back(std::move(piece));
    if (meet) {
      TakeOverAfter(s, meet);
      return Pieced::kDone;
    }
    if (last) return Pieced::kDone;
    s.from = next;
    s.limit = NextLimit(p.pieces.back());
  }
}

RichTextLayout::~RichTextLayout() = default;

// Keeps what an open paragraph's rest is laid out with: the old pieces it may meet move here.
void RichTextLayout::Stash(Piecing& s) const {
  auto open = std::make_unique<Open>(Open{paragraphs_.size(), s.pf, s.bidi, Paragraph(), *s.reuse, s});
  open->reuse.before = nullptr;
  open->reuse.after = nullptr;
  if (s.after) {
    open->old.pieces = std::move(*s.after);
    open->reuse.after = &open->old;
  }
  open_ = std::move(open);
}

// Lays out more of the open paragraph: `pieces` more, or until its lines reach `y` pixels
// down; once it is done, measures it and stacks the paragraphs again.
void RichTextLayout::Resume(int pieces, int y) const {
  if (!open_) return;
  Open& o = *open_;
  Paragraph& p = paragraphs_[o.paragraph];
  Piecing s(p, o.pf, o.bidi, &o.reuse);
  static_cast<Progress&>(s) = o.progress;
  s.after = o.reuse.after && o.old.pieces.size() > 1 ? &o.old.pieces : nullptr;
  Pieced pieced = Pieced::kOpen;
  while (pieced == Pieced::kOpen && pieces > 0 && p.y + p.pieces.back().below / PANGO_SCALE < y) {
    pieced = PieceOn(s, 1);
    --pieces;
  }
  if (pieced == Pieced::kOpen) {
    o.progress = s;
    Measure(p, o.pf);
    return;
  }
  if (pieced == Pieced::kFailed) LayOutWhole(p, o.pf);
  const PARAFORMAT2 pf = o.pf;
  open_.reset();
  Measure(p, pf);
  Stack();
}

// Whether the place before `cp` is laid out (everything is once done).
bool RichTextLayout::Before(LONG cp) const {
  if (!open_) return true;
  const Paragraph& p = paragraphs_[open_->paragraph];
  return cp < p.start + p.pieces.back().to;
}

// Whether points at `y` hit what is laid out: above the bottom of the last line laid out, the
// first line whose bottom is below them is one of those.
bool RichTextLayout::Hits(int y) const {
  if (!open_) return true;
  const Paragraph& p = paragraphs_[open_->paragraph];
  const Piece& back = p.pieces.back();
  return (int64_t(y) - p.y) * PANGO_SCALE < back.dy + LineTop(back.layout->Get(), back.endLine - 1, true);
}

// Whether the line is there, answered from the lines laid out when it is one of them.
bool RichTextLayout::HasLine(int line) const {
  if (open_) {
    size_t known = size_t(paragraphs_[open_->paragraph].firstLine);
    while (known < lines_.size() && lines_[known].paragraph == open_->paragraph) ++known;
    if (line >= 0 && size_t(line) < known) return true;
  }
  return line >= 0 && line < LineCount();
}

// The paragraphs laid out: all, or up to the open one.
size_t RichTextLayout::LaidOut() const { return open_ ? open_->paragraph + 1 : paragraphs_.size(); }

int RichTextLayout::Reach(int y) const {
  Resume(INT_MAX, y);
  if (!open_) return height_;
  const Paragraph& p = paragraphs_[open_->paragraph];
  return p.y + int(p.pieces.back().below / PANGO_SCALE);
}

// Characters for the piece after this one: about kLinesPerPiece of its lines.
LONG RichTextLayout::NextLimit(const Piece& piece) {
  const LONG chars = piece.to - piece.from, lines = std::max(1, piece.endLine - piece.firstLine);
  return std::clamp<LONG>(chars / lines * kLinesPerPiece, std::min(kShortestPiece, LongestPiece()), LongestPiece());
}

// Pango follows the scripts of each of its paragraphs afresh.
ScriptContext RichTextLayout::ScriptsBefore(const Piecing& s, LONG cp) const {
  ScriptContext ahead = s.scripts;
  for (LONG i = s.scriptsAt; i < cp; ++i) {
    const wchar_t c = text_[size_t(s.p.start + i)];
    ahead.Step(c);
    if (ParagraphBreak(c)) ahead = ScriptContext();
  }
  return ahead;
}

// Whether a piece laid out before starts as this text would start it: the same bidi marks,
// and the script state of the text before it (the letters that set it may be others).
bool RichTextLayout::SameStart(const Piecing& s, const Piece& piece, LONG shift, bool continued,
                               const ScriptContext& before) const {
  const LONG from = piece.textFrom + shift, to = piece.textTo + shift;
  return piece.context == s.bidi.Context(from, to, continued, to == s.p.length) &&
         (!continued || piece.scripts.SameState(before)) &&
         g_unichar_get_script(gunichar(piece.next)) ==
             g_unichar_get_script(gunichar(NextLetter(s.p, from, to, continued, before)));
}

// The pieces laid out from text before the change hold; the next one starts on the last line
// they keep.
void RichTextLayout::TakeOverBefore(Piecing& s) const {
  if (!s.reuse->before) return;
  std::vector<Piece>& old = s.reuse->before->pieces;
  size_t held = 0;
  while (held + 1 < old.size() && old[held].layout && old[held + 1].layout &&
         old[held].textTo < s.reuse->same && SameStart(s, old[held], 0, held > 0, old[held].scripts))
    ++held;
  for (size_t k = 0; k < held; ++k) s.p.pieces.push_back(std::move(old[k]));
  if (held == 0) return;
  s.from = old[held].textFrom;
  s.scripts = old[held].scripts;  // of the same text before it
  s.scriptsAt = s.from;
  s.kept = old[held].from;
  s.keptTop = old[held].dy + LineTop(old[held].layout->Get(), 1);
  const Piece& back = s.p.pieces.back();
  s.baseBefore = back.dy + LineBaseline(back.layout->Get(), back.endLine - 2);
  s.limit = NextLimit(s.p.pieces.back());
}

// The first old piece after the change that starts at `at` here or later.
size_t RichTextLayout::FirstAfter(const Piecing& s, LONG at) {
  const LONG old = std::max(s.reuse->unchanged, at - s.reuse->shift);
  auto it = std::lower_bound(s.after->begin() + 1, s.after->end(), old,
                             [](const Piece& piece, LONG cp) { return piece.textFrom < cp; });
  return size_t(it - s.after->begin());
}

// The end of the next piece's text.
LONG RichTextLayout::PieceEnd(const Piecing& s, bool first) const {
  LONG to = std::min(s.p.length, s.from + s.limit);
  // Up to the end of the text the old piece before the next reusable one was laid out with:
  // where the lines meet the old ones again, this piece then holds that one's first line.
  if (s.after && s.aim) {
    const size_t j = FirstAfter(s, first ? 1 : s.kept);
    if (j < s.after->size()) {
      const LONG target = (*s.after)[j - 1].textTo + s.reuse->shift;
      if (target > s.from && target - s.from <= 2 * LongestPiece()) to = std::min(s.p.length, target);
    }
  }
  // Too few lines for a piece stay low however tall their letters: such a piece may grow.
  if (s.aim) to = Fit(s.p, s.pf, s.from, to);
  while (!s.bidi.End(to) || !s.bidi.Resolved(s.from, to) ||
         (to < s.p.length && !OwnFont(text_[size_t(s.p.start + to)])))
    ++to;
  return to;
}

// The lines a piece keeps (two at least in the first, and one to drop; after them, a line to
// share with the next piece and one to drop), or false when it has too few.
bool RichTextLayout::KeepLines(const Piecing& s, Piece& piece, LONG to, bool first, bool last,
                               std::vector<LONG>* starts) const {
  PangoLayout* pl = piece.layout->Get();
  const int count = pango_layout_get_line_count(pl);
  if (!last && count < (first ? 3 : 4)) return false;
  starts->reserve(size_t(count));
  // (lines that start in the trail or the letter after it start where the text ends)
  for (GSList* l = pango_layout_get_lines_readonly(pl); l; l = l->next)
    starts->push_back(std::min(CpIn(s.p, piece, static_cast<PangoLayoutLine*>(l->data)->start_index) - s.p.start, to));
  const std::vector<LONG>& at = *starts;
  piece.firstLine = first ? 0 : 2;
  piece.endLine = last ? count : count - 1;
  // The letters and marks after the text may wrap to lines of their own: the line the text
  // ends on is not kept either.
  while (!last && piece.endLine > piece.firstLine && at[size_t(piece.endLine)] >= to) --piece.endLine;
  if (!last && piece.endLine == piece.firstLine) return false;
  // Pango spreads a justified line broken inside a word by what it measured of the word's
  // lines before: pieces of a justified paragraph meet where a line may break (between
  // words, between ideographs, between Thai words), or between lines with no space to spread.
  const bool justified = s.pf.wAlignment == PFA_JUSTIFY;
  int attrCount = 0;
  const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(pl, &attrCount);
  auto between = [&](LONG cp) {
    const LONG i = piece.leadChars + cp - piece.textFrom;
    return cp == 0 || (i >= 0 && i < attrCount && attrs[i].is_line_break);
  };
  auto unspread = [&](int line) {
    const LONG end = line + 1 < count ? at[size_t(line) + 1] : to;
    for (LONG cp = at[size_t(line)]; cp < end; ++cp)
      if (iswspace(wint_t(text_[size_t(s.p.start + cp)]))) return false;
    return true;
  };
  // Where the next piece may start (on this one's last line kept); in a paragraph with
  // right-to-left text, where marks carry the bidi state over. Pango gives blanks, tabs and
  // format marks the font of the text before them, which a piece's shared line has not: that
  // line starts with a character of a font of its own.
  // A shared line that starts one of pango's paragraphs (the first line too) is indented as a
  // first line in one layout, but as a later one after the next piece's line separator.
  const bool indented = pango_layout_get_indent(pl) != 0;
  auto cut = [&](int end) {
    const LONG shared = at[size_t(end - 1)];
    if (shared > 0 && !OwnFont(text_[size_t(s.p.start + shared)])) return false;
    if (indented && (shared == 0 || ParagraphBreak(text_[size_t(s.p.start + shared - 1)]))) return false;
    return (!justified || (between(at[size_t(end - 1)]) && between(at[size_t(end)])) ||
            (unspread(end - 1) && unspread(end))) &&
           s.bidi.Cut(at[size_t(end - 1)]);
  };
  while (!last && piece.endLine > piece.firstLine + 1 && !cut(piece.endLine)) --piece.endLine;
  // Spaced lines are summed from the baseline of the line before the shared one: a first
  // piece shares its second line or a later one.
  if (!last && first && piece.endLine < 2 && pango_layout_get_line_spacing(pl) != 0.0f) return false;
  return last || piece.endLine > piece.firstLine + 1 || cut(piece.endLine);
}

// Whether pango picks a font for the character itself, not taking that of the text before.
bool RichTextLayout::OwnFont(wchar_t c) {
  if ((c >= 0xFE00 && c <= 0xFE0F) || c == kLineBreak) return false;
  switch (g_unichar_type(gunichar(c))) {
    case G_UNICODE_CONTROL:
    case G_UNICODE_FORMAT:
    case G_UNICODE_SURROGATE:
    case G_UNICODE_LINE_SEPARATOR:
    case G_UNICODE_PARAGRAPH_SEPARATOR:
    case G_UNICODE_NON_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
    case G_UNICODE_SPACING_MARK: return false;
    case G_UNICODE_SPACE_SEPARATOR: return c == 0x1680;
    default: return true;
  }
}

// A line of the piece that starts an old piece's shared line, followed by its first own line:
// that piece and the ones after it hold. Its index in the old pieces (0: none); the piece then
// ends with that line.
size_t RichTextLayout::Meet(const Piecing& s, Piece& piece, const std::vector<LONG>& starts) const {
  const int count = int(starts.size());
  // (a line the text ends on, before the trail's line, may be cut short: it meets none)
  const bool last = piece.textTo == s.p.length;
  for (int k = std::max(1, piece.firstLine); s.after && k + 1 < count && (last || starts[size_t(k) + 1] < piece.textTo);
       ++k) {
    const size_t j = FirstAfter(s, starts[size_t(k)]);
    if (j < s.after->size() && (*s.after)[j].textFrom + s.reuse->shift == starts[size_t(k)] &&
        (*s.after)[j].from + s.reuse->shift == starts[size_t(k) + 1] && (*s.after)[j].layout &&
        SameStart(s, (*s.after)[j], s.reuse->shift, true, ScriptsBefore(s, starts[size_t(k)])) &&
        SummedAlike(piece, k, (*s.after)[j])) {
      piece.endLine = k + 1;
      piece.to = starts[size_t(k) + 1];
      return j;
    }
  }
  return 0;
}

// Whether an old piece's lines, spaced by pango in float from its separator's baseline, are
// summed from where this piece's line `k` - 1 stands (as lines unspaced are from anywhere).
bool RichTextLayout::SummedAlike(const Piece& piece, int k, const Piece& old) {
  PangoLayout* pl = piece.layout->Get();
  PangoLayout* was = old.layout->Get();
  return pango_layout_get_line_spacing(pl) == 0.0f ||
         (piece.dy + LineBaseline(pl, k - 1) == old.dy + LineBaseline(was, 0) &&
          piece.dy + LineBaseline(pl, k) == old.dy + LineBaseline(was, 1));
}

// Pango sums spaced lines in float from its layout's top, which rounds once the sum is large:
// a piece's separator is raised so that its line's baseline stands at `baseline`, that of
// the paragraph's line before the shared one, and the piece's lines are summed from there as
// one layout sums them. `ascent` is the separator line's own, as last found.
void RichTextLayout::Lower(const Paragraph& p, Piece& piece, int64_t baseline, int* ascent) const {
  PangoLayout* pl = piece.layout->Get();
  if (pango_layout_get_line_spacing(pl) == 0.0f) return;
  for (int tries = 0; tries < 2; ++tries) {
    const int64_t rise = baseline - *ascent;
    if (baseline <= 0 || rise > INT_MAX / 4) return;
    piece.rise = int(rise);
    PangoAttrList* attrs = Attributes(p, piece, nullptr);
    pango_layout_set_attributes(pl, attrs);
    pango_attr_list_unref(attrs);
    const int at = LineBaseline(pl, 0);
    if (at == baseline) return;
    *ascent = int(at - rise);
  }
}

// The old pieces from `meet` on, moved to where the last piece puts them.
void RichTextLayout::TakeOverAfter(Piecing& s, size_t meet) const {
  std::vector<Piece>& after = *s.after;
  const int64_t down = s.keptTop - (after[meet].dy + LineTop(after[meet].layout->Get(), 1));
  // Where points start to hit them, as long as the lines before them may reach further down
  // than they did.
  bool other = true;
  for (size_t j = meet; j < after.size(); ++j) {
    Piece moved = std::move(after[j]);
    for (LONG* cp : {&moved.textFrom, &moved.from, &moved.to, &moved.textTo}) *cp += s.reuse->shift;
    moved.dy += down;
    moved.above += down;
    moved.below += down;
    const Piece& back = s.p.pieces.back();
    const int64_t lowest = moved.lowest + down;
    moved.top = other ? TopAfter(back, moved) : moved.top + down;
    moved.lowest = other ? Lowest(moved, back.lowest) : lowest;
    other = moved.lowest != lowest;
    moved.lineBase = back.lineBase + back.endLine - back.firstLine;
    s.p.pieces.push_back(std::move(moved));
  }
}

// The lowest bottom of the paragraph's lines up to a piece's last, pango units from the
// paragraph's top: of those before it, `before`.
int64_t RichTextLayout::Lowest(const Piece& piece, int64_t before) {
  PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
  for (int line = 0; line < piece.endLine; ++line) {
    int top = 0, bottom = 0;
    pango_layout_iter_get_line_yrange(it, &top, &bottom);
    if (line >= piece.firstLine) before = std::max(before, piece.dy + bottom);
    if (!pango_layout_iter_next_line(it)) break;
  }
  pango_layout_iter_free(it);
  return before;
}

// Where points start to hit a piece's lines rather than those of the piece before: one layout
// gives a point the first line whose bottom is below it, or the one before where it is in the
// upper half of a gap between them.
int64_t RichTextLayout::TopAfter(const Piece& before, const Piece& piece) {
  const int64_t bottom = before.dy + LineTop(before.layout->Get(), before.endLine - 1, true);
  return std::max(before.lowest, HitBoundary(bottom, piece.dy + LineTop(piece.layout->Get(), piece.firstLine)));
}

// The end of a piece from `from` towards `to` whose lines stay within pango's units however
// they break: every character may start a line of its own run's height.
LONG RichTextLayout::Fit(const Paragraph& p, const PARAFORMAT2& pf, LONG from, LONG to) const {
  const double spacing = pf.bLineSpacingRule == 1   ? 1.5
                         : pf.bLineSpacingRule == 2 ? 2.0
                         : pf.bLineSpacingRule == 5 ? std::clamp(double(pf.dyLineSpacing) / 20.0, 1.0, 10.0)
                                                    : 1.0;
  double height = 0;
  for (LONG cp = p.start + from, end = p.start + to; cp < end;) {
    const LONG next = RunEnd(formats_, cp, end);
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    const double em = std::clamp(cf.yHeight / double(kTwipsPerPixel), 1.0, FontObject::kLargestEm);
    const double line = (3 * em + std::abs(cf.yOffset / double(kTwipsPerPixel))) * spacing;
    if (height + line * double(next - cp) > kTallestPiece)
      return std::max(from + 1, cp - p.start + LONG((kTallestPiece - height) / line));
    height += line * double(next - cp);
    cp = next;
  }
  return to;
}

RichTextLayout::Piece RichTextLayout::MakePiece(const Paragraph& p, const PARAFORMAT2& pf, LONG from, LONG to,
                                                bool continued, const Bidi& bidi,
                                                const ScriptContext& before) const {
  Piece piece;
  piece.scripts = before;
  const wchar_t next = NextLetter(p, from, to, continued, before);
  piece.next = next;
  const std::wstring scripts = continued ? before.Lead(next) : std::wstring();
  piece.textFrom = piece.from = from;
  piece.to = piece.textTo = to;
  const bool last = to == p.length;
  piece.context = bidi.Context(from, to, continued, last);
  std::wstring part = bidi.Lead(from, continued);
  auto bytesOf = [](const std::wstring& s) {
    int n = 0;
    for (wchar_t c : s) n += Utf8Length(c);
    return n;
  };
  if (!scripts.empty()) {
    // Pango measures its tab stops in the font of the text's first character.
    if (part.empty()) part += kWordJoiner;
    piece.samplesFrom = bytesOf(part);
    // Letters embedded, so they steer no level of the text after them (the marks after them
    // give it its context again; fribidi lets isolated ones steer later isolates).
    part += bidi.Rtl() ? kEmbedding + scripts + kPopFormat : scripts;
    piece.samplesTo = bytesOf(part);
    part += bidi.Lead(from, continued);
  }
  if (continued) part += kLineSeparator;
  piece.leadChars = LONG(part.size());
  int byte = bytesOf(part);
  part.append(text_, size_t(p.start + from), size_t(to - from));
  // The trail first: a first piece may take the paragraph's direction from it. Then the letter
  // the text goes on with, in its font: pango gives blanks and marks that start a run the font
  // of the first letter after them in that run, which may be this one.
  if (!last && bidi.Trail(to)) part += bidi.Trail(to);
  const wchar_t goesOn = Follows(p, to) ? text_[size_t(p.start + to)] : 0;
  if (goesOn) part += goesOn;
  if (!continued && next && next != goesOn) part += next;
  piece.layout = std::make_unique<FontLayout>(font_, part);
  ++g_pieces;
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

// Whether a piece's text ending at `to` goes on with the letter there, after its trail (a piece
// across keeps only its one line, which that letter would lengthen).
bool RichTextLayout::Follows(const Paragraph& p, LONG to) { return to < p.length && !p.across; }

// Pango gives neutrals before any letter of a script the script of the first letter to come
// in its paragraph, however far: a piece of neutrals alone that starts the paragraph ends with
// that letter, one after such neutrals starts with it. The letter, or 0 when the piece needs none.
wchar_t RichTextLayout::NextLetter(const Paragraph& p, LONG from, LONG to, bool continued,
                                  const ScriptContext& before) const {
  if (before.Known()) return 0;
  LONG begin = from;  // of the last of pango's paragraphs in the piece, for the letter after it
  for (LONG i = from; !continued && i < to; ++i)
    if (ParagraphBreak(text_[size_t(p.start + i)])) begin = i + 1;
  for (LONG i = begin; i < p.length; ++i) {
    const wchar_t c = text_[size_t(p.start + i)];
    if (ParagraphBreak(c)) return 0;
    if (g_unichar_get_script(gunichar(c)) > G_UNICODE_SCRIPT_INHERITED) return continued || i >= to ? c : 0;
  }
  return 0;
}

// Where the lines that count reach, kept with the piece so a paragraph is measured and drawn
// without going through all of its layouts.
void RichTextLayout::Seal(Piece& piece) {
  const int indent = pango_layout_get_indent(piece.layout->Get());
  PangoLayoutIter* it = pango_layout_get_iter(piece.layout->Get());
  bool any = false;
  for (int line = 0; line < piece.endLine; ++line) {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    if (line >= piece.firstLine) {
      piece.left = any ? std::min(piece.left, logical.x) : logical.x;
      piece.right = any ? std::max(piece.right, logical.x + logical.width) : logical.x + logical.width;
      // A right-aligned line stands at the layout's width less its own and its indent.
      const int in = pango_layout_iter_get_line_readonly(it)->is_paragraph_start ? std::max(indent, 0)
                                                                                  : std::max(-indent, 0);
      if (!any) piece.width = logical.x + logical.width + in;
      piece.widest = any ? std::max(piece.widest, logical.width) : logical.width;
      if (!any) piece.above = piece.dy + logical.y;
      piece.below = piece.dy + logical.y + logical.height;
      any = true;
    }
    if (!pango_layout_iter_next_line(it)) break;
  }
  pango_layout_iter_free(it);
}

// The paragraph's place across, its height and its right edge, from the lines it keeps.
void RichTextLayout::Measure(Paragraph& p, const PARAFORMAT2& pf) const {
  const int first = Pixels(pf.dxStartIndent), rest = Pixels(pf.dxStartIndent + pf.dxOffset);
  const int left = std::max(0, std::min(first, rest));
  const int right = Pixels(pf.dxRightIndent);
  p.lines = 0;
  for (const Piece& piece : p.pieces) p.lines += piece.endLine - piece.firstLine;
  if (p.across) p.lines = 1;
  // The union of the kept lines, rounded out to pixels as pango rounds a layout's extents
  // (whose own width leaves out the indent of an unwrapped layout's lines).
  int l = p.pieces.front().left + p.pieces.front().dx, r = p.pieces.front().right + p.pieces.front().dx;
  for (const Piece& piece : p.pieces) {
    l = std::min(l, piece.left + piece.dx);
    r = std::max(r, piece.right + piece.dx);
  }
  PangoRectangle last, e;
  pango_layout_get_extents(p.pieces.back().layout->Get(), nullptr, &last);
  e.x = PANGO_PIXELS_FLOOR(l);
  e.width = PANGO_PIXELS_CEIL(r) - e.x;
  e.height = p.across ? (p.ascent + p.descent + PANGO_SCALE - 1) / PANGO_SCALE
                      : int((p.pieces.back().dy + last.y + last.height + PANGO_SCALE - 1) / PANGO_SCALE);
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
  // A word too long for its line breaks between letters with no hyphen, as the platform's
  // controls break it (with pango's hyphens, pieces broke such a word elsewhere than one
  // layout: where pango allows one depends on text lines before).
  Add(list, pango_attr_insert_hyphens_new(FALSE), 0, G_MAXINT);
  const LONG begin = p.start + piece.textFrom, textEnd = begin + LONG(piece.bytes.size()) - 1;
  // The letter a piece's text goes on with (and the trail before it) is in the runs and links
  // that hold it in the paragraph: pango ends its runs where any attribute starts or ends.
  const LONG end = Follows(p, piece.textTo) ? textEnd + 1 : textEnd;
  auto byteOf = [&](LONG cp) { return cp > textEnd ? G_MAXINT : piece.bytes[size_t(cp - begin)]; };
  // The font of a run; its rise, pixels.
  auto font = [&](const CHARFORMAT2W& cf, int from, int to) {
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
    return rise;
  };
  // Pango measures its tab stops in the font at the start of the text: the marks and the line
  // separator that lead a piece are in the font the paragraph starts with.
  if (byteOf(begin) > 0) {
    if (piece.rise) Add(list, pango_attr_rise_new(piece.rise), 0, byteOf(begin));
    const CHARFORMAT2W& first = formats_.CharAt(p.start);
    font(first, 0, piece.samplesTo > 0 ? piece.samplesFrom : byteOf(begin));
    if (piece.samplesTo > 0) {
      CHARFORMAT2W small = first;
      small.yHeight = kTwipsPerPixel;
      small.dwEffects &= ~DWORD(CFE_SUBSCRIPT | CFE_SUPERSCRIPT);
      font(small, piece.samplesFrom, piece.samplesTo);
      font(first, piece.samplesTo, byteOf(begin));
    }
  }
  for (LONG cp = begin; cp < end;) {
    const LONG next = RunEnd(formats_, cp, end);
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    const int from = byteOf(cp), to = byteOf(next);
    const int rise = font(cf, from, to);
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
