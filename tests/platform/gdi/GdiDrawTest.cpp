// Fills, shapes, lines, pixels and gradients on a memory DC.
#include <gtest/gtest.h>

#include <climits>

#include "tests/platform/gdi/GdiCanvas.h"

namespace {

const uint32_t kRed = 0xFFFF0000u, kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u, kClear = 0;

TEST(GdiDraw, FreshBitmapIsTransparentAndFillsAreOpaque) {
  GdiCanvas c(20, 10);
  EXPECT_EQ(0, c.CountOther(kClear));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{2, 3, 7, 6};
  EXPECT_EQ(1, FillRect(c.dc(), &r, red));
  EXPECT_EQ(kRed, c.At(2, 3));
  EXPECT_EQ(kRed, c.At(6, 5));
  EXPECT_EQ(kClear, c.At(7, 5));  // right and bottom edges excluded
  EXPECT_EQ(kClear, c.At(6, 6));
  EXPECT_EQ(15, c.CountOther(kClear));
  // A system colour index + 1 is a brush too.
  RECT w{10, 0, 12, 2};
  FillRect(c.dc(), &w, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  EXPECT_EQ(kWhite, c.At(10, 0));
  EXPECT_TRUE(DeleteObject(red));
  c.DumpOnFailure("fill");
}

TEST(GdiDraw, RectangleWithPenAndBrushAndWithoutPen) {
  GdiCanvas c(30, 30);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ oldPen = SelectObject(c.dc(), pen);
  HGDIOBJ oldBrush = SelectObject(c.dc(), brush);
  EXPECT_TRUE(Rectangle(c.dc(), 2, 2, 12, 12));
  EXPECT_EQ(0xFF0000FFu, c.At(2, 2));
  EXPECT_EQ(0xFF0000FFu, c.At(11, 11));
  EXPECT_EQ(0xFF00FF00u, c.At(3, 3));
  EXPECT_EQ(0xFF00FF00u, c.At(10, 10));
  EXPECT_EQ(kClear, c.At(12, 12));
  // A selected object cannot be deleted.
  EXPECT_FALSE(DeleteObject(pen));
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Rectangle(c.dc(), 15, 15, 20, 20));  // one pixel smaller without a pen
  EXPECT_EQ(0xFF00FF00u, c.At(15, 15));
  EXPECT_EQ(0xFF00FF00u, c.At(18, 18));
  EXPECT_EQ(kClear, c.At(19, 19));
  // The hollow brush draws only the outline.
  SelectObject(c.dc(), pen);
  SelectObject(c.dc(), GetStockObject(HOLLOW_BRUSH));
  Rectangle(c.dc(), 22, 22, 28, 28);
  EXPECT_EQ(0xFF0000FFu, c.At(22, 25));
  EXPECT_EQ(kClear, c.At(24, 24));
  SelectObject(c.dc(), oldPen);
  SelectObject(c.dc(), oldBrush);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(pen));  // gone
  c.DumpOnFailure("rectangle");
}

TEST(GdiDraw, RoundRectLeavesCornersAndFillsTheMiddle) {
  GdiCanvas c(40, 40);
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(RoundRect(c.dc(), 0, 0, 40, 40, 16, 16));
  EXPECT_EQ(kClear, c.At(0, 0));
  EXPECT_EQ(kClear, c.At(39, 39));
  EXPECT_EQ(kWhite, c.At(20, 20));
  EXPECT_EQ(kBlack, c.At(20, 0));
  EXPECT_EQ(kBlack, c.At(0, 20));
  EXPECT_EQ(kBlack, c.At(39, 20));
  c.DumpOnFailure("roundrect");
}

