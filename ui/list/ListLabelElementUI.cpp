#include "ui/list/ListLabelElementUI.h"

#include <cwchar>

#include "ui/list/IListOwnerUI.h"
#include "ui/list/ListRowUI.h"
#include "ui/list/UIListInfo.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CListLabelElementUI::CListLabelElementUI() = default;

LPCWSTR CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

LPVOID CListLabelElementUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListLabelElement") == 0) return static_cast<CListLabelElementUI*>(this);
  return CListElementUI::GetInterface(name);
}

void CListLabelElementUI::DoEvent(UIEventRecord& event) {
  if (ForwardUnmoused(event)) return;
  switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
      if (!IsEnabled()) break;
      if (!NotifyRow(L"itemclick") || !SelectByClick()) return;
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
      return;
    case UIEVENT_MOUSEENTER:
      if (!IsEnabled()) break;
      m_buttonState |= UISTATE_HOT;
      Invalidate();
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
  CListElementUI::DoEvent(event);
}

SIZE CListLabelElementUI::EstimateSize(SIZE) {
  if (!m_owner) return SIZE{0, 0};
  UIListInfo* info = m_owner->GetListInfo();
  SIZE sz = {m_fixedWidth, m_fixedHeight};
  if (!m_manager) return sz;
  if (sz.cy == 0) {
    UIFontInfo* font = m_manager->GetFontInfo(info->font);
    sz.cy = (font ? font->tm.tmHeight : 0) + 8 + info->textPadding.top + info->textPadding.bottom;
  }
  if (sz.cx == 0) {
    RECT rc = {0, 0, 9999, sz.cy};
    UINT style = (info->textStyle & ~UINT(DT_LEFT | DT_CENTER | DT_RIGHT)) | DT_CALCRECT | DT_SINGLELINE;
    HDC hdc = m_manager->GetPaintDC();
    if (info->showHtml) {
      int links = 0;
      CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, m_text, 0, nullptr, nullptr, links, style);
    } else {
      CSkinRenderer::DrawText(hdc, m_manager, rc, m_text, 0, info->font, style);
    }
    sz.cx = rc.right - rc.left + info->textPadding.left + info->textPadding.right;
  }
  return sz;
}

void CListLabelElementUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  if (!IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  if (m_owner) DrawItemBk(hdc, m_rcItem);
  DrawItemText(hdc, m_rcItem);
}

void CListLabelElementUI::DrawItemText(HDC hdc, const RECT& rcItem) {
  if (m_text.IsEmpty() || !m_owner) return;
  UIListInfo* info = m_owner->GetListInfo();
  DWORD color = CListRowUI::TextColor(m_owner, (m_buttonState & UISTATE_HOT) != 0, m_selected, IsEnabled());
  RECT rc = rcItem;
  rc.left += info->textPadding.left;
  rc.right -= info->textPadding.right;
  rc.top += info->textPadding.top;
  rc.bottom -= info->textPadding.bottom;
  UINT style = info->textStyle | DT_SINGLELINE;
  if (info->showHtml) {
    int links = 0;
    CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, m_text, color, nullptr, nullptr, links, style);
  } else {
    CSkinRenderer::DrawText(hdc, m_manager, rc, m_text, color, info->font, style);
  }
}

}  // namespace SkinUI
