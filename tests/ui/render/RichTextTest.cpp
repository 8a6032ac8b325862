// Plain and rich text of the render engine, drawn into a canvas with a manager's fonts.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/ui/UiTestSupport.h"
#include "tests/support/SurfacePng.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/core/UIExtent.h"

using namespace SkinUI;
using uitest::Canvas;

namespace {

struct Ink {
  int dark = 0, red = 0, white = 0, other = 0;
  int minX = 1 << 30, maxX = -1;
};

// Counts the pixels that text changed on a white canvas.
Ink Scan(const Canvas& c, RECT area) {
  Ink ink;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      uint32_t p = c.At(x, y);
      if (p == 0xFFFFFFFF) continue;
      int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (r > 150 && g < 100 && b < 100) ++ink.red;
      else if (r < 120 && g < 120 && b < 120) ++ink.dark;
      else ++ink.other;
      if (x < ink.minX) ink.minX = x;
      if (x > ink.maxX) ink.maxX = x;
    }
  }
  return ink;
}

// The rows that hold ink, as runs of neighbouring rows (first, last): one per line of text.
std::vector<std::pair<int, int>> InkRows(const Canvas& c) {
  std::vector<std::pair<int, int>> rows;
  RECT all = c.Rect();
  for (int y = all.top; y < all.bottom; ++y) {
    bool ink = false;
    for (int x = all.left; x < all.right && !ink; ++x) ink = c.At(x, y) != 0xFFFFFFFF;
    if (!ink) continue;
    if (!rows.empty() && rows.back().second == y - 1)
      rows.back().second = y;
    else
      rows.push_back({y, y});
  }
  return rows;
}

bool Dark(uint32_t p) { return ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128; }

// True when the dark ink of the band ends in three dots: three small separate marks side by
// side in the lower part of the band, and nothing right of them.
bool EndsInDots(const Canvas& c, RECT band) {
  std::vector<std::pair<int, int>> marks;  // column runs, right to left
  int top = 1 << 30, bottom = -1;
  for (int x = band.right - 1; x >= band.left && marks.size() <= 3; --x) {
    bool ink = false;
    for (int y = band.top; y < band.bottom; ++y) {
      if (!Dark(c.At(x, y))) continue;
      ink = true;
      if (marks.size() < 3 || (!marks.empty() && marks.back().first == x + 1)) {
        top = y < top ? y : top;
        bottom = y > bottom ? y : bottom;
      }
    }
    if (!ink) continue;
    if (!marks.empty() && marks.back().first == x + 1)
      marks.back().first = x;
    else
      marks.push_back({x, x});
  }
  if (marks.size() < 3) return false;
  for (int i = 0; i < 3; ++i) {
    if (marks[i].second - marks[i].first > 3) return false;
  }
  // Dots sit on the baseline: in the lower half of the line's ink.
  int inkTop = band.bottom, inkBottom = band.top;
  for (int y = band.top; y < band.bottom; ++y)
    for (int x = band.left; x < band.right; ++x)
      if (Dark(c.At(x, y))) {
        inkTop = y < inkTop ? y : inkTop;
        inkBottom = y > inkBottom ? y : inkBottom;
      }
  return bottom - top <= 3 && top >= (inkTop + inkBottom) / 2;
}

// Draws black rich text without links into the canvas.
void Draw(CWindowManagerUI& m, Canvas& c, RECT rc, const wchar_t* text, UINT style) {
  int none = 0;
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, text, 0xFF000000, nullptr, nullptr, none, style);
}

RECT Measure(CWindowManagerUI& m, HDC dc, const wchar_t* text, UINT style, int width = 400) {
  RECT rc = {0, 0, width, 1000};
  int none = 0;
  CSkinRenderer::DrawHtmlText(dc, &m, rc, text, 0xFF000000, nullptr, nullptr, none, style | DT_CALCRECT);
  return rc;
}

}  // namespace

