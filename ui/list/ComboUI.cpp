#include "ui/list/ComboUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/list/StateImagesUI.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ComboWnd.h"
#include "ui/list/IListItemUI.h"
#include "ui/list/ListNavigation.h"
#include "ui/list/ListRowUI.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

IListItemUI* AsItem(CControlUI* control) {
  return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

}  // namespace

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() {
  // An open drop-down shows our rows and calls back into us as it ends: end it first.
  if (m_window) {
    HWND hwnd = m_window->GetHWND();
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    m_window = nullptr;
  }
}

LPCWSTR CComboUI::GetClass() const { return L"ComboUI"; }

LPVOID CComboUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Combo") == 0) return static_cast<CComboUI*>(this);
  if (name && wcscmp(name, L"IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CComboUI::GetControlFlags() const { return UIFLAG_TABSTOP; }

void CComboUI::OnDropDownEnded(CComboWnd* window) {
  if (m_window != window) return;
  m_window = nullptr;
  m_buttonState &= ~UINT(UISTATE_PUSHED);
  Invalidate();
}

bool CComboUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_window) return true;
  // Keys go nowhere until the drop-down takes the focus.
  ::SetFocus(nullptr);
  m_window = new CComboWnd;
  m_window->Init(this);
  if (m_window && !m_window->GetHWND()) {
    // No window: nothing will delete the object for us.
    delete m_window;
    m_window = nullptr;
    return false;
  }
  if (m_manager && !m_manager->SendNotify(this, L"dropdown")) return true;
  Invalidate();
  return true;
}

CUIString CComboUI::GetText() const {
  CControlUI* row = GetItemAt(m_curSel);
  return row ? row->GetText() : CUIString();
}

void CComboUI::SetPos(RECT rc) {
  // The rows live in the drop-down: closed, they take no room.
  for (int i = 0; i < m_items.GetSize(); ++i) ItemAt(i)->SetPos(RECT{0, 0, 0, 0});
  CControlUI::SetPos(rc);
}

void CComboUI::SetEnabled(bool enabled) {
  CContainerUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = 0;
}

SIZE CComboUI::EstimateSize(SIZE) {
  if (m_fixedHeight != 0) return SIZE{m_fixedWidth, m_fixedHeight};
  UIFontInfo* font = m_manager ? m_manager->GetDefaultFontInfo() : nullptr;
  return SIZE{m_fixedWidth, (font ? font->tm.tmHeight : 0) + 12};
}

// ---- Selection and rows ----

bool CComboUI::SelectItem(int index, bool takeFocus) {
  bool wasOpen = m_window != nullptr;
  if (m_window) m_window->Close(1);
  if (index == m_curSel) return true;
  int old = m_curSel;
  bool lost = m_curSel >= 0 && !GetItemAt(m_curSel);
  if (index >= m_items.GetSize()) index = m_items.GetSize() - 1;
  // Every other row loses its flag: the one selected before, and any that "selected" flagged
  // before it joined this combo.
  for (int i = 0; i < m_items.GetSize(); ++i) {
    IListItemUI* row = AsItem(GetItemAt(i));
    if (row && i != index && row->IsSelected()) row->Select(false);
  }
  m_curSel = -1;
  if (lost || index < 0) return false;
  CControlUI* control = GetItemAt(index);
  IListItemUI* row = AsItem(control);
  if (!control || !control->IsVisible() || !control->IsEnabled() || !row) {
    // Nothing is selected then, and no row shows it.
    if (row) row->Select(false);
    return false;
  }
  m_curSel = index;
  // Focus and selection handlers may destroy the window, and this combo with it.
  if ((wasOpen || takeFocus) && !CWindowManagerUI::Survives(m_manager, [control] { control->SetFocus(); }))
    return true;
  if (!CWindowManagerUI::Survives(m_manager, [row] { row->Select(true); })) return true;
  if (m_manager && !m_manager->SendNotify(this, L"itemselect", WPARAM(m_curSel), LPARAM(old))) return true;
  Invalidate();
  return true;
}

