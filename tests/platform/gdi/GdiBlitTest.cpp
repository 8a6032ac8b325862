// Copies, stretches and alpha blending between memory DCs, and the layout of DIB sections.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tests/platform/gdi/GdiCanvas.h"

namespace {

// The header of a 32-bit DIB (negative height: top-down rows).
BITMAPINFO Info32(LONG width, LONG height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  return bi;
}

BLENDFUNCTION Blend(BYTE constant, bool perPixel) {
  return BLENDFUNCTION{AC_SRC_OVER, 0, constant, static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
}

TEST(GdiBlit, BitBltCopiesAllFourBytesAndHonoursOrigins) {
  GdiCanvas src(8, 8), dst(8, 8);
  src.Set(1, 1, 0x80400000u);  // half transparent, premultiplied
  src.Set(2, 1, 0xFF00FF00u);
  dst.Fill(0xFFFFFFFFu);
  ASSERT_TRUE(BitBlt(dst.dc(), 4, 4, 2, 1, src.dc(), 1, 1, SRCCOPY));
  EXPECT_EQ(0x80400000u, dst.At(4, 4));
  EXPECT_EQ(0xFF00FF00u, dst.At(5, 4));
  EXPECT_EQ(0xFFFFFFFFu, dst.At(6, 4));
  // A moved viewport origin moves the drawing; a window origin moves it back.
  POINT old;
  SetViewportOrgEx(dst.dc(), 2, 0, &old);
  BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 2, 1, SRCCOPY);
  EXPECT_EQ(0xFF00FF00u, dst.At(2, 0));
  SetWindowOrgEx(dst.dc(), 2, 0, nullptr);
  BitBlt(dst.dc(), 0, 7, 1, 1, src.dc(), 2, 1, SRCCOPY);
  EXPECT_EQ(0xFF00FF00u, dst.At(0, 7));
  POINT vp;
  GetViewportOrgEx(dst.dc(), &vp);
  EXPECT_EQ(2, vp.x);
  // Overlapping copy inside one surface reads the pixels as they were.
  GdiCanvas one(4, 1);
  for (int x = 0; x < 4; ++x) one.Set(x, 0, 0xFF000000u | x);
  BitBlt(one.dc(), 1, 0, 3, 1, one.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(0xFF000000u, one.At(1, 0));
  EXPECT_EQ(0xFF000002u, one.At(3, 0));
}

TEST(GdiBlit, StretchBltScalesByPixelReplication) {
  GdiCanvas src(2, 2), dst(8, 8);
  src.Set(0, 0, 0xFFFF0000u);
  src.Set(1, 0, 0xFF00FF00u);
  src.Set(0, 1, 0xFF0000FFu);
  src.Set(1, 1, 0xFFFFFFFFu);
  SetStretchBltMode(dst.dc(), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(0xFFFF0000u, dst.At(0, 0));
  EXPECT_EQ(0xFFFF0000u, dst.At(3, 3));
  EXPECT_EQ(0xFF00FF00u, dst.At(4, 0));
  EXPECT_EQ(0xFF0000FFu, dst.At(0, 7));
  EXPECT_EQ(0xFFFFFFFFu, dst.At(7, 7));
  EXPECT_EQ(COLORONCOLOR, SetStretchBltMode(dst.dc(), HALFTONE));
  EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(0xFFFF0000u, dst.At(0, 0));  // corners keep their colour when smoothing
  EXPECT_EQ(0xFFFFFFFFu, dst.At(7, 7));
}

TEST(GdiBlit, AlphaBlendWithConstantAndPerPixelAlpha) {
  GdiCanvas src(4, 4), dst(4, 4);
  src.Fill(0xFFFF0000u);
  dst.Fill(0xFF0000FFu);
  ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 2, 2, Blend(128, false)));
  const uint32_t p = dst.At(0, 0);
  EXPECT_EQ(0xFFu, p >> 24);
  EXPECT_NEAR(128, static_cast<int>((p >> 16) & 0xFF), 2);
  EXPECT_NEAR(127, static_cast<int>(p & 0xFF), 2);
  EXPECT_EQ(0xFF0000FFu, dst.At(2, 2));
  // Per-pixel: a half transparent premultiplied red over blue.
  src.Fill(0x80800000u);
  dst.Fill(0xFF0000FFu);
  ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 4, 4, Blend(255, true)));
  const uint32_t q = dst.At(1, 1);
  EXPECT_EQ(0xFFu, q >> 24);
  EXPECT_NEAR(128, static_cast<int>((q >> 16) & 0xFF), 2);
  EXPECT_NEAR(127, static_cast<int>(q & 0xFF), 2);
  // Over a transparent destination the source's alpha is kept.
  GdiCanvas clear(4, 4);
  AlphaBlend(clear.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 4, 4, Blend(255, true));
  EXPECT_EQ(0x80800000u, clear.At(2, 2));
  // Without AC_SRC_ALPHA the source counts as opaque.
  GdiCanvas over(4, 4);
  over.Fill(0xFF0000FFu);
  AlphaBlend(over.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 4, 4, Blend(255, false));
  EXPECT_EQ(0xFF800000u, over.At(0, 0));
  // Stretched, with fully transparent source pixels leaving the destination alone.
  GdiCanvas tiny(1, 1), big(6, 6);
  big.Fill(0xFF00FF00u);
  ASSERT_TRUE(AlphaBlend(big.dc(), 0, 0, 6, 6, tiny.dc(), 0, 0, 1, 1, Blend(255, true)));
  EXPECT_EQ(0, big.CountOther(0xFF00FF00u));
}

