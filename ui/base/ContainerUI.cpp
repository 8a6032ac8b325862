#include "ui/base/ContainerUI.h"

#include <cwchar>

#include "ui/base/ScrollBarUI.h"
#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"
#include "ui/render/RenderClip.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

bool Meets(const RECT& a, const RECT& b) {
  RECT tmp;
  return IntersectRect(&tmp, &a, &b) != FALSE;
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Its own deletion waited for the frames that used it: its children and bars go with it.
  CUIPtrArray items(m_items);
  m_items.Empty();
  for (int i = 0; m_autoDestroy && i < items.GetSize(); ++i) delete static_cast<CControlUI*>(items[i]);
  delete m_verticalScrollBar;
  delete m_horizontalScrollBar;
}

LPCWSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
  if (name && wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
  return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= m_items.GetSize()) return nullptr;
  return static_cast<CControlUI*>(m_items[index]);
}

int CContainerUI::GetItemIndex(CControlUI* control) const { return control ? m_items.Find(control) : -1; }

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  int at = GetItemIndex(control);
  // Only a place among the children: a child taken out could not be put back.
  if (at < 0 || index < 0 || index >= m_items.GetSize()) return false;
  NeedUpdate();
  m_items.Remove(at);
  return m_items.InsertAt(index, control);
}

int CContainerUI::GetCount() const { return m_items.GetSize(); }

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, m_items.GetSize()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  if (m_manager) {
    m_manager->InitControls(control, this);
  } else {
    // Not attached yet: the child still knows its container (enabling, events, clipping).
    control->SetManager(nullptr, this, false);
  }
  if (IsVisible()) {
    NeedUpdate();
  } else {
    control->SetInternVisible(false);
  }
  if (index == m_items.GetSize()) return m_items.Add(control);
  return m_items.InsertAt(index, control);
}

void CContainerUI::DestroyChild(CControlUI* control) {
  if (!m_autoDestroy) return;
  if (m_delayedDestroy && m_manager) {
    m_manager->AddDelayedCleanup(control);
  } else {
    CWindowManagerUI::DeleteUnwound(m_manager, control);
  }
}

bool CContainerUI::Remove(CControlUI* control) {
  int at = GetItemIndex(control);
  if (at < 0) return false;
  NeedUpdate();
  // Out of the array before it may be deleted: the array is never searched for a dead pointer.
  m_items.Remove(at);
  DestroyChild(control);
  return true;
}

bool CContainerUI::RemoveAt(int index) {
  CControlUI* control = GetItemAt(index);
  return control ? Remove(control) : false;
}

void CContainerUI::RemoveAll() {
  // The children leave the array first; destroying one may reach back into this container.
  CUIPtrArray items(m_items);
  m_items.Empty();
  for (int i = 0; i < items.GetSize(); ++i) DestroyChild(static_cast<CControlUI*>(items[i]));
  NeedUpdate();
}

void CContainerUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  for (int i = 0; i < m_items.GetSize(); ++i) ItemAt(i)->SetManager(manager, this, init);
  if (m_verticalScrollBar) m_verticalScrollBar->SetManager(manager, this, init);
  if (m_horizontalScrollBar) m_horizontalScrollBar->SetManager(manager, this, init);
  CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  if (m_items.IsEmpty()) return;
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  // Placing a child may notify, and a handler may close the window: the tree stays valid until
  // the handler's callers have returned (see WindowWnd.h).
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = ItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
    } else {
      child->SetPos(inner);
    }
  }
}

// Hiding takes the focus from the control that held it, and its "killfocus" handler may close
// the window: this container stays valid until the handler's callers have returned.
void CContainerUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  CControlUI::SetVisible(visible);
  SetChildrenInternVisible();
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  SetChildrenInternVisible();
}

