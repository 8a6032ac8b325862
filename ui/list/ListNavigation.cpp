#include "ui/list/ListNavigation.h"

#include "ui/base/ContainerUI.h"

namespace SkinUI {

int CListNavigation::Search(const CContainerUI& rows, int from, bool forward) {
  int count = rows.GetCount();
  for (int i = from; i >= 0 && i < count; i += forward ? 1 : -1) {
    CControlUI* row = rows.GetItemAt(i);
    if (row->GetInterface(L"ListItem") && row->IsVisible() && row->IsEnabled()) return i;
  }
  return kNone;
}

int CListNavigation::Target(const CContainerUI& rows, int current, UINT key) {
  switch (key) {
    case VK_HOME:
      return Search(rows, 0, true);
    case VK_END:
      return Search(rows, rows.GetCount() - 1, false);
    case VK_UP:
      // Without a selection the first selectable row is the one above nothing.
      return current < 0 ? Search(rows, 0, true) : Search(rows, current - 1, false);
    case VK_DOWN:
      return Search(rows, current < 0 ? 0 : current + 1, true);
    default:
      return kNotNavigation;
  }
}

}  // namespace SkinUI
