// Random paragraphs (runs of sizes, raised and lowered runs, tabs, soft breaks, brackets,
// alignments, indents, line spacing rules, Latin, Hebrew, Arabic and Chinese words, numbers,
// wrapped or not, in one line, with explicit bidi controls, with right-to-left words in
// brackets) laid out in small pieces and in one layout: every line must break and stand as in
// one layout, and the paragraph measure the same; every caret must stand, and every point hit,
// as in one layout. An edit laid out with the layout before it must equal a layout made afresh
// as well, asked at the caret before the rest of its paragraph is laid out and after. The
// script state followed for the pieces must give each character the script pango's own
// iterator gives it.
//
// Multiples of a line are any twentieth: pango adds a layout's spaced lines in float, and the
// pieces are summed from the same baselines, so they round as one layout does.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/controls/ScriptContext.h"
#include "platform/src/controls/TextFormats.h"
#include "platform/src/gdi/FontObject.h"
#include "platform/testing/hooks/textlayout.h"

namespace {

jf::FontObject* g_font = nullptr;

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  unsigned Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool Done() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Where every line is: its characters and the place of its start; then where the caret
// stands before each character (the order of the line's runs), its top and bottom, and on
// which line.
constexpr size_t kPerLine = 5, kPerCaret = 4;
std::vector<long> Lines(const jf::RichTextLayout& layout, LONG length) {
  std::vector<long> seen = {layout.LineCount(), layout.Height(), layout.Width()};
  for (int line = 0; line < layout.LineCount(); ++line) {
    const LONG start = layout.LineStart(line);
    const RECT r = layout.CaretAt(start);
    seen.insert(seen.end(), {long(start), long(layout.LineEnd(line)), long(r.left), long(r.top), long(r.bottom)});
  }
  for (LONG cp = 0; cp <= length; ++cp) {
    const RECT r = layout.CaretAt(cp);
    seen.insert(seen.end(), {long(r.left), long(r.top), long(r.bottom), long(layout.LineOf(cp))});
  }
  return seen;
}

// The caret's place before `cp`, and the character a point on it hits.
std::vector<long> Typed(const jf::RichTextLayout& layout, LONG cp) {
  const RECT r = layout.CaretAt(cp);
  return {long(r.left), long(r.top), long(r.bottom), long(layout.CpAt(int(r.left), int(r.top + 1)))};
}

[[noreturn]] void Differs(const char* what, const std::vector<long>& a, const std::vector<long>& b,
                          const std::wstring& text) {
  fprintf(stderr, "%s: lines %ld / %ld, height %ld / %ld, width %ld / %ld\n", what, a[0], b[0], a[1], b[1], a[2], b[2]);
  const size_t lines = 3 + kPerLine * size_t(std::min(a[0], b[0]));
  for (size_t i = 3; i < lines; i += kPerLine) {
    if (std::vector<long>(a.begin() + long(i), a.begin() + long(i + kPerLine)) !=
        std::vector<long>(b.begin() + long(i), b.begin() + long(i + kPerLine))) {
      fprintf(stderr, "line %zu: %ld-%ld at %ld,%ld-%ld against %ld-%ld at %ld,%ld-%ld\n", (i - 3) / kPerLine, a[i],
              a[i + 1], a[i + 2], a[i + 3], a[i + 4], b[i], b[i + 1], b[i + 2], b[i + 3], b[i + 4]);
      break;
    }
  }
  if (a[0] == b[0])
    for (size_t i = lines; i < a.size() && i < b.size(); i += kPerCaret)
      if (!std::equal(a.begin() + long(i), a.begin() + long(i + kPerCaret), b.begin() + long(i))) {
        const size_t cp = (i - lines) / kPerCaret;
        if (cp > text.size())  // the caret after a letter typed, and the character it hits
          fprintf(stderr, "typed: %ld,%ld-%ld hits %ld against %ld,%ld-%ld hits %ld\n", a[i], a[i + 1], a[i + 2],
                  a[i + 3], b[i], b[i + 1], b[i + 2], b[i + 3]);
        else
          fprintf(stderr, "caret before character %zu: %ld,%ld-%ld on line %ld against %ld,%ld-%ld on line %ld\n", cp,
                  a[i], a[i + 1], a[i + 2], a[i + 3], b[i], b[i + 1], b[i + 2], b[i + 3]);
        break;
      }
  for (wchar_t c : text) fprintf(stderr, "%lc", c < 0x20 ? L'|' : c);
  fprintf(stderr, "\n");
  abort();
}

// The points hit tests are compared at, from one layout's lines and carets (as `Lines` gives
// them): in the middle of each line, at every caret and a pixel before it; at its top and
// bottom and a pixel above each, at its first, middle and last caret; and past the text on
// both sides. A hit test in one layout goes through all its lines: of many points on many
// lines, every so many from `salt` on.
std::vector<POINT> Points(const std::vector<long>& seen, unsigned salt) {
  std::vector<POINT> points;
  const size_t count = size_t(seen[0]), carets = 3 + kPerLine * count;
  const int right = int(seen[2]) + 4;
  for (size_t line = 0; line < count; ++line) {
    const long* l = &seen[3 + kPerLine * line];
    std::vector<int> xs;
    for (long cp = l[0]; cp <= l[1]; ++cp) xs.push_back(int(seen[carets + kPerCaret * size_t(cp)]));
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    const int top = int(l[3]), bottom = int(l[4]), middle = (top + bottom) / 2;
    for (int x : xs) points.insert(points.end(), {POINT{x - 1, middle}, POINT{x, middle}});
    for (int y : {top - 1, top, bottom - 1, bottom})
      for (int x : {xs.front(), xs[xs.size() / 2], xs.back()}) points.push_back(POINT{x, y});
    for (int y : {top - 1, middle, bottom})
      for (int x : {-4, right}) points.push_back(POINT{x, y});
  }
  constexpr size_t kWork = 400000;  // points times lines
  const size_t every = 1 + points.size() * count / kWork;
  if (every == 1) return points;
  std::vector<POINT> some;
  for (size_t i = salt % every; i < points.size(); i += every) some.push_back(points[i]);
  return some;
}

// The place and the character each point hits, in the points' order; without `chars`, the
// place alone (asking for the character lays out the whole text).
std::vector<long> Hits(const jf::RichTextLayout& layout, const std::vector<POINT>& points, bool chars) {
  std::vector<long> seen;
  for (const POINT& pt : points)
    seen.insert(seen.end(), {long(layout.CpAt(pt.x, pt.y)), chars ? long(layout.CharAt(pt.x, pt.y)) : 0});
  return seen;
}

void CompareHits(const char* what, const jf::RichTextLayout& layout, const jf::RichTextLayout& expected,
                 const std::vector<POINT>& points, const std::wstring& text, bool chars = true) {
  const std::vector<long> a = Hits(layout, points, chars), b = Hits(expected, points, chars);
  for (size_t i = 0; i < a.size(); i += 2) {
    if (a[i] == b[i] && a[i + 1] == b[i + 1]) continue;
    fprintf(stderr, "%s: point %ld,%ld hits %ld (character %ld) against %ld (character %ld)\n", what,
            long(points[i / 2].x), long(points[i / 2].y), a[i], a[i + 1], b[i], b[i + 1]);
    for (wchar_t c : text) fprintf(stderr, "%lc", c < 0x20 ? L'|' : c);
    fprintf(stderr, "\n");
    abort();
  }
}

}  // namespace

