// Text through pango: placement, measurement, ellipsis, word breaks, Chinese glyphs and the
// alpha the text leaves in 32-bit bitmaps.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/platform/gdi/GdiCanvas.h"

namespace {

HFONT MakeFont(int pixels, const wchar_t* face = L"微软雅黑", LONG weight = FW_NORMAL, BYTE underline = 0) {
  LOGFONTW lf{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = -pixels;
  lf.lfWeight = weight;
  lf.lfUnderline = underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

// Ink bounds: pixels that differ from the background.
RECT InkBox(const GdiCanvas& c, uint32_t background) {
  RECT r{c.width(), c.height(), -1, -1};
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      if (c.At(x, y) != background) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

class FontText : public ::testing::Test {
 protected:
  void SetUp() override {
    font_ = MakeFont(16);
    ASSERT_NE(nullptr, font_);
  }
  void TearDown() override { DeleteObject(font_); }
  HFONT font_ = nullptr;
};

TEST_F(FontText, MetricsAndExtentsAgree) {
  GdiCanvas c(10, 10);
  SelectObject(c.dc(), font_);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(c.dc(), &tm));
  EXPECT_GE(tm.tmHeight, 16);
  EXPECT_LE(tm.tmHeight, 28);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GT(tm.tmAveCharWidth, 3);
  SIZE one{}, two{};
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), L"Hello", 5, &one));
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), L"Hello Hello", 11, &two));
  EXPECT_EQ(tm.tmHeight, one.cy);
  EXPECT_GT(two.cx, one.cx * 2);
  RECT calc{0, 0, 0, 0};
  EXPECT_EQ(tm.tmHeight, DrawTextW(c.dc(), L"Hello", -1, &calc, DT_SINGLELINE | DT_CALCRECT));
  EXPECT_EQ(one.cx, calc.right);
  EXPECT_EQ(tm.tmHeight, calc.bottom);
  // Word breaks in a narrow rectangle give several lines, each within the width.
  RECT narrow{0, 0, one.cx + 4, 0};
  const int h = DrawTextW(c.dc(), L"Hello Hello Hello", -1, &narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GE(h, tm.tmHeight * 3);
  EXPECT_LE(narrow.right, one.cx + 4);
  // Bold text is darker (the CJK face is emboldened, so not always wider); fitting counts
  // characters.
  HFONT bold = MakeFont(16, L"微软雅黑", FW_BOLD);
  SelectObject(c.dc(), bold);
  SIZE b{};
  GetTextExtentPoint32W(c.dc(), L"Hello", 5, &b);
  EXPECT_GE(b.cx, one.cx);
  GdiCanvas n(80, 30), k(80, 30);
  SelectObject(n.dc(), font_);
  SelectObject(k.dc(), bold);
  TextOutW(n.dc(), 0, 0, L"Hello", 5);
  TextOutW(k.dc(), 0, 0, L"Hello", 5);
  int inkN = 0, inkK = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      inkN += n.At(x, y) >> 24 == 255 && (n.At(x, y) & 0xFF) < 128;
      inkK += k.At(x, y) >> 24 == 255 && (k.At(x, y) & 0xFF) < 128;
    }
  EXPECT_GT(inkK, inkN);
  SelectObject(n.dc(), GetStockObject(SYSTEM_FONT));
  SelectObject(k.dc(), GetStockObject(SYSTEM_FONT));
  int fit = 0;
  int dx[5] = {};
  GetTextExtentExPointW(c.dc(), L"Hello", 5, b.cx / 2, &fit, dx, &b);
  EXPECT_GT(fit, 0);
  EXPECT_LT(fit, 5);
  EXPECT_LE(dx[fit - 1], b.cx / 2);
  // A positive height asks for the cell height.
  HFONT cell = CreateFontW(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体");
  SelectObject(c.dc(), cell);
  GetTextMetricsW(c.dc(), &tm);
  EXPECT_NEAR(20, tm.tmHeight, 2);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(bold);
  DeleteObject(cell);
}