TEST(GdiDraw, LinesExcludeTheirEndAndFollowPenStyles) {
  GdiCanvas c(60, 20);
  HPEN solid = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HPEN dash = CreatePen(PS_DASH, 1, RGB(255, 0, 0));
  HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(c.dc(), solid);
  POINT prev;
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 10, 0);
  EXPECT_EQ(kRed, c.At(0, 0));
  EXPECT_EQ(kRed, c.At(9, 0));
  EXPECT_EQ(kClear, c.At(10, 0));
  MoveToEx(c.dc(), 0, 2, &prev);
  EXPECT_EQ(10, prev.x);  // LineTo moved the current position
  SelectObject(c.dc(), dash);
  LineTo(c.dc(), 60, 2);
  EXPECT_EQ(kRed, c.At(0, 2));
  EXPECT_EQ(kRed, c.At(17, 2));
  EXPECT_EQ(kClear, c.At(18, 2));  // 18 on, 6 off
  EXPECT_EQ(kClear, c.At(23, 2));
  EXPECT_EQ(kRed, c.At(24, 2));
  SelectObject(c.dc(), wide);
  MoveToEx(c.dc(), 5, 5, nullptr);
  LineTo(c.dc(), 5, 15);
  EXPECT_EQ(kRed, c.At(4, 10));
  EXPECT_EQ(kRed, c.At(6, 10));
  EXPECT_EQ(kClear, c.At(7, 10));
  // A diagonal line touches its start and not its end.
  SelectObject(c.dc(), solid);
  MoveToEx(c.dc(), 30, 5, nullptr);
  LineTo(c.dc(), 40, 15);
  EXPECT_EQ(kRed, c.At(30, 5));
  EXPECT_EQ(kRed, c.At(35, 10));
  SelectObject(c.dc(), old);
  for (HPEN p : {solid, dash, wide}) DeleteObject(p);
  c.DumpOnFailure("lines");
}

TEST(GdiDraw, PixelsInvertAndPatterns) {
  GdiCanvas c(10, 10);
  EXPECT_EQ(RGB(1, 2, 3), SetPixel(c.dc(), 1, 1, RGB(1, 2, 3)));
  EXPECT_EQ(0xFF010203u, c.At(1, 1));
  EXPECT_EQ(RGB(1, 2, 3), GetPixel(c.dc(), 1, 1));
  EXPECT_EQ(CLR_INVALID, GetPixel(c.dc(), 10, 0));
  c.Fill(0xFF102030u);
  RECT r{0, 0, 5, 5};
  EXPECT_TRUE(InvertRect(c.dc(), &r));
  EXPECT_EQ(0xFFEFDFCFu, c.At(0, 0));
  EXPECT_EQ(0xFF102030u, c.At(5, 5));
  EXPECT_TRUE(PatBlt(c.dc(), 0, 0, 2, 2, BLACKNESS));
  EXPECT_EQ(kBlack, c.At(1, 1));
  SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(PatBlt(c.dc(), 10, 10, -2, -2, PATCOPY));  // negative sizes count back
  EXPECT_EQ(kWhite, c.At(8, 8));
  EXPECT_EQ(kWhite, c.At(9, 9));
  HBRUSH frame = CreateSolidBrush(RGB(255, 0, 0));
  RECT f{2, 2, 8, 8};
  FrameRect(c.dc(), &f, frame);
  EXPECT_EQ(kRed, c.At(2, 5));
  EXPECT_EQ(kRed, c.At(7, 5));
  EXPECT_NE(kRed, c.At(5, 5));
  DeleteObject(frame);
}

