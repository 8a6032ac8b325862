// The GDI+ subset: effect text with a gradient, rounded paths with texture and solid brushes.
#include <gtest/gtest.h>

#include <gdiplus.h>

#include <limits>

#include "tests/platform/gdi/GdiCanvas.h"

namespace {

using namespace Gdiplus;

class GdiPlus : public ::testing::Test {
 protected:
  void SetUp() override {
    GdiplusStartupInput input;
    ASSERT_EQ(Ok, GdiplusStartup(&token_, &input, nullptr));
    ASSERT_NE(0u, token_);
  }
  void TearDown() override { GdiplusShutdown(token_); }
  ULONG_PTR token_ = 0;
};

TEST_F(GdiPlus, StartupCountsAndChecksItsInput) {
  ULONG_PTR second = 0;
  GdiplusStartupInput input;
  EXPECT_EQ(Ok, GdiplusStartup(&second, &input, nullptr));
  EXPECT_NE(token_, second);
  GdiplusShutdown(second);
  input.GdiplusVersion = 2;
  EXPECT_EQ(UnsupportedGdiplusVersion, GdiplusStartup(&second, &input, nullptr));
  EXPECT_EQ(InvalidParameter, GdiplusStartup(&second, nullptr, nullptr));
}

TEST_F(GdiPlus, CentredGradientStringInsideItsRectangle) {
  GdiCanvas c(200, 60);
  c.Fill(0xFFFFFFFFu);
  LOGFONTW lf{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = -24;
  lf.lfWeight = FW_BOLD;
  HFONT hfont = CreateFontIndirectW(&lf);
  Graphics g(c.dc());
  ASSERT_EQ(Ok, g.GetLastStatus());
  EXPECT_EQ(Ok, g.SetTextRenderingHint(TextRenderingHintAntiAlias));
  Font font(c.dc(), hfont);
  EXPECT_EQ(Ok, font.GetLastStatus());
  EXPECT_FLOAT_EQ(24.0f, font.GetSize());
  StringFormat format;
  format.SetAlignment(StringAlignmentCenter);
  format.SetLineAlignment(StringAlignmentCenter);
  // Red at the left of the DC, blue at x = 200, repeating beyond.
  LinearGradientBrush brush(PointF(0, 0), PointF(200, 0), Color(255, 255, 0, 0), Color(255, 0, 0, 255));
  EXPECT_EQ(WrapModeTile, brush.GetWrapMode());
  const RectF rect(40, 10, 120, 40);
  ASSERT_EQ(Ok, g.DrawString(L"WWWWWWWW", -1, &font, rect, &format, &brush));
  int left = 200, right = -1, top = 60, bottom = -1;
  int reddish = 0, bluish = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = c.At(x, y);
      if (p == 0xFFFFFFFFu) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      const int r = (p >> 16) & 0xFF, b = p & 0xFF;
      if (x < 70 && r > b) ++reddish;
      if (x > 130 && b > r) ++bluish;
    }
  EXPECT_GE(left, 40);
  EXPECT_LT(right, 160);
  EXPECT_GE(top, 10);
  EXPECT_LT(bottom, 50);
  EXPECT_NEAR((left + right) / 2, 100, 4);
  EXPECT_NEAR((top + bottom) / 2, 30, 5);
  EXPECT_GT(reddish, 10);
  EXPECT_GT(bluish, 10);
  RectF measured;
  ASSERT_EQ(Ok, g.MeasureString(L"WWWWWWWW", -1, &font, rect, &format, &measured));
  EXPECT_GT(measured.Width, 60.0f);
  DeleteObject(hfont);
  c.DumpOnFailure("gdiplus_text");
}

// The rounded rectangle the renderer builds: four arcs joined by lines.
void RoundedPath(GraphicsPath* path, REAL x, REAL y, REAL w, REAL h, REAL r) {
  path->AddArc(x, y, 2 * r, 2 * r, 180, 90);
  path->AddLine(x + r, y, x + w - r, y);
  path->AddArc(x + w - 2 * r, y, 2 * r, 2 * r, 270, 90);
  path->AddLine(x + w, y + r, x + w, y + h - r);
  path->AddArc(x + w - 2 * r, y + h - 2 * r, 2 * r, 2 * r, 0, 90);
  path->AddLine(x + w - r, y + h, x + r, y + h);
  path->AddArc(x, y + h - 2 * r, 2 * r, 2 * r, 90, 90);
  path->CloseFigure();
}

TEST_F(GdiPlus, RoundedPathFilledWithSolidAndTextureBrushes) {
  GdiCanvas c(60, 40);
  Graphics g(c.dc());
  EXPECT_EQ(Ok, g.SetSmoothingMode(SmoothingModeAntiAlias));
  GraphicsPath path;
  RoundedPath(&path, 0, 0, 60, 40, 10);
  RectF bounds;
  path.GetBounds(&bounds);
  EXPECT_NEAR(60.0f, bounds.Width, 0.01f);
  SolidBrush green(Color(255, 0, 255, 0));
  ASSERT_EQ(Ok, g.FillPath(&green, &path));
  EXPECT_EQ(0u, c.At(0, 0));
  EXPECT_EQ(0u, c.At(59, 39));
  EXPECT_EQ(0xFF00FF00u, c.At(30, 20));
  EXPECT_EQ(0xFF00FF00u, c.At(30, 0));
  EXPECT_EQ(0xFF00FF00u, c.At(0, 20));
  int partial = 0;  // the corner's edge is antialiased
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) partial += (c.At(x, y) >> 24) > 0 && (c.At(x, y) >> 24) < 255;
  EXPECT_GT(partial, 3);

