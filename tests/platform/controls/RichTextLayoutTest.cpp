// The formatted text's layout of long paragraphs: cut into many small pieces, it breaks,
// places, hits and draws every line as one pango layout of the whole paragraph does.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/gdi/GdiArea.h"
#include "platform/testing/hooks/textlayout.h"

namespace {

using jf::RichTextLayout;

enum Script { kLatin, kHebrew, kArabic };

struct Case {
  const char* name;
  WORD align;
  LONG indent, offset;  // twips
  BYTE spacingRule;
  int width;  // -1: unwrapped, a soft break after every seventh word
  Script script = kLatin;
  LONG spacing = 0;  // dyLineSpacing
};

// Three paragraphs of mixed runs and sizes, a long unbroken word, links and a soft break.
void Fill(std::wstring& text, jf::TextFormats& formats, const Case& c) {
  const wchar_t* const words[] = {L"word", L"\u05D0\u05D1\u05D2", L"\u0644\u063A\u0629"};
  const std::wstring gap = c.width < 0 ? L"\x000B" : L" ";
  for (int i = 0; i < 260; ++i)
    text += (i % 9 == 0 ? L"mmmmmmmmmmmm" : words[i % 4 == 1 ? c.script : kLatin]) + std::to_wstring(i) +
            (i % 7 == 6 ? gap : L" ");
  text += L"\r" + std::wstring(700, L'x') + L"\x000B" + L"after a soft break\r";
  for (int i = 0; i < 120; ++i) text += L"\u4E0B\u8F7D " + std::to_wstring(i) + (i % 7 == 6 ? gap : L" ");
  formats.Reset(LONG(text.size()));
  for (LONG cp = 0; cp < LONG(text.size()); cp += 23) {
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.dwEffects = (cp % 3 ? CFE_BOLD : CFE_ITALIC | CFE_UNDERLINE);
    cf.wWeight = cp % 3 ? FW_BOLD : FW_NORMAL;
    cf.yHeight = cp % 5 ? 200 : 320;
    cf.crTextColor = RGB(cp % 200, 20, 90);
    formats.SetChar(cp, cp + 11, cf);
  }
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.wAlignment = c.align;
  pf.dxStartIndent = c.indent;
  pf.dxOffset = c.offset;
  pf.bLineSpacingRule = c.spacingRule;
  pf.dyLineSpacing = c.spacing;
  for (LONG cp = 0; cp <= LONG(text.size()); ++cp)
    if (cp == LONG(text.size()) || text[size_t(cp)] == L'\r') formats.SetPara(cp, pf);
}

std::vector<long> Observe(const RichTextLayout& layout, LONG length, std::vector<unsigned char>* pixels,
                          const std::string& png = "") {
  std::vector<long> seen = {layout.Width(), layout.Height(), layout.LineCount(), layout.Baseline()};
  for (int line = 0; line < layout.LineCount(); ++line) {
    seen.push_back(layout.LineStart(line));
    seen.push_back(layout.LineEnd(line));
  }
  for (LONG cp = 0; cp <= length; ++cp) {
    const RECT r = layout.CaretAt(cp);
    seen.insert(seen.end(), {long(r.left), long(r.top), long(r.bottom), long(layout.LineOf(cp))});
  }
  for (int y = -3; y < layout.Height() + 3; y += 2) {
    for (int x = -3; x < layout.Width() + 3; x += 9) seen.insert(seen.end(), {layout.CpAt(x, y), layout.CharAt(x, y)});
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.Width() + 20, layout.Height() + 20);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  layout.Draw(cr, 10, 10, 300, 2200, RGB(0, 0, 200), RGB(255, 255, 255));
  cairo_surface_flush(surface);
  if (!png.empty()) cairo_surface_write_to_png(surface, png.c_str());
  const unsigned char* data = cairo_image_surface_get_data(surface);
  pixels->assign(data, data + cairo_image_surface_get_stride(surface) * cairo_image_surface_get_height(surface));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return seen;
}

// The first place where two observations part, for the failure's message (-1: none).
long FirstDifference(const std::vector<long>& a, const std::vector<long>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return long(i);
  return a.size() == b.size() ? -1 : long(std::min(a.size(), b.size()));
}

class RichTextLayoutTest : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override { jf::TestSetTextLayoutPiece(0); }
};

TEST_P(RichTextLayoutTest, PiecesLayOutAsOneLayout) {
  std::wstring text;
  jf::TextFormats formats;
  Fill(text, formats, GetParam());
  LOGFONTW lf = {};
  lf.lfHeight = -13;
  wcscpy(lf.lfFaceName, L"Tahoma");
  jf::FontObject font(lf);
  RichTextLayout::Options options;
  options.wrapWidth = GetParam().width;
  options.alignWidth = 500;
  options.links = {CHARRANGE{40, 90}, CHARRANGE{1500, 1530}};
  std::vector<unsigned char> wholePixels, piecePixels;
  jf::TestSetTextLayoutPiece(1 << 28);
  const unsigned long before = jf::TestTextLayoutParagraphs();
  const RichTextLayout whole(text, formats, &font, options);
  EXPECT_EQ(jf::TestTextLayoutParagraphs() - before, 3u);
  const std::vector<long> expected = Observe(whole, LONG(text.size()), &wholePixels);
  jf::TestSetTextLayoutPiece(40);
  const unsigned long made = jf::TestTextLayoutPieces();
  const RichTextLayout pieces(text, formats, &font, options);
  // Every kind of paragraph goes to pango in pieces, right-to-left ones too (a whole paragraph
  // would leave fewer than 100).
  EXPECT_GT(jf::TestTextLayoutPieces() - made, 100u);
  const std::vector<long> seen = Observe(pieces, LONG(text.size()), &piecePixels,
                                         std::string(JF_TEST_BIN_DIR) + "/richtext_pieces_" + GetParam().name + ".png");
  const long at = FirstDifference(seen, expected);
  EXPECT_EQ(at, -1) << "lines " << pieces.LineCount();
  // Lines of a piece are drawn one by one: a glyph edge may round the other way, no more.
  ASSERT_EQ(piecePixels.size(), wholePixels.size());
  size_t differ = 0;
  for (size_t i = 0; i < piecePixels.size(); ++i) differ += piecePixels[i] != wholePixels[i];
  EXPECT_LT(differ, wholePixels.size() / 4000);
  // The soft break ends a line inside the paragraph: the text after it starts the next.
  const LONG soft = LONG(text.find(L'\x000B'));
  EXPECT_EQ(pieces.LineStart(pieces.LineOf(soft + 1)), soft + 1);
  EXPECT_EQ(pieces.LineEnd(pieces.LineOf(soft)), soft);
}