TEST(GdiDraw, GradientsRunFromFirstToSecondColour) {
  GdiCanvas c(16, 16);
  TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0xFF00}, {16, 16, 0xFF00, 0, 0, 0xFF00}};
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(c.dc(), v, 2, &g, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(0xFF000000u, c.At(3, 0));  // the first row is the first colour
  int prev = -1;
  for (int y = 0; y < 16; ++y) {
    const int red = (c.At(3, y) >> 16) & 0xFF;
    EXPECT_GE(red, prev);
    EXPECT_EQ(c.At(0, y), c.At(15, y));
    prev = red;
  }
  EXPECT_GE(prev, 0xE0);
  ASSERT_TRUE(GradientFill(c.dc(), v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.At(5, 0), c.At(5, 15));
  EXPECT_LT(c.At(2, 4) & 0xFF0000, c.At(12, 4) & 0xFF0000);
  GRADIENT_RECT bad{0, 5};
  EXPECT_FALSE(GradientFill(c.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_V));
  // A gradient over the whole coordinate range covers the whole bitmap.
  c.Fill(kClear);
  TRIVERTEX huge[2] = {{INT_MIN, INT_MIN, 0, 0, 0, 0xFF00}, {INT_MAX, INT_MAX, 0xFF00, 0, 0, 0xFF00}};
  ASSERT_TRUE(GradientFill(c.dc(), huge, 2, &g, 1, GRADIENT_FILL_RECT_V));
  for (int y = 0; y < 16; ++y) EXPECT_EQ(0xFFu, c.At(0, y) >> 24) << y;
}

TEST(GdiDraw, ObjectsDescribeThemselves) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(dc));
  HBITMAP bmp = CreateCompatibleBitmap(dc, 7, 5);
  BITMAP bm{};
  EXPECT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bmp, sizeof(bm), &bm));
  EXPECT_EQ(7, bm.bmWidth);
  EXPECT_EQ(5, bm.bmHeight);
  EXPECT_EQ(32, bm.bmBitsPixel);
  LOGFONTW lf{};
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf));
  EXPECT_LT(lf.lfHeight, 0);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(1, 2, 3));
  LOGPEN lp{};
  GetObjectW(pen, sizeof(lp), &lp);
  EXPECT_EQ(static_cast<UINT>(PS_DOT), lp.lopnStyle);
  EXPECT_EQ(RGB(1, 2, 3), lp.lopnColor);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  ASSERT_NE(nullptr, oldBmp);
  EXPECT_EQ(bmp, GetCurrentObject(dc, OBJ_BITMAP));
  // One bitmap lives in one DC at a time.
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(nullptr, SelectObject(other, bmp));
  EXPECT_EQ(96, GetDeviceCaps(dc, LOGPIXELSX));
  EXPECT_EQ(96, GetDeviceCaps(dc, LOGPIXELSY));
  EXPECT_EQ(32, GetDeviceCaps(dc, BITSPIXEL));
  SelectObject(dc, oldBmp);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));  // stock objects stay
  EXPECT_NE(0, GetObjectType(GetStockObject(WHITE_BRUSH)));
  DeleteDC(other);
  DeleteDC(dc);
  EXPECT_EQ(0u, GetObjectType(dc));
}

TEST(GdiDraw, SaveDcRestoresObjectsModesAndBitmapOwnership) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP one = CreateCompatibleBitmap(dc, 0, 0);  // a zero size gives 1 x 1
  BITMAP bm{};
  GetObjectW(one, sizeof(bm), &bm);
  EXPECT_EQ(1, bm.bmWidth);
  HGDIOBJ oldBitmap = SelectObject(dc, one);
  SetTextColor(dc, RGB(1, 1, 1));
  EXPECT_EQ(1, SaveDC(dc));
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(9, 9, 9));
  SelectObject(dc, pen);
  SetTextColor(dc, RGB(2, 2, 2));
  SetBkMode(dc, TRANSPARENT);
  SetViewportOrgEx(dc, 7, 7, nullptr);
  EXPECT_EQ(2, SaveDC(dc));
  SetTextColor(dc, RGB(3, 3, 3));
  EXPECT_EQ(3, SaveDC(dc));
  // A positive level goes back to that save and drops the later ones.
  EXPECT_TRUE(RestoreDC(dc, 2));
  EXPECT_EQ(RGB(2, 2, 2), GetTextColor(dc));
  EXPECT_FALSE(RestoreDC(dc, 3));
  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(RGB(1, 1, 1), GetTextColor(dc));
  EXPECT_EQ(OPAQUE, GetBkMode(dc));
  EXPECT_EQ(GetStockObject(BLACK_PEN), GetCurrentObject(dc, OBJ_PEN));
  POINT vp;
  GetViewportOrgEx(dc, &vp);
  EXPECT_EQ(0, vp.x);
  EXPECT_TRUE(DeleteObject(pen));
  // A deleted DC gives its bitmap free for another DC.
  DeleteDC(dc);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_NE(nullptr, SelectObject(other, one));
  EXPECT_NE(nullptr, oldBitmap);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(one));
}