TEST(RichText, ColoursBoldAndTheHighAlphaColour) {
  CWindowManagerUI m;
  Canvas c(300, 40, 0xFFFFFFFF);
  RECT rc = {0, 0, 300, 40};
  int links = 0;
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, L"<b>bold</b> <c #FF0000>red</c> <c #FFFF0000>x</c>", 0xFF000000,
                              nullptr, nullptr, links, DT_SINGLELINE | DT_VCENTER);
  jftest::WriteBitmapPng(c.bitmap(), JF_TEST_BIN_DIR "/uibase_richtext.png");
  Ink ink = Scan(c, c.Rect());
  EXPECT_GT(ink.dark, 20);
  EXPECT_GT(ink.red, 20);  // "red" and the x written with alpha FF both red
  Ink tail = Scan(c, RECT{ink.maxX - 6, 0, ink.maxX + 1, 40});
  EXPECT_GT(tail.red, 3);
  EXPECT_EQ(0, tail.dark);
}

TEST(RichText, LinesLinksRawAndBrokenMarkup) {
  CWindowManagerUI m;
  Canvas c(400, 200, 0xFFFFFFFF);
  RECT one = Measure(m, c.dc(), L"a", 0);
  RECT two = Measure(m, c.dc(), L"a<n>b", 0);
  RECT single = Measure(m, c.dc(), L"a<n>b", DT_SINGLELINE);
  int line = one.bottom - one.top;
  EXPECT_GT(line, 5);
  EXPECT_EQ(2 * line, two.bottom - two.top);
  EXPECT_EQ(line, single.bottom - single.top);
  EXPECT_GT(single.right, one.right);

  RECT raw = Measure(m, c.dc(), L"<r><b></r>", DT_SINGLELINE);
  RECT literal = Measure(m, c.dc(), L"{<}b>", DT_SINGLELINE);
  EXPECT_EQ(literal.right, raw.right);
  EXPECT_GT(raw.right, one.right);

  RECT texts[2] = {};  // read as the last frame's link rectangles
  CUIString names[2];
  int count = 2;
  RECT rc = {0, 0, 400, 40};
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, L"go <a home>here</a> now", 0xFF000000, texts, names, count,
                              DT_SINGLELINE);
  EXPECT_EQ(1, count);
  EXPECT_TRUE(names[0] == L"home");
  EXPECT_GT(texts[0].right, texts[0].left);
  count = 0;
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, L"<a home>here</a>", 0xFF000000, texts, names, count, DT_SINGLELINE);
  EXPECT_EQ(0, count);

  // Unmatched closers, tags cut by the end of the text: drawn as far as they go, no pops of the base.
  const wchar_t* broken[] = {L"</b></c></p></a></f></u>text", L"<c #FF0000", L"<f ", L"<i ", L"<p", L"x<x 5",
                             L"<a", L"{c #00FF00}g{/c}{/c}{/c}h", L"<r>never closed", L"<i file='nothing.png' 3 9>"};
  for (const wchar_t* text : broken) {
    Canvas b(200, 40, 0xFFFFFFFF);
    RECT r = {0, 0, 200, 40};
    int n = 0;
    CSkinRenderer::DrawHtmlText(b.dc(), &m, r, text, 0xFF000000, nullptr, nullptr, n, DT_SINGLELINE);
    EXPECT_EQ(0, Scan(b, b.Rect()).red) << text;
  }
}

TEST(RichText, WrapsAndEllipsis) {
  CWindowManagerUI m;
  Canvas c(120, 200, 0xFFFFFFFF);
  const wchar_t* longText = L"several words that cannot fit in one short line";
  RECT wrapped = Measure(m, c.dc(), longText, DT_WORDBREAK, 120);
  RECT one = Measure(m, c.dc(), L"a", 0, 120);
  EXPECT_GT(wrapped.bottom - wrapped.top, 2 * (one.bottom - one.top));
  EXPECT_LE(wrapped.right, 120);
  RECT rc = {0, 0, 100, 30};
  int n = 0;
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, longText, 0xFF000000, nullptr, nullptr, n,
                              DT_SINGLELINE | DT_END_ELLIPSIS);
  jftest::WriteBitmapPng(c.bitmap(), JF_TEST_BIN_DIR "/uibase_richtext_singleline_ellipsis.png");
  Ink ink = Scan(c, RECT{0, 0, 120, 30});
  EXPECT_GT(ink.dark, 10);
  EXPECT_LT(ink.maxX, 100);
  EXPECT_TRUE(EndsInDots(c, RECT{0, 0, 120, 30}));
  Canvas plain(120, 30, 0xFFFFFFFF);
  Draw(m, plain, rc, longText, DT_SINGLELINE);
  EXPECT_FALSE(EndsInDots(plain, RECT{0, 0, 120, 30}));  // the check can tell text from "..."
}

