// The two-pass placement shared by the horizontal and the vertical layout: fixed, estimated,
// minimum and maximum sizes, padding, child padding and the shared remainder, along one axis.
#pragma once
#include <windows.h>

namespace SkinUI {

class CContainerUI;

class CLinearLayout {
 public:
  // Places the children of `layout` inside its rectangle (already stored), side by side
  // (vertical false) or one below the other, then lets it process its scroll bars.
  static void Place(CContainerUI& layout, bool vertical);
};

}  // namespace SkinUI
