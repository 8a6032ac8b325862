// Regions and the clip of device contexts.
#include <gtest/gtest.h>

#include <climits>

#include "tests/platform/gdi/GdiCanvas.h"

namespace {

TEST(Region, RoundRectRegionsAndCombinations) {
  // The layout the skinned window asks for: w x h with rounded corners.
  HRGN round = CreateRoundRectRgn(0, 0, 101, 51, 10, 10);
  RECT box;
  EXPECT_EQ(COMPLEXREGION, GetRgnBox(round, &box));
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(100, box.right);
  EXPECT_EQ(50, box.bottom);
  EXPECT_FALSE(PtInRegion(round, 0, 0));
  EXPECT_FALSE(PtInRegion(round, 99, 49));
  EXPECT_TRUE(PtInRegion(round, 50, 0));
  EXPECT_TRUE(PtInRegion(round, 0, 25));
  EXPECT_TRUE(PtInRegion(round, 99, 25));
  EXPECT_FALSE(PtInRegion(round, 100, 25));

  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(SIMPLEREGION, CombineRgn(r, a, b, RGN_AND));
  GetRgnBox(r, &box);
  EXPECT_EQ(5, box.left);
  EXPECT_EQ(10, box.right);
  EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_OR));
  EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_DIFF));
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 2, 7));
  EXPECT_EQ(SIMPLEREGION, OffsetRgn(a, 100, 0));
  EXPECT_TRUE(PtInRegion(a, 105, 5));
  EXPECT_TRUE(SetRectRgn(b, 0, 0, 0, 0));
  EXPECT_EQ(NULLREGION, GetRgnBox(b, &box));
  EXPECT_EQ(RGN_ERROR, CombineRgn(r, a, nullptr, RGN_AND));
  for (HRGN h : {round, a, b, r}) EXPECT_TRUE(DeleteObject(h));
}

TEST(Region, ClipLimitsDrawingAndSaveDcRestoresIt) {
  GdiCanvas c(40, 40);
  HRGN round = CreateRoundRectRgn(0, 0, 41, 41, 20, 20);
  EXPECT_EQ(COMPLEXREGION, SelectClipRgn(c.dc(), round));
  DeleteObject(round);  // the DC keeps its own copy
  const int saved = SaveDC(c.dc());
  EXPECT_EQ(1, saved);
  RECT box;
  EXPECT_EQ(COMPLEXREGION, IntersectClipRect(c.dc(), 0, 0, 20, 40));
  GetClipBox(c.dc(), &box);
  EXPECT_EQ(20, box.right);
  RECT all{0, 0, 40, 40};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(0u, c.At(0, 0));  // outside the rounded corner
  EXPECT_EQ(0xFFFFFFFFu, c.At(10, 20));
  EXPECT_EQ(0u, c.At(30, 20));  // outside the intersected rectangle
  EXPECT_TRUE(RestoreDC(c.dc(), -1));
  EXPECT_FALSE(RestoreDC(c.dc(), -1));  // nothing saved any more
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(0xFF000000u, c.At(30, 20));
  EXPECT_EQ(0u, c.At(39, 39));
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(1, GetClipRgn(c.dc(), copy));
  EXPECT_FALSE(PtInRegion(copy, 0, 0));
  EXPECT_EQ(SIMPLEREGION, SelectClipRgn(c.dc(), nullptr));
  EXPECT_EQ(0, GetClipRgn(c.dc(), copy));
  EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc(), &box));
  EXPECT_EQ(40, box.right);
  DeleteObject(copy);
  c.DumpOnFailure("clip");
}

TEST(Region, ClipFollowsOriginsAndCombinesByMode) {
  GdiCanvas c(20, 20);
  SetViewportOrgEx(c.dc(), 5, 5, nullptr);
  // Clip rectangles given in logical units land in device units.
  IntersectClipRect(c.dc(), 0, 0, 5, 5);
  RECT box;
  GetClipBox(c.dc(), &box);
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(5, box.right);
  SetViewportOrgEx(c.dc(), 0, 0, nullptr);
  GetClipBox(c.dc(), &box);
  EXPECT_EQ(5, box.left);
  HRGN extra = CreateRectRgn(15, 15, 20, 20);
  EXPECT_EQ(COMPLEXREGION, ExtSelectClipRgn(c.dc(), extra, RGN_OR));
  RECT all{0, 0, 20, 20};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(25 + 25, c.CountOther(0));
  EXPECT_EQ(SIMPLEREGION, ExtSelectClipRgn(c.dc(), extra, RGN_DIFF));
  EXPECT_EQ(RGN_ERROR, ExtSelectClipRgn(c.dc(), nullptr, RGN_AND));
  DeleteObject(extra);
}

TEST(Region, RectanglesSpanningTheWholeRangeStayOrdered) {
  HRGN all = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  ASSERT_NE(nullptr, all);
  EXPECT_TRUE(PtInRegion(all, 0, 0));
  EXPECT_TRUE(PtInRegion(all, -1000000, 1000000));
  RECT box{};
  EXPECT_EQ(SIMPLEREGION, GetRgnBox(all, &box));
  EXPECT_LT(box.left, -1000000);
  EXPECT_GT(box.right, 1000000);
  HRGN round = CreateRoundRectRgn(INT_MAX, INT_MAX, INT_MIN, INT_MIN, 2, 2);
  EXPECT_TRUE(PtInRegion(round, 0, 0));
  // A clip of the whole range leaves the whole bitmap.
  GdiCanvas c(4, 4);
  EXPECT_EQ(SIMPLEREGION, IntersectClipRect(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc(), &box));
  EXPECT_EQ(4, box.right);
  EXPECT_EQ(4, box.bottom);
  DeleteObject(round);
  DeleteObject(all);
}

}  // namespace
