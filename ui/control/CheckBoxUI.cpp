#include "ui/control/CheckBoxUI.h"

#include <cwchar>

namespace SkinUI {

CCheckBoxUI::CCheckBoxUI() = default;
CCheckBoxUI::~CCheckBoxUI() = default;

LPCWSTR CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

void CCheckBoxUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"selecteddisableimage") == 0) {
    m_selectedDisabledImage = value;
  } else if (name && wcscmp(name, L"unselecteddisableimage") == 0) {
    m_unselectedDisabledImage = value;
  } else {
    COptionUI::SetAttribute(name, value);
  }
}

void CCheckBoxUI::PaintStatusImage(HDC hdc) {
  m_buttonState &= ~UINT(UISTATE_PUSHED);
  if (IsEnabled()) {
    COptionUI::PaintStatusImage(hdc);
    return;
  }
  DrawStateImage(hdc, IsSelected() ? m_selectedDisabledImage : m_unselectedDisabledImage);
}

}  // namespace SkinUI