void CComboUI::Renumber(int from, int to) {
  for (int i = from; i <= to; ++i) {
    if (IListItemUI* row = AsItem(GetItemAt(i))) row->SetIndex(i);
  }
}

bool CComboUI::SetItemIndex(CControlUI* control, int index) {
  int old = GetItemIndex(control);
  if (old == -1) return false;
  if (old == index) return true;
  IListItemUI* selected = m_curSel >= 0 ? AsItem(GetItemAt(m_curSel)) : nullptr;
  if (!CContainerUI::SetItemIndex(control, index)) return false;
  Renumber(old < index ? old : index, old < index ? index : old);
  if (selected) m_curSel = selected->GetIndex();
  return true;
}

bool CComboUI::Add(CControlUI* control) {
  if (IListItemUI* row = AsItem(control)) {
    row->SetOwner(this);
    row->SetIndex(m_items.GetSize());
  }
  return CContainerUI::AddAt(control, m_items.GetSize());
}

bool CComboUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (IListItemUI* row = AsItem(control)) {
    row->SetOwner(this);
    row->SetIndex(index);
  }
  Renumber(index + 1, m_items.GetSize() - 1);
  if (m_curSel >= index) m_curSel += 1;
  return true;
}

bool CComboUI::Remove(CControlUI* control) { return RemoveAt(GetItemIndex(control)); }

bool CComboUI::RemoveAt(int index) {
  CControlUI* control = GetItemAt(index);
  if (!control) return false;
  // An open drop-down shows the row too: it lets go of it before the row goes.
  if (m_window) m_window->ReleaseRow(control);
  CListRowUI::Detach(control);
  if (!CContainerUI::Remove(control)) return false;
  Renumber(index, m_items.GetSize() - 1);
  if (index == m_curSel) {
    m_curSel = -1;
    SelectItem(FindSelectable(index, false), false);
  } else if (index < m_curSel) {
    m_curSel -= 1;
  }
  return true;
}

void CComboUI::RemoveAll() {
  if (m_window) m_window->ReleaseRow(nullptr);
  m_curSel = -1;
  for (int i = 0; i < m_items.GetSize(); ++i) CListRowUI::Detach(GetItemAt(i));
  CContainerUI::RemoveAll();
}

// ---- Events ----