TEST(RichText, EndEllipsisEndsOnlyItsLine) {
  CWindowManagerUI m;
  Canvas c(120, 90, 0xFFFFFFFF);
  Draw(m, c, RECT{0, 0, 100, 90}, L"several words that cannot fit\nok<n><b>also</b> here", DT_END_ELLIPSIS);
  jftest::WriteBitmapPng(c.bitmap(), JF_TEST_BIN_DIR "/uibase_richtext_ellipsis.png");
  std::vector<std::pair<int, int>> rows = InkRows(c);
  ASSERT_EQ(3u, rows.size());
  int line = Measure(m, c.dc(), L"a", 0).bottom;
  EXPECT_TRUE(EndsInDots(c, RECT{0, 0, 120, line}));
  EXPECT_FALSE(EndsInDots(c, RECT{0, line, 120, 2 * line}));
  EXPECT_GE(rows[2].first, 2 * line - 2);
}

TEST(RichText, ParagraphSpacingStandsBelowTheLines) {
  CWindowManagerUI m;
  Canvas plain(200, 120, 0xFFFFFFFF), para(200, 120, 0xFFFFFFFF);
  RECT rc = {0, 0, 200, 120};
  Draw(m, plain, rc, L"X<n>X<n>X<n>X", 0);
  // The spacing goes below the line that the paragraph ends and below each line inside it.
  Draw(m, para, rc, L"X<p 9>X<n>X</p>X", 0);
  jftest::WriteBitmapPng(para.bitmap(), JF_TEST_BIN_DIR "/uibase_richtext_paragraph.png");
  std::vector<std::pair<int, int>> a = InkRows(plain), b = InkRows(para);
  ASSERT_EQ(4u, a.size());
  ASSERT_EQ(4u, b.size());
  const int shift[] = {0, 9, 18, 18};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a[i].first + shift[i], b[i].first) << i;
    EXPECT_EQ(a[i].second + shift[i], b[i].second) << i;
  }
}

TEST(RichText, AParagraphOnAFreshLineIsSpacedAboveAsInTheMiddleOfOne) {
  CWindowManagerUI m;
  RECT rc = {0, 0, 200, 120};
  Canvas plain(200, 120, 0xFFFFFFFF);
  Draw(m, plain, rc, L"X<n>X<n>X", 0);
  const std::vector<std::pair<int, int>> a = InkRows(plain);
  ASSERT_EQ(3u, a.size());
  const struct {
    const wchar_t* text;
    int shift[3];
  } rows[] = {
      {L"X<n><p 9>X</p>X", {0, 9, 9}},
      {L"X\n<p 9>X</p>X", {0, 9, 9}},
      {L"<p 9>X</p><p 9>X</p><p 9>X</p>", {9, 18, 27}},
      {L"X<p 9>X</p><p 9>X</p>", {0, 9, 18}},
      {L"<p 5><p 4>X</p>X</p>X", {9, 14, 14}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    Canvas para(200, 120, 0xFFFFFFFF);
    Draw(m, para, rc, row.text, 0);
    const std::vector<std::pair<int, int>> b = InkRows(para);
    ASSERT_EQ(3u, b.size());
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(a[i].first + row.shift[i], b[i].first) << i;
      EXPECT_EQ(a[i].second + row.shift[i], b[i].second) << i;
    }
  }
}