  // An image (a GDI bitmap with alpha) tiled through the path.
  GdiCanvas img(2, 2);
  img.Set(0, 0, 0xFFFF0000u);
  img.Set(1, 0, 0xFF0000FFu);
  img.Set(0, 1, 0x80800000u);
  img.Set(1, 1, 0xFF000000u);
  Bitmap* bitmap = Bitmap::FromHBITMAP(img.bitmap(), nullptr);
  ASSERT_EQ(Ok, bitmap->GetLastStatus());
  EXPECT_EQ(2u, bitmap->GetWidth());
  TextureBrush texture(bitmap, WrapModeTile);
  GdiCanvas d(60, 40);
  Graphics g2(d.dc());
  g2.SetSmoothingMode(SmoothingModeAntiAlias);
  ASSERT_EQ(Ok, g2.FillPath(&texture, &path));
  EXPECT_EQ(0xFFFF0000u, d.At(20, 20));
  EXPECT_EQ(0xFF0000FFu, d.At(21, 20));
  EXPECT_EQ(0x80800000u, d.At(20, 21));
  EXPECT_EQ(0u, d.At(0, 0));
  delete bitmap;
  EXPECT_EQ(InvalidParameter, g2.FillPath(nullptr, &path));
  d.DumpOnFailure("gdiplus_path");
}

TEST_F(GdiPlus, FontsByNameAndStyle) {
  Font points(L"微软雅黑", 9.0f);
  EXPECT_FLOAT_EQ(12.0f, points.GetSize());
  Font pixels(L"Tahoma", 14.0f, FontStyleBold | FontStyleUnderline, UnitPixel);
  EXPECT_FLOAT_EQ(14.0f, pixels.GetSize());
  EXPECT_EQ(FontStyleBold | FontStyleUnderline, pixels.GetStyle());
  LOGFONTW lf{};
  EXPECT_EQ(Ok, pixels.GetLogFontW(nullptr, &lf));
  EXPECT_EQ(-14, lf.lfHeight);
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  Font bad(L"x", 0.0f);
  EXPECT_EQ(InvalidParameter, bad.GetLastStatus());
  Font none(nullptr, static_cast<HFONT>(nullptr));
  EXPECT_EQ(InvalidParameter, none.GetLastStatus());
  // Sizes past what fonts can be drawn at, infinity included, keep the largest size.
  for (REAL size : {1e30f, std::numeric_limits<REAL>::infinity()}) {
    Font huge(L"Tahoma", size, FontStyleRegular, UnitPixel);
    EXPECT_EQ(Ok, huge.GetLastStatus());
    EXPECT_EQ(Ok, huge.GetLogFontW(nullptr, &lf));
    EXPECT_EQ(-4096, lf.lfHeight);
  }
}

TEST_F(GdiPlus, HugeRectanglesAndImagesWithoutPixelsAreSafe) {
  GdiCanvas c(20, 20);
  Graphics g(c.dc());
  Font font(L"Tahoma", 12.0f, FontStyleRegular, UnitPixel);
  SolidBrush black(Color(255, 0, 0, 0));
  StringFormat format;
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  const RectF huge(-1e12f, -1e12f, 3e12f, 3e12f);
  EXPECT_EQ(Ok, g.DrawString(L"Wide text", -1, &font, huge, &format, &black));
  RectF bounds;
  EXPECT_EQ(Ok, g.MeasureString(L"Wide text", -1, &font, huge, &format, &bounds));
  EXPECT_GT(bounds.Width, 0.0f);
  // A bitmap too large to make has no pixels: drawing it is refused, not divided by zero.
  Bitmap none(1 << 20, 1 << 20);
  EXPECT_EQ(InvalidParameter, g.DrawImage(&none, 0, 0, 10, 10));
}

}  // namespace
