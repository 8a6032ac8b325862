#include "ui/list/ListUI.h"

#include <cmath>
#include <cwchar>

#include "ui/base/ScrollBarUI.h"
#include "ui/core/UIValueParser.h"
#include "ui/list/IListItemUI.h"
#include "ui/list/ListBodyUI.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/list/ListNavigation.h"
#include "ui/list/ListRowUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

enum Kind { kHeader, kHeaderItem, kRow };

Kind KindOf(CControlUI* control) {
  if (control->GetInterface(L"ListHeader")) return kHeader;
  if (wcsstr(control->GetClass(), L"ListHeaderItemUI")) return kHeaderItem;
  return kRow;
}

IListItemUI* AsItem(CControlUI* control) {
  return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

}  // namespace

CListUI::CListUI() {
  m_list = new CListBodyUI(this);
  m_header = new CListHeaderUI;
  Add(m_header);
  CContainerUI::AddAt(m_list, CContainerUI::GetCount());
}

// The header and the body are children and go with the container; the record's image
// strings are its own members.
CListUI::~CListUI() = default;

LPCWSTR CListUI::GetClass() const { return L"ListUI"; }

LPVOID CListUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"List") == 0) return static_cast<CListUI*>(this);
  if (name && (wcscmp(name, L"IList") == 0 || wcscmp(name, L"IListOwner") == 0))
    return static_cast<IListUI*>(this);
  return CVerticalLayoutUI::GetInterface(name);
}

UINT CListUI::GetControlFlags() const { return UIFLAG_TABSTOP; }

CContainerUI* CListUI::GetList() const { return m_list; }

IListItemUI* CListUI::RowAt(int index) const { return AsItem(m_list->GetItemAt(index)); }

void CListUI::UpdateColumnCount() {
  int count = m_header ? m_header->GetCount() : 0;
  m_listInfo.columns = count < UIListInfo::kMaxColumns ? count : int(UIListInfo::kMaxColumns);
}

void CListUI::Renumber(int from, int to) {
  for (int i = from; i <= to; ++i) {
    if (IListItemUI* row = RowAt(i)) row->SetIndex(i);
  }
}

// ---- Children ----

CControlUI* CListUI::GetItemAt(int index) const { return m_list->GetItemAt(index); }

int CListUI::GetCount() const { return m_list->GetCount(); }

int CListUI::GetItemIndex(CControlUI* control) const {
  if (!control) return -1;
  switch (KindOf(control)) {
    case kHeader:
      return CVerticalLayoutUI::GetItemIndex(control);
    case kHeaderItem:
      return m_header ? m_header->GetItemIndex(control) : -1;
    default:
      return m_list->GetItemIndex(control);
  }
}

bool CListUI::SetItemIndex(CControlUI* control, int index) {
  if (!control) return false;
  switch (KindOf(control)) {
    case kHeader:
      return CVerticalLayoutUI::SetItemIndex(control, index);
    case kHeaderItem:
      return m_header && m_header->SetItemIndex(control, index);
    default:
      break;
  }
  int old = m_list->GetItemIndex(control);
  if (old == -1) return false;
  if (old == index) return true;
  IListItemUI* selected = m_curSel >= 0 ? RowAt(m_curSel) : nullptr;
  if (!m_list->SetItemIndex(control, index)) return false;
  Renumber(old < index ? old : index, old < index ? index : old);
  if (selected) m_curSel = selected->GetIndex();
  return true;
}

bool CListUI::Add(CControlUI* control) {
  if (!control) return false;
  switch (KindOf(control)) {
    case kHeader:
      if (!m_header || (m_header != control && m_header->GetCount() == 0)) {
        if (m_header) CVerticalLayoutUI::Remove(m_header);
        m_header = static_cast<CListHeaderUI*>(control->GetInterface(L"ListHeader"));
      }
      UpdateColumnCount();
      return CVerticalLayoutUI::AddAt(control, 0);
    case kHeaderItem: {
      bool ok = m_header && m_header->Add(control);
      UpdateColumnCount();
      return ok;
    }
    default:
      break;
  }
  if (IListItemUI* row = AsItem(control)) {
    row->SetOwner(this);
    row->SetIndex(GetCount());
  }
  return m_list->Add(control);
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  switch (KindOf(control)) {
    case kHeader:
      return Add(control);
    case kHeaderItem: {
      bool ok = m_header && m_header->AddAt(control, index);
      UpdateColumnCount();
      return ok;
    }
    default:
      break;
  }
  if (!m_list->AddAt(control, index)) return false;
  if (IListItemUI* row = AsItem(control)) {
    row->SetOwner(this);
    row->SetIndex(index);
  }
  Renumber(index + 1, GetCount() - 1);
  if (m_curSel >= index) m_curSel += 1;
  return true;
}