TEST(RichText, TheRunningTopIsBounded) {
  // Thousands of lines under the widest paragraph spacing measure as the tallest coordinate,
  // never as a wrapped negative height; the narrowest spacing draws and measures cleanly too
  // (checked by UBSan).
  CWindowManagerUI m;
  Canvas c(100, 40, 0xFFFFFFFF);
  std::wstring lines;
  for (int i = 0; i < 3000; ++i) lines += L"a<n>";
  RECT tall = Measure(m, c.dc(), (L"<p 1000000>" + lines).c_str(), 0);
  EXPECT_EQ(tall.top, 0);
  EXPECT_EQ(tall.bottom, CUIExtent::kMaxCoordinate);
  RECT low = Measure(m, c.dc(), (L"<p -1000000>" + lines).c_str(), 0);
  EXPECT_GE(low.bottom, low.top);
  Draw(m, c, c.Rect(), (L"<p -1000000>" + lines).c_str(), 0);
  Draw(m, c, c.Rect(), (L"<p -1000000>" + lines).c_str(), DT_VCENTER | DT_CENTER);
}

TEST(RichText, WordBreakMovesAWordThatStartsAfterATagWhole) {
  CWindowManagerUI m;
  Canvas c(300, 80, 0xFFFFFFFF);
  int line = Measure(m, c.dc(), L"a", 0).bottom;
  RECT word = Measure(m, c.dc(), L"<b>abcdefghij</b>", DT_SINGLELINE, 1000);
  RECT lead = Measure(m, c.dc(), L"ab ", DT_SINGLELINE, 1000);
  int width = word.right + 2;  // the word fits a line of its own, not the rest of the first
  ASSERT_LT(width, lead.right + word.right);
  RECT both = Measure(m, c.dc(), L"ab <b>abcdefghij</b>", DT_WORDBREAK, width);
  EXPECT_EQ(2 * line, both.bottom);
  EXPECT_EQ(word.right, both.right);
  Draw(m, c, RECT{0, 0, width, 80}, L"ab <b>abcdefghij</b>", DT_WORDBREAK);
  EXPECT_LT(Scan(c, RECT{0, 0, 300, line}).maxX, lead.right);  // nothing of the word on the first line
  EXPECT_GE(Scan(c, RECT{0, line, 300, 2 * line}).maxX, word.right - 3);
  // A word inside a run still breaks at its space, and a first word that fits nowhere is cut.
  RECT words = Measure(m, c.dc(), L"ab abcdefghij", DT_WORDBREAK, width);
  EXPECT_EQ(2 * line, words.bottom);
  RECT cut = Measure(m, c.dc(), L"<b>abcdefghij</b>", DT_WORDBREAK, word.right / 2);
  EXPECT_GE(cut.bottom, 2 * line);
}

TEST(RichText, FourLiteralBrackets) {
  CWindowManagerUI m;
  struct Case {
    const wchar_t* markup;
    const wchar_t* plain;
  } cases[] = {{L"a<{>b", L"a<r>{</r>b"}, {L"a<}>b", L"a}b"}, {L"a{<}b", L"a<r><</r>b"}, {L"a{>}b", L"a>b"}};
  for (const Case& k : cases) {
    Canvas a(100, 30, 0xFFFFFFFF), b(100, 30, 0xFFFFFFFF);
    Draw(m, a, a.Rect(), k.markup, DT_SINGLELINE);
    Draw(m, b, b.Rect(), k.plain, DT_SINGLELINE);
    EXPECT_EQ(Measure(m, a.dc(), k.plain, DT_SINGLELINE).right, Measure(m, a.dc(), k.markup, DT_SINGLELINE).right)
        << k.markup;
    int differ = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 100; ++x) differ += a.At(x, y) != b.At(x, y);
    EXPECT_EQ(0, differ) << k.markup;
  }
}

