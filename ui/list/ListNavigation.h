// Where the arrow, Home and End keys (and a scroll-select wheel) move the selection of a list
// or a combo: the nearest row in the key's direction that can be selected.
#pragma once
#include <windows.h>

namespace SkinUI {

class CContainerUI;

class CListNavigation {
 public:
  enum { kNotNavigation = -2, kNone = -1 };

  // The row that `key` selects from `current` (-1: none selected): VK_UP and VK_DOWN step,
  // VK_HOME and VK_END go to the first and the last selectable row. kNone when no selectable
  // row lies that way, so the selection stays; kNotNavigation for any other key.
  static int Target(const CContainerUI& rows, int current, UINT key);

 private:
  // The first visible, enabled list row from `from` in one direction, without turning back.
  static int Search(const CContainerUI& rows, int from, bool forward);
};

}  // namespace SkinUI