// Every caret and hit test makes pango allocate its line extents anew: with the sanitizer's
// default quarantine of freed memory, the memory resident grew past the fuzzing limit.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=64"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  LOGFONTW lf = {};
  lf.lfHeight = -13;
  wcscpy(lf.lfFaceName, L"Tahoma");
  g_font = new jf::FontObject(lf);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8 || size > 512) return 0;
  Bytes in(data, size);
  static const wchar_t* const kWords[] = {L"w",      L"word",   L"mmmm",   L"\u05D0\u05D1\u05D2", L"\u0644\u063A\u0629",
                                          L"\u4E0B\u8F7D", L"12",     L"(x)",    L"iiiiiiiiiiiiiiiiiiii", L"\u4E0B(",
                                          L"x)",     L"[\u8F7D", L"]",      L"\u300C\u4E0B",      L"\u300D",
                                          L"{",      L"}",      L"\uFF08", L"\uFF09"};
  constexpr unsigned kWordCount = sizeof kWords / sizeof kWords[0];
  // Rarer ones, for the bidi rules: Arabic digits, number signs and separators, a Hebrew point,
  // a soft hyphen.
  static const wchar_t* const kMore[] = {L"\u0661\u0662", L"5%", L"\u05D0\u05B8", L"3-4", L"#", L"\u0627\u0661,2",
                                         L"1.5", L"\u00AD"};
  constexpr unsigned kMoreCount = sizeof kMore / sizeof kMore[0];
  // Or, in some paragraphs, explicit embeddings, overrides, isolates, their ends and paragraph separators.
  static const wchar_t* const kExplicit[] = {L"\u202B", L"\u202A", L"\u202E", L"\u202D", L"\u202C", L"\u2067",
                                             L"\u2066", L"\u2068", L"\u2069", L"\u2029", L"\u202C", L"\u2069"};
  constexpr unsigned kExplicitCount = sizeof kExplicit / sizeof kExplicit[0];
  // Or, in others, right-to-left words in brackets, unclosed ones and a mark on a bracket too.
  static const wchar_t* const kBracketed[] = {L"(\u05D0\u05D1 ", L"\u05D2)", L"[\u05D3 (\u05D0) ", L"]", L"(",
                                              L")", L"\u05D0\u0301", L"(\u0301", L"\u05D4 x)", L"\u05D5"};
  constexpr unsigned kBracketedCount = sizeof kBracketed / sizeof kBracketed[0];
  bool explicitMarks = false, bracketed = false;
  auto word = [&] {
    const unsigned w = in.Next();
    if (explicitMarks || bracketed)
      return w < 0xA0 ? kWords[w % kWordCount] : explicitMarks ? kExplicit[w % kExplicitCount] : kBracketed[w % kBracketedCount];
    return w < 0xF0 ? kWords[w % kWordCount] : kMore[w % kMoreCount];
  };
  static const wchar_t* const kGaps[] = {L" ", L" ", L" ", L"\t", L"\x000B", L", ", L"  "};
  const unsigned wrap = in.Next();
  const int width = wrap % 4 == 0 ? -1 : 20 + int(in.Next() % 300);
  // One unwrapped line of runs of one size, bold or not: no tab, no break, nothing raised or lowered.
  const bool oneLine = wrap % 8 == 4;
  explicitMarks = wrap % 16 == 5;
  bracketed = wrap % 16 == 13;
  const int piece = 8 + int(in.Next() % 120);
  PARAFORMAT2 pf = {};
  std::wstring text;
  jf::TextFormats formats;
  struct Run {
    LONG from, to;
    CHARFORMAT2W cf;
  };
  std::vector<Run> runs;
  formats.Reset(0);
  pf = formats.DefaultPara();
  pf.wAlignment = WORD(1 + in.Next() % 4);
  pf.dxStartIndent = LONG(in.Next() % 8) * 120;
  pf.dxOffset = LONG(in.Next() % 8) * 120 - 480;
  pf.dxRightIndent = LONG(in.Next() % 4) * 120;
  pf.bLineSpacingRule = BYTE(in.Next() % 6);
  pf.dyLineSpacing = pf.bLineSpacingRule == 5 ? LONG(10 + in.Next() % 36) : LONG(in.Next() % 40) * 20;
  while (!in.Done() && text.size() < 700) {
    const unsigned op = in.Next();
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.yHeight = LONG(120 + (op & 7) * 60);
    cf.dwEffects = (op & 0x18) == 0x08 ? CFE_SUPERSCRIPT : (op & 0x18) == 0x10 ? CFE_SUBSCRIPT : 0;
    if (op & 0x20) cf.dwEffects |= CFE_BOLD, cf.wWeight = FW_BOLD;
    cf.yOffset = (op & 0xC0) == 0xC0 ? LONG(in.Next() % 120) - 60 : 0;
    if (oneLine) cf.yOffset = 0, cf.yHeight = 200, cf.dwEffects &= ~DWORD(CFE_SUPERSCRIPT | CFE_SUBSCRIPT);
    const LONG from = LONG(text.size());
    for (unsigned words = 1 + in.Next() % 6; words > 0; --words) {
      text += word();  // one byte after the other, in this order whatever the compiler
      const unsigned gap = in.Next() % 7;
      text += kGaps[oneLine && (gap == 3 || gap == 4) ? 0 : gap];
    }
    runs.push_back(Run{from, LONG(text.size()), cf});
  }
  formats.Reset(LONG(text.size()));
  for (const Run& r : runs) formats.SetChar(r.from, r.to, r.cf);
  formats.SetPara(LONG(text.size()), pf);
  // The scripts followed for the pieces are pango's.
  {
    const std::string utf8 = [&] {
      std::string s;
      for (wchar_t c : text) {
        char buf[6];
        s.append(buf, size_t(g_unichar_to_utf8(gunichar(c), buf)));
      }
      return s;
    }();
    // Pango follows each of its paragraphs (ended by a paragraph separator) afresh.
    std::vector<int> pango;
    for (size_t begin = 0; begin < utf8.size();) {
      const size_t end = std::min(utf8.find("\u2029", begin), utf8.size());
      const size_t next = end < utf8.size() ? end + 3 : end;
      PangoScriptIter* it = pango_script_iter_new(utf8.c_str() + begin, int(next - begin));
      do {
        const char *from = nullptr, *to = nullptr;
        PangoScript script;
        pango_script_iter_get_range(it, &from, &to, &script);
        for (const char* c = from; c < to; c = g_utf8_next_char(c)) pango.push_back(int(script));
      } while (pango_script_iter_next(it));
      pango_script_iter_free(it);
      begin = next;
    }
    jf::ScriptContext followed;
    for (size_t i = 0; i < text.size(); ++i) {
      if (i > 0 && text[i - 1] == 0x2029) followed = jf::ScriptContext();
      const int script = followed.Step(text[i]);
      // Pango names a run by its script once known: a run of neutrals alone stays common.
      if (i < pango.size() && script != pango[i] && script > 1) {
        fprintf(stderr, "script of character %zu (U+%04X): %d, pango %d\n", i, unsigned(text[i]), script, pango[i]);
        abort();
      }
    }
  }
  jf::RichTextLayout::Options options;
  options.wrapWidth = width;
  options.alignWidth = 400;
  jf::TestSetTextLayoutPiece(1 << 28);
  const jf::RichTextLayout whole(text, formats, g_font, options);
  const std::vector<long> expected = Lines(whole, LONG(text.size()));
  jf::TestSetTextLayoutPiece(piece);
  jf::RichTextLayout pieces(text, formats, g_font, options);
  const std::vector<long> seen = Lines(pieces, LONG(text.size()));
  if (seen != expected) Differs("pieces", seen, expected, text);
  unsigned salt = 0;
  for (size_t i = 0; i < size; ++i) salt = salt * 31 + data[i];
  CompareHits("pieces", pieces, whole, Points(expected, salt), text);
  // A letter typed in the middle, laid out with the pieces before.
  if (text.size() > 2) {
    const LONG at = LONG(text.size() / 2 + in.Next() % (text.size() / 2));
    text.insert(size_t(at), 1, L'q');
    formats.Replace(at, at, 1, formats.CharAt(at));
    const jf::RichTextLayout edited(text, formats, g_font, options, &pieces);
    // The caret after the letter and the point on it, asked before the rest is laid out.
    const std::vector<long> early = Typed(edited, at + 1);
    const jf::RichTextLayout fresh(text, formats, g_font, options);
    std::vector<long> b = Lines(fresh, LONG(text.size()));
    const std::vector<POINT> spots = Points(b, salt);
    // Points from the top down, hit before the rest is laid out as far as it is laid out.
    CompareHits("edit, open", edited, fresh, spots, text, false);
    std::vector<long> a = Lines(edited, LONG(text.size()));
    a.insert(a.end(), early.begin(), early.end());
    const std::vector<long> typed = Typed(fresh, at + 1);
    b.insert(b.end(), typed.begin(), typed.end());
    if (a != b) Differs("edit", a, b, text);
    CompareHits("edit", edited, fresh, spots, text);
  }
  jf::TestSetTextLayoutPiece(0);
  return 0;
}

