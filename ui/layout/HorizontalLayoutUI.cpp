#include "layout/HorizontalLayoutUI.h"

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

CHorizontalLayoutUI::CHorizontalLayoutUI() = default;

LPCWSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const { return m_separator.GetControlFlags(*this); }

void CHorizontalLayoutUI::SetPos(RECT rcPos) {
  CControlUI::SetPos(rcPos);
  RECT rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  if (m_items.IsEmpty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }
  bool vbar = m_verticalScrollBar && m_verticalScrollBar->IsVisible();
  bool hbar = m_horizontalScrollBar && m_horizontalScrollBar->IsVisible();
  if (vbar) rc.right -= m_verticalScrollBar->GetFixedWidth();
  if (hbar) rc.bottom -= m_horizontalScrollBar->GetFixedHeight();
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (hbar) available.cx += m_horizontalScrollBar->GetScrollRange();

  int adjustable = 0;
  int fixed = 0;
  int counted = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE sz = child->EstimateSize(available);
    if (sz.cx == 0) {
      ++adjustable;
    } else {
      sz.cx = Clamp(sz.cx, child->GetMinWidth(), child->GetMaxWidth());
    }
    RECT pad = child->GetPadding();
    fixed += sz.cx + pad.left + pad.right;
    ++counted;
  }
  if (counted > 0) fixed += (counted - 1) * m_childPadding;

  int expand = 0;
  if (adjustable > 0) {
    expand = (available.cx - fixed) / adjustable;
    if (expand < 0) expand = 0;
  }

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
    remaining.cx -= pad.left;
    // What the children after this one still need: their sizes, paddings and the gaps.
    fixedRemaining -= pad.left + pad.right;
    SIZE sz = child->EstimateSize(remaining);
    if (sz.cx == 0) {
      ++adjustableSeen;
      sz.cx = expand;
      if (adjustableSeen == adjustable) {
        sz.cx = remaining.cx - pad.right - fixedRemaining;
        if (sz.cx < 0) sz.cx = 0;
      }
      sz.cx = Clamp(sz.cx, child->GetMinWidth(), child->GetMaxWidth());
    } else {
      sz.cx = Clamp(sz.cx, child->GetMinWidth(), child->GetMaxWidth());
      fixedRemaining -= sz.cx;
    }
    sz.cy = child->GetFixedHeight();
    if (sz.cy == 0) sz.cy = rc.bottom - rc.top - pad.top - pad.bottom;
    if (sz.cy < 0) sz.cy = 0;
    sz.cy = Clamp(sz.cy, child->GetMinHeight(), child->GetMaxHeight());
    RECT rcChild = {x + pad.left, rc.top + pad.top, x + pad.left + sz.cx + pad.right, rc.top + pad.top + sz.cy};
    child->SetPos(rcChild);
    x += sz.cx + m_childPadding + pad.left + pad.right;
    needed += sz.cx + pad.left + pad.right;
    remaining.cx -= sz.cx + m_childPadding + pad.right;
    fixedRemaining -= m_childPadding;
  }
  if (counted > 0) needed += (counted - 1) * m_childPadding;
  ProcessScrollBar(rc, needed, 0);
}

RECT CHorizontalLayoutUI::GetThumbRect(bool useNew) const { return m_separator.GetThumbRect(m_rcItem, useNew); }

void CHorizontalLayoutUI::DoEvent(UIEventRecord& event) {
  if (m_separator.DoEvent(*this, event, m_rcItem, m_fixedWidth)) return;
  CContainerUI::DoEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"sepwidth") == 0) {
    SetSepWidth(CUIValueParser::ReadInt(value));
  } else if (name && wcscmp(name, L"sepimm") == 0) {
    SetSepImmMode(CUIValueParser::ReadBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CHorizontalLayoutUI::DoPostPaint(HDC hdc, const RECT&) { m_separator.DoPostPaint(hdc, m_rcItem); }

void CHorizontalLayoutUI::SetSepWidth(int size) { m_separator.SetSize(size); }

void CHorizontalLayoutUI::SetSepImmMode(bool immediately) { m_separator.SetImmMode(*this, immediately); }

}  // namespace SkinUI
