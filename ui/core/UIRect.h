// A RECT with the few helpers the framework uses.
#pragma once

#include <windows.h>

namespace SkinUI {

class CUIRect : public RECT {
 public:
  CUIRect() { left = top = right = bottom = 0; }
  CUIRect(const RECT& src) : RECT(src) {}
  CUIRect(int l, int t, int r, int b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }

  int GetWidth() const { return right - left; }
  int GetHeight() const { return bottom - top; }
  bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  // Union without a test for empty rectangles.
  void Join(const RECT& other) {
    if (other.left < left) left = other.left;
    if (other.top < top) top = other.top;
    if (other.right > right) right = other.right;
    if (other.bottom > bottom) bottom = other.bottom;
  }
};

}  // namespace SkinUI