INSTANTIATE_TEST_SUITE_P(Formats, RichTextLayoutTest,
                         ::testing::Values(Case{"left", PFA_LEFT, 0, 0, 0, 300},
                                           Case{"hanging", PFA_LEFT, 720, -360, 0, 260},
                                           Case{"firstLineIn", PFA_RIGHT, 0, 0, 0, 240},
                                           Case{"centred", PFA_CENTER, 720, -360, 1, 310},
                                           Case{"justified", PFA_JUSTIFY, 300, 500, 0, 280},
                                           Case{"narrow", PFA_LEFT, 0, 0, 0, 40},
                                           Case{"double", PFA_LEFT, 0, 0, 2, 300},
                                           Case{"atLeast", PFA_LEFT, 0, 0, 3, 300, kLatin, 330},
                                           Case{"exactly", PFA_CENTER, 0, 0, 4, 300, kLatin, 200},
                                           Case{"multiple", PFA_LEFT, 0, 0, 5, 300, kLatin, 30},
                                           Case{"unwrapped", PFA_LEFT, 0, 0, 0, -1},
                                           Case{"unwrappedCentred", PFA_CENTER, 720, -360, 1, -1},
                                           Case{"hebrew", PFA_LEFT, 0, 0, 0, 300, kHebrew},
                                           Case{"arabicJustified", PFA_JUSTIFY, 300, 0, 0, 280, kArabic},
                                           Case{"hebrewRight", PFA_RIGHT, 0, 0, 0, 260, kHebrew},
                                           Case{"hebrewUnwrapped", PFA_LEFT, 720, -360, 0, -1, kHebrew},
                                           Case{"latinRight", PFA_RIGHT, 0, 0, 1, 260, kLatin}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

struct Fixture {
  Fixture() {
    LOGFONTW lf = {};
    lf.lfHeight = -13;
    wcscpy(lf.lfFaceName, L"Tahoma");
    font = std::make_unique<jf::FontObject>(lf);
  }
  // The layout's observations, with `piece` characters per piece at most (0: the default).
  std::vector<long> Seen(const std::wstring& text, const jf::TextFormats& formats, const RichTextLayout::Options& o,
                         int piece) {
    jf::TestSetTextLayoutPiece(piece);
    const RichTextLayout layout(text, formats, font.get(), o);
    jf::TestSetTextLayoutPiece(0);
    std::vector<unsigned char> pixels;
    return Observe(layout, LONG(text.size()), &pixels);
  }
  std::unique_ptr<jf::FontObject> font;
};

CHARFORMAT2W Superscript(const jf::TextFormats& formats) {
  CHARFORMAT2W cf = formats.CharAt(0);
  cf.dwEffects |= CFE_SUPERSCRIPT;
  return cf;
}

}  // namespace

// Tabs and raised runs change the height and the stops of single lines: a line kept from one
// piece breaks the lines after it as in one layout all the same.
TEST(RichTextLayoutPieces, TabsAndSuperscriptsBreakAsOneLayout) {
  Fixture f;
  std::wstring text;
  std::vector<std::pair<LONG, LONG>> raised;
  for (int i = 0; i < 600; ++i) {
    const LONG at = LONG(text.size());
    text += L"word" + std::to_wstring(i);
    if (i % 7 == 3) raised.emplace_back(at, LONG(text.size()));
    text += i % 5 == 4 ? L"\t" : L" ";
  }
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  CHARFORMAT2W larger = formats.DefaultChar();
  larger.yHeight = 240;  // not the font's size: tab stops are measured in the paragraph's
  formats.SetChar(0, LONG(text.size()), larger);
  for (const auto& r : raised) formats.SetChar(r.first, r.second, Superscript(formats));
  RichTextLayout::Options options;
  options.wrapWidth = 300;
  const std::vector<long> whole = f.Seen(text, formats, options, 1 << 28);
  EXPECT_EQ(f.Seen(text, formats, options, 0), whole);
  EXPECT_EQ(f.Seen(text, formats, options, 40), whole);
}

// A word too long for a line breaks between two letters with no hyphen, as the platform's
// controls break it (pango would also measure its hyphens in a font a piece may not know).
TEST(RichTextLayoutPieces, LongWordBreaksWithoutHyphen) {
  Fixture f;
  const std::wstring word(300, L'm');
  jf::TextFormats formats;
  formats.Reset(LONG(word.size()));
  RichTextLayout::Options options;
  options.wrapWidth = 100;
  const RichTextLayout wrapped(word, formats, f.font.get(), options);
  ASSERT_GT(wrapped.LineCount(), 2);
  const LONG first = wrapped.LineStart(1);
  // As wide as its first line's letters alone.
  const std::wstring line(size_t(first), L'm');
  formats.Reset(first);
  options.wrapWidth = 0;
  EXPECT_EQ(wrapped.Width(), RichTextLayout(line, formats, f.font.get(), options).Width());
}

// Pango gives spaces, digits and punctuation the script of the text before them, and a
// closing bracket the script of its opening one, however many lines back; the bidi algorithm
// gives neutrals the direction of the letters, numbers and bracket pairs around them: pieces
// give each line's characters the scripts and levels they take in one layout, and so the same
// fonts, heights and order.
struct Mixed {
  const char* name;
  std::vector<const wchar_t*> words;  // drawn in a fixed pseudo-random order
  int width;
  bool lowered;  // every third word lowered (or given `effect`)
  const wchar_t* last = L"";   // after the words
  const wchar_t* first = L"";  // before them
  WORD align = PFA_LEFT;
  unsigned long pieces = 3;  // pango layouts at least (one whole paragraph, tried in doubling pieces, makes ten)
  DWORD effect = CFE_SUBSCRIPT;
};

class RichTextLayoutScripts : public ::testing::TestWithParam<Mixed> {
 protected:
  void TearDown() override { jf::TestSetTextLayoutPiece(0); }
};

TEST_P(RichTextLayoutScripts, LinesTakeTheScriptsOfTheTextBefore) {
  Fixture f;
  const Mixed& m = GetParam();
  std::wstring text;
  jf::TextFormats formats;
  std::vector<std::pair<LONG, LONG>> lowered;
  unsigned seed = 7;
  text += m.first;
  for (int i = 0; i < 240; ++i) {
    const LONG at = LONG(text.size());
    seed = seed * 1103515245 + 12345;
    text += m.words[(seed >> 16) % m.words.size()];
    if (m.lowered && (seed >> 8) % 3 == 1) lowered.emplace_back(at, LONG(text.size()));
  }
  text += m.last;
  formats.Reset(LONG(text.size()));
  CHARFORMAT2W small = formats.DefaultChar();
  small.yHeight = 120;
  formats.SetChar(0, LONG(text.size()), small);
  CHARFORMAT2W sub = small;
  sub.dwEffects |= CFE_SUBSCRIPT;
  if (m.effect == CFE_BOLD) sub.dwEffects = CFE_BOLD, sub.wWeight = FW_BOLD;
  for (const auto& r : lowered) formats.SetChar(r.first, r.second, sub);
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.wAlignment = m.align;
  formats.SetPara(LONG(text.size()), pf);
  RichTextLayout::Options options;
  options.wrapWidth = m.width;
  const std::vector<long> whole = f.Seen(text, formats, options, 1 << 28);
  for (int piece : {8, 13, 40}) {
    const unsigned long made = jf::TestTextLayoutPieces();
    const std::vector<long> seen = f.Seen(text, formats, options, piece);
    EXPECT_GT(jf::TestTextLayoutPieces() - made, m.pieces) << "pieces of " << piece;
    EXPECT_EQ(FirstDifference(seen, whole), -1) << "pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mixed, RichTextLayoutScripts,
    ::testing::Values(Mixed{"neutralsAfterLatinBeforeHan", {L"w ", L"\u4E0B\u8F7D ", L"w w w "}, 20, true},
                      Mixed{"digitsBetweenScripts", {L"word 12 ", L"\u4E0B\u8F7D 34, ", L"56 "}, 40, true},
                      Mixed{"bracketsAcrossLines", {L"\u4E0B\u8F7D(", L"word word ", L"x) ", L"[12 ", L"\u4E0B] "}, 30, false},
                      Mixed{"nestedBrackets", {L"\u300C\u4E0B(", L"mm ", L"{x ", L"\u8F7D} ", L") \u300D "}, 24, true},
                      // Neutrals alone take the script of the first letter to come.
                      Mixed{"neutralsBeforeAnyLetter", {L"\uFF09 ", L"], ", L"12 "}, 40, true, L"\u4E0B\u8F7D"},
                      // Lines that start after numbers, Arabic digits after Latin letters,
                      // pairs resolved against the letters in them.
                      Mixed{"hebrewAmongNumbers", {L"\u05D0\u05D1 ", L"12 ", L"w ", L"34. ", L"5% "}, 30, true},
                      Mixed{"arabicDigitsAfterLatin", {L"word ", L"\u0661\u0662 ", L"\u0644\u063A\u0629 ", L", "}, 34, false},
                      Mixed{"pairsAgainstTheirLetters", {L"w (", L"\u05D0\u05D1) ", L"x ", L"[\u05D2] ", L"12 ", L"- "}, 26, true},
                      // Numbers before any letter, in a paragraph an Arabic word makes right to left.
                      Mixed{"numbersBeforeArabic", {L"5% ", L"12 ", L"3.5 ", L"# "}, 40, false, L"\u0644\u063A\u0629 w"},
                      // Unwrapped, its lines standing at the right of the widest.
                      Mixed{"rightToLeftUnwrapped", {L"\u05D0\u05D1\u05D2 ", L"word 5% ", L"(x) ", L"\x000B", L"\u0627\u0661,2 ", L"mmmmmm "},
                            -1, true, L"", L"\u05D3 "},
                      Mixed{"rightToLeftParagraph", {L"\u05D0\u05D1\u05D2 ", L"word 5% ", L"(x) ", L"\u0627\u0661,2 ", L"\u05D0\u05B8 "},
                            40, true, L"", L"\u05D3 "},
                      // Text without spaces breaks between ideographs, inside Thai by its
                      // dictionary, between letters of a long word: justified too, and with a
                      // right-to-left letter.
                      Mixed{"justifiedChinese", {L"\u4E0B\u8F7D", L"\u4E2D\u6587\uFF0C", L"\u6587"}, 60, true, L"", L"", PFA_JUSTIFY, 12},
                      Mixed{"justifiedJapanese", {L"\u65E5\u672C\u306E", L"\u30C6\u30AD\u30B9\u30C8", L"\u3002"}, 60, false,
                            L"", L"", PFA_JUSTIFY, 12},
                      Mixed{"justifiedThai", {L"\u0E20\u0E32\u0E29\u0E32", L"\u0E44\u0E17\u0E22", L"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35"},
                            300, true, L"", L"", PFA_JUSTIFY, 12},  // wide: no font here has Thai letters
                      Mixed{"justifiedWord", {L"abc", L"defgh"}, 50, true, L"", L"", PFA_JUSTIFY, 12},
                      Mixed{"chineseWithHebrew", {L"\u4E0B\u8F7D", L"\u4E2D\u6587"}, 50, true, L"", L"\u05D0", PFA_LEFT, 12},
                      // One unwrapped line, in pieces across.
                      Mixed{"oneLine", {L"word ", L"w ", L"12, ", L"(x) "}, -1, true, L"", L"", PFA_LEFT, 12, CFE_BOLD},
                      Mixed{"oneLineLowered", {L"word ", L"w ", L"12, "}, -1, true, L"", L"", PFA_LEFT, 0},
                      Mixed{"oneLineChinese", {L"\u4E0B\u8F7D", L"\u4E2D\u6587\uFF0C", L"12"}, -1, true, L"", L"", PFA_CENTER, 12, CFE_BOLD},
                      Mixed{"justifiedChineseWithHebrew", {L"\u4E0B\u8F7D", L"\u4E2D\u6587"}, 50, false, L"", L"\u05D0", PFA_JUSTIFY, 12},
                      // Embeddings, overrides and isolates closed within the paragraph; text
                      // after them resolved as a run of its own (the level of the text before
                      // steers it) or across the isolate (the letter before it steers it).
                      Mixed{"embeddingsClosed", {L"w ", L"\u202B\u05D0 x\u202C ", L"5 ", L"\u202Aw (\u05D1)\u202C, ", L"\u05D2 "},
                            40, true, L"", L"", PFA_LEFT, 12},
                      Mixed{"overridesClosed", {L"w ", L"\u202Ex 1\u202C ", L"- ", L"\u202D\u05D0\u05D1\u202C ", L"\u05D2 "},
                            34, false, L"", L"", PFA_RIGHT, 12},
                      // (Fribidi lets one isolate steer the levels in another: they start the paragraph.)
                      Mixed{"isolatesClosed", {L"w ", L"12 ", L"(x), ", L"\u05D2 "}, 30, true, L"",
                            L"x \u2067\u05D0 w\u2069 \u2068x\u2069, \u2066\u202B\u05D3\u2069 ", PFA_JUSTIFY, 12},
                      // Each paragraph separator starts a bidi paragraph of its own.
                      Mixed{"separatedParts", {L"\u05D0\u05D1 ", L"w ", L"12 ", L"\u2029", L"(x) ", L", "}, 40, true, L"", L"", PFA_LEFT, 12},
                      // Right-to-left words in brackets, nested ones too, in a right-to-left paragraph.
                      Mixed{"rightToLeftInBrackets", {L"\u05D0\u05D1\u05D2 ", L"[\u05D3] ", L", ", L"\u05D4\u05D5 "}, 40, true, L")",
                            L"(", PFA_LEFT, 12},
                      // Latin words and numbers among them: the pair still resolves as right to left.
                      Mixed{"latinInRightToLeftBrackets", {L"\u05D0\u05D1\u05D2 ", L"q ", L"(w) ", L"12, ", L"\u05D4\u05D5 "}, 40, false,
                            L" \u05D3)", L"(\u05D3 ", PFA_RIGHT, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// A paragraph separator inside a paragraph starts a bidi paragraph of its own, with the
// direction of its own first letter.
TEST(RichTextLayoutPieces, SeparatedPartsTakeTheirOwnDirection) {
  Fixture f;
  for (const wchar_t* after : {L"\u05D0\u05D1 ", L"later "}) {
    std::wstring text;
    for (int i = 0; i < 60; ++i) text += L"word " + std::to_wstring(i) + L" ";
    text += L"\u2029";
    for (int i = 0; i < 60; ++i) text += after + std::to_wstring(i) + L", (x) ";
    jf::TextFormats formats;
    formats.Reset(LONG(text.size()));
    PARAFORMAT2 pf = formats.DefaultPara();
    pf.dxStartIndent = 720;
    pf.dxOffset = -360;
    formats.SetPara(LONG(text.size()), pf);
    RichTextLayout::Options options;
    options.wrapWidth = 90;
    EXPECT_EQ(FirstDifference(f.Seen(text, formats, options, 24), f.Seen(text, formats, options, 1 << 28)), -1)
        << after[0];
  }
}

// Lines spaced by a multiple of their height stand, thousands of pixels down, where one
// layout puts them, whose sum of spaced lines is rounded in float as it grows.
TEST(RichTextLayoutPieces, SpacedLinesFarDown) {
  Fixture f;
  std::wstring text;
  const struct {
    BYTE rule;
    LONG spacing;
    WORD align;
  } cases[] = {{1, 0, PFA_LEFT}, {2, 0, PFA_CENTER}, {5, 25, PFA_RIGHT}, {5, 27, PFA_LEFT}, {5, 33, PFA_JUSTIFY}};
  // Where each line starts, stands and is hit.
  auto lines = [&](const jf::TextFormats& formats, const RichTextLayout::Options& o, int piece) {
    jf::TestSetTextLayoutPiece(piece);
    const RichTextLayout layout(text, formats, f.font.get(), o);
    jf::TestSetTextLayoutPiece(0);
    std::vector<long> seen = {layout.LineCount(), layout.Height()};
    for (int line = 0; line < layout.LineCount(); ++line) {
      const RECT r = layout.CaretAt(layout.LineStart(line));
      seen.insert(seen.end(), {layout.LineStart(line), r.left, r.top, r.bottom, layout.CpAt(30, int(r.top + r.bottom) / 2)});
    }
    return seen;
  };
  for (const auto& c : cases) {
    text.clear();
    for (int i = 0; i < 700; ++i) text += (i % 5 == 2 ? L"mmmmmm" : L"w") + std::to_wstring(i) + L" ";
    jf::TextFormats formats;
    formats.Reset(LONG(text.size()));
    for (LONG cp = 0; cp < LONG(text.size()); cp += 37) {
      CHARFORMAT2W cf = formats.DefaultChar();
      cf.yHeight = cp % 3 ? 200 : 260;
      formats.SetChar(cp, cp + 13, cf);
    }
    PARAFORMAT2 pf = formats.DefaultPara();
    pf.wAlignment = c.align;
    pf.bLineSpacingRule = c.rule;
    pf.dyLineSpacing = c.spacing;
    formats.SetPara(LONG(text.size()), pf);
    RichTextLayout::Options options;
    options.wrapWidth = 60;
    const std::vector<long> whole = lines(formats, options, 1 << 28);
    ASSERT_GT(whole[1], 9000);  // pixels tall
    for (int piece : {13, 40})
      EXPECT_EQ(FirstDifference(lines(formats, options, piece), whole), -1) << int(c.rule) << " " << c.spacing << " " << piece;
  }
}

// Pango's extents of an unwrapped layout leave out the indent of its later lines: the
// paragraph's width reaches the end of its widest line all the same.
TEST(RichTextLayoutPieces, WidthReachesTheWidestLineWhateverItsIndent) {
  Fixture f;
  const std::wstring bs(30, L'b');
  const struct {
    LONG offset;  // later lines start at the indent + offset
    std::wstring text;
    int widestAt;  // pixels: where the widest line starts
  } cases[] = {{360, L"a\x000B" + bs + L"\x000Bc", 72}, {-360, bs + L"\x000Ba\x000Bc", 48}};
  for (const auto& c : cases) {
    jf::TextFormats formats;
    formats.Reset(LONG(c.text.size()));
    PARAFORMAT2 pf = formats.DefaultPara();
    pf.dxRightIndent = 150;
    formats.SetPara(LONG(c.text.size()), pf);
    RichTextLayout::Options options;
    options.alignWidth = 40;
    const int plain = RichTextLayout(c.text, formats, f.font.get(), options).Width();
    pf.dxStartIndent = 720;
    pf.dxOffset = c.offset;
    formats.SetPara(LONG(c.text.size()), pf);
    EXPECT_EQ(RichTextLayout(c.text, formats, f.font.get(), options).Width(), plain + c.widestAt) << c.offset;
  }
}

// Past half of pango's units the later pieces are shifted: every line keeps its own height.
TEST(RichTextLayoutPieces, ParagraphTallerThanPangoUnits) {
  Fixture f;
  std::wstring text;
  for (int i = 0; i < 1200; ++i) text += L"x ";
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  CHARFORMAT2W cf = formats.DefaultChar();
  cf.yHeight = 4096 * 15;
  formats.SetChar(0, LONG(text.size()), cf);
  RichTextLayout::Options options;
  options.wrapWidth = 100;
  const RichTextLayout layout(text, formats, f.font.get(), options);
  const int lines = layout.LineCount();
  ASSERT_GE(lines, 1200);
  const long top = layout.CaretAt(0).top, step = layout.CaretAt(layout.LineStart(1)).top - top;
  ASSERT_GT(step, 1000);
  EXPECT_GT(layout.Height(), lines * step - step);
  for (int line = 0; line < lines; ++line) {
    const LONG start = layout.LineStart(line);
    const RECT r = layout.CaretAt(start);
    ASSERT_EQ(r.top, top + line * step) << line;
    ASSERT_EQ(layout.LineOf(start), line);
    ASSERT_EQ(layout.LineOf(layout.CpAt(1, int(r.top + step / 2))), line) << line;
  }
}

// An edit that makes one unwrapped line laid out across into one that is not (a tab typed
// into it, whose stop is measured from the line's start), or back, lays out as afresh.
TEST(RichTextLayoutPieces, EditsBetweenALineAcrossAndOneLine) {
  Fixture f;
  std::wstring text;
  for (int i = 0; i < 400; ++i) text += L"w" + std::to_wstring(i) + L" ";
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  for (LONG cp = 0; cp + 5 < LONG(text.size()); cp += 11) {
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.dwEffects = CFE_BOLD;
    cf.wWeight = FW_BOLD;
    formats.SetChar(cp, cp + 5, cf);
  }
  RichTextLayout::Options options;
  options.alignWidth = 300;
  jf::TestSetTextLayoutPiece(60);
  for (const wchar_t* typed : {L"\t", L"q"}) {
    const RichTextLayout before(text, formats, f.font.get(), options);
    std::wstring edited = text;
    jf::TextFormats after = formats;
    const LONG at = LONG(text.size() / 2);
    edited.insert(size_t(at), typed);
    after.Replace(at, at, 1, after.CharAt(at));
    const RichTextLayout changed(edited, after, f.font.get(), options, const_cast<RichTextLayout*>(&before));
    const RichTextLayout fresh(edited, after, f.font.get(), options);
    std::vector<unsigned char> pixels;
    EXPECT_EQ(FirstDifference(Observe(changed, LONG(edited.size()), &pixels), Observe(fresh, LONG(edited.size()), &pixels)), -1)
        << int(typed[0]);
    text = edited;
    formats = after;
  }
  jf::TestSetTextLayoutPiece(0);
}

// An edit that changes two long paragraphs of ideographs (every line after each change moves)
// lays both out as afresh.
TEST(RichTextLayoutPieces, EditOfTwoParagraphsWithoutSpaces) {
  Fixture f;
  std::wstring text;
  for (int i = 0; i < 24001; ++i) text += i == 12000 ? L'\r' : L"\u4E0B\u8F7D\u4E2D\u6587"[i % 4];
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  RichTextLayout::Options options;
  options.wrapWidth = 310;
  const RichTextLayout before(text, formats, f.font.get(), options);
  const std::wstring pasted = std::wstring(8000, L'\u6587') + L"\r\u6587";
  text.replace(6000, 12000, pasted);
  formats.Replace(6000, 18000, LONG(pasted.size()), formats.CharAt(0));
  const RichTextLayout after(text, formats, f.font.get(), options, const_cast<RichTextLayout*>(&before));
  const RichTextLayout fresh(text, formats, f.font.get(), options);
  auto lines = [](const RichTextLayout& layout) {
    std::vector<long> seen = {layout.Height(), layout.Width(), layout.LineCount()};
    for (int line = 0; line < layout.LineCount(); ++line) seen.push_back(layout.LineStart(line));
    return seen;
  };
  EXPECT_EQ(FirstDifference(lines(after), lines(fresh)), -1);
}

namespace {

struct Edit {
  const char* name;
  double at;  // of the text, or the position from 1 on
  LONG remove;
  const wchar_t* insert;
  bool raise;  // the inserted characters raised
  unsigned long mostPieces;  // pango layouts made for the changed paragraph at most
  bool hebrew = false;       // every 40th word of the long paragraph a Hebrew one, in brackets
  // Or a paragraph without spaces: these letters over and over after `lead`, so aligned.
  const wchar_t* letters = nullptr;
  WORD align = PFA_LEFT;
  const wchar_t* lead = L"";
};

const wchar_t* const kPasted =
    L"pasted text pasted text pasted text pasted text pasted text pasted text pasted text pasted text "
    L"pasted text pasted text pasted text pasted text pasted text pasted text pasted text pasted text "
    L"pasted text pasted text pasted text pasted text pasted text pasted text pasted text pasted text "
    L"pasted text pasted text pasted text pasted text pasted text pasted text pasted text pasted text ";

class RichTextLayoutEdit : public ::testing::TestWithParam<Edit> {
 protected:
  void TearDown() override { jf::TestSetTextLayoutPiece(0); }
};

}  // namespace

// An edit lays out again only the pieces from the change until the lines meet the old
// layout's again, and the result is the layout made afresh.
TEST_P(RichTextLayoutEdit, LaysOutOnlyWhatChanged) {
  Fixture f;
  const Edit& e = GetParam();
  std::wstring text = L"a short paragraph\r" + std::wstring(e.lead);
  const size_t cycle = e.letters ? wcslen(e.letters) : 0;
  for (int i = 0; i < 20000 && cycle; ++i) text += e.letters[size_t(i) % cycle];
  for (int i = 0; i < 3000 && !cycle; ++i)
    text += e.hebrew && i % 40 == 7 ? std::wstring(L"(\u05D0\u05D1\u05D2) ")
                                    : (i % 11 == 0 ? L"longerword" : L"w") + std::to_wstring(i) +
                                          (i % 13 == 12 ? L"\t" : L" ");
  text += L"\rthe last one";
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  // Letters of one width (no runs of other sizes) never break their lines as before the edit again.
  for (LONG cp = 18; cp + 9 < LONG(text.size()) && !cycle; cp += 17) {
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.dwEffects = cp % 3 ? CFE_BOLD : CFE_ITALIC;
    cf.wWeight = cp % 3 ? FW_BOLD : FW_NORMAL;
    cf.yHeight = cp % 5 ? 200 : 280;
    formats.SetChar(cp, cp + 9, cf);
  }
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.wAlignment = e.align;
  formats.SetPara(LONG(text.find(L'\r', 18)), pf);
  RichTextLayout::Options options;
  options.wrapWidth = 310;
  options.links = {CHARRANGE{30, 50}, CHARRANGE{9000, 9030}};
  const RichTextLayout before(text, formats, f.font.get(), options);
  const LONG at = e.at >= 1 ? LONG(e.at) : LONG(double(text.size()) * e.at);
  text.replace(size_t(at), size_t(e.remove), e.insert);
  const LONG count = LONG(wcslen(e.insert));
  formats.Replace(at, at + e.remove, count, e.raise ? Superscript(formats) : formats.CharAt(at));
  for (CHARRANGE& link : options.links) {  // links move with the text after the change
    if (link.cpMin >= at + e.remove) link.cpMin += count - e.remove;
    if (link.cpMax >= at + e.remove) link.cpMax += count - e.remove;
  }
  const unsigned long made = jf::TestTextLayoutPieces();
  const RichTextLayout after(text, formats, f.font.get(), options, const_cast<RichTextLayout*>(&before));
  EXPECT_LE(jf::TestTextLayoutPieces() - made, e.mostPieces);
  const RECT caret = after.CaretAt(at + count);  // before the rest of the paragraph is laid out
  std::vector<unsigned char> pixels, freshPixels;
  const std::vector<long> seen = Observe(after, LONG(text.size()), &pixels);
  const unsigned long madeAfresh = jf::TestTextLayoutPieces();
  const RichTextLayout fresh(text, formats, f.font.get(), options);
  EXPECT_GT(jf::TestTextLayoutPieces() - madeAfresh, 20u);  // the long paragraph in pieces
  EXPECT_EQ(seen, Observe(fresh, LONG(text.size()), &freshPixels));
  const RECT freshCaret = fresh.CaretAt(at + count);
  EXPECT_EQ(std::vector<LONG>({caret.left, caret.top, caret.bottom}),
            std::vector<LONG>({freshCaret.left, freshCaret.top, freshCaret.bottom}));
  EXPECT_EQ(pixels, freshPixels);
}

INSTANTIATE_TEST_SUITE_P(Edits, RichTextLayoutEdit,
                         ::testing::Values(Edit{"letterInTheMiddle", 0.5, 0, L"q", false, 3},
                                           Edit{"letterRemoved", 0.37, 1, L"", false, 3},
                                           Edit{"wordRaised", 0.61, 0, L"raised words ", true, 3},
                                           Edit{"tabInserted", 0.45, 0, L"\t", false, 3},
                                           Edit{"nearTheStart", 0.01, 0, L"q", false, 3},
                                           Edit{"nearTheEnd", 0.99, 0, L"q", false, 3},
                                           // The new paragraph's tab stops are measured in its own first letter's font.
                                           Edit{"paragraphSplit", 0.5, 0, L"\r", false, 100},
                                           Edit{"paragraphsJoined", 17, 1, L"", false, 100},
                                           Edit{"longPaste", 0.3, 40, kPasted, false, 12},
                                           // Pieces after it start in the script state they had,
                                           // set by other letters.
                                           Edit{"hanLetterTyped", 0.5, 0, L"\u4E0B", false, 3},
                                           // Pieces of a paragraph with right-to-left words too.
                                           Edit{"letterInRightToLeft", 0.5, 0, L"q", false, 3, true},
                                           Edit{"hebrewLetterTyped", 0.5, 0, L"\u05D3", false, 3, true},
                                           // Paragraphs without spaces, whose lines break between letters:
                                           // a letter of their width moves every line after it.
                                           Edit{"justifiedChinese", 0.5, 0, L"\u6587", false, 3, false,
                                                L"\u4E0B\u8F7D\u4E2D\u6587", PFA_JUSTIFY},
                                           Edit{"justifiedJapanese", 0.5, 0, L"\u672C", false, 3, false,
                                                L"\u65E5\u672C\u306E\u30C6\u30AD\u30B9\u30C8", PFA_JUSTIFY},
                                           Edit{"justifiedThai", 0.5, 0, L"q", false, 3, false,
                                                L"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35",
                                                PFA_JUSTIFY},
                                           Edit{"justifiedWord", 0.5, 0, L"q", false, 3, false, L"abcd", PFA_JUSTIFY},
                                           Edit{"chineseHebrew", 0.5, 0, L"\u6587", false, 3, false,
                                                L"\u4E0B\u8F7D\u4E2D\u6587", PFA_LEFT, L"\u05D0"},
                                           Edit{"chinese", 0.5, 0, L"\u6587", false, 3, false, L"\u4E0B\u8F7D\u4E2D\u6587"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Embeddings nested deeper than the bidi algorithm keeps levels, then an isolate and an
// embedding: fribidi would crash on them; they are laid out, the excess shown as nothing.
TEST(RichTextLayoutPieces, NestingPastTheDeepestLevelLaysOut) {
  Fixture f;
  const std::wstring text = L"\uFF08\uFF09" + std::wstring(63, L'\u202D') + L"\u2067\u2069\u202B w";
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  const RichTextLayout layout(text, formats, f.font.get(), RichTextLayout::Options());
  EXPECT_EQ(layout.LineCount(), 1);
  EXPECT_GT(layout.CaretAt(LONG(text.size())).left, layout.CaretAt(LONG(text.size()) - 1).left);
}

namespace {

// Each character's caret and line; then, pixel by pixel over the text and a little around
// it, the place and the character each point hits.
std::vector<long> HitsEverywhere(const RichTextLayout& layout, LONG length) {
  std::vector<long> seen;
  for (LONG cp = 0; cp <= length; ++cp) {
    const RECT r = layout.CaretAt(cp);
    seen.insert(seen.end(), {long(r.left), long(r.top), long(r.bottom), long(layout.LineOf(cp))});
  }
  for (int y = -2; y < layout.Height() + 2; ++y)
    for (int x = -2; x < layout.Width() + 2; ++x) seen.insert(seen.end(), {layout.CpAt(x, y), layout.CharAt(x, y)});
  return seen;
}

// Of runs that alternate with the default format: their height (twips, 0: the default's),
// effects and offset (twips).
struct Look {
  LONG height;
  DWORD effects;
  LONG offset;
};

struct HitCase {
  const char* name;
  const wchar_t* first;  // then
  const wchar_t* words;  // repeated
  int width;             // -1: unwrapped
  WORD align;
  LONG indent, offset;  // twips
  LONG every = 0;       // runs of so many characters take these looks in turn, then the default one
  std::vector<Look> looks = {};
  LONG spacing = 0;  // a multiple of the line's height, in twentieths (0: none)
};

void PrintTo(const HitCase& c, std::ostream* os) { *os << c.name; }

// A test of pieces leaves the pieces' length as it found it.
template <typename Param>
class Pieced : public ::testing::TestWithParam<Param> {
 protected:
  void TearDown() override { jf::TestSetTextLayoutPiece(0); }
};
using RichTextLayoutHits = Pieced<HitCase>;

}  // namespace

// A point hits in pieces the character it hits in one layout, wherever it is: on a line that
// two pieces show (the paragraph's first line, indented and tabbed as no later line is), in the
// gaps between lines or where they overlap, left and right of them, and along one long line
// laid out in pieces across.
TEST_P(RichTextLayoutHits, PointsHitAsInOneLayout) {
  Fixture f;
  const HitCase& c = GetParam();
  std::wstring text = c.first;
  for (int i = 0; i < 12; ++i) text += c.words;
  jf::TextFormats formats;
  formats.Reset(LONG(text.size()));
  for (LONG cp = 0, k = 0; c.every && cp < LONG(text.size()); cp += c.every, ++k) {
    if (size_t(k) % (c.looks.size() + 1) == c.looks.size()) continue;
    const Look& look = c.looks[size_t(k) % (c.looks.size() + 1)];
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.dwEffects = look.effects;
    cf.wWeight = (look.effects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    if (look.height) cf.yHeight = look.height;
    cf.yOffset = look.offset;
    formats.SetChar(cp, std::min(cp + c.every, LONG(text.size())), cf);
  }
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.wAlignment = c.align;
  pf.dxStartIndent = c.indent;
  pf.dxOffset = c.offset;
  pf.bLineSpacingRule = c.spacing ? 5 : 0;
  pf.dyLineSpacing = c.spacing;
  formats.SetPara(LONG(text.size()), pf);
  RichTextLayout::Options options;
  options.wrapWidth = c.width;
  options.alignWidth = 200;
  jf::TestSetTextLayoutPiece(1 << 28);
  const RichTextLayout whole(text, formats, f.font.get(), options);
  const std::vector<long> expected = HitsEverywhere(whole, LONG(text.size()));
  for (int piece : {12, 20, 33}) {
    jf::TestSetTextLayoutPiece(piece);
    const unsigned long made = jf::TestTextLayoutPieces();
    const RichTextLayout pieces(text, formats, f.font.get(), options);
    EXPECT_GT(jf::TestTextLayoutPieces() - made, 2u) << piece;
    const std::vector<long> seen = HitsEverywhere(pieces, LONG(text.size()));
    const long at = FirstDifference(seen, expected);
    EXPECT_EQ(at, -1) << "pieces of " << piece << ", " << (at < 4 * LONG(text.size() + 1) ? "caret" : "hit");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hits, RichTextLayoutHits,
    // The first piece keeps only the first line where the second starts with a blank.
    ::testing::Values(HitCase{"firstLineIndentedWithTab", L"a\tword\x000B after", L" word wd", 90, PFA_LEFT, 720, -720},
                      HitCase{"unwrappedFirstLineIndented", L"a\tword\x000B 12", L" w\x000Bword\t12", -1, PFA_LEFT, 0, 360},
                      HitCase{"rightToLeftRightAligned", L"\u0644\u063A\u0629\t(x)\x000B ", L"\u05D0\u05D1 (x) ", 110, PFA_RIGHT, 300, 300},
                      HitCase{"justified", L"", L"word \u4E0B\u8F7D mm ", 80, PFA_JUSTIFY, 600, -300},
                      HitCase{"oneLineAcross", L"", L"words and more words \u4E0B\u8F7D ", -1, PFA_CENTER, 0, 0, 9,
                              {Look{0, CFE_BOLD, 0}}},
                      // Lines closer than their height: a lowered line reaches below the raised one after it.
                      HitCase{"overlappingLines", L"abc\x000B", L"mmmm\x000B[\u8F7D\x000B", 95, PFA_LEFT, 0, 0, 4,
                              {Look{360, CFE_SUBSCRIPT, -56}, Look{300, CFE_SUPERSCRIPT, 0}}, 13}),
    [](const auto& info) { return std::string(info.param.name); });

// Cuts where a piece alone would see otherwise than one layout: blanks and soft hyphens on two
// lines of a large run before its first letter (pango gives them that letter's font), text
// between two isolates (fribidi lets the later steer the earlier), and a line after a
// paragraph separator in an indented paragraph (one layout indents it as a first line).
struct Cut {
  const char* name;
  std::wstring text;
  int width;
  LONG indent, offset;  // twips
  struct Run {
    LONG from, to, height;  // twips
    DWORD effects;
  };
  std::vector<Run> runs;
  std::vector<int> pieces;
};

using RichTextLayoutCuts = ::testing::TestWithParam<Cut>;  // Seen sets the piece size back

TEST_P(RichTextLayoutCuts, PiecesMeetAsOneLayout) {
  Fixture f;
  const Cut& c = GetParam();
  jf::TextFormats formats;
  formats.Reset(LONG(c.text.size()));
  for (const Cut::Run& r : c.runs) {
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.yHeight = r.height;
    cf.dwEffects |= r.effects;
    cf.wWeight = (r.effects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    formats.SetChar(r.from, r.to, cf);
  }
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.dxStartIndent = c.indent;
  pf.dxOffset = c.offset;
  formats.SetPara(LONG(c.text.size()), pf);
  RichTextLayout::Options options;
  options.wrapWidth = c.width;
  const std::vector<long> whole = f.Seen(c.text, formats, options, 1 << 28);
  for (int piece : c.pieces) EXPECT_EQ(FirstDifference(f.Seen(c.text, formats, options, piece), whole), -1) << piece;
}

std::wstring Repeated(const std::wstring& part, int times) {
  std::wstring text;
  for (int i = 0; i < times; ++i) text += part;
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, RichTextLayoutCuts,
    ::testing::Values(
        Cut{"blanksBeforeALetter",
            L"]" + Repeated(L" \uFF09", 6) + L"\t12 }" + Repeated(L" \u00AD", 7) +
                L"\t\u05D0\u05D1\u05D2\t\u05D0\u05B8 ] \uFF09 \u00AD \u00AD, \uFF09 ",
            71, 120, -240,
            {{0, 12, 420, CFE_SUPERSCRIPT}, {12, 19, 120, CFE_BOLD}, {19, 37, 540, CFE_BOLD | CFE_SUBSCRIPT},
             {37, 42, 360, 0}, {42, 46, 420, CFE_BOLD}, {46, 51, 540, CFE_BOLD | CFE_SUBSCRIPT}},
            {32, 20, 24, 28}},
        Cut{"betweenIsolates",
            L"\u0644\u063A\u0629, " + std::wstring(20, L'i') + L"\x000B\u300D \u2067  w  (x)\t(x) \u2069\x000B\u2069" +
                Repeated(L" 12", 10) + L"\x000B\u202B" + Repeated(L" 12", 9) + L" \u2066\t\u202B\t12 12 w w w",
            262, 240, -240, {}, {50, 40, 60}},
        Cut{"afterParagraphSeparators", Repeated(L"word wo \u4E0B\u8F7D, \u2029\t] \u2029", 12), 185, 600, 120, {},
            {30, 40, 53}}),
    [](const auto& info) { return std::string(info.param.name); });
