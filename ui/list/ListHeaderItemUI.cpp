#include "ui/list/ListHeaderItemUI.h"

#include <climits>
#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/list/StateImagesUI.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CListHeaderItemUI::CListHeaderItemUI() { SetMinWidth(16); }

LPCWSTR CListHeaderItemUI::GetClass() const { return L"ListHeaderItemUI"; }

LPVOID CListHeaderItemUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListHeaderItem") == 0) return static_cast<CListHeaderItemUI*>(this);
  return CControlUI::GetInterface(name);
}

UINT CListHeaderItemUI::GetControlFlags() const {
  return (IsEnabled() && m_sepWidth != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void CListHeaderItemUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = 0;
}

void CListHeaderItemUI::SetTextPadding(RECT padding) {
  m_textPadding = padding;
  Invalidate();
}

void CListHeaderItemUI::SetDragable(bool dragable) {
  m_dragable = dragable;
  if (!m_dragable) m_buttonState &= ~UINT(kDragging);
}

RECT CListHeaderItemUI::GetThumbRect() const {
  if (m_sepWidth < 0) return RECT{m_rcItem.left, m_rcItem.top, m_rcItem.left - m_sepWidth, m_rcItem.bottom};
  return RECT{m_rcItem.right - m_sepWidth, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
}

RECT CListHeaderItemUI::GetHitRect() const {
  RECT rc = GetThumbRect();
  if (m_sepWidth < 0)
    rc.right += 4;
  else
    rc.left -= 4;
  return rc;
}

void CListHeaderItemUI::MarkListForLayout() {
  CControlUI* header = GetParent();
  CControlUI* list = header ? header->GetParent() : nullptr;
  if (list) list->NeedUpdate();
}

void CListHeaderItemUI::DoEvent(UIEventRecord& event) {
  bool mouse = event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
  if (!IsMouseEnabled() && mouse) {
    if (m_parent)
      m_parent->DoEvent(event);
    else
      CControlUI::DoEvent(event);
    return;
  }
  // Only an item with a separator has one to hit.
  RECT hit = GetHitRect();
  bool onStrip = m_sepWidth != 0 && PtInRect(&hit, event.mouse);
  switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      Invalidate();
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (!IsEnabled()) return;
      if (onStrip) {
        if (m_dragable) {
          m_buttonState |= kDragging;
          m_lastMouse = event.mouse;
          m_dragWidth = m_rcItem.right - m_rcItem.left;
        }
      } else {
        m_buttonState |= UISTATE_PUSHED;
        if (m_manager && !m_manager->SendNotify(this, L"headerclick")) return;
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_buttonState & kDragging) {
        m_buttonState &= ~UINT(kDragging);
        MarkListForLayout();
      } else if (m_buttonState & UISTATE_PUSHED) {
        m_buttonState &= ~UINT(UISTATE_PUSHED);
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_buttonState & kDragging) {
        // The separator edge moves with the pointer: the left edge for a strip on the left.
        long long dx = static_cast<long long>(event.mouse.x) - m_lastMouse.x;
        long long width = m_dragWidth + (m_sepWidth < 0 ? -dx : dx);
        if (width > GetMinWidth() && width <= INT_MAX) {
          m_dragWidth = static_cast<int>(width);
          m_fixedWidth = m_dragWidth;
          m_lastMouse = event.mouse;
          MarkListForLayout();
        }
      }
      return;
    case UIEVENT_SETCURSOR:
      if (IsEnabled() && m_dragable && onStrip) {
        ::SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return;
      }
      break;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_buttonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      if (IsEnabled()) {
        m_buttonState &= ~UINT(UISTATE_HOT);
        Invalidate();
      }
      return;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CListHeaderItemUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name || !value) return;
  static const CStateImagesUI::Slot<CListHeaderItemUI> kImages[] = {
      {L"normalimage", &CListHeaderItemUI::m_normalImage},   {L"hotimage", &CListHeaderItemUI::m_hotImage},
      {L"pushedimage", &CListHeaderItemUI::m_pushedImage},   {L"focusedimage", &CListHeaderItemUI::m_focusedImage},
      {L"sepimage", &CListHeaderItemUI::m_sepImage},
  };
  if (CStateImagesUI::Set(this, kImages, name, value)) return;
  if (wcscmp(name, L"dragable") == 0) {
    SetDragable(CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"sepwidth") == 0) {
    m_sepWidth = CUIValueParser::ReadExtent(value);
  } else if (wcscmp(name, L"align") == 0) {
    if (wcsstr(value, L"left")) m_textStyle = (m_textStyle & ~UINT(DT_CENTER | DT_RIGHT)) | DT_LEFT;
    if (wcsstr(value, L"center")) m_textStyle = (m_textStyle & ~UINT(DT_LEFT | DT_RIGHT)) | DT_CENTER;
    if (wcsstr(value, L"right")) m_textStyle = (m_textStyle & ~UINT(DT_LEFT | DT_CENTER)) | DT_RIGHT;
  } else if (wcscmp(name, L"endellipsis") == 0) {
    if (CUIValueParser::ReadBool(value))
      m_textStyle |= DT_END_ELLIPSIS;
    else
      m_textStyle &= ~UINT(DT_END_ELLIPSIS);
  } else if (wcscmp(name, L"font") == 0) {
    m_font = CUIValueParser::ReadInt(value);
  } else if (wcscmp(name, L"textcolor") == 0) {
    m_textColor = CUIValueParser::ReadColor(value);
  } else if (wcscmp(name, L"textpadding") == 0) {
    SetTextPadding(CUIValueParser::ReadRect(value));
  } else if (wcscmp(name, L"showhtml") == 0) {
    bool on = CUIValueParser::ReadBool(value);
    if (on != m_showHtml) {
      m_showHtml = on;
      Invalidate();
    }
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

SIZE CListHeaderItemUI::EstimateSize(SIZE) {
  if (m_fixedHeight != 0) return SIZE{m_fixedWidth, m_fixedHeight};
  UIFontInfo* font = m_manager ? m_manager->GetDefaultFontInfo() : nullptr;
  return SIZE{m_fixedWidth, (font ? font->tm.tmHeight : 0) + 14};
}

void CListHeaderItemUI::PaintStatusImage(HDC hdc) {
  if (IsFocused())
    m_buttonState |= UISTATE_FOCUSED;
  else
    m_buttonState &= ~UINT(UISTATE_FOCUSED);
  CUIString* state = nullptr;
  if (m_buttonState & UISTATE_PUSHED)
    state = &m_pushedImage;
  else if (m_buttonState & UISTATE_HOT)
    state = &m_hotImage;
  else if (m_buttonState & UISTATE_FOCUSED)
    state = &m_focusedImage;
  if (state) {
    if (state->IsEmpty() && !m_normalImage.IsEmpty()) CStateImagesUI::Draw(this, hdc, m_normalImage);
    CStateImagesUI::Draw(this, hdc, *state);
  } else {
    CStateImagesUI::Draw(this, hdc, m_normalImage);
  }
  if (!m_sepImage.IsEmpty()) {
    RECT thumb = GetThumbRect();
    m_sepImageModify.Format(L"dest='%d,%d,%d,%d'", int(thumb.left - m_rcItem.left), int(thumb.top - m_rcItem.top),
                            int(thumb.right - m_rcItem.left), int(thumb.bottom - m_rcItem.top));
    CStateImagesUI::Draw(this, hdc, m_sepImage, m_sepImageModify);
  }
}

void CListHeaderItemUI::PaintText(HDC hdc) {
  if (m_textColor == 0 && m_manager) m_textColor = m_manager->GetDefaultFontColor();
  if (m_text.IsEmpty()) return;
  RECT rc = m_rcItem;
  rc.left += m_textPadding.left;
  rc.top += m_textPadding.top;
  rc.right -= m_textPadding.right;
  rc.bottom -= m_textPadding.bottom;
  if (m_showHtml) {
    int links = 0;
    CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, m_text, m_textColor, nullptr, nullptr, links,
                                m_textStyle | DT_SINGLELINE);
  } else {
    CSkinRenderer::DrawText(hdc, m_manager, rc, m_text, m_textColor, m_font, m_textStyle | DT_SINGLELINE);
  }
}

}  // namespace SkinUI
