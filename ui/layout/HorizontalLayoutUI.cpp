#include "ui/layout/HorizontalLayoutUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/layout/LinearLayout.h"

namespace SkinUI {

CHorizontalLayoutUI::CHorizontalLayoutUI() = default;

LPCWSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const { return m_separator.GetControlFlags(*this); }

void CHorizontalLayoutUI::SetPos(RECT rcPos) {
  CControlUI::SetPos(rcPos);
  CLinearLayout::Place(*this, false);
}

RECT CHorizontalLayoutUI::GetThumbRect(bool useNew) const { return m_separator.GetThumbRect(m_rcItem, useNew); }

void CHorizontalLayoutUI::DoEvent(UIEventRecord& event) {
  if (m_separator.DoEvent(*this, event, m_rcItem, m_fixedWidth)) return;
  CContainerUI::DoEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"sepwidth") == 0) {
    SetSepWidth(CUIValueParser::ReadExtent(value));
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