TEST(GdiBlit, StretchedPiecesDoNotBleedFromTheirNeighbours) {
  // A nine-grid piece: the middle two pixels of a strip, stretched to eight.
  GdiCanvas src(4, 1), dst(8, 2);
  src.Set(0, 0, 0xFFFF0000u);
  src.Set(1, 0, 0xFF00FF00u);
  src.Set(2, 0, 0xFF0000FFu);
  src.Set(3, 0, 0xFFFFFFFFu);
  ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 8, 2, src.dc(), 1, 0, 2, 1, Blend(255, true)));
  EXPECT_EQ(0xFF00FF00u, dst.At(0, 0));
  EXPECT_EQ(0xFF0000FFu, dst.At(7, 1));
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(0u, (dst.At(x, 0) >> 16) & 0xFF) << x;  // no red from the left neighbour
    EXPECT_EQ(0xFFu, dst.At(x, 0) >> 24);
  }
  // Shrinking works the same way.
  GdiCanvas small(1, 1);
  ASSERT_TRUE(AlphaBlend(small.dc(), 0, 0, 1, 1, src.dc(), 1, 0, 2, 1, Blend(255, true)));
  EXPECT_EQ(0u, (small.At(0, 0) >> 16) & 0xFF);
}

TEST(GdiBlit, AlphaBlendRefusesSourceRectanglesOutsideTheBitmap) {
  GdiCanvas src(4, 4), dst(4, 4);
  dst.Fill(0xFF123456u);
  SetLastError(0);
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), -1, 0, 4, 4, Blend(255, true)));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 1, 1, 4, 4, Blend(255, true)));
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 0, 4, src.dc(), 0, 0, 4, 4, Blend(255, true)));
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, -4, 4, Blend(255, true)));
  // Sizes whose end passes the int range are outside too.
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 1, 0, INT_MAX, 4, Blend(255, true)));
  EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 2, 4, INT_MAX, Blend(255, true)));
  EXPECT_EQ(0, dst.CountOther(0xFF123456u));
  // A stretch from such a rectangle leaves the target or copies the source's own pixels.
  src.Fill(0xFF00FF00u);
  StretchBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 1, 0, INT_MAX, 4, SRCCOPY);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_TRUE(dst.At(x, y) == 0xFF123456u || dst.At(x, y) == 0xFF00FF00u) << x;
}

