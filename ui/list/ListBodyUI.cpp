#include "ui/list/ListBodyUI.h"

#include "ui/base/ScrollBarUI.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/list/ListUI.h"
#include "ui/list/UIListInfo.h"

namespace SkinUI {

CListBodyUI::CListBodyUI(CListUI* owner) : m_owner(owner) {}

void CListBodyUI::SetPos(RECT rcPos) {
  CListHeaderUI* header = m_owner ? m_owner->GetHeader() : nullptr;
  if (header && header->GetCount() > 0 && m_horizontalScrollBar) {
    RECT rc = rcPos;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) rc.right -= m_verticalScrollBar->GetFixedWidth();
    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    int needed = header->EstimateSize(available).cx;
    if (needed < 0) needed = 0;
    if (needed > available.cx) {
      if (!m_horizontalScrollBar->IsVisible()) {
        m_horizontalScrollBar->SetVisible(true);
        m_horizontalScrollBar->SetScrollRange(needed - available.cx);
        m_horizontalScrollBar->SetScrollPos(0);
      } else {
        m_horizontalScrollBar->SetScrollRange(needed - available.cx);
      }
    } else if (m_horizontalScrollBar->IsVisible()) {
      m_horizontalScrollBar->SetVisible(false);
      m_horizontalScrollBar->SetScrollRange(0);
      m_horizontalScrollBar->SetScrollPos(0);
    }
  }
  // The vertical layout takes the bar's visibility and range into the rows' width and height.
  CVerticalLayoutUI::SetPos(rcPos);
}

void CListBodyUI::SetScrollPos(SIZE pos) {
  int dx = 0, dy = 0;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) {
    int old = m_verticalScrollBar->GetScrollPos();
    m_verticalScrollBar->SetScrollPos(pos.cy);
    dy = m_verticalScrollBar->GetScrollPos() - old;
  }
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
    int old = m_horizontalScrollBar->GetScrollPos();
    m_horizontalScrollBar->SetScrollPos(pos.cx);
    dx = m_horizontalScrollBar->GetScrollPos() - old;
  }
  if (dx != 0 && m_owner) {
    CListHeaderUI* header = m_owner->GetHeader();
    if (!header) return;
    UIListInfo* info = m_owner->GetListInfo();
    int count = header->GetCount();
    info->columns = count < UIListInfo::kMaxColumns ? count : int(UIListInfo::kMaxColumns);
    bool hidden = !header->IsVisible();
    if (hidden) m_owner->SetHeaderItemsVisible(true);
    for (int i = 0; i < info->columns; ++i) {
      CControlUI* item = header->GetItemAt(i);
      if (!item->IsVisible() || item->IsFloat()) continue;
      RECT rc = item->GetPos();
      OffsetRect(&rc, -dx, 0);
      item->SetPos(rc);
      info->column[i] = item->GetPos();
    }
    if (hidden) m_owner->SetHeaderItemsVisible(false);
  }
  if (dx == 0 && dy == 0) return;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* row = GetItemAt(i);
    if (!row->IsVisible() || row->IsFloat()) continue;
    RECT rc = row->GetPos();
    OffsetRect(&rc, -dx, -dy);
    row->SetPos(rc);
  }
  Invalidate();
}

void CListBodyUI::DoEvent(UIEventRecord& event) {
  if (m_owner)
    m_owner->DoEvent(event);
  else
    CControlUI::DoEvent(event);
}

}  // namespace SkinUI
