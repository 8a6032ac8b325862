#include "ui/control/ProgressUI.h"

#include <climits>
#include <cwchar>

#include "ui/core/UIValueParser.h"

namespace SkinUI {

CProgressUI::CProgressUI() {
  m_textStyle = DT_SINGLELINE | DT_CENTER;
  m_fixedHeight = 12;
}

LPCWSTR CProgressUI::GetClass() const { return L"ProgressUI"; }

LPVOID CProgressUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Progress") == 0) return static_cast<CProgressUI*>(this);
  return CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
  if (m_horizontal == horizontal) return;
  m_horizontal = horizontal;
  Invalidate();
}

void CProgressUI::SetStretchForeImage(bool stretch) {
  if (m_stretchForeImage == stretch) return;
  m_stretchForeImage = stretch;
  Invalidate();
}

void CProgressUI::SetMinValue(int value) {
  m_min = value;
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  m_max = value;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value == m_value || value < m_min || value > m_max) return;
  m_value = value;
  Invalidate();
}

void CProgressUI::SetForeImage(LPCWSTR image) {
  if (m_progressForeImage == (image ? image : L"")) return;
  m_progressForeImage = image;
  Invalidate();
}

void CProgressUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  bool on = wcscmp(value, L"true") == 0;
  if (is(L"foreimage")) {
    SetForeImage(value);
  } else if (is(L"hor")) {
    SetHorizontal(on);
  } else if (is(L"min")) {
    SetMinValue(CUIValueParser::ReadInt(value));
  } else if (is(L"max")) {
    SetMaxValue(CUIValueParser::ReadInt(value));
  } else if (is(L"value")) {
    SetValue(CUIValueParser::ReadInt(value));
  } else if (is(L"isstretchfore")) {
    SetStretchForeImage(on);
  } else if (is(L"roundcorner")) {
    if (m_roundCorner != on) {
      m_roundCorner = on;
      Invalidate();
    }
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

RECT CProgressUI::GetFilledRect() const {
  long long width = m_rcItem.right - m_rcItem.left;
  long long height = m_rcItem.bottom - m_rcItem.top;
  // 64-bit: value times size overflows 32 bits for large ranges.
  long long range = (long long)m_max - m_min;
  if (range <= 0) range = 1;
  RECT rc = {0, 0, 0, 0};
  if (m_horizontal) {
    rc.right = LONG(((long long)m_value - m_min) * width / range);
    rc.bottom = LONG(height);
  } else {
    rc.top = LONG(((long long)m_max - m_value) * height / range);
    rc.right = LONG(width);
    rc.bottom = LONG(height);
  }
  return rc;
}

void CProgressUI::PaintStatusImage(HDC hdc) {
  if (m_max <= m_min) {
    if (m_min == INT_MAX) m_min = INT_MAX - 1;  // room for a range of one
    m_max = m_min + 1;
  }
  if (m_value > m_max) m_value = m_max;
  if (m_value < m_min) m_value = m_min;
  RECT rc = GetFilledRect();
  if (m_progressForeImage.IsEmpty()) return;
  int width = m_rcItem.right - m_rcItem.left;
  // Format, not the short buffer: a long modifier of a wide bar must not be cut.
  if (m_roundCorner) {
    RECT source = m_horizontal ? RECT{width - rc.right, rc.top, width, rc.bottom}
                               : RECT{0, 0, rc.right, rc.bottom - rc.top};
    m_imageModify.Format(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d' roundcorner='3,3,3,3'", rc.left, rc.top,
                         rc.right, rc.bottom, source.left, source.top, source.right, source.bottom);
  } else if (m_stretchForeImage) {
    m_imageModify.Format(L"dest='%d,%d,%d,%d'", rc.left, rc.top, rc.right, rc.bottom);
  } else {
    m_imageModify.Format(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", rc.left, rc.top, rc.right, rc.bottom, rc.left,
                         rc.top, rc.right, rc.bottom);
  }
  if (!DrawImage(hdc, m_progressForeImage, m_imageModify)) m_progressForeImage.Empty();
}

}  // namespace SkinUI
