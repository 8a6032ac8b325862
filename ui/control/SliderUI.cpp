#include "ui/control/SliderUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CSliderUI::CSliderUI() { m_textStyle = DT_SINGLELINE | DT_CENTER; }

CSliderUI::~CSliderUI() = default;

LPCWSTR CSliderUI::GetClass() const { return L"SliderUI"; }

LPVOID CSliderUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Slider") == 0) return static_cast<CSliderUI*>(this);
  return CProgressUI::GetInterface(name);
}

UINT CSliderUI::GetControlFlags() const { return IsEnabled() ? UINT(UIFLAG_SETCURSOR) : 0u; }

void CSliderUI::SetEnabled(bool enabled) {
  CProgressUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = 0;
}

// An empty range or a track no longer than the thumb puts the thumb at the start and every
// point at the minimum: nothing is divided by zero.
RECT CSliderUI::GetThumbRect() const {
  const RECT& rc = m_rcItem;
  long long range = (long long)m_max - m_min;
  long long at = (long long)m_value - m_min;
  RECT thumb = {};
  if (m_horizontal) {
    long long track = (long long)rc.right - rc.left - m_thumbSize.cx;
    thumb.left = LONG(rc.left + (range > 0 && track > 0 ? track * at / range : 0));
    thumb.top = (rc.top + rc.bottom - m_thumbSize.cy) / 2;
  } else {
    long long track = (long long)rc.bottom - rc.top - m_thumbSize.cy;
    thumb.left = (rc.left + rc.right - m_thumbSize.cx) / 2;
    thumb.top = LONG(rc.bottom - (range > 0 && track > 0 ? track * at / range : 0) - m_thumbSize.cy);
  }
  thumb.right = thumb.left + m_thumbSize.cx;
  thumb.bottom = thumb.top + m_thumbSize.cy;
  return thumb;
}

int CSliderUI::ValueFromPoint(POINT pt) const {
  const RECT& rc = m_rcItem;
  long long range = (long long)m_max - m_min;
  if (m_horizontal) {
    long long track = (long long)rc.right - rc.left - m_thumbSize.cx;
    if (range <= 0 || track <= 0) return m_min;
    if (pt.x >= rc.right - m_thumbSize.cx / 2) return m_max;
    if (pt.x <= rc.left + m_thumbSize.cx / 2) return m_min;
    return int(m_min + ((long long)pt.x - rc.left - m_thumbSize.cx / 2) * range / track);
  }
  long long track = (long long)rc.bottom - rc.top - m_thumbSize.cy;
  if (range <= 0 || track <= 0) return m_min;
  if (pt.y >= rc.bottom - m_thumbSize.cy / 2) return m_min;
  if (pt.y <= rc.top + m_thumbSize.cy / 2) return m_max;
  return int(m_min + range * ((long long)rc.bottom - m_thumbSize.cy / 2 - pt.y) / track);
}

void CSliderUI::DoEvent(UIEventRecord& event) {
  if (PassPointerEvent(event) || TrackHot(event, m_buttonState)) return;
  switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled()) {
        RECT thumb = GetThumbRect();
        if (PtInRect(&thumb, event.mouse)) {
          m_buttonState |= UISTATE_CAPTURED;
          m_dragStartValue = m_value;
        }
      }
      return;
    case UIEVENT_BUTTONUP: {
      // A disabled slider takes no click; a drag that it was disabled in ends where it is.
      if (!IsEnabled()) {
        m_buttonState &= ~UINT(UISTATE_CAPTURED);
        return;
      }
      // A drag has moved the value already: it is reported against the value it started from.
      int before = (m_buttonState & UISTATE_CAPTURED) != 0 ? m_dragStartValue : m_value;
      m_buttonState &= ~UINT(UISTATE_CAPTURED);
      int value = ValueFromPoint(event.mouse);
      if (value != before && value >= m_min && value <= m_max) {
        m_value = value;
        // A handler may destroy the window, and this slider with it.
        if (m_manager && !m_manager->SendNotify(this, L"valuechanged")) return;
        Invalidate();
      }
      return;
    }
    case UIEVENT_CONTEXTMENU:
      return;
    case UIEVENT_SCROLLWHEEL:
      // A disabled slider leaves the wheel to the base, which hands it on.
      if (IsEnabled() && (LOWORD(event.wParam) == SB_LINEUP || LOWORD(event.wParam) == SB_LINEDOWN)) {
        long long next = LOWORD(event.wParam) == SB_LINEUP ? (long long)m_value + m_step : (long long)m_value - m_step;
        if (next >= m_min && next <= m_max) SetValue(int(next));
        if (m_manager) m_manager->SendNotify(this, L"valuechanged");
        return;
      }
      break;
    case UIEVENT_MOUSEMOVE:
      if ((m_buttonState & UISTATE_CAPTURED) != 0) {
        m_value = ValueFromPoint(event.mouse);
        Invalidate();
      }
      return;
    case UIEVENT_SETCURSOR: {
      RECT thumb = GetThumbRect();
      if (IsEnabled() && PtInRect(&thumb, event.mouse)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
      }
      break;
    }
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CSliderUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"thumbimage")) {
    m_thumbImage = value;
    Invalidate();
  } else if (is(L"thumbhotimage")) {
    m_thumbHotImage = value;
    Invalidate();
  } else if (is(L"thumbpushedimage")) {
    m_thumbPushedImage = value;
    Invalidate();
  } else if (is(L"thumbsize")) {
    m_thumbSize = CUIValueParser::ReadSize(value);
  } else if (is(L"step")) {
    m_step = CUIValueParser::ReadInt(value);
  } else {
    CProgressUI::SetAttribute(name, value);
  }
}

void CSliderUI::PaintStatusImage(HDC hdc) {
  CProgressUI::PaintStatusImage(hdc);
  RECT thumb = GetThumbRect();
  thumb.left -= m_rcItem.left;
  thumb.right -= m_rcItem.left;
  thumb.top -= m_rcItem.top;
  thumb.bottom -= m_rcItem.top;
  m_thumbModify.SmallFormat(L"dest='%d,%d,%d,%d'", thumb.left, thumb.top, thumb.right, thumb.bottom);
  CUIString* state = nullptr;
  if ((m_buttonState & UISTATE_CAPTURED) != 0) {
    state = &m_thumbPushedImage;
  } else if ((m_buttonState & UISTATE_HOT) != 0) {
    state = &m_thumbHotImage;
  }
  if (state != nullptr && !state->IsEmpty()) {
    if (DrawImage(hdc, *state, m_thumbModify)) return;
    state->Empty();
  }
  if (!m_thumbImage.IsEmpty() && !DrawImage(hdc, m_thumbImage, m_thumbModify)) m_thumbImage.Empty();
}

}  // namespace SkinUI
