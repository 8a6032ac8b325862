#include "ui/layout/LayoutSeparator.h"

#include <algorithm>

#include "ui/core/UIRect.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

UINT CLayoutSeparator::GetControlFlags(const CControlUI& layout) const {
  return (layout.IsEnabled() && m_size != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void CLayoutSeparator::SetImmMode(CControlUI& layout, bool immediately) {
  if (m_immMode == immediately) return;
  if (IsDragging() && !m_immMode && layout.GetManager()) layout.GetManager()->RemovePostPaint(&layout);
  m_immMode = immediately;
}

RECT CLayoutSeparator::GetThumbRect(const RECT& item, bool useNew) const {
  const RECT& r = useNew ? m_rcNewPos : item;
  if (!m_vertical) {
    // Not limited to the layout.
    if (m_size >= 0) return RECT{r.right - m_size, r.top, r.right, r.bottom};
    return RECT{r.left, r.top, r.left - m_size, r.bottom};
  }
  if (m_size >= 0) return RECT{r.left, std::max<LONG>(r.bottom - m_size, r.top), r.right, r.bottom};
  return RECT{r.left, r.top, r.right, std::min<LONG>(r.top - m_size, r.bottom)};
}

bool CLayoutSeparator::DoEvent(CControlUI& layout, UIEventRecord& event, RECT& item, int& fixedLength) {
  if (m_size == 0) return false;
  CWindowManagerUI* manager = layout.GetManager();
  RECT thumb = GetThumbRect(item, false);
  // A second press without a release (the release went elsewhere) starts the drag afresh.
  if (event.type == UIEVENT_BUTTONDOWN && layout.IsEnabled() && PtInRect(&thumb, event.mouse)) {
    m_buttonState |= UISTATE_CAPTURED;
    m_lastMouse = event.mouse;
    m_rcNewPos = item;
    if (!m_immMode && manager) manager->AddPostPaint(&layout);
    return true;
  }
  if (event.type == UIEVENT_BUTTONUP && IsDragging()) {
    m_buttonState &= ~UISTATE_CAPTURED;
    item = m_rcNewPos;
    if (!m_immMode && manager) manager->RemovePostPaint(&layout);
    layout.NeedParentUpdate();
    return true;
  }
  if (event.type == UIEVENT_MOUSEMOVE && IsDragging()) {
    // Along the layout's axis: lo/hi are the edges, pointer the coordinate.
    LONG pointer = m_vertical ? event.mouse.y : event.mouse.x;
    LONG delta = pointer - (m_vertical ? m_lastMouse.y : m_lastMouse.x);
    m_lastMouse = event.mouse;
    RECT rc = m_rcNewPos;
    LONG& lo = m_vertical ? rc.top : rc.left;
    LONG& hi = m_vertical ? rc.bottom : rc.right;
    LONG newLo = m_vertical ? m_rcNewPos.top : m_rcNewPos.left;
    LONG newHi = m_vertical ? m_rcNewPos.bottom : m_rcNewPos.right;
    // A move is taken while the pointer is on the strip's side of the edge it pulls.
    if (m_size >= 0) {
      if (delta > 0 && pointer < newHi - m_size) return true;
      if (delta < 0 && pointer > newHi) return true;
      hi += delta;
    } else {
      if (delta > 0 && pointer < newLo) return true;
      if (delta < 0 && pointer > newLo - m_size) return true;
      lo += delta;
    }
    int minLength = m_vertical ? layout.GetMinHeight() : layout.GetMinWidth();
    int maxLength = m_vertical ? layout.GetMaxHeight() : layout.GetMaxWidth();
    LONG oldLength = newHi - newLo;
    if (hi - lo <= minLength) {
      if (oldLength <= minLength) return true;
      if (m_size >= 0) hi = lo + minLength;
      else lo = hi - minLength;
    }
    if (hi - lo >= maxLength) {
      if (oldLength >= maxLength) return true;
      if (m_size >= 0) hi = lo + maxLength;
      else lo = hi - maxLength;
    }
    CUIRect dirty(GetThumbRect(item, true));
    m_rcNewPos = rc;
    fixedLength = hi - lo;
    if (m_immMode) {
      item = m_rcNewPos;
      layout.NeedParentUpdate();
    } else {
      dirty.Join(GetThumbRect(item, true));
      dirty.Join(GetThumbRect(item, false));
      if (manager) manager->Invalidate(dirty);
    }
    return true;
  }
  if (event.type == UIEVENT_SETCURSOR && layout.IsEnabled() && PtInRect(&thumb, event.mouse)) {
    ::SetCursor(LoadCursorW(nullptr, m_vertical ? IDC_SIZENS : IDC_SIZEWE));
    return true;
  }
  return false;
}

void CLayoutSeparator::DoPostPaint(HDC hdc, const RECT& item) const {
  if (IsDragging() && !m_immMode) CSkinRenderer::DrawColor(hdc, GetThumbRect(item, true), 0xAA000000);
}

}  // namespace SkinUI
