// What every kind of list row shares: the background drawn from the owner's record, the
// repaint clipped to the visible part of the list body, and the owner lookup.
#pragma once
#include <windows.h>

namespace SkinUI {

class CControlUI;
class IListOwnerUI;
struct UIEventRecord;

class CListRowUI {
 public:
  // Background of `row` with the owner's record; `state` holds the hot bit.
  static void DrawBk(CControlUI* row, HDC hdc, const RECT& rc, IListOwnerUI* owner, int index, bool selected,
                     UINT state);
  // Repaints the row's visible part; false when the row has no container parent (the
  // caller then repaints as a plain control).
  static bool Invalidate(CControlUI* row);
  // The text colour of a row in its state (later rules win).
  static DWORD TextColor(IListOwnerUI* owner, bool hot, bool selected, bool enabled);
  // Mouse events of a row that takes no mouse input; true when `event` was one of them.
  static bool IsMouseEvent(const UIEventRecord& event);
  static IListOwnerUI* OwnerOf(CControlUI* control);
  // Takes a row that leaves its owner away from it: a click still being handled on it (its
  // own "itemclick" handler removed it) then selects nothing in the owner.
  static void Detach(CControlUI* control);
};

}  // namespace SkinUI
