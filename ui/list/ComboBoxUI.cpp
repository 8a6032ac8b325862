#include "ui/list/ComboBoxUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"

namespace SkinUI {

CComboBoxUI::CComboBoxUI() = default;

CComboBoxUI::~CComboBoxUI() = default;

LPCWSTR CComboBoxUI::GetClass() const { return L"ComboBoxUI"; }

void CComboBoxUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && value && wcscmp(name, L"arrowimage") == 0)
    m_arrowImage = value;
  else
    CComboUI::SetAttribute(name, value);
}

CUIString CComboBoxUI::ArrowModify(const CUIString& image, int frame, SIZE combo, int border, int* frameWidth) {
  int key = image.Find(L"source");
  if (key < 0) return CUIString();
  // The quotes are searched for inside the text only.
  int from = key + 7;
  if (from > image.GetLength()) return CUIString();
  int open = image.Find(L'\'', from);
  if (open < 0) return CUIString();
  int close = image.Find(L'\'', open + 1);
  if (close < 0) return CUIString();
  CUIString numbers = image.Mid(open + 1, close - open - 1);
  RECT src = CUIValueParser::ReadRect(numbers);
  int width = (src.right - src.left) / 5;
  if (frameWidth) *frameWidth = width;
  int left = src.left + frame * width;
  RECT dest = {border, border, combo.cx - border, combo.cy - border};
  dest.left = dest.right - width;
  CUIString piece;
  piece.Format(L"source='%d,%d,%d,%d' dest='%d,%d,%d,%d'", left, int(src.top), left + width, int(src.bottom),
               int(dest.left), int(dest.top), int(dest.right), int(dest.bottom));
  return image.Left(key) + piece + image.Mid(close + 1);
}

void CComboBoxUI::PaintStatusImage(HDC hdc) {
  if (m_arrowImage.IsEmpty()) {
    CComboUI::PaintStatusImage(hdc);
    return;
  }
  UpdateStateBits();
  int frame = 0;
  if (m_buttonState & UISTATE_DISABLED)
    frame = 4;
  else if (m_buttonState & UISTATE_PUSHED)
    frame = 2;
  else if (m_buttonState & UISTATE_HOT)
    frame = 1;
  else if (m_buttonState & UISTATE_FOCUSED)
    frame = 3;
  SIZE size = {m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top};
  CUIString modified = ArrowModify(m_arrowImage, frame, size, m_borderSize, &m_arrowWidth);
  // Without a quoted source there is no strip to cut: nothing is drawn.
  if (modified.IsEmpty()) return;
  if (!DrawImage(hdc, modified)) m_arrowImage.Empty();
}

void CComboBoxUI::PaintText(HDC hdc) {
  RECT rc = TextRect();
  rc.right -= m_arrowWidth;
  // No default text in a combo box.
  PaintSelection(hdc, rc);
}

}  // namespace SkinUI