TEST(PlainText, DrawsInsideItsRectangleWithTheManagersFont) {
  CWindowManagerUI m;
  Canvas c(200, 40, 0xFFFFFFFF);
  RECT rc = {20, 5, 180, 35};
  CSkinRenderer::DrawText(c.dc(), &m, rc, L"\u4E2D\u6587 text", 0xFFFF0000, -1, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  Ink ink = Scan(c, c.Rect());
  EXPECT_GT(ink.red, 20);
  EXPECT_GE(ink.minX, 20);
  EXPECT_LT(ink.maxX, 180);
  m.SetLayeredBackground(true);
  Canvas a(200, 40, 0xFFFFFFFF);
  CSkinRenderer::DrawText(a.dc(), &m, rc, L"alpha text", 0xFFFF0000, -1, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_GT(Scan(a, a.Rect()).red, 10);
}

TEST(PlainText, TransparentBackgroundTextKeepsItsLineBreaks) {
  CWindowManagerUI m;
  m.SetLayeredBackground(true);
  Canvas c(200, 80, 0xFFFFFFFF);
  RECT rc = {0, 0, 200, 80};
  CSkinRenderer::DrawText(c.dc(), &m, rc, L"first\nsecond", 0xFFFF0000, -1, 0);
  EXPECT_EQ(2u, InkRows(c).size());
  SIZE one = {0, 0}, two = {0, 0};
  HFONT font = m.GetFont(-1);
  HBITMAP a = CSkinRenderer::GenerateTextBitmap(L"mm", font, 0xFFFF0000, &one);
  HBITMAP b = CSkinRenderer::GenerateTextBitmap(L"mm\nmm", font, 0xFFFF0000, &two);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(one.cx, two.cx);
  EXPECT_EQ(2 * one.cy, two.cy);
  DeleteObject(a);
  DeleteObject(b);
}

TEST(RichText, FontsImagesSpacingAndHover) {
  std::string zip = uitest::BuildZip({{"strip.png", uitest::MakePng(30, 10, [] {
                                        std::vector<uint32_t> px(300);
                                        for (int i = 0; i < 300; ++i) px[i] = (i % 30) < 10 ? 0xFFFF0000 : 0xFF0000FF;
                                        return px;
                                      }())}});
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  CWindowManagerUI::SetResourceZipFromMemory();
  HWND hwnd = uitest::MakeWindow();
  {
    CWindowManagerUI m;
    m.Init(hwnd);
    m.AddFont(L"DejaVu Sans", 30, false, false, false);
    Canvas c(200, 60, 0xFFFFFFFF);
    RECT small = Measure(m, c.dc(), L"Ag", DT_SINGLELINE);
    RECT big = Measure(m, c.dc(), L"<f 0>Ag</f>", DT_SINGLELINE);
    RECT named = Measure(m, c.dc(), L"<f DejaVu 30>mmmmmmmm</f>", DT_SINGLELINE, 1000);
    RECT bold = Measure(m, c.dc(), L"<f DejaVu 30 BOLD>mmmmmmmm</f>", DT_SINGLELINE, 1000);
    EXPECT_GT(big.bottom - big.top, small.bottom - small.top);
    EXPECT_GE(bold.right, named.right);
    EXPECT_TRUE(m.GetFontInfo(2)->bold);
    EXPECT_FALSE(m.GetFontInfo(1)->bold);
    EXPECT_EQ(3, m.GetCustomFontCount());  // the named fonts were added
    Measure(m, c.dc(), L"<f DejaVu 30>Ag</f>", DT_SINGLELINE);
    EXPECT_EQ(3, m.GetCustomFontCount());  // and are found again
    RECT spaced = Measure(m, c.dc(), L"a<x 40>b", DT_SINGLELINE);
    RECT plain = Measure(m, c.dc(), L"ab", DT_SINGLELINE);
    EXPECT_EQ(plain.right + 40, spaced.right);
    RECT tall = Measure(m, c.dc(), L"a<y 50>", 0);
    EXPECT_EQ(50, tall.bottom - tall.top);
    RECT para = Measure(m, c.dc(), L"a<p 5>b</p>c", 0);
    EXPECT_EQ(3 * (plain.bottom - plain.top) + 5, para.bottom - para.top);

    // The second of three frames of the strip: 10x10 blue.
    RECT rc = {0, 0, 200, 60};
    int n = 0;
    CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, L"<i strip.png 3 1>", 0xFF000000, nullptr, nullptr, n, 0);
    EXPECT_EQ(0xFF0000FFu, c.At(5, 5));
    EXPECT_EQ(0xFFFFFFFFu, c.At(12, 5));
    Canvas f(200, 60, 0xFFFFFFFF);
    CSkinRenderer::DrawHtmlText(f.dc(), &m, rc, L"<i file='strip.png' 3 7>", 0xFF000000, nullptr, nullptr, n, 0);
    EXPECT_EQ(0xFFFF0000u, f.At(5, 5));  // a frame out of range is the first

    // The pointer over a link's rectangle colours it with the hover colour.
    m.SetDefaultLinkFontColor(0xFF000000);
    m.SetDefaultLinkHoverFontColor(0xFFFF0000);
    RECT links[1] = {{0, 0, 200, 60}};
    CUIString texts[1] = {L"home"};
    LRESULT result = 0;
    m.MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10), result);
    Canvas h(200, 60, 0xFFFFFFFF);
    int count = 1;
    CSkinRenderer::DrawHtmlText(h.dc(), &m, rc, L"<a home>link</a>", 0xFF000000, links, texts, count,
                                DT_SINGLELINE);
    EXPECT_EQ(1, count);
    EXPECT_EQ(10, m.GetMousePos().x);
    EXPECT_GT(Scan(h, h.Rect()).red, 5);
  }
  DestroyWindow(hwnd);
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::FreeResourceZipBuffer();
}

