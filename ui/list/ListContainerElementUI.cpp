#include "ui/list/ListContainerElementUI.h"

#include <cwchar>

#include "ui/list/UIListInfo.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CListContainerElementUI::CListContainerElementUI() = default;

LPCWSTR CListContainerElementUI::GetClass() const { return L"ListContainerElementUI"; }

LPVOID CListContainerElementUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListItem") == 0) return static_cast<IListItemUI*>(this);
  if (name && wcscmp(name, L"ListContainerElement") == 0) return static_cast<CListContainerElementUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CListContainerElementUI::DoEvent(UIEventRecord& event) {
  bool toOwner = !IsMouseEnabled() && CListRowUI::IsMouseEvent(event);
  if (!toOwner) {
    bool enabled = IsEnabled();
    switch (event.type) {
      case UIEVENT_KEYDOWN:
        if (event.key != VK_RETURN || !enabled) break;
        if (Activate()) Invalidate();
        return;
      case UIEVENT_BUTTONDOWN:
      case UIEVENT_RBUTTONDOWN:
      case UIEVENT_DBLCLICK:
        if (!enabled) break;
        if (!NotifyRow(event.type == UIEVENT_DBLCLICK ? L"itemdbclick" : L"itemclick") || !SelectByClick()) return;
        Invalidate();
        return;
      case UIEVENT_BUTTONUP:
      case UIEVENT_MOUSEMOVE:
        return;
      case UIEVENT_MOUSEENTER:
        if (!enabled || (m_manager && m_manager->IsCaptured())) break;
        if (!NotifyRow(L"itemhover")) return;
        m_buttonState |= UISTATE_HOT;
        Invalidate();
        return;
      case UIEVENT_MOUSELEAVE:
        if (!(m_buttonState & UISTATE_HOT)) break;
        if (!NotifyRow(L"itemleave")) return;
        m_buttonState &= ~UINT(UISTATE_HOT);
        Invalidate();
        return;
      default:
        break;
    }
  }
  ToOwner(event);
}

void CListContainerElementUI::SetPos(RECT rc) {
  if (!m_owner) {
    CControlUI::SetPos(rc);
    return;
  }
  UIListInfo* info = m_owner->GetListInfo();
  if (!info || info->columns != m_items.GetSize()) {
    CContainerUI::SetPos(rc);
    return;
  }
  CControlUI::SetPos(rc);
  int n = m_items.GetSize();
  for (int i = 0; i < n; ++i) {
    RECT cell = {info->column[i].left, m_rcItem.top + m_rcInset.top, info->column[i].right,
                 m_rcItem.bottom - m_rcInset.bottom};
    if (i == 0) cell.left += m_rcInset.left;
    if (i == n - 1) cell.right -= m_rcInset.right;
    GetItemAt(i)->SetPos(cell);
  }
}

void CListContainerElementUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  if (!IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  DrawItemText(hdc, m_rcItem);
  if (m_owner) DrawItemBk(hdc, m_rcItem);
  CContainerUI::DoPaint(hdc, rcPaint);
}

}  // namespace SkinUI