void CContainerUI::SetChildrenInternVisible() {
  for (int i = 0; i < m_items.GetSize(); ++i) ItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enabled) {
  if (m_verticalScrollBar) m_verticalScrollBar->SetMouseEnabled(enabled);
  if (m_horizontalScrollBar) m_horizontalScrollBar->SetMouseEnabled(enabled);
  m_mouseEnabled = enabled;
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
  if ((flags & UIFIND_HITTEST) != 0) {
    if (!data || !PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) return nullptr;
    if (!m_mouseChildEnabled) {
      CControlUI* result = nullptr;
      if (m_verticalScrollBar) result = m_verticalScrollBar->FindControl(proc, data, flags);
      if (!result && m_horizontalScrollBar) result = m_horizontalScrollBar->FindControl(proc, data, flags);
      if (!result) result = CControlUI::FindControl(proc, data, flags);
      return result;
    }
  }
  CControlUI* result = nullptr;
  if (m_verticalScrollBar) result = m_verticalScrollBar->FindControl(proc, data, flags);
  if (!result && m_horizontalScrollBar) result = m_horizontalScrollBar->FindControl(proc, data, flags);
  if (result) return result;
  if ((flags & UIFIND_ME_FIRST) != 0) {
    result = CControlUI::FindControl(proc, data, flags);
    if (result) return result;
  }
  RECT inner = m_rcItem;
  inner.left += m_rcInset.left;
  inner.top += m_rcInset.top;
  inner.right -= m_rcInset.right;
  inner.bottom -= m_rcInset.bottom;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) inner.right -= m_verticalScrollBar->GetFixedWidth();
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible())
    inner.bottom -= m_horizontalScrollBar->GetFixedHeight();
  int count = m_items.GetSize();
  bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
  for (int n = 0; n < count; ++n) {
    // A callback may change the tree; re-read the child each time and stop if it vanished.
    int i = topFirst ? count - 1 - n : n;
    CControlUI* child = ItemAt(i);
    if (!child) break;
    CControlUI* found = child->FindControl(proc, data, flags);
    if (!found) continue;
    if ((flags & UIFIND_HITTEST) == 0) return found;
    if (found->IsFloat() || PtInRect(&inner, *static_cast<const POINT*>(data))) return found;
  }
  if ((flags & UIFIND_ME_FIRST) == 0) return CControlUI::FindControl(proc, data, flags);
  return nullptr;
}

void CContainerUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
    if (m_parent) {
      m_parent->DoEvent(event);
    } else {
      CControlUI::DoEvent(event);
    }
    return;
  }
  if (event.type == UIEVENT_SETFOCUS) {
    m_focused = true;
    return;
  }
  if (event.type == UIEVENT_KILLFOCUS) {
    m_focused = false;
    return;
  }
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible() && m_verticalScrollBar->IsEnabled()) {
    if (event.type == UIEVENT_KEYDOWN) {
      switch (event.key) {
        case VK_DOWN: LineDown(); return;
        case VK_UP: LineUp(); return;
        case VK_NEXT: PageDown(); return;
        case VK_PRIOR: PageUp(); return;
        case VK_HOME: HomeUp(); return;
        case VK_END: EndDown(); return;
        default: break;
      }
    } else if (event.type == UIEVENT_SCROLLWHEEL) {
      switch (LOWORD(event.wParam)) {
        case 0: LineUp(); return;
        case 1: LineDown(); return;
        default: break;
      }
    }
  } else if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible() && m_horizontalScrollBar->IsEnabled()) {
    if (event.type == UIEVENT_KEYDOWN) {
      switch (event.key) {
        case VK_DOWN: LineRight(); return;
        case VK_UP: LineLeft(); return;
        case VK_NEXT: PageRight(); return;
        case VK_PRIOR: PageLeft(); return;
        case VK_HOME: HomeLeft(); return;
        case VK_END: EndRight(); return;
        default: break;
      }
    } else if (event.type == UIEVENT_SCROLLWHEEL) {
      switch (LOWORD(event.wParam)) {
        case 0: LineLeft(); return;
        case 1: LineRight(); return;
        default: break;
      }
    }
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  if (wcscmp(name, L"inset") == 0) {
    SetInset(CUIValueParser::ReadRect(value));
  } else if (wcscmp(name, L"mousechild") == 0) {
    SetMouseChildEnabled(CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"vscrollbar") == 0) {
    EnableScrollBar(CUIValueParser::ReadBool(value), m_horizontalScrollBar != nullptr);
  } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
    EnableScrollBar(true, m_horizontalScrollBar != nullptr);
    if (m_verticalScrollBar) m_verticalScrollBar->ApplyAttributeList(value);
  } else if (wcscmp(name, L"hscrollbar") == 0) {
    EnableScrollBar(m_verticalScrollBar != nullptr, CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
    EnableScrollBar(m_verticalScrollBar != nullptr, true);
    if (m_horizontalScrollBar) m_horizontalScrollBar->ApplyAttributeList(value);
  } else if (wcscmp(name, L"vscrollsize") == 0) {
    SetScrollBarSize(m_horizontalBarHeight, CUIValueParser::ReadInt(value));
  } else if (wcscmp(name, L"childpadding") == 0) {
    SetChildPadding(CUIValueParser::ReadExtent(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CContainerUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  RECT rcTemp;
  if (!IntersectRect(&rcTemp, &rcPaint, &m_rcItem)) return;
  CRenderClip clip;
  CSkinRenderer::GenerateClip(hdc, rcTemp, clip);
  CControlUI::DoPaint(hdc, rcPaint);
  if (!m_items.IsEmpty()) {
    RECT inner = m_rcItem;
    inner.left += m_rcInset.left;
    inner.top += m_rcInset.top;
    inner.right -= m_rcInset.right;
    inner.bottom -= m_rcInset.bottom;
    if (m_verticalScrollBar && m_verticalScrollBar->IsVisible())
      inner.right -= m_verticalScrollBar->GetFixedWidth();
    if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible())
      inner.bottom -= m_horizontalScrollBar->GetFixedHeight();
    if (!IntersectRect(&rcTemp, &rcPaint, &inner)) {
      for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ItemAt(i);
        if (!child->IsVisible() || !child->IsFloat()) continue;
        if (!Meets(rcPaint, child->GetPos()) || !Meets(m_rcItem, child->GetPos())) continue;
        child->DoPaint(hdc, rcPaint);
      }
    } else {
      CRenderClip childClip;
      CSkinRenderer::GenerateClip(hdc, rcTemp, childClip);
      for (int i = 0; i < m_items.GetSize(); ++i) {
        CControlUI* child = ItemAt(i);
        if (!child->IsVisible() || !Meets(rcPaint, child->GetPos())) continue;
        if (child->IsFloat()) {
          if (!Meets(m_rcItem, child->GetPos())) continue;
          CRenderClip::UseOldClipBegin(hdc, childClip);
          child->DoPaint(hdc, rcPaint);
          CRenderClip::UseOldClipEnd(hdc, childClip);
        } else {
          if (!Meets(inner, child->GetPos())) continue;
          child->DoPaint(hdc, rcPaint);
        }
      }
    }
  }
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible() && Meets(rcPaint, m_verticalScrollBar->GetPos()))
    m_verticalScrollBar->DoPaint(hdc, rcPaint);
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible() && Meets(rcPaint, m_horizontalScrollBar->GetPos()))
    m_horizontalScrollBar->DoPaint(hdc, rcPaint);
}

RECT CContainerUI::GetInset() const { return m_rcInset; }

void CContainerUI::SetInset(RECT inset) {
  m_rcInset = CUIExtent::Bound(inset);
  NeedUpdate();
}

int CContainerUI::GetChildPadding() const { return m_childPadding; }

void CContainerUI::SetChildPadding(int padding) {
  m_childPadding = CUIExtent::Bound(padding);
  NeedUpdate();
}

bool CContainerUI::IsAutoDestroy() const { return m_autoDestroy; }
void CContainerUI::SetAutoDestroy(bool on) { m_autoDestroy = on; }
bool CContainerUI::IsDelayedDestroy() const { return m_delayedDestroy; }
void CContainerUI::SetDelayedDestroy(bool on) { m_delayedDestroy = on; }
bool CContainerUI::IsMouseChildEnabled() const { return m_mouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool on) { m_mouseChildEnabled = on; }

int CContainerUI::FindSelectable(int index, bool forward) const {
  int count = m_items.GetSize();
  if (count == 0) return -1;
  if (index < 0) index = 0;
  if (index >= count) index = count - 1;
  auto selectable = [this](int i) {
    CControlUI* c = ItemAt(i);
    return c->GetInterface(L"ListItem") != nullptr && c->IsVisible() && c->IsEnabled();
  };
  if (forward) {
    for (int i = index; i < count; ++i)
      if (selectable(i)) return i;
    return -1;
  }
  for (int i = index; i >= 0; --i)
    if (selectable(i)) return i;
  return FindSelectable(0, true);
}

