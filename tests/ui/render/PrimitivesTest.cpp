// The render engine's gradient stripes, lines, rounded outlines and rounded clips.
#include <gtest/gtest.h>

#include "tests/support/SurfacePng.h"
#include "tests/support/ui/UiTestSupport.h"
#include "ui/render/SkinClip.h"
#include "ui/render/SkinRenderer.h"

using namespace SkinUI;
using uitest::Canvas;

namespace {
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
}  // namespace

TEST(Primitives, GradientStripesWhenTheSystemCannotFill) {
  struct Case {
    int steps;
    int extent;
    bool vertical;
  } cases[] = {{8, 64, true}, {16, 64, true}, {8, 64, false}, {15, 4, true}, {16, 8, false}};
  for (const Case& k : cases) {
    int w = k.vertical ? 3 : k.extent, h = k.vertical ? k.extent : 3;
    Canvas c(w, h, 0xFF00FF00);
    // From red at the top (or left) to blue at the bottom (or right).
    CSkinRenderer::DrawGradientStripes(c.dc(), c.Rect(), 0xFFFF0000, 0xFF0000FF, k.vertical, k.steps);
    int shift = k.steps > 15 ? 4 : 3, stripes = 1 << shift;
    int painted = 0;
    for (int i = 0; i < stripes; ++i) {
      int from = k.extent - (((i + 1) * k.extent) >> shift), to = k.extent - ((i * k.extent) >> shift);
      if (from == to) continue;  // an empty stripe is skipped
      ++painted;
      uint32_t want = 0xFF000000 | (((255u * i) >> shift) << 16) | ((255u * (stripes - i)) >> shift);
      for (int at = from; at < to; ++at) {
        uint32_t got = k.vertical ? c.At(1, at) : c.At(at, 1);
        EXPECT_EQ(want, got) << k.steps << " " << k.extent << " stripe " << i << " at " << at;
      }
    }
    EXPECT_EQ(k.extent < stripes ? k.extent : stripes, painted);
  }
}

TEST(Primitives, LineFromTopLeftToBottomRight) {
  Canvas c(30, 30, kWhite);
  CSkinRenderer::DrawLine(c.dc(), RECT{2, 2, 22, 22}, 1, kRed);
  EXPECT_EQ(kRed, c.At(2, 2));
  EXPECT_EQ(kRed, c.At(12, 12));
  EXPECT_EQ(kRed, c.At(21, 21));
  EXPECT_EQ(kWhite, c.At(12, 2));
  EXPECT_EQ(kWhite, c.At(25, 25));
  Canvas wide(30, 30, kWhite);
  CSkinRenderer::DrawLine(wide.dc(), RECT{2, 15, 28, 15}, 5, 0xFF0000FF);
  EXPECT_EQ(0xFF0000FFu, wide.At(15, 13));
  EXPECT_EQ(0xFF0000FFu, wide.At(15, 16));
  EXPECT_EQ(kWhite, wide.At(15, 10));
  Canvas dashed(100, 5, kWhite);
  CSkinRenderer::DrawLine(dashed.dc(), RECT{0, 2, 100, 2}, 1, kRed, PS_DASH);
  int gaps = 0, ink = 0;
  for (int x = 0; x < 100; ++x) (dashed.At(x, 2) == kWhite ? gaps : ink)++;
  EXPECT_GT(gaps, 10);
  EXPECT_GT(ink, 10);
}

TEST(Primitives, RoundRectOutlineInsideTheRectangle) {
  Canvas c(40, 40, kWhite);
  CSkinRenderer::DrawRoundRect(c.dc(), c.Rect(), 2, 20, 20, kRed);
  jftest::WriteBitmapPng(c.bitmap(), JF_TEST_BIN_DIR "/uibase_roundrect.png");
  for (POINT p : {POINT{20, 0}, POINT{20, 1}, POINT{0, 20}, POINT{39, 20}, POINT{20, 39}, POINT{38, 20}})
    EXPECT_EQ(kRed, c.At(p.x, p.y)) << p.x << "," << p.y;
  // Rounded corners stay clear, and the hollow brush leaves the inside.
  for (POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 39}, POINT{39, 39}, POINT{20, 20}, POINT{20, 3}})
    EXPECT_EQ(kWhite, c.At(p.x, p.y)) << p.x << "," << p.y;
}

TEST(Primitives, RoundClipCutsTheCornersUntilItGoes) {
  Canvas c(40, 40, kWhite);
  {
    CSkinClip clip;
    CSkinClip::ClipToRoundRect(c.dc(), RECT{0, 0, 40, 30}, RECT{0, 0, 39, 39}, 20, 20, clip);
    CSkinRenderer::DrawColor(c.dc(), c.Rect(), kRed);
    EXPECT_EQ(kWhite, c.At(0, 0));      // outside the rounded corner
    EXPECT_EQ(kWhite, c.At(39, 0));
    EXPECT_EQ(kRed, c.At(20, 20));
    EXPECT_EQ(kRed, c.At(0, 20));
    EXPECT_EQ(kRed, c.At(20, 0));
    EXPECT_EQ(kWhite, c.At(20, 35));    // below the clip rectangle
  }
  CSkinRenderer::DrawColor(c.dc(), c.Rect(), 0xFF0000FF);  // the previous clip is back
  EXPECT_EQ(0xFF0000FFu, c.At(0, 0));
  EXPECT_EQ(0xFF0000FFu, c.At(20, 35));
}
