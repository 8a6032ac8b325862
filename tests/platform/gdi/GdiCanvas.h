// A memory DC with a top-down 32-bit DIB section selected, and pixel access for the tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include <windows.h>

#include "tests/support/SurfacePng.h"

class GdiCanvas {
 public:
  GdiCanvas(int width, int height, bool bottomUp = false) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = bottomUp ? height : -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    bottomUp_ = bottomUp;
    old_ = SelectObject(dc_, bitmap_);
  }
  ~GdiCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel (x, y) counted from the top, 0xAARRGGBB premultiplied.
  uint32_t At(int x, int y) const {
    const int row = bottomUp_ ? height_ - 1 - y : y;
    return bits_[row * width_ + x];
  }
  void Set(int x, int y, uint32_t argb) {
    const int row = bottomUp_ ? height_ - 1 - y : y;
    bits_[row * width_ + x] = argb;
  }
  void Fill(uint32_t argb) {
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = argb;
  }
  // Pixels in [x0, x1) x [y0, y1) that differ from `background`.
  int CountOther(uint32_t background, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width_, x1); ++x)
        if (At(x, y) != background) ++n;
    return n;
  }
  int CountOther(uint32_t background) const { return CountOther(background, 0, 0, width_, height_); }
  // Saves the pixels when a test failed, for a look.
  void DumpOnFailure(const std::string& name) const {
    if (::testing::Test::HasFailure()) jftest::WriteDcPng(dc_, ::testing::TempDir() + name + ".png");
  }

 private:
  int width_, height_;
  bool bottomUp_ = false;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};