void CComboUI::DoEvent(UIEventRecord& event) {
  bool mouse = event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
  if (!IsMouseEnabled() && mouse) {
    if (m_parent)
      m_parent->DoEvent(event);
    else
      CContainerUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      Invalidate();
      break;
    case UIEVENT_BUTTONDOWN:
      if (IsEnabled()) {
        Activate();
        m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_buttonState & UISTATE_CAPTURED) {
        m_buttonState &= ~UINT(UISTATE_CAPTURED);
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_SCROLLWHEEL:
    case UIEVENT_CONTEXTMENU:
      return;
    case UIEVENT_KEYDOWN:
      switch (event.key) {
        case VK_UP:
        case VK_PRIOR:
        case VK_DOWN:
        case VK_NEXT:
        case VK_HOME:
        case VK_END: {
          // Page keys step a row, as the arrows do; with no selectable row that way the
          // selection stays.
          UINT key = event.key == VK_PRIOR ? VK_UP : event.key == VK_NEXT ? VK_DOWN : event.key;
          int target = CListNavigation::Target(*this, m_curSel, key);
          if (target >= 0) SelectItem(target);
          return;
        }
        case VK_F4:
          Activate();
          return;
        default:
          break;
      }
      break;
    case UIEVENT_MOUSEENTER:
      if (PtInRect(&m_rcItem, event.mouse) && !(m_buttonState & UISTATE_HOT)) {
        m_buttonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      if (m_buttonState & UISTATE_HOT) {
        m_buttonState &= ~UINT(UISTATE_HOT);
        Invalidate();
      }
      return;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CComboUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name || !value) return;
  bool relayout = false;
  if (m_listInfo.SetItemAttribute(name, value, relayout)) {
    if (relayout || wcscmp(name, L"itemtextcolor") == 0) Invalidate();
    return;
  }
  static const CStateImagesUI::Slot<CComboUI> kImages[] = {
      {L"normalimage", &CComboUI::m_normalImage},   {L"hotimage", &CComboUI::m_hotImage},
      {L"pushedimage", &CComboUI::m_pushedImage},   {L"focusedimage", &CComboUI::m_focusedImage},
      {L"disabledimage", &CComboUI::m_disabledImage},
  };
  if (CStateImagesUI::Set(this, kImages, name, value)) return;
  if (wcscmp(name, L"textpadding") == 0) {
    m_textPadding = CUIValueParser::ReadRect(value);
    Invalidate();
  } else if (wcscmp(name, L"defaulttext") == 0) {
    m_defaultText = value;
    Invalidate();
  } else if (wcscmp(name, L"dropbox") == 0) {
    m_dropBoxAttributes = value;
  } else if (wcscmp(name, L"dropboxsize") == 0) {
    m_dropBoxSize = CUIValueParser::ReadSize(value);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

// ---- Painting ----

void CComboUI::DoPaint(HDC hdc, const RECT& rcPaint) { CControlUI::DoPaint(hdc, rcPaint); }

void CComboUI::UpdateStateBits() {
  if (IsFocused())
    m_buttonState |= UISTATE_FOCUSED;
  else
    m_buttonState &= ~UINT(UISTATE_FOCUSED);
  if (!IsEnabled())
    m_buttonState |= UISTATE_DISABLED;
  else
    m_buttonState &= ~UINT(UISTATE_DISABLED);
}

void CComboUI::PaintStatusImage(HDC hdc) {
  UpdateStateBits();
  CUIString* state = nullptr;
  if (m_buttonState & UISTATE_DISABLED)
    state = &m_disabledImage;
  else if (m_buttonState & UISTATE_PUSHED)
    state = &m_pushedImage;
  else if (m_buttonState & UISTATE_HOT)
    state = &m_hotImage;
  else if (m_buttonState & UISTATE_FOCUSED)
    state = &m_focusedImage;
  if (state && CStateImagesUI::Draw(this, hdc, *state)) return;
  CStateImagesUI::Draw(this, hdc, m_normalImage);
}

RECT CComboUI::TextRect() const {
  RECT rc = m_rcItem;
  rc.left += m_textPadding.left;
  rc.top += m_textPadding.top;
  rc.right -= m_textPadding.right;
  rc.bottom -= m_textPadding.bottom;
  return rc;
}

bool CComboUI::PaintSelection(HDC hdc, const RECT& rc) {
  CControlUI* control = GetItemAt(m_curSel);
  if (!control) return false;
  if (IListItemUI* row = AsItem(control)) {
    row->DrawItemText(hdc, rc);
  } else {
    RECT old = control->GetPos();
    control->SetPos(rc);
    control->DoPaint(hdc, rc);
    control->SetPos(old);
  }
  return true;
}

void CComboUI::PaintText(HDC hdc) {
  RECT rc = TextRect();
  if (PaintSelection(hdc, rc)) return;
  if (m_defaultText.IsEmpty()) return;
  DWORD color = m_listInfo.textColor;
  if (m_buttonState & UISTATE_HOT) color = m_listInfo.hotTextColor;
  if (m_buttonState & UISTATE_PUSHED) color = m_listInfo.selectedTextColor;
  if (!IsEnabled()) color = m_listInfo.disabledTextColor;
  UINT style = m_listInfo.textStyle | DT_SINGLELINE;
  if (m_listInfo.showHtml) {
    int links = 0;
    CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, m_defaultText, color, nullptr, nullptr, links, style);
  } else {
    CSkinRenderer::DrawText(hdc, m_manager, rc, m_defaultText, color, m_listInfo.font, style);
  }
}

}  // namespace SkinUI
