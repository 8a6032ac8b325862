#include "layout/VerticalLayoutUI.h"

#include <algorithm>
#include <cwchar>

#include "control/ScrollBarUI.h"
#include "core/UIRect.h"
#include "core/UIValueParser.h"
#include "render/SkinRenderer.h"
#include "window/WindowManagerUI.h"

namespace SkinUI {

namespace {

int Clamp(int v, int lo, int hi) {
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

}  // namespace

CVerticalLayoutUI::CVerticalLayoutUI() = default;

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
  return (IsEnabled() && m_sepHeight != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void CVerticalLayoutUI::SetPos(RECT rcPos) {
  CControlUI::SetPos(rcPos);
  RECT rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  bool vbar = m_verticalScrollBar && m_verticalScrollBar->IsVisible();
  bool hbar = m_horizontalScrollBar && m_horizontalScrollBar->IsVisible();
  if (vbar) rc.right -= m_verticalScrollBar->GetFixedWidth();
  if (hbar) rc.bottom -= m_horizontalScrollBar->GetFixedHeight();
  if (m_items.IsEmpty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (hbar) available.cx += m_horizontalScrollBar->GetScrollRange();

  int adjustable = 0;
  int fixed = 0;
  int counted = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE sz = child->EstimateSize(available);
    if (sz.cy == 0) {
      ++adjustable;
    } else {
      sz.cy = Clamp(sz.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
    RECT pad = child->GetPadding();
    fixed += sz.cy + pad.top + pad.bottom;
    ++counted;
  }
  if (counted > 0) fixed += (counted - 1) * m_childPadding;

  int expand = 0;
  if (adjustable > 0) {
    expand = (available.cy - fixed) / adjustable;
    if (expand < 0) expand = 0;
  }

  int y = rc.top;
  if (vbar) y -= m_verticalScrollBar->GetScrollPos();
  int x = rc.left;
  if (hbar) x -= m_horizontalScrollBar->GetScrollPos();
  SIZE remaining = available;
  int fixedRemaining = fixed;
  int adjustableSeen = 0;
  int needed = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    RECT pad = child->GetPadding();
    remaining.cy -= pad.top;
    // What the children after this one still need: their sizes, paddings and the gaps.
    fixedRemaining -= pad.top + pad.bottom;
    SIZE sz = child->EstimateSize(remaining);
    if (sz.cy == 0) {
      ++adjustableSeen;
      sz.cy = expand;
      if (adjustableSeen == adjustable) {
        sz.cy = remaining.cy - pad.bottom - fixedRemaining;
        if (sz.cy < 0) sz.cy = 0;
      }
      sz.cy = Clamp(sz.cy, child->GetMinHeight(), child->GetMaxHeight());
    } else {
      sz.cy = Clamp(sz.cy, child->GetMinHeight(), child->GetMaxHeight());
      fixedRemaining -= sz.cy;
    }
    sz.cx = child->GetFixedWidth();
    if (sz.cx == 0) sz.cx = available.cx - pad.left - pad.right;
    if (sz.cx < 0) sz.cx = 0;
    sz.cx = Clamp(sz.cx, child->GetMinWidth(), child->GetMaxWidth());
    RECT rcChild = {x + pad.left, y + pad.top, x + pad.left + sz.cx, y + pad.top + sz.cy + pad.bottom};
    child->SetPos(rcChild);
    y += sz.cy + m_childPadding + pad.top + pad.bottom;
    needed += sz.cy + pad.top + pad.bottom;
    remaining.cy -= sz.cy + m_childPadding + pad.bottom;
    fixedRemaining -= m_childPadding;
  }
  if (counted > 0) needed += (counted - 1) * m_childPadding;
  ProcessScrollBar(rc, 0, needed);
}

RECT CVerticalLayoutUI::GetThumbRect(bool useNew) const {
  const RECT& r = useNew ? m_rcNewPos : m_rcItem;
  if (m_sepHeight >= 0) return RECT{r.left, std::max<LONG>(r.bottom - m_sepHeight, r.top), r.right, r.bottom};
  return RECT{r.left, r.top, r.right, std::min<LONG>(r.top - m_sepHeight, r.bottom)};
}

void CVerticalLayoutUI::DoEvent(UIEventRecord& event) {
  if (m_sepHeight != 0) {
    bool captured = (m_buttonState & UISTATE_CAPTURED) != 0;
    if (event.type == UIEVENT_BUTTONDOWN && IsEnabled()) {
      RECT thumb = GetThumbRect(false);
      if (PtInRect(&thumb, event.mouse)) {
        m_buttonState |= UISTATE_CAPTURED;
        m_lastMouse = event.mouse;
        m_rcNewPos = m_rcItem;
        if (!m_immMode && m_manager) m_manager->AddPostPaint(this);
        return;
      }
    }
    if (event.type == UIEVENT_BUTTONUP && captured) {
      m_buttonState &= ~UISTATE_CAPTURED;
      m_rcItem = m_rcNewPos;
      if (!m_immMode && m_manager) m_manager->RemovePostPaint(this);
      NeedParentUpdate();
      return;
    }
    if (event.type == UIEVENT_MOUSEMOVE && captured) {
      LONG dy = event.mouse.y - m_lastMouse.y;
      m_lastMouse = event.mouse;
      RECT rc = m_rcNewPos;
      // The same tests as the horizontal separator with the axes exchanged: a move is taken
      // while the pointer is on the strip's side of the edge it pulls.
      if (m_sepHeight >= 0) {
        if (dy > 0 && event.mouse.y < m_rcNewPos.bottom - m_sepHeight) return;
        if (dy < 0 && event.mouse.y > m_rcNewPos.bottom) return;
        rc.bottom += dy;
      } else {
        if (dy > 0 && event.mouse.y < m_rcNewPos.top) return;
        if (dy < 0 && event.mouse.y > m_rcNewPos.top - m_sepHeight) return;
        rc.top += dy;
      }
      int oldHeight = m_rcNewPos.bottom - m_rcNewPos.top;
      if (rc.bottom - rc.top <= GetMinHeight()) {
        if (oldHeight <= GetMinHeight()) return;
        if (m_sepHeight >= 0) rc.bottom = rc.top + GetMinHeight();
        else rc.top = rc.bottom - GetMinHeight();
      }
      if (rc.bottom - rc.top >= GetMaxHeight()) {
        if (oldHeight >= GetMaxHeight()) return;
        if (m_sepHeight >= 0) rc.bottom = rc.top + GetMaxHeight();
        else rc.top = rc.bottom - GetMaxHeight();
      }
      CUIRect dirty(GetThumbRect(true));
      m_rcNewPos = rc;
      m_fixedHeight = rc.bottom - rc.top;
      if (m_immMode) {
        m_rcItem = m_rcNewPos;
        NeedParentUpdate();
      } else {
        dirty.Join(GetThumbRect(true));
        dirty.Join(GetThumbRect(false));
        if (m_manager) m_manager->Invalidate(dirty);
      }
      return;
    }
    if (event.type == UIEVENT_SETCURSOR) {
      RECT thumb = GetThumbRect(false);
      if (IsEnabled() && PtInRect(&thumb, event.mouse)) {
        ::SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
        return;
      }
    }
  }
  CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"sepheight") == 0) {
    SetSepHeight(CUIValueParser::ReadInt(value));
  } else if (name && wcscmp(name, L"sepimm") == 0) {
    SetSepImmMode(CUIValueParser::ReadBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CVerticalLayoutUI::DoPostPaint(HDC hdc, const RECT&) {
  if ((m_buttonState & UISTATE_CAPTURED) != 0 && !m_immMode) {
    CSkinRenderer::DrawColor(hdc, GetThumbRect(true), 0xAA000000);
  }
}

void CVerticalLayoutUI::SetSepHeight(int height) { m_sepHeight = height; }

void CVerticalLayoutUI::SetSepImmMode(bool immediately) {
  if (m_immMode == immediately) return;
  if ((m_buttonState & UISTATE_CAPTURED) != 0 && !m_immMode && m_manager) m_manager->RemovePostPaint(this);
  m_immMode = immediately;
}

}  // namespace SkinUI