TEST_F(FontText, DrawTextPlacesTextInsideItsRectangle) {
  GdiCanvas c(200, 60);
  c.Fill(0xFFFFFFFFu);
  SelectObject(c.dc(), font_);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), RGB(0, 0, 0));
  RECT r{50, 10, 150, 50};
  EXPECT_GT(DrawTextW(c.dc(), L"Centre", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
  const RECT ink = InkBox(c, 0xFFFFFFFFu);
  ASSERT_GT(ink.right, 0);
  EXPECT_GE(ink.left, r.left);
  EXPECT_LE(ink.right, r.right);
  EXPECT_GE(ink.top, r.top);
  EXPECT_LE(ink.bottom, r.bottom);
  EXPECT_NEAR((ink.left + ink.right) / 2, 100, 4);
  EXPECT_NEAR((ink.top + ink.bottom) / 2, 30, 5);
  // Right and bottom placement.
  c.Fill(0xFFFFFFFFu);
  DrawTextW(c.dc(), L"End", -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  const RECT end = InkBox(c, 0xFFFFFFFFu);
  EXPECT_LE(end.right, 150);
  EXPECT_GE(end.right, 145);
  EXPECT_GE(end.bottom, 40);
  // Prefix characters vanish unless DT_NOPREFIX.
  RECT a{0, 0, 200, 30}, b{0, 0, 200, 30};
  DrawTextW(c.dc(), L"&Open", -1, &a, DT_SINGLELINE | DT_CALCRECT);
  DrawTextW(c.dc(), L"&Open", -1, &b, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_LT(a.right, b.right);
  c.DumpOnFailure("drawtext");
}

TEST_F(FontText, EllipsisKeepsLongTextInsideEvenWithoutClipping) {
  GdiCanvas c(300, 40);
  c.Fill(0xFFFFFFFFu);
  SelectObject(c.dc(), font_);
  SetBkMode(c.dc(), TRANSPARENT);
  const wchar_t* text = L"A rather long line of text that does not fit";
  RECT r{10, 5, 110, 35};
  DrawTextW(c.dc(), text, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP | DT_VCENTER);
  RECT ink = InkBox(c, 0xFFFFFFFFu);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 110);
  EXPECT_GT(ink.right, 80);  // the rectangle is used up to near its end
  // Without the ellipsis and without clipping the text runs past the rectangle.
  c.Fill(0xFFFFFFFFu);
  DrawTextW(c.dc(), text, -1, &r, DT_SINGLELINE | DT_NOCLIP | DT_VCENTER);
  EXPECT_GT(InkBox(c, 0xFFFFFFFFu).right, 150);
  // Clipped, it stops at the edge.
  c.Fill(0xFFFFFFFFu);
  DrawTextW(c.dc(), text, -1, &r, DT_SINGLELINE | DT_VCENTER);
  EXPECT_LE(InkBox(c, 0xFFFFFFFFu).right, 110);
  // Word breaks with an ellipsis keep the lines that fit in the height.
  c.Fill(0xFFFFFFFFu);
  RECT box{10, 0, 110, 40};
  DrawTextW(c.dc(), text, -1, &box, DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOCLIP);
  ink = InkBox(c, 0xFFFFFFFFu);
  EXPECT_LE(ink.right, 110);
  EXPECT_LE(ink.bottom, 40);
  c.DumpOnFailure("ellipsis");
}

// Ink of one character drawn black on white at 48 pixels.
std::vector<uint8_t> Glyph(wchar_t ch, RECT* ink) {
  GdiCanvas c(64, 64);
  c.Fill(0xFFFFFFFFu);
  HFONT f = MakeFont(48, L"宋体");
  HGDIOBJ old = SelectObject(c.dc(), f);
  SetBkMode(c.dc(), TRANSPARENT);
  TextOutW(c.dc(), 4, 4, &ch, 1);
  SelectObject(c.dc(), old);
  DeleteObject(f);
  *ink = InkBox(c, 0xFFFFFFFFu);
  std::vector<uint8_t> dark;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) dark.push_back((c.At(x, y) & 0xFF) < 128);
  return dark;
}

TEST_F(FontText, ChineseGlyphsAreRealGlyphs) {
  RECT zhongInk, guoInk;
  const std::vector<uint8_t> zhong = Glyph(L'中', &zhongInk), guo = Glyph(L'国', &guoInk);
  int inkCount = 0;
  for (uint8_t d : zhong) inkCount += d;
  EXPECT_GT(inkCount, 60);
  EXPECT_NE(zhong, guo);
  // 中 has its long stroke down the middle: the fullest column sits near the centre of the
  // ink and spans most of its height (a missing-glyph box has its full columns at the sides).
  int bestX = -1, best = 0;
  for (int x = zhongInk.left; x < zhongInk.right; ++x) {
    int n = 0;
    for (int y = 0; y < 64; ++y) n += zhong[y * 64 + x];
    if (n > best) best = n, bestX = x;
  }
  const int mid = (zhongInk.left + zhongInk.right) / 2;
  EXPECT_NEAR(bestX, mid, (zhongInk.right - zhongInk.left) / 5 + 1);
  EXPECT_GE(best, (zhongInk.bottom - zhongInk.top) * 7 / 10);
  // A Chinese character is about one em wide.
  GdiCanvas c(4, 4);
  HFONT f = MakeFont(20);
  SelectObject(c.dc(), f);
  SIZE s{};
  GetTextExtentPoint32W(c.dc(), L"中国", 2, &s);
  EXPECT_NEAR(s.cx, 40, 6);
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

// Pixels of a text drawn in a face.
std::vector<uint32_t> Render(const wchar_t* face, const wchar_t* text) {
  GdiCanvas c(120, 30);
  HFONT f = MakeFont(18, face);
  HGDIOBJ old = SelectObject(c.dc(), f);
  SetBkMode(c.dc(), TRANSPARENT);
  TextOutW(c.dc(), 2, 2, text, static_cast<int>(wcslen(text)));
  wchar_t name[LF_FACESIZE] = {};
  EXPECT_EQ(static_cast<int>(wcslen(face)), GetTextFaceW(c.dc(), LF_FACESIZE, name));
  EXPECT_STREQ(face, name);
  SelectObject(c.dc(), old);
  DeleteObject(f);
  std::vector<uint32_t> px;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) px.push_back(c.At(x, y));
  return px;
}

TEST_F(FontText, WindowsFaceNamesResolveToTheCjkFont) {
  const wchar_t* text = L"Ag 中文";
  const std::vector<uint32_t> yahei = Render(L"微软雅黑", text);
  EXPECT_EQ(yahei, Render(L"Microsoft YaHei", text));
  EXPECT_EQ(yahei, Render(L"宋体", text));
  EXPECT_EQ(yahei, Render(L"Tahoma", text));
  // An unknown face still finds glyphs for Chinese text.
  const std::vector<uint32_t> unknown = Render(L"No Such Face", L"中文");
  int ink = 0;
  for (uint32_t p : unknown) ink += p != 0;
  EXPECT_GT(ink, 40);
}

TEST_F(FontText, OpaqueBackgroundsAndTextAlignment) {
  GdiCanvas c(100, 40);
  SelectObject(c.dc(), font_);
  SetBkColor(c.dc(), RGB(0, 0, 255));
  RECT r{0, 0, 30, 10};
  ASSERT_TRUE(ExtTextOutW(c.dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
  EXPECT_EQ(0xFF0000FFu, c.At(29, 9));
  EXPECT_EQ(0u, c.At(30, 9));
  // TA_CENTER centres the text on x; an opaque mode fills behind it.
  c.Fill(0);
  SetTextAlign(c.dc(), TA_CENTER | TA_TOP);
  SetBkMode(c.dc(), OPAQUE);
  TextOutW(c.dc(), 50, 10, L"mid", 3);
  const RECT ink = InkBox(c, 0);
  EXPECT_NEAR((ink.left + ink.right) / 2, 50, 2);
  EXPECT_EQ(10, ink.top);
  EXPECT_GT(c.width() * c.height() - c.CountOther(0xFF0000FFu), 20);  // blue behind the text
  // Clipped to the rectangle, with the caller's advances spreading the characters.
  c.Fill(0);
  SetTextAlign(c.dc(), TA_LEFT | TA_TOP);
  SetBkMode(c.dc(), TRANSPARENT);
  const RECT clip{0, 0, 100, 40};
  const INT wide[3] = {30, 30, 30};
  ASSERT_TRUE(ExtTextOutW(c.dc(), 0, 5, ETO_CLIPPED, &clip, L"iii", 3, wide));
  EXPECT_GT(c.CountOther(0, 28, 0, 40, 40), 0);
  EXPECT_GT(c.CountOther(0, 58, 0, 70, 40), 0);
  EXPECT_EQ(0, c.CountOther(0, 12, 0, 28, 40));
  c.Fill(0);
  const RECT narrow{0, 0, 20, 40};
  ExtTextOutW(c.dc(), 0, 5, ETO_CLIPPED, &narrow, L"iii", 3, wide);
  EXPECT_EQ(0, c.CountOther(0, 20, 0, 100, 40));
}

TEST_F(FontText, TextAlphaFollowsTheLayerRule) {
  // On a fresh, transparent bitmap text leaves its coverage as alpha, colours premultiplied.
  GdiCanvas c(120, 40);
  HFONT big = MakeFont(28, L"微软雅黑", FW_BOLD);
  SelectObject(c.dc(), big);
  SetBkMode(c.dc(), TRANSPARENT);
  SetTextColor(c.dc(), RGB(255, 0, 0));
  TextOutW(c.dc(), 2, 2, L"Alpha", 5);
  int opaque = 0, partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = c.At(x, y);
      const uint32_t a = p >> 24, red = (p >> 16) & 0xFF;
      EXPECT_EQ(a, red);  // premultiplied pure red
      EXPECT_EQ(0u, p & 0xFFFF);
      if (a == 255) ++opaque;
      else if (a) ++partial;
    }
  EXPECT_GT(opaque, 50);
  EXPECT_GT(partial, 10);
  // White on opaque black gives the coverage in every colour byte.
  GdiCanvas m(120, 40);
  SelectObject(m.dc(), big);
  RECT all{0, 0, 120, 40};
  FillRect(m.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkMode(m.dc(), TRANSPARENT);
  SetTextColor(m.dc(), RGB(255, 255, 255));
  TextOutW(m.dc(), 2, 2, L"Alpha", 5);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = m.At(x, y);
      EXPECT_EQ(0xFFu, p >> 24);
      EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
      EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    }
  SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
  SelectObject(m.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(big);
}

TEST_F(FontText, LayeredCompositionShowsPanelAndTextAndKeepsTheRestTransparent) {
  // A layered window's background bitmap: fresh, a rounded panel filled, text on it.
  GdiCanvas layer(100, 50);
  HBRUSH panel = CreateSolidBrush(RGB(40, 40, 200));
  SelectObject(layer.dc(), panel);
  SelectObject(layer.dc(), GetStockObject(NULL_PEN));
  RoundRect(layer.dc(), 10, 10, 91, 41, 10, 10);
  SelectObject(layer.dc(), font_);
  SetBkMode(layer.dc(), TRANSPARENT);
  SetTextColor(layer.dc(), RGB(255, 255, 255));
  RECT r{10, 10, 90, 40};
  DrawTextW(layer.dc(), L"确定 OK", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  // The screen composes it with per-pixel alpha over what lies beneath.
  GdiCanvas screen(100, 50);
  screen.Fill(0xFF00FF00u);
  ASSERT_TRUE(AlphaBlend(screen.dc(), 0, 0, 100, 50, layer.dc(), 0, 0, 100, 50,
                         BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
  EXPECT_EQ(0xFF00FF00u, screen.At(2, 2));    // outside the panel: the desktop
  EXPECT_EQ(0xFF00FF00u, screen.At(10, 10));  // the rounded corner
  EXPECT_EQ(0xFF2828C8u, screen.At(12, 25));  // the panel
  int textPixels = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 10; x < 90; ++x) {
      const uint32_t p = screen.At(x, y);
      if (p != 0xFF2828C8u && p != 0xFF00FF00u) ++textPixels;
      EXPECT_EQ(0xFFu, p >> 24);
    }
  EXPECT_GT(textPixels, 40);
  SelectObject(layer.dc(), GetStockObject(WHITE_BRUSH));
  SelectObject(layer.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(panel);
  screen.DumpOnFailure("layered");
}

TEST_F(FontText, HugeAndEmptyRectanglesStayInsideTheBitmap) {
  GdiCanvas c(40, 20);
  c.Fill(0xFF000000u);
  SetTextColor(c.dc(), RGB(255, 255, 255));
  SetBkMode(c.dc(), TRANSPARENT);
  const RECT all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  for (UINT format : {UINT(DT_SINGLELINE | DT_CENTER | DT_VCENTER), UINT(DT_SINGLELINE | DT_RIGHT | DT_BOTTOM),
                      UINT(DT_WORDBREAK), UINT(DT_WORDBREAK | DT_END_ELLIPSIS), UINT(DT_SINGLELINE | DT_PATH_ELLIPSIS)}) {
    RECT r = all;
    EXPECT_GT(DrawTextW(c.dc(), L"Wide", -1, &r, format), 0) << format;
    RECT empty = all;
    EXPECT_GE(DrawTextW(c.dc(), L"", 0, &empty, format), 0) << format;
  }
  // Measuring near the end of the coordinate range keeps the rectangle ordered.
  RECT edge{INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX};
  EXPECT_GT(DrawTextW(c.dc(), L"Wide", -1, &edge, DT_SINGLELINE | DT_CALCRECT), 0);
  EXPECT_GE(edge.right, edge.left);
  EXPECT_GE(edge.bottom, edge.top);
  // An empty string measures no width; a rectangle turned inside out draws nothing.
  RECT calc{5, 5, 5, 5};
  DrawTextW(c.dc(), L"", -1, &calc, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(5, calc.right);
  c.Fill(0xFF000000u);
  RECT inverted{30, 15, 2, 2};
  DrawTextW(c.dc(), L"Wide", -1, &inverted, DT_SINGLELINE);
  EXPECT_EQ(0, c.CountOther(0xFF000000u));
}

TEST_F(FontText, FontsOfAnyHeightMeasureAndDraw) {
  GdiCanvas c(40, 20);
  for (int height : {INT_MIN, INT_MIN + 1, -100000, 100000, INT_MAX}) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    wcsncpy(lf.lfFaceName, L"宋体", LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(nullptr, font);
    HGDIOBJ old = SelectObject(c.dc(), font);
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(c.dc(), &tm)) << height;
    EXPECT_GT(tm.tmHeight, 0) << height;
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32W(c.dc(), L"确定", 2, &size)) << height;
    EXPECT_TRUE(TextOutW(c.dc(), 0, 0, L"确定", 2)) << height;
    SelectObject(c.dc(), old);
    DeleteObject(font);
  }
}

}  // namespace
