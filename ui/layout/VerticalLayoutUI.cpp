#include "layout/VerticalLayoutUI.h"

#include <cwchar>

#include "control/ScrollBarUI.h"
#include "core/UIValueParser.h"
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

UINT CVerticalLayoutUI::GetControlFlags() const { return m_separator.GetControlFlags(*this); }

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

RECT CVerticalLayoutUI::GetThumbRect(bool useNew) const { return m_separator.GetThumbRect(m_rcItem, useNew); }

void CVerticalLayoutUI::DoEvent(UIEventRecord& event) {
  if (m_separator.DoEvent(*this, event, m_rcItem, m_fixedHeight)) return;
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

void CVerticalLayoutUI::DoPostPaint(HDC hdc, const RECT&) { m_separator.DoPostPaint(hdc, m_rcItem); }

void CVerticalLayoutUI::SetSepHeight(int size) { m_separator.SetSize(size); }

void CVerticalLayoutUI::SetSepImmMode(bool immediately) { m_separator.SetImmMode(*this, immediately); }

}  // namespace SkinUI