TEST(GdiBlit, BottomUpSectionsKeepTheirRowsWhereWindowsPutsThem) {
  GdiCanvas up(3, 3, true);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT top{0, 0, 3, 1};
  FillRect(up.dc(), &top, red);
  // Drawing at y = 0 lands in the last row of memory.
  BITMAP bm{};
  GetObjectW(up.bitmap(), sizeof(bm), &bm);
  const uint32_t* bits = static_cast<const uint32_t*>(bm.bmBits);
  EXPECT_EQ(0xFFFF0000u, bits[2 * 3]);
  EXPECT_EQ(0u, bits[0]);
  // GetDIBits answers rows in the order asked for.
  uint32_t out[9] = {};
  BITMAPINFO bi = Info32(3, -3);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(3, GetDIBits(dc, up.bitmap(), 0, 3, out, &bi, DIB_RGB_COLORS));
  EXPECT_EQ(0xFFFF0000u, out[0]);
  EXPECT_EQ(0u, out[8]);
  DeleteDC(dc);
  DeleteObject(red);
  // Bottom-up sections are sources like any other, scaled or not.
  GdiCanvas down(3, 6), scaled(6, 6);
  ASSERT_TRUE(AlphaBlend(down.dc(), 0, 0, 3, 3, up.dc(), 0, 0, 3, 3, Blend(255, true)));
  EXPECT_EQ(0xFFFF0000u, down.At(1, 0));
  EXPECT_EQ(0u, down.At(1, 1));
  ASSERT_TRUE(BitBlt(down.dc(), 0, 3, 3, 3, up.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(0xFFFF0000u, down.At(2, 3));
  EXPECT_EQ(0u, down.At(2, 4));
  ASSERT_TRUE(AlphaBlend(scaled.dc(), 0, 0, 6, 6, up.dc(), 0, 0, 3, 1, Blend(255, true)));
  EXPECT_EQ(0xFFFF0000u, scaled.At(0, 5));
  EXPECT_EQ(0xFFFF0000u, scaled.At(5, 0));
}

TEST(GdiBlit, DibSectionsOfImpossibleSizesAreRefused) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (LONG height : {LONG(0), LONG(INT_MIN), LONG(-40000), LONG(40000)}) {
    BITMAPINFO bi = Info32(4, height);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(nullptr, CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)) << height;
    EXPECT_EQ(nullptr, bits);
  }
  BITMAPINFO wide = Info32(INT_MAX, 1);
  EXPECT_EQ(nullptr, CreateDIBSection(dc, &wide, DIB_RGB_COLORS, nullptr, nullptr, 0));
  DeleteDC(dc);
}

TEST(GdiBlit, GetDIBitsWritesOnlyTheRowsTheCallerHasRoomFor) {
  GdiCanvas up(3, 3, true);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT top{0, 0, 3, 1};
  FillRect(up.dc(), &top, red);
  DeleteObject(red);
  BITMAPINFO bi = Info32(3, -1);
  HDC dc = CreateCompatibleDC(nullptr);
  // Heap buffers of one row each, so a write past them is caught.
  std::vector<uint32_t> row(3, 0xDEADBEEFu);
  // Lines count from the bottom: line 0 is the last row, line 2 the first (red) one.
  EXPECT_EQ(1, GetDIBits(dc, up.bitmap(), 0, 1, row.data(), &bi, DIB_RGB_COLORS));
  EXPECT_EQ(0u, row[0]);
  EXPECT_EQ(1, GetDIBits(dc, up.bitmap(), 2, 1, row.data(), &bi, DIB_RGB_COLORS));
  EXPECT_EQ(0xFFFF0000u, row[2]);
  // More lines than the header's rows: only the rows the memory holds.
  std::vector<uint32_t> one(3, 0);
  EXPECT_EQ(1, GetDIBits(dc, up.bitmap(), 0, 3, one.data(), &bi, DIB_RGB_COLORS));
  bi.bmiHeader.biHeight = 1;
  EXPECT_EQ(1, GetDIBits(dc, up.bitmap(), 2, 3, one.data(), &bi, DIB_RGB_COLORS));
  EXPECT_EQ(0xFFFF0000u, one[1]);
  DeleteDC(dc);
}

}  // namespace
