#include "ui/list/ListElementUI.h"

#include <cwchar>

namespace SkinUI {

CListElementUI::CListElementUI() = default;

LPCWSTR CListElementUI::GetClass() const { return L"ListElementUI"; }

LPVOID CListElementUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
  if (name && wcscmp(name, L"ListElement") == 0) return static_cast<CListElementUI*>(this);
  return CControlUI::GetInterface(name);
}

void CListElementUI::DoEvent(UIEventRecord& event) {
  if (ForwardUnmoused(event)) return;
  bool activates = event.type == UIEVENT_DBLCLICK || (event.type == UIEVENT_KEYDOWN && event.key == VK_RETURN);
  if (activates && IsEnabled()) {
    if (Activate()) Invalidate();
    return;
  }
  // A double click on a disabled row does nothing.
  if (event.type == UIEVENT_DBLCLICK) return;
  ToOwner(event);
}

}  // namespace SkinUI
