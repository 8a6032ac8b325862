#include "ui/layout/VerticalLayoutUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/layout/LinearLayout.h"

namespace SkinUI {

CVerticalLayoutUI::CVerticalLayoutUI() = default;

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const { return m_separator.GetControlFlags(*this); }

void CVerticalLayoutUI::SetPos(RECT rcPos) {
  CControlUI::SetPos(rcPos);
  CLinearLayout::Place(*this, true);
}

RECT CVerticalLayoutUI::GetThumbRect(bool useNew) const { return m_separator.GetThumbRect(m_rcItem, useNew); }

void CVerticalLayoutUI::DoEvent(UIEventRecord& event) {
  if (m_separator.DoEvent(*this, event, m_rcItem, m_fixedHeight)) return;
  CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"sepheight") == 0) {
    SetSepHeight(CUIValueParser::ReadExtent(value));
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