bool CListUI::Remove(CControlUI* control) {
  if (!control) return false;
  switch (KindOf(control)) {
    case kHeader: {
      // The list goes on without a header; a later one takes its place.
      bool isCurrent = control == m_header;
      bool ok = CVerticalLayoutUI::Remove(control);
      if (ok && isCurrent) m_header = nullptr;
      UpdateColumnCount();
      return ok;
    }
    case kHeaderItem: {
      bool ok = m_header && m_header->Remove(control);
      UpdateColumnCount();
      return ok;
    }
    default:
      break;
  }
  return CListUI::RemoveAt(m_list->GetItemIndex(control));
}

bool CListUI::RemoveAt(int index) {
  CControlUI* control = index < 0 ? nullptr : m_list->GetItemAt(index);
  if (!control) return false;
  CListRowUI::Detach(control);
  if (!m_list->RemoveAt(index)) return false;
  Renumber(index, GetCount() - 1);
  if (index == m_curSel && m_curSel >= 0) {
    int sel = m_curSel;
    m_curSel = -1;
    SelectItem(m_list->FindSelectable(sel, false), false);
  } else if (index < m_curSel) {
    m_curSel -= 1;
  }
  return true;
}

void CListUI::RemoveAll() {
  m_curSel = -1;
  m_expandedItem = -1;
  for (int i = 0; i < GetCount(); ++i) CListRowUI::Detach(m_list->GetItemAt(i));
  m_list->RemoveAll();
}

// ---- Padding and scrolling: the body's ----

int CListUI::GetChildPadding() const { return m_list->GetChildPadding(); }
void CListUI::SetChildPadding(int padding) { m_list->SetChildPadding(padding); }
SIZE CListUI::GetScrollPos() const { return m_list->GetScrollPos(); }
SIZE CListUI::GetScrollRange() const { return m_list->GetScrollRange(); }
void CListUI::SetScrollPos(SIZE pos) { m_list->SetScrollPos(pos); }
void CListUI::SetScrollBarSize(int horizontalHeight, int verticalWidth) {
  m_list->SetScrollBarSize(horizontalHeight, verticalWidth);
}
void CListUI::LineUp() { m_list->LineUp(); }
void CListUI::LineDown() { m_list->LineDown(); }
void CListUI::PageUp() { m_list->PageUp(); }
void CListUI::PageDown() { m_list->PageDown(); }
void CListUI::HomeUp() { m_list->HomeUp(); }
void CListUI::EndDown() { m_list->EndDown(); }
void CListUI::LineLeft() { m_list->LineLeft(); }
void CListUI::LineRight() { m_list->LineRight(); }
void CListUI::PageLeft() { m_list->PageLeft(); }
void CListUI::PageRight() { m_list->PageRight(); }
void CListUI::HomeLeft() { m_list->HomeLeft(); }
void CListUI::EndRight() { m_list->EndRight(); }
void CListUI::EnableScrollBar(bool vertical, bool horizontal) { m_list->EnableScrollBar(vertical, horizontal); }
CScrollBarUI* CListUI::GetVerticalScrollBar() const { return m_list->GetVerticalScrollBar(); }
CScrollBarUI* CListUI::GetHorizontalScrollBar() const { return m_list->GetHorizontalScrollBar(); }

// ---- Layout ----

void CListUI::SetHeaderItemsVisible(bool visible) {
  if (!m_header) return;
  for (int i = 0; i < m_header->GetCount(); ++i) m_header->GetItemAt(i)->SetInternVisible(visible);
}

void CListUI::ReadColumns() {
  UpdateColumnCount();
  for (int i = 0; i < m_listInfo.columns; ++i) {
    CControlUI* item = m_header->GetItemAt(i);
    if (!item->IsVisible() || item->IsFloat()) continue;
    m_listInfo.column[i] = item->GetPos();
  }
}

