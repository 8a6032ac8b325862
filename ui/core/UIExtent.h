// Bounds of the numbers a skin may give for sizes, paddings, insets and positions. A skin
// is outside input, so each value is bounded once when it is set, far beyond any screen;
// the sum of two bounded values then stays inside int, and running totals (a layout's
// pen, a list's height) are kept in 64 bits and brought back to a coordinate.
#pragma once

#include <windows.h>

namespace SkinUI {

class CUIExtent {
 public:
  // A size, padding, inset or offset from a skin.
  static constexpr int kMax = 1000000;
  // A coordinate after layout: room for scrolled content of many rows, still summable.
  static constexpr int kMaxCoordinate = 1 << 28;
  // A font's height in pixels.
  static constexpr int kMaxFontSize = 10000;

  static int Bound(long long value) { return Clamp(value, kMax); }
  static int Coordinate(long long value) { return Clamp(value, kMaxCoordinate); }
  static int FontSize(long long value) { return Clamp(value, kMaxFontSize); }
  static RECT Bound(const RECT& rc) { return RECT{Bound(rc.left), Bound(rc.top), Bound(rc.right), Bound(rc.bottom)}; }
  static SIZE Bound(const SIZE& sz) { return SIZE{Bound(sz.cx), Bound(sz.cy)}; }
  static RECT Coordinate(const RECT& rc) {
    return RECT{Coordinate(rc.left), Coordinate(rc.top), Coordinate(rc.right), Coordinate(rc.bottom)};
  }

 private:
  static int Clamp(long long value, int limit) {
    if (value > limit) return limit;
    if (value < -limit) return -limit;
    return static_cast<int>(value);
  }
};

}  // namespace SkinUI
