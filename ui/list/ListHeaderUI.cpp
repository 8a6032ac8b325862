#include "ui/list/ListHeaderUI.h"

#include <cwchar>

#include "ui/core/UIExtent.h"
#include "ui/list/ListUI.h"
#include "ui/list/UIListInfo.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CListHeaderUI::CListHeaderUI() = default;

LPCWSTR CListHeaderUI::GetClass() const { return L"ListHeaderUI"; }

LPVOID CListHeaderUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListHeader") == 0) return static_cast<CListHeaderUI*>(this);
  return CHorizontalLayoutUI::GetInterface(name);
}

SIZE CListHeaderUI::EstimateSize(SIZE available) {
  // Any number of bounded widths: summed in 64 bits.
  long long width = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) width += GetItemAt(i)->EstimateSize(available).cx;
  SIZE sz = {CUIExtent::Coordinate(width), m_fixedHeight};
  if (sz.cy == 0 && m_manager) {
    UIFontInfo* font = m_manager->GetDefaultFontInfo();
    sz.cy = (font ? font->tm.tmHeight : 0) + 6;
    for (int i = 0; i < m_items.GetSize(); ++i) {
      int cy = GetItemAt(i)->EstimateSize(available).cy;
      if (cy > sz.cy) sz.cy = cy;
    }
  }
  return sz;
}

void CListHeaderUI::SetPos(RECT rc) {
  CHorizontalLayoutUI::SetPos(rc);
  auto* list = m_parent ? static_cast<CListUI*>(m_parent->GetInterface(L"List")) : nullptr;
  if (!list) return;
  int sx = list->GetScrollPos().cx;
  // The columns that the body's sideways scroll moves.
  int columns = m_items.GetSize() < UIListInfo::kMaxColumns ? m_items.GetSize() : int(UIListInfo::kMaxColumns);
  for (int i = 0; sx > 0 && i < columns; ++i) {
    CControlUI* item = GetItemAt(i);
    if (!item->IsVisible() || item->IsFloat()) continue;
    RECT pos = item->GetPos();
    OffsetRect(&pos, -sx, 0);
    item->SetPos(pos);
  }
  list->OnHeaderPlaced();
}

}  // namespace SkinUI