SIZE CContainerUI::GetScrollPos() const {
  SIZE sz = {0, 0};
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) sz.cy = m_verticalScrollBar->GetScrollPos();
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) sz.cx = m_horizontalScrollBar->GetScrollPos();
  return sz;
}

SIZE CContainerUI::GetScrollRange() const {
  SIZE sz = {0, 0};
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) sz.cy = m_verticalScrollBar->GetScrollRange();
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) sz.cx = m_horizontalScrollBar->GetScrollRange();
  return sz;
}

void CContainerUI::SetScrollPos(SIZE pos) {
  int dy = 0;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) {
    int old = m_verticalScrollBar->GetScrollPos();
    m_verticalScrollBar->SetScrollPos(pos.cy);
    dy = m_verticalScrollBar->GetScrollPos() - old;
  }
  int dx = 0;
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
    int old = m_horizontalScrollBar->GetScrollPos();
    m_horizontalScrollBar->SetScrollPos(pos.cx);
    dx = m_horizontalScrollBar->GetScrollPos() - old;
  }
  if (dx == 0 && dy == 0) return;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = ItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    RECT rc = child->GetPos();
    OffsetRect(&rc, -dx, -dy);
    child->SetPos(rc);
  }
  Invalidate();
}

void CContainerUI::SetScrollBarSize(int horizontalHeight, int verticalWidth) {
  m_horizontalBarHeight = CUIExtent::Bound(horizontalHeight);
  m_verticalBarWidth = CUIExtent::Bound(verticalWidth);
  if (m_horizontalScrollBar && horizontalHeight >= 0) m_horizontalScrollBar->SetFixedHeight(horizontalHeight);
  if (m_verticalScrollBar && verticalWidth >= 0) m_verticalScrollBar->SetFixedWidth(verticalWidth);
}

void CContainerUI::ScrollBy(int dx, int dy) {
  SIZE sz = GetScrollPos();
  sz.cx += dx;
  sz.cy += dy;
  SetScrollPos(sz);
}

int CContainerUI::LineStep() const {
  return m_manager ? m_manager->GetDefaultFontInfo()->tm.tmHeight + 8 : 8;
}

int CContainerUI::PageHeight() const {
  int page = m_rcItem.bottom - m_rcItem.top - m_rcInset.top - m_rcInset.bottom;
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) page -= m_horizontalScrollBar->GetFixedHeight();
  return page;
}

int CContainerUI::PageWidth() const {
  int page = m_rcItem.right - m_rcItem.left - m_rcInset.left - m_rcInset.right;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) page -= m_verticalScrollBar->GetFixedWidth();
  return page;
}

void CContainerUI::LineUp() { ScrollBy(0, -LineStep()); }
void CContainerUI::LineDown() { ScrollBy(0, LineStep()); }
void CContainerUI::PageUp() { ScrollBy(0, -PageHeight()); }
void CContainerUI::PageDown() { ScrollBy(0, PageHeight()); }
void CContainerUI::HomeUp() { SetScrollPos(SIZE{GetScrollPos().cx, 0}); }
void CContainerUI::EndDown() { SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy}); }
void CContainerUI::LineLeft() { ScrollBy(-8, 0); }
void CContainerUI::LineRight() { ScrollBy(8, 0); }
void CContainerUI::PageLeft() { ScrollBy(-PageWidth(), 0); }
void CContainerUI::PageRight() { ScrollBy(PageWidth(), 0); }
void CContainerUI::HomeLeft() { SetScrollPos(SIZE{0, GetScrollPos().cy}); }
void CContainerUI::EndRight() { SetScrollPos(SIZE{GetScrollRange().cx, GetScrollPos().cy}); }

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
  auto make = [this](CScrollBarUI*& bar, bool on, bool isHorizontal) {
    if (!on) {
      // The bar may be in the middle of its own press (its scroll moved a child whose handler
      // turned the bars off): it goes once that has returned.
      if (bar) CWindowManagerUI::DeleteUnwound(m_manager, bar);
      bar = nullptr;
      return;
    }
    if (bar) return;
    bar = new CScrollBarUI;
    if (isHorizontal) bar->SetHorizontal(true);
    bar->SetOwner(this);
    bar->SetManager(m_manager, nullptr, false);
    if (m_manager) {
      LPCWSTR defaults = m_manager->GetDefaultAttributeList(isHorizontal ? L"HScrollBar" : L"VScrollBar");
      if (defaults) bar->ApplyAttributeList(defaults);
    }
  };
  make(m_verticalScrollBar, vertical, false);
  make(m_horizontalScrollBar, horizontal, true);
  NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const { return m_verticalScrollBar; }
CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const { return m_horizontalScrollBar; }

void CContainerUI::SetFloatPos(int index) {
  CControlUI* child = ItemAt(index);
  if (!child || !child->IsVisible() || !child->IsFloat()) return;
  SIZE xy = child->GetFixedXY();
  int w = child->GetFixedWidth();
  int h = child->GetFixedHeight();
  const RECT& r = m_rcItem;
  RECT rc;
  if (xy.cx < 0) {
    rc.left = r.right - w + xy.cx;
    rc.right = r.right + xy.cx;
  } else {
    rc.left = r.left + xy.cx;
    rc.right = rc.left + w;
  }
  if (xy.cy < 0) {
    rc.top = r.bottom - h + xy.cy;
    rc.bottom = r.bottom + xy.cy;
  } else {
    rc.top = r.top + xy.cy;
    rc.bottom = rc.top + h;
  }
  UIRelativePos rel = child->GetRelativePos();
  if (rel.relative) {
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (rel.parentSize.cx != 0) {
      // Percentages of the parent's growth, in 64 bits: both factors come from the skin.
      long long dx = static_cast<long long>(width) - rel.parentSize.cx;
      long long dy = static_cast<long long>(height) - rel.parentSize.cy;
      rc.left = CUIExtent::Coordinate(rc.left + rel.moveX * dx / 100);
      rc.top = CUIExtent::Coordinate(rc.top + rel.moveY * dy / 100);
      rc.right = CUIExtent::Coordinate(rel.zoomX * dx / 100 + rc.left + w);
      rc.bottom = CUIExtent::Coordinate(rel.zoomY * dy / 100 + rc.top + h);
    }
    child->SetRelativeParentSize(SIZE{width, height});
  }
  child->SetPos(rc);
}

void CContainerUI::ProcessScrollBar(RECT rc, int /*cxRequired*/, int cyRequired) {
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
    m_horizontalScrollBar->SetPos(
        RECT{rc.left, rc.bottom, rc.right, rc.bottom + m_horizontalScrollBar->GetFixedHeight()});
  }
  if (!m_verticalScrollBar) return;
  int height = rc.bottom - rc.top;
  if (cyRequired > height && !m_verticalScrollBar->IsVisible()) {
    m_verticalScrollBar->SetVisible(true);
    m_verticalScrollBar->SetScrollRange(cyRequired - height);
    m_verticalScrollBar->SetScrollPos(0);
    m_scrollProcess = true;
    SetPos(m_rcItem);
    m_scrollProcess = false;
    return;
  }
  if (!m_verticalScrollBar->IsVisible()) return;
  int overflow = cyRequired - height;
  if (overflow <= 0 && !m_scrollProcess) {
    m_verticalScrollBar->SetVisible(false);
    m_verticalScrollBar->SetScrollPos(0);
    m_verticalScrollBar->SetScrollRange(0);
    SetPos(m_rcItem);
    return;
  }
  m_verticalScrollBar->SetPos(
      RECT{rc.right, rc.top, rc.right + m_verticalScrollBar->GetFixedWidth(), rc.bottom});
  if (m_verticalScrollBar->GetScrollRange() == overflow) return;
  int oldPos = m_verticalScrollBar->GetScrollPos();
  m_verticalScrollBar->SetScrollRange(overflow < 0 ? -overflow : overflow);
  if (m_verticalScrollBar->GetScrollRange() == 0) {
    m_verticalScrollBar->SetVisible(false);
    m_verticalScrollBar->SetScrollPos(0);
  }
  if (oldPos > m_verticalScrollBar->GetScrollPos()) SetPos(m_rcItem);
}

}  // namespace SkinUI
