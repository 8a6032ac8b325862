// DCs over a window's backing surface (origin and limit of a child window), and the PNG helper.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/platform/gdi/GdiCanvas.h"
#include "platform/src/internal/gdisurface.h"

namespace {

uint32_t PixelOf(cairo_surface_t* s, int x, int y) {
  cairo_surface_flush(s);
  const unsigned char* row = cairo_image_surface_get_data(s) + cairo_image_surface_get_stride(s) * y;
  return reinterpret_cast<const uint32_t*>(row)[x];
}

TEST(SurfaceDc, ChildDcDrawsAtItsOriginInsideItsLimit) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 50, 50);
  // A child window at (10, 20) of 15 x 10 pixels.
  const RECT limit{0, 0, 15, 10};
  HDC dc = jf::CreateDcForSurface(surface, POINT{10, 20}, &limit);
  ASSERT_NE(nullptr, dc);
  EXPECT_EQ(static_cast<DWORD>(OBJ_DC), GetObjectType(dc));
  EXPECT_EQ(surface, jf::GetDcSurface(dc));
  RECT box;
  EXPECT_EQ(SIMPLEREGION, GetClipBox(dc, &box));
  EXPECT_EQ(15, box.right);
  EXPECT_EQ(10, box.bottom);
  RECT all{-100, -100, 100, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(0xFFFFFFFFu, PixelOf(surface, 10, 20));
  EXPECT_EQ(0xFFFFFFFFu, PixelOf(surface, 24, 29));
  EXPECT_EQ(0u, PixelOf(surface, 25, 29));
  EXPECT_EQ(0u, PixelOf(surface, 10, 30));
  EXPECT_EQ(0u, PixelOf(surface, 9, 20));
  EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 0, 0));
  EXPECT_EQ(CLR_INVALID, GetPixel(dc, 15, 0));
  // Blitting from a memory DC lands at the child's origin too.
  GdiCanvas src(2, 2);
  src.Fill(0xFF0000FFu);
  BitBlt(dc, 1, 1, 2, 2, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(0xFF0000FFu, PixelOf(surface, 11, 21));
  // The window grew: a new surface and a new limit.
  cairo_surface_t* bigger = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 80, 80);
  EXPECT_TRUE(jf::ResetDcSurface(dc, bigger, POINT{0, 0}, nullptr));
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(0xFF000000u, PixelOf(bigger, 79, 79));
  EXPECT_EQ(0xFFFFFFFFu, PixelOf(surface, 10, 20));
  EXPECT_FALSE(jf::ResetDcSurface(src.dc(), bigger, POINT{0, 0}, nullptr));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  cairo_surface_destroy(bigger);
  cairo_surface_destroy(surface);
  EXPECT_EQ(nullptr, jf::CreateDcForSurface(nullptr, POINT{0, 0}, nullptr));
}

TEST(SurfaceDc, BitmapsOverSurfacesAndPngFiles) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 3);
  HBITMAP bmp = jf::CreateBitmapForSurface(surface);
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(surface, jf::GetBitmapSurface(bmp));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  SetPixel(dc, 3, 2, RGB(0, 255, 0));
  EXPECT_EQ(0xFF00FF00u, PixelOf(surface, 3, 2));
  std::string dir = ::testing::TempDir() + "gdipngXXXXXX";
  ASSERT_NE(nullptr, mkdtemp(&dir[0]));
  const std::string path = dir + "/dc.png";
  EXPECT_TRUE(jftest::WriteDcPng(dc, path));
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), std::string(sig, 8));
  EXPECT_FALSE(jftest::WriteDcPng(nullptr, path));
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bmp));
  // The surface is still the caller's.
  EXPECT_EQ(0xFF00FF00u, PixelOf(surface, 3, 2));
  cairo_surface_destroy(surface);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  HRGN rgn = CreateRectRgn(0, 0, 2, 2);
  ASSERT_NE(nullptr, jf::GetRegionData(rgn));
  EXPECT_EQ(1, cairo_region_num_rectangles(jf::GetRegionData(rgn)));
  EXPECT_EQ(nullptr, jf::GetRegionData(bmp));
  DeleteObject(rgn);
}

}  // namespace
