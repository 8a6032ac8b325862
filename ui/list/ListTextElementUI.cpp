#include "ui/list/ListTextElementUI.h"

#include <cwchar>

#include "ui/list/IListTextCallbackUI.h"
#include "ui/list/IListUI.h"
#include "ui/list/ListRowUI.h"
#include "ui/list/UIListInfo.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CListTextElementUI::CListTextElementUI() = default;

CListTextElementUI::~CListTextElementUI() {
  for (int i = 0; i < m_texts.GetSize(); ++i) delete static_cast<CUIString*>(m_texts[i]);
}

LPCWSTR CListTextElementUI::GetClass() const { return L"ListTextElementUI"; }

LPVOID CListTextElementUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ListTextElement") == 0) return static_cast<CListTextElementUI*>(this);
  return CListLabelElementUI::GetInterface(name);
}

UINT CListTextElementUI::GetControlFlags() const { return (IsEnabled() && m_linkCount > 0) ? 6u : 4u; }

void CListTextElementUI::SetOwner(CControlUI* owner) {
  CListElementUI::SetOwner(owner);
  m_list = owner ? static_cast<IListUI*>(owner->GetInterface(L"IList")) : nullptr;
}

LPCWSTR CListTextElementUI::GetText(int column) const {
  CUIString* text = static_cast<CUIString*>(m_texts.GetAt(column));
  return text ? text->GetData() : L"";
}

void CListTextElementUI::SetText(int column, LPCWSTR text) {
  if (column < 0 || column >= UIListInfo::kMaxColumns) return;
  while (m_texts.GetSize() <= column) m_texts.Add(new CUIString);
  *static_cast<CUIString*>(m_texts[column]) = text ? text : L"";
  Invalidate();
}

RECT CListTextElementUI::GetLinkRect(int index) const {
  if (index < 0 || index >= m_linkCount) return RECT{0, 0, 0, 0};
  return m_links[index];
}

int CListTextElementUI::LinkAt(POINT pt) const {
  for (int i = 0; i < m_linkCount; ++i) {
    if (PtInRect(&m_links[i], pt)) return i;
  }
  return -1;
}

void CListTextElementUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && CListRowUI::IsMouseEvent(event)) {
    if (m_list)
      m_list->DoEvent(event);
    else
      CListLabelElementUI::DoEvent(event);
    return;
  }
  if (m_linkCount > 0) {
    switch (event.type) {
      case UIEVENT_SETCURSOR:
        if (LinkAt(event.mouse) >= 0) {
          ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return;
        }
        break;
      case UIEVENT_BUTTONUP:
        if (IsEnabled()) {
          int link = LinkAt(event.mouse);
          if (link >= 0) {
            if (m_manager) m_manager->SendNotify(this, L"link", WPARAM(link));
            return;
          }
        }
        break;
      case UIEVENT_MOUSEMOVE: {
        int link = LinkAt(event.mouse);
        if (link != m_hoverLink) {
          Invalidate();
          m_hoverLink = link;
        }
        break;
      }
      case UIEVENT_MOUSELEAVE:
        if (m_hoverLink >= 0) {
          Invalidate();
          m_hoverLink = -1;
        }
        break;
      default:
        break;
    }
  }
  CListLabelElementUI::DoEvent(event);
}

SIZE CListTextElementUI::EstimateSize(SIZE) {
  SIZE sz = {m_fixedWidth, m_fixedHeight};
  // Without an owner there is no record to measure with: the row is as high as it is fixed.
  if (sz.cy == 0 && m_manager && m_owner) {
    UIListInfo* info = m_owner->GetListInfo();
    UIFontInfo* font = m_manager->GetFontInfo(info->font);
    sz.cy = (font ? font->tm.tmHeight : 0) + info->textPadding.top + info->textPadding.bottom + 8;
  }
  return sz;
}

void CListTextElementUI::DrawItemText(HDC hdc, const RECT& rcItem) {
  if (!m_list) return;
  UIListInfo* info = m_list->GetListInfo();
  DWORD color = CListRowUI::TextColor(m_list, (m_buttonState & UISTATE_HOT) != 0, m_selected, IsEnabled());
  IListTextCallbackUI* callback = m_list->GetTextCallback();
  m_linkCount = 0;
  int free = kMaxLinks;
  UINT style = info->textStyle | DT_SINGLELINE;
  for (int i = 0; i < info->columns && i < UIListInfo::kMaxColumns; ++i) {
    RECT rc = {info->column[i].left + info->textPadding.left, rcItem.top + info->textPadding.top,
               info->column[i].right - info->textPadding.right, rcItem.bottom - info->textPadding.bottom};
    LPCWSTR text = callback ? callback->GetItemText(this, m_index, i) : GetText(i);
    if (!text) text = L"";
    if (info->showHtml) {
      int used = free;
      CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, text, color, &m_links[m_linkCount], &m_linkTexts[m_linkCount],
                                  used, style);
      if (used < 0) used = 0;
      if (used > free) used = free;
      m_linkCount += used;
      free = kMaxLinks - m_linkCount;
    } else {
      CSkinRenderer::DrawText(hdc, m_manager, rc, text, color, info->font, style);
    }
  }
  for (int i = m_linkCount; i < kMaxLinks; ++i) {
    m_links[i] = RECT{0, 0, 0, 0};
    m_linkTexts[i].Empty();
  }
}

}  // namespace SkinUI
