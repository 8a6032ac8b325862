#include "ui/layout/TabLayoutUI.h"

#include <algorithm>
#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CTabLayoutUI::CTabLayoutUI() = default;

LPCWSTR CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }

LPVOID CTabLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"TabLayout") == 0) return static_cast<CTabLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
  // The container's Add goes through the virtual AddAt, whose page rules differ.
  if (!CContainerUI::AddAt(control, GetCount())) return false;
  if (m_curSel == -1 && control->IsVisible()) {
    m_curSel = GetItemIndex(control);
  } else {
    control->SetVisible(false);
  }
  return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (m_curSel == -1 && control->IsVisible()) {
    m_curSel = GetItemIndex(control);
    return true;
  }
  // Inserted before the current page: that page moves up one; only it stays visible.
  if (m_curSel != -1 && index <= m_curSel) ++m_curSel;
  control->SetVisible(false);
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
  if (control == nullptr) return false;
  int index = GetItemIndex(control);
  if (!CContainerUI::Remove(control)) return false;
  if (index == m_curSel) {
    if (GetCount() > 0) {
      m_curSel = 0;
      GetItemAt(0)->SetVisible(true);
    } else {
      m_curSel = -1;
    }
    NeedParentUpdate();
  } else if (index < m_curSel) {
    --m_curSel;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  m_curSel = -1;
  CContainerUI::RemoveAll();
  NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == m_curSel) return true;
  // The focus moves below reach "killfocus" and "setfocus" handlers, which may close the
  // window: this layout stays valid until the frame returns (see WindowWnd.h).
  CWindowWnd::DispatchScope frame;
  int old = m_curSel;
  m_curSel = index;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* page = GetItemAt(i);
    if (i == index) {
      page->SetVisible(true);
      page->SetFocus();
      SetPos(m_rcItem);
    } else {
      page->SetVisible(false);
    }
  }
  NeedParentUpdate();
  if (m_manager) {
    m_manager->SetNextTabControl(true);
    m_manager->SendNotify(this, L"tabselect", WPARAM(m_curSel), LPARAM(old));
  }
  return true;
}

void CTabLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    if (i != m_curSel) continue;
    RECT padding = child->GetPadding();
    RECT page = rc;
    page.left += padding.left;
    page.top += padding.top;
    page.right -= padding.right;
    page.bottom -= padding.bottom;
    SIZE available = {page.right - page.left, page.bottom - page.top};
    SIZE size = child->EstimateSize(available);
    if (size.cx == 0) size.cx = std::max<LONG>(0, available.cx);
    if (size.cx < child->GetMinWidth()) size.cx = child->GetMinWidth();
    if (size.cx > child->GetMaxWidth()) size.cx = child->GetMaxWidth();
    if (size.cy == 0) size.cy = std::max<LONG>(0, available.cy);
    if (size.cy < child->GetMinHeight()) size.cy = child->GetMinHeight();
    if (size.cy > child->GetMaxHeight()) size.cy = child->GetMaxHeight();
    child->SetPos(RECT{page.left, page.top, page.left + size.cx, page.top + size.cy});
  }
}

void CTabLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && value && wcscmp(name, L"selectedid") == 0) {
    int index = CUIValueParser::ReadInt(value);
    if (index >= 0) SelectItem(index);
  }
  CContainerUI::SetAttribute(name, value);
}

}  // namespace SkinUI