TEST(RichText, CentredLinesMoveAsAWhole) {
  CWindowManagerUI m;
  for (UINT align : {static_cast<UINT>(DT_CENTER), static_cast<UINT>(DT_RIGHT)}) {
    Canvas c(300, 40, 0xFFFFFFFF);
    RECT rc = {0, 0, 300, 40};
    int n = 0;
    const wchar_t* text = L"<b>Left</b> and <c #FF0000>right</c>";
    CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, text, 0xFF000000, nullptr, nullptr, n, DT_WORDBREAK | align);
    RECT size = Measure(m, c.dc(), text, DT_WORDBREAK, 300);
    Ink ink = Scan(c, c.Rect());
    int drawn = ink.maxX - ink.minX + 1;
    EXPECT_NEAR(size.right, drawn, 4) << align;  // the runs follow each other, none overlaps
    if (align == DT_CENTER) {
      EXPECT_NEAR(ink.minX, 299 - ink.maxX, 4);
    } else {
      EXPECT_GE(ink.maxX, 294);
    }
  }
}

TEST(RichText, PenMovesAreBounded) {
  // "<x N>" with N at the ends of the int range, then a run: the pen is bounded, so the
  // run's width added to it cannot overflow (checked by UBSan), and the measure is the
  // widest the rectangle allows.
  CWindowManagerUI m;
  Canvas c(100, 40, 0xFFFFFFFF);
  EXPECT_EQ(400, Measure(m, c.dc(), L"<x 2147483647>b", DT_SINGLELINE).right);
  EXPECT_EQ(400, Measure(m, c.dc(), L"a<x 2147483647>b", DT_SINGLELINE).right);
  RECT back = Measure(m, c.dc(), L"<x -2147483648>b", DT_SINGLELINE);
  EXPECT_GE(back.right, 0);
  EXPECT_LE(back.right, 400);
  std::wstring many;
  for (int i = 0; i < 3000; ++i) many += L"<x 1000000>";
  EXPECT_EQ(400, Measure(m, c.dc(), (many + L"b").c_str(), DT_SINGLELINE).right);
  // Drawn as well, far outside the canvas: nothing of "b" lands on it.
  RECT rc = {0, 0, 100, 40};
  int links = 0;
  CSkinRenderer::DrawHtmlText(c.dc(), &m, rc, L"<x 2147483647>b<x 2147483647>b", 0xFF000000, nullptr, nullptr, links,
                              DT_SINGLELINE);
  EXPECT_EQ(0, Scan(c, c.Rect()).dark);
}