TEST(GdiDraw, RectanglesSpanningTheWholeRangeFillOnlyWhatShows) {
  GdiCanvas c(8, 8);
  const RECT all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  EXPECT_EQ(1, FillRect(c.dc(), &all, red));
  EXPECT_EQ(0, c.CountOther(kRed));
  // The frame of a huge rectangle lies outside the bitmap.
  EXPECT_EQ(1, FrameRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_TRUE(DrawFocusRect(c.dc(), &all));
  EXPECT_EQ(0, c.CountOther(kRed));
  EXPECT_TRUE(InvertRect(c.dc(), &all));
  EXPECT_EQ(0, c.CountOther(0xFF00FFFFu));
  EXPECT_TRUE(PatBlt(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, BLACKNESS));
  EXPECT_EQ(0, c.CountOther(0xFF00FFFFu));  // ends at (-1, -1)
  EXPECT_TRUE(PatBlt(c.dc(), INT_MAX, INT_MAX, INT_MIN, INT_MIN, WHITENESS));
  EXPECT_EQ(0, c.CountOther(kWhite));
  SetBkColor(c.dc(), RGB(0, 0, 0));
  EXPECT_TRUE(ExtTextOutW(c.dc(), 0, 0, ETO_OPAQUE, &all, L"", 0, nullptr));
  EXPECT_EQ(0, c.CountOther(kBlack));
  // A focus rectangle starting far to the left keeps its dots on every other pixel.
  const RECT far{-1000001, 1, 5, 7};
  EXPECT_TRUE(DrawFocusRect(c.dc(), &far));
  EXPECT_EQ(kWhite, c.At(1, 1));
  EXPECT_EQ(kBlack, c.At(2, 1));
  EXPECT_EQ(kWhite, c.At(3, 1));
  EXPECT_EQ(kBlack, c.At(5, 1));
  EXPECT_EQ(kWhite, c.At(4, 3));
  EXPECT_EQ(kBlack, c.At(4, 4));
  EXPECT_EQ(kWhite, c.At(3, 6));
  DeleteObject(red);
}

TEST(GdiDraw, ShapesAndLinesSpanningTheWholeRangeDrawWhatShows) {
  GdiCanvas c(8, 8);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(c.dc(), red);
  // The middle of huge shapes covers the whole bitmap, whatever their outline.
  EXPECT_TRUE(Ellipse(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(0, c.CountOther(kRed));
  c.Fill(kClear);
  EXPECT_TRUE(RoundRect(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
  EXPECT_EQ(0, c.CountOther(kRed));
  c.Fill(kClear);
  HGDIOBJ oldPen = SelectObject(c.dc(), GetStockObject(NULL_PEN));
  EXPECT_TRUE(Rectangle(c.dc(), INT_MAX, INT_MAX, INT_MIN, INT_MIN));
  EXPECT_EQ(0, c.CountOther(kRed));
  // A diagonal across the whole range passes through the bitmap's diagonal.
  SelectObject(c.dc(), GetStockObject(WHITE_PEN));
  MoveToEx(c.dc(), INT_MIN, INT_MIN, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), INT_MAX, INT_MAX));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kWhite, c.At(i, i)) << i;
  EXPECT_EQ(8, c.CountOther(kRed));
  // A dotted line keeps its pattern's phase from its far start: 2^31 % 6 == 2.
  HPEN dots = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(c.dc(), dots);
  MoveToEx(c.dc(), INT_MIN, 3, nullptr);
  EXPECT_TRUE(LineTo(c.dc(), INT_MAX, 3));
  const bool on[8] = {true, false, false, false, true, true, true, false};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(on[x], c.At(x, 3) == kBlack) << x;
  // A line far outside draws nothing.
  const POINT away[3] = {{INT_MIN, INT_MIN}, {INT_MIN, INT_MAX}, {-100, INT_MAX}};
  EXPECT_TRUE(Polyline(c.dc(), away, 3));
  EXPECT_EQ(8 + 4, c.CountOther(kRed));
  SelectObject(c.dc(), oldPen);
  SelectObject(c.dc(), oldBrush);
  DeleteObject(dots);
  DeleteObject(red);
}

}  // namespace