void CListUI::SetPos(RECT rc) {
  m_placingHeader = true;
  CVerticalLayoutUI::SetPos(rc);
  if (!m_header) {
    m_placingHeader = false;
    return;
  }
  // The header is placed again with the body's sideways scroll position as the body's layout
  // left it (the header moves its items by it). A hidden header is still laid out, at no
  // height, so that the rows keep their columns.
  bool hidden = !m_header->IsVisible();
  if (hidden) {
    SetHeaderItemsVisible(true);
    m_header->SetPos(RECT{rc.left, 0, rc.right, 0});
  } else {
    m_header->SetPos(m_header->GetPos());
  }
  m_placingHeader = false;
  ReadColumns();
  if (hidden) SetHeaderItemsVisible(false);
  // The rows follow the new columns; the header stays where it is.
  m_list->SetPos(m_list->GetPos());
}

void CListUI::OnHeaderPlaced() {
  if (m_placingHeader || !m_header) return;
  ReadColumns();
  m_list->SetPos(m_list->GetPos());
  m_list->Invalidate();
}

// ---- Selection and expansion ----

bool CListUI::SelectItem(int index, bool takeFocus) {
  if (index == m_curSel) return true;
  int old = m_curSel;
  // Every other row loses its flag: the one selected before, also when it was disabled
  // meanwhile, and any that "selected" flagged before it joined this list.
  for (int i = 0; i < GetCount(); ++i) {
    IListItemUI* row = RowAt(i);
    if (row && i != index && row->IsSelected()) row->Select(false);
  }
  m_curSel = -1;
  if (index < 0) return false;
  CControlUI* control = m_list->GetItemAt(index);
  IListItemUI* row = AsItem(control);
  if (!control || !control->IsVisible() || !control->IsEnabled() || !row) {
    // Nothing is selected then, and no row shows it.
    if (row) row->Select(false);
    return false;
  }
  m_curSel = index;
  if (!row->Select(true)) {
    m_curSel = -1;
    return false;
  }
  // A focus handler may destroy the window, and this list with it.
  if (takeFocus && !CWindowManagerUI::Survives(m_manager, [control] { control->SetFocus(); })) return true;
  if (m_manager) m_manager->SendNotify(this, L"itemselect", WPARAM(m_curSel), LPARAM(old));
  return true;
}

bool CListUI::ExpandItem(int index, bool expand) {
  if (m_expandedItem >= 0 && !m_listInfo.multiExpandable) {
    if (IListItemUI* row = RowAt(m_expandedItem)) row->Expand(false);
    m_expandedItem = -1;
  }
  if (!expand) {
    NeedUpdate();
    return true;
  }
  CControlUI* control = m_list->GetItemAt(index);
  IListItemUI* row = AsItem(control);
  if (!control || !control->IsVisible() || !row) return false;
  m_expandedItem = index;
  if (!row->Expand(true)) {
    m_expandedItem = -1;
    return false;
  }
  NeedUpdate();
  return true;
}

void CListUI::EnsureVisible(int index) {
  if (m_curSel < 0) return;
  CControlUI* control = m_list->GetItemAt(index);
  if (!control) return;
  RECT item = control->GetPos();
  RECT area = m_list->GetPos();
  RECT inset = m_list->GetInset();
  area.left += inset.left;
  area.top += inset.top;
  area.right -= inset.right;
  area.bottom -= inset.bottom;
  CScrollBarUI* bar = m_list->GetHorizontalScrollBar();
  if (bar && bar->IsVisible()) area.bottom -= bar->GetFixedHeight();
  if (item.top >= area.top && item.bottom < area.bottom) return;
  int dy = 0;
  if (item.top < area.top) dy = item.top - area.top;
  if (item.bottom > area.bottom) dy = item.bottom - area.bottom;
  Scroll(0, dy);
}

void CListUI::Scroll(int, int dy) {
  if (dy == 0) return;
  SIZE pos = m_list->GetScrollPos();
  m_list->SetScrollPos(SIZE{pos.cx, pos.cy + dy});
}

// ---- Events ----

void CListUI::WheelStart(WPARAM code) {
  int v = 0;
  if (m_totalSteps != 0) {
    double f = double(m_remainingSteps) / double(m_totalSteps);
    v = int(f * f * m_scrollSpeed);
  }
  if (code == 0)
    m_scrollSpeed = m_scrollSpeed < 0 ? v + 12 : v + 8;
  else if (code == 1)
    m_scrollSpeed = m_scrollSpeed > 0 ? v - 12 : v - 8;
  if (m_scrollSpeed > 100) m_scrollSpeed = 100;
  if (m_scrollSpeed < -100) m_scrollSpeed = -100;
  m_totalSteps = m_remainingSteps = 5u * UINT(std::sqrt(double(std::abs(m_scrollSpeed))));
  if (m_manager) m_manager->SetTimer(this, kScrollTimerId, 20);
}

