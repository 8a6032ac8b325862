#include "ui/control/ButtonUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CButtonUI::CButtonUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

CButtonUI::~CButtonUI() {
  // Out of the driver before the object goes: a later timer tick must not step it.
  CButtonUI::StopAnimation();
}

LPCWSTR CButtonUI::GetClass() const { return L"ButtonUI"; }

LPVOID CButtonUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Button") == 0) return static_cast<CButtonUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
  return (IsKeyboardEnabled() ? UINT(UIFLAG_TABSTOP) : 0u) | (IsEnabled() ? UINT(UIFLAG_SETCURSOR) : 0u);
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  // A click handler that destroyed the window leaves nothing to go on with.
  return !m_manager || m_manager->SendNotify(this, L"click");
}

void CButtonUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = 0;
}

void CButtonUI::StartAnimation() {
  // The driver of the manager the button is under now: a row of a combo moves between the
  // combo's window and its drop-down, whose driver goes with the drop-down.
  CUIAnimationDriver* driver = m_manager ? m_manager->GetAnimationDriver() : nullptr;
  if (GetAnimationDriver() && GetAnimationDriver() != driver) IUIAnimation::StopAnimation();
  SetAnimationDriver(driver);
  IUIAnimation::StartAnimation();
}

void CButtonUI::DoEvent(UIEventRecord& event) {
  if (m_fadeEffect) {
    if (event.type == UIEVENT_MOUSEENTER && !(IsAnimationRunning() && m_fadeDirection == kFadeIn)) {
      m_fadeAlpha = 0;
      m_fadeInStarted = true;
      m_fadeDirection = kFadeIn;
      StartAnimation();
      Invalidate();
      return;
    }
    if (event.type == UIEVENT_MOUSELEAVE && !(IsAnimationRunning() && m_fadeDirection == kFadeOut)) {
      m_fadeAlpha = 0;
      m_fadeOutStarted = true;
      CButtonUI::StopAnimation();
      m_fadeDirection = kFadeOut;
      StartAnimation();
      Invalidate();
      return;
    }
  }
  if (PassPointerEvent(event)) return;
  if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS) Invalidate();
  if (event.type == UIEVENT_KEYDOWN && IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
    Activate();
    return;
  }
  if (event.type == UIEVENT_BUTTONDOWN || event.type == UIEVENT_DBLCLICK) {
    if (PtInRect(&m_rcItem, event.mouse) && IsEnabled()) {
      m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
      Invalidate();
    }
    return;
  }
  if (event.type == UIEVENT_MOUSEMOVE) {
    if ((m_buttonState & UISTATE_CAPTURED) != 0) {
      if (PtInRect(&m_rcItem, event.mouse)) {
        m_buttonState |= UISTATE_PUSHED;
      } else {
        m_buttonState &= ~UINT(UISTATE_PUSHED);
      }
      Invalidate();
    }
    return;
  }
  if (event.type == UIEVENT_BUTTONUP) {
    if ((m_buttonState & UISTATE_CAPTURED) != 0) {
      // The click handler may remove this button: nothing of it is touched after a click.
      bool inside = PtInRect(&m_rcItem, event.mouse) != FALSE;
      m_buttonState &= ~UINT(UISTATE_PUSHED | UISTATE_CAPTURED);
      Invalidate();
      if (inside) Activate();
    }
    return;
  }
  if (event.type == UIEVENT_CONTEXTMENU) {
    if (IsContextMenuUsed() && m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
    return;
  }
  // With the fade effect the hot look comes from the fade: an enter that reaches here (a fade-in
  // already running) leaves the state alone.
  if (!(m_fadeEffect && event.type == UIEVENT_MOUSEENTER)) TrackHot(event, m_buttonState);
  if (event.type == UIEVENT_SETCURSOR) {
    ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(LPCWSTR image) {
  m_normalImage = image;
  Invalidate();
}
void CButtonUI::SetHotImage(LPCWSTR image) {
  m_hotImage = image;
  Invalidate();
}
void CButtonUI::SetPushedImage(LPCWSTR image) {
  m_pushedImage = image;
  Invalidate();
}
void CButtonUI::SetFocusedImage(LPCWSTR image) {
  m_focusedImage = image;
  Invalidate();
}
void CButtonUI::SetDisabledImage(LPCWSTR image) {
  m_disabledImage = image;
  Invalidate();
}
void CButtonUI::SetHotForeImage(LPCWSTR image) {
  m_hotForeImage = image;
  Invalidate();
}

void CButtonUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"normalimage")) {
    SetNormalImage(value);
  } else if (is(L"hotimage")) {
    SetHotImage(value);
  } else if (is(L"pushedimage")) {
    SetPushedImage(value);
  } else if (is(L"focusedimage")) {
    SetFocusedImage(value);
  } else if (is(L"disabledimage")) {
    SetDisabledImage(value);
  } else if (is(L"foreimage")) {
    SetForeImage(value);
  } else if (is(L"hotforeimage")) {
    SetHotForeImage(value);
  } else if (is(L"hotbkcolor")) {
    SetHotBkColor(CUIValueParser::ReadColor(value));
  } else if (is(L"hottextcolor")) {
    SetHotTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"pushedtextcolor")) {
    SetPushedTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"focusedtextcolor")) {
    SetFocusedTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"hotfont")) {
    m_hotFont = CUIValueParser::ReadInt(value);
  } else if (is(L"pushedfont")) {
    m_pushedFont = CUIValueParser::ReadInt(value);
  } else if (is(L"focusedfont")) {
    m_focusedFont = CUIValueParser::ReadInt(value);
  } else if (is(L"fadeeffect")) {
    m_fadeEffect = wcscmp(value, L"true") == 0;
    m_currentFrame = 0;
    m_frameCount = 20;
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

SIZE CButtonUI::EstimateSize(SIZE available) {
  (void)available;
  if (m_fixedHeight > 0) return SIZE{m_fixedWidth, m_fixedHeight};
  return SIZE{m_fixedWidth, GetFontHeight() + 8};
}

bool CButtonUI::DrawStateImage(HDC hdc, CUIString& image, LPCWSTR modify) {
  if (image.IsEmpty()) return false;
  if (DrawImage(hdc, image, modify)) return true;
  image.Empty();
  return false;
}

void CButtonUI::PaintForeImage(HDC hdc, const CUIString* image) {
  CUIString& fore = image != nullptr && !image->IsEmpty() ? const_cast<CUIString&>(*image) : m_foreImage;
  DrawStateImage(hdc, fore);
}

void CButtonUI::PaintStatusImage(HDC hdc) {
  UpdateStateBits(m_buttonState);
  if ((m_buttonState & UISTATE_DISABLED) != 0) {
    if (DrawStateImage(hdc, m_disabledImage)) {
      PaintForeImage(hdc);
      return;
    }
  } else if ((m_buttonState & UISTATE_PUSHED) != 0) {
    if (DrawStateImage(hdc, m_pushedImage)) {
      PaintForeImage(hdc);
      return;
    }
  } else if ((m_buttonState & UISTATE_HOT) != 0) {
    if (DrawStateImage(hdc, m_hotImage)) {
      PaintForeImage(hdc, &m_hotForeImage);
      return;
    }
    if (m_hotImage.IsEmpty() && m_hotBkColor != 0) {
      CSkinRenderer::DrawColor(hdc, m_rcPaint, GetAdjustColor(m_hotBkColor));
      return;
    }
  } else if ((m_buttonState & UISTATE_FOCUSED) != 0) {
    if (DrawStateImage(hdc, m_focusedImage)) {
      PaintForeImage(hdc);
      return;
    }
  }
  PaintNormal(hdc);
}

void CButtonUI::PaintNormal(HDC hdc) {
  if (m_normalImage.IsEmpty()) {
    PaintForeImage(hdc);
    return;
  }
  if (!m_fadeEffect) {
    DrawStateImage(hdc, m_normalImage);
    PaintForeImage(hdc);
    return;
  }
  if (!IsAnimationRunning()) {
    if (m_fadeImage.IsEmpty()) m_fadeImage = m_normalImage;
    DrawStateImage(hdc, m_fadeImage);
  } else if (m_fadeInStarted) {
    m_fadeInStarted = m_fadeOutStarted = false;
    m_fadeImage = m_hotImage;
    DrawStateImage(hdc, m_normalImage);
  } else if (m_fadeOutStarted) {
    m_fadeInStarted = m_fadeOutStarted = false;
    m_fadeImage = m_normalImage;
    DrawStateImage(hdc, m_hotImage);
  } else {
    const CUIString& first = m_fadeDirection == kFadeOut ? m_hotImage : m_normalImage;
    const CUIString& second = m_fadeDirection == kFadeOut ? m_normalImage : m_hotImage;
    m_fadeFirst = WithFade(first, 255 - m_fadeAlpha);
    m_fadeSecond = WithFade(second, m_fadeAlpha);
    DrawStateImage(hdc, m_fadeFirst);
    DrawStateImage(hdc, m_fadeSecond);
  }
  PaintForeImage(hdc);
}

CUIString CButtonUI::WithFade(const CUIString& image, int fade) {
  CUIString result = image;
  int at = result.Find(L"fade='");
  if (at >= 0) {
    int close = result.Find(L'\'', at + 6);
    CUIString rest = close >= 0 ? result.Mid(close + 1) : CUIString();
    result = result.Left(at) + rest;
  }
  CUIString add;
  add.SmallFormat(L" fade='%d'", fade);
  result += add;
  return result;
}

void CButtonUI::PaintText(HDC hdc) {
  UpdateStateBits(m_buttonState);
  TakeDefaultColors();
  if (m_text.IsEmpty()) return;
  RECT rc = GetTextRect();
  DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
  if ((m_buttonState & UISTATE_PUSHED) != 0 && m_pushedTextColor != 0) {
    color = m_pushedTextColor;
  } else if ((m_buttonState & UISTATE_HOT) != 0 && m_hotTextColor != 0) {
    color = m_hotTextColor;
  } else if ((m_buttonState & UISTATE_FOCUSED) != 0 && m_focusedTextColor != 0) {
    color = m_focusedTextColor;
  }
  int font = m_font;
  if ((m_buttonState & UISTATE_PUSHED) != 0 && m_pushedFont != -1) {
    font = m_pushedFont;
  } else if ((m_buttonState & UISTATE_HOT) != 0 && m_hotFont != -1) {
    font = m_hotFont;
  } else if ((m_buttonState & UISTATE_FOCUSED) != 0 && m_focusedFont != -1) {
    font = m_focusedFont;
  }
  DrawLabelText(hdc, rc, m_text, color, font);
}

void CButtonUI::StopAnimation() {
  m_fadeImage.Empty();
  m_fadeDirection = kFadeNone;
  // Out of the driver: a stopped fade no longer keeps the driver's timer running.
  IUIAnimation::StopAnimation();
  // Nor does the button keep the driver, which may go before it.
  SetAnimationDriver(nullptr);
}

void CButtonUI::SetCurrentFrame(int frame) {
  if (frame >= m_frameCount) return;
  // A frame below zero is no frame to draw: the fade stops on the frame it had reached.
  const int kept = frame < 0 ? m_currentFrame : frame;
  StopAnimation();  // leaving the driver resets the frame: the frame is set after it
  m_currentFrame = kept;
}

void CButtonUI::OnAnimationStep() {
  // Each step advances the frame; the last one leaves the target image in place.
  if (m_frameCount <= 0 || ++m_currentFrame >= m_frameCount) {
    CUIString target = m_fadeDirection == kFadeOut ? m_normalImage : m_hotImage;
    IUIAnimation::StopAnimation();
    SetAnimationDriver(nullptr);
    m_fadeImage = target;
    m_fadeAlpha = 255;
    m_fadeDirection = kFadeNone;
    Invalidate();
    return;
  }
  int alpha = int(double(m_currentFrame) / double(m_frameCount) * 255.0);
  m_fadeAlpha = BYTE(alpha == 0 ? 10 : alpha);
  Invalidate();
  IUIAnimation::OnAnimationStep();
}

}  // namespace SkinUI
