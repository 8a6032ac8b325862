#include "ui/control/TextUI.h"

#include <algorithm>
#include <cwchar>

#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CTextUI::CTextUI() {
  m_textStyle = DT_WORDBREAK;
  m_rcTextPadding = RECT{2, 0, 2, 0};
}

CTextUI::~CTextUI() = default;

LPCWSTR CTextUI::GetClass() const { return L"TextUI"; }

LPVOID CTextUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Text") == 0) return static_cast<CTextUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const { return IsEnabled() && m_linkCount > 0 ? UINT(UIFLAG_SETCURSOR) : 0u; }

RECT CTextUI::GetLinkRect(int index) const {
  if (index < 0 || index >= m_linkCount) return RECT{0, 0, 0, 0};
  return m_links[index];
}

const CUIString* CTextUI::GetLinkContent(int index) const {
  if (index < 0 || index >= m_linkCount) return nullptr;
  return &m_linkTexts[index];
}

void CTextUI::DoEvent(UIEventRecord& event) {
  if (PassPointerEvent(event)) return;
  auto linkAt = [this](POINT pt) {
    for (int i = 0; i < m_linkCount; ++i) {
      if (PtInRect(&m_links[i], pt)) return i;
    }
    return -1;
  };
  bool links = m_linkCount > 0;
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (links && linkAt(event.mouse) >= 0) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled() && links && linkAt(event.mouse) >= 0) {
        Invalidate();
        return;
      }
      break;
    case UIEVENT_BUTTONUP:
      if (IsEnabled() && links) {
        int at = linkAt(event.mouse);
        if (at >= 0) {
          if (m_manager) m_manager->SendNotify(this, L"link", WPARAM(at));
          return;
        }
      }
      break;
    case UIEVENT_CONTEXTMENU:
      return;
    case UIEVENT_MOUSEMOVE:
      if (IsEnabled() && links) {
        int at = linkAt(event.mouse);
        if (at != m_hoverLink) {
          m_hoverLink = at;
          Invalidate();
          return;
        }
      }
      break;
    case UIEVENT_MOUSELEAVE:
      if (IsEnabled() && links && m_hoverLink != -1) {
        m_hoverLink = -1;
        Invalidate();
        return;
      }
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE available) {
  RECT rc = {m_rcTextPadding.left, 0, std::max<LONG>(available.cx, m_fixedWidth) - m_rcTextPadding.right, 9999};
  if (m_manager) {
    if (m_showHtml) {
      int links = 0;
      CSkinRenderer::DrawHtmlText(m_manager->GetPaintDC(), m_manager, rc, m_text, m_textColor, nullptr, nullptr, links,
                                  DT_CALCRECT | m_textStyle);
    } else {
      CSkinRenderer::DrawText(m_manager->GetPaintDC(), m_manager, rc, m_text, m_textColor, m_font,
                              DT_CALCRECT | m_textStyle);
    }
  }
  SIZE size = {rc.right - rc.left + m_rcTextPadding.left + m_rcTextPadding.right,
               rc.bottom - rc.top + m_rcTextPadding.top + m_rcTextPadding.bottom};
  if (m_fixedHeight != 0) size.cy = m_fixedHeight;
  return size;
}

void CTextUI::PaintText(HDC hdc) {
  if (m_text.IsEmpty()) {
    m_linkCount = 0;
    return;
  }
  TakeDefaultColors();
  RECT rc = GetTextRect();
  m_linkCount = kMaxLinks;
  DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
  if (m_showHtml) {
    CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, m_text, color, m_links, m_linkTexts, m_linkCount, m_textStyle);
  } else {
    m_linkCount = 0;  // plain text has no links
    CSkinRenderer::DrawText(hdc, m_manager, rc, m_text, color, m_font, m_textStyle);
  }
}

}  // namespace SkinUI