void CListUI::WheelStep() {
  if (m_remainingSteps == 0) {
    WheelStop();
    return;
  }
  --m_remainingSteps;
  double f = double(m_remainingSteps) / double(m_totalSteps);
  int delta = int(f * f * m_scrollSpeed);
  SIZE pos = m_list->GetScrollPos();
  SIZE range = m_list->GetScrollRange();
  if ((delta > 0 && pos.cy != 0) || (delta < 0 && pos.cy != range.cy)) {
    m_list->SetScrollPos(SIZE{pos.cx, pos.cy - delta});
  } else {
    WheelStop();
  }
}

void CListUI::WheelStop() {
  m_scrollSpeed = 0;
  m_totalSteps = 0;
  m_remainingSteps = 0;
  if (m_manager) m_manager->KillTimer(this, kScrollTimerId);
}

// A wheel step scrolls (smoothly when delayed) or, with scroll-select, moves the selection.
bool CListUI::OnScrollWheel(const UIEventRecord& event) {
  if (m_delayScroll) {
    WheelStart(LOWORD(event.wParam));
    return true;
  }
  WPARAM code = LOWORD(event.wParam);
  if (code != 0 && code != 1) return false;
  if (!m_scrollSelect) {
    if (code == 0)
      LineUp();
    else
      LineDown();
    return true;
  }
  // Past the last selectable row the selection stays where it is.
  int target = CListNavigation::Target(*m_list, m_curSel, code == 0 ? VK_UP : VK_DOWN);
  if (target >= 0) SelectItem(target, true);
  return true;
}

bool CListUI::OnKeyDown(const UIEventRecord& event) {
  switch (event.key) {
    case VK_RETURN:
      if (m_curSel != -1) {
        if (CControlUI* row = m_list->GetItemAt(m_curSel)) row->Activate();
      }
      return true;
    case VK_PRIOR:
      PageUp();
      return true;
    case VK_NEXT:
      PageDown();
      return true;
    default:
      break;
  }
  int target = CListNavigation::Target(*m_list, m_curSel, event.key);
  if (target == CListNavigation::kNotNavigation) return false;
  // No selectable row that way: the selection stays.
  if (target == CListNavigation::kNone) {
    EnsureVisible(m_curSel);
    return true;
  }
  // An "itemselect" handler may destroy the window, and this list with it.
  if (CWindowManagerUI::Survives(m_manager, [&] { SelectItem(target, true); })) EnsureVisible(m_curSel);
  return true;
}

void CListUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
    if (m_parent)
      m_parent->DoEvent(event);
    else
      CVerticalLayoutUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case UIEVENT_SETFOCUS:
      m_focused = true;
      return;
    case UIEVENT_KILLFOCUS:
      m_focused = false;
      return;
    case UIEVENT_TIMER:
      if (m_delayScroll && event.wParam == kScrollTimerId) {
        WheelStep();
        return;
      }
      break;
    case UIEVENT_SCROLLWHEEL:
      if (OnScrollWheel(event)) return;
      break;
    case UIEVENT_KEYDOWN:
      if (OnKeyDown(event)) return;
      break;
    default:
      break;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name || !value) return;
  bool relayout = false;
  if (m_listInfo.SetItemAttribute(name, value, relayout)) {
    // Font, alignment and ellipsis take effect at the next paint; padding and markup change
    // the rows' sizes.
    static const wchar_t* const kQuiet[] = {L"itemfont", L"itemalign", L"itemendellipsis", L"itemtextpadding",
                                            L"itemshowhtml"};
    bool quiet = false;
    for (const wchar_t* q : kQuiet) quiet = quiet || wcscmp(name, q) == 0;
    if (relayout)
      NeedUpdate();
    else if (!quiet)
      Invalidate();
    return;
  }
  if (wcscmp(name, L"header") == 0) {
    if (m_header) m_header->SetVisible(wcscmp(value, L"hidden") != 0);
  } else if (wcscmp(name, L"headerbkimage") == 0) {
    if (m_header) m_header->SetBkImage(value);
  } else if (wcscmp(name, L"scrollselect") == 0) {
    m_scrollSelect = CUIValueParser::ReadBool(value);
  } else if (wcscmp(name, L"multiexpanding") == 0) {
    m_listInfo.multiExpandable = CUIValueParser::ReadBool(value);
  } else if (wcscmp(name, L"delayscroll") == 0) {
    m_delayScroll = CUIValueParser::ReadBool(value);
  } else {
    CVerticalLayoutUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
