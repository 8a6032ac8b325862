#include "ui/control/LabelUI.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

Gdiplus::Color WithAlpha(DWORD color, int alpha) {
  return Gdiplus::Color(DWORD(alpha & 0xFF) << 24 | (color & 0xFFFFFF));
}

}  // namespace

CLabelUI::CLabelUI() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);
}

CLabelUI::~CLabelUI() { Gdiplus::GdiplusShutdown(m_gdiplusToken); }

LPCWSTR CLabelUI::GetClass() const { return L"LabelUI"; }

LPVOID CLabelUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Label") == 0) return this;
  return CControlUI::GetInterface(name);
}

CUIString CLabelUI::GetText() const { return m_effect ? m_effectText : CControlUI::GetText(); }

void CLabelUI::SetText(LPCWSTR text) {
  // A string that cannot grow keeps its old text: that failure is thrown, not passed over.
  const wchar_t* wanted = text ? text : L"";
  if (m_effect) {
    m_effectText = wanted;
    if (m_effectText != wanted) throw L"CLabelUI::SetText";
    return;
  }
  CControlUI::SetText(wanted);
  if (m_text != wanted) throw L"CLabelUI::SetText";
}

void CLabelUI::DoEvent(UIEventRecord& event) {
  if (event.type == UIEVENT_SETFOCUS) {
    m_focused = true;
    return;
  }
  if (event.type == UIEVENT_KILLFOCUS) {
    m_focused = false;
    return;
  }
  CControlUI::DoEvent(event);
}

void CLabelUI::SetTextStyle(UINT style) {
  m_textStyle = style;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
  m_textColor = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
  m_disabledTextColor = color;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  m_font = index;
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
  m_rcTextPadding = padding;
  Invalidate();
}

void CLabelUI::SetShowHtml(bool show) {
  if (m_showHtml == show) return;
  m_showHtml = show;
  Invalidate();
}

void CLabelUI::SetShadowOffset(int offset, int angle) {
  if (angle < -180 || angle > 180) return;
  // From the control's origin: a shadow set after layout must not move with the control.
  int t = 0, l = 0;
  if (angle >= 0 && angle <= 180) t -= offset;
  if (angle >= -179 && angle <= -1) t += offset;
  if (angle >= -89 && angle <= 90) l -= offset;
  if (angle >= 91 || angle <= -91) l += offset;
  // The axes stay crossed: skins are tuned to it.
  m_shadowOffset[0] = float(t);
  m_shadowOffset[1] = float(l);
}

POINT CLabelUI::GetShadowOffset() const { return POINT{LONG(m_shadowOffset[0]), LONG(m_shadowOffset[1])}; }

void CLabelUI::SetTextRenderingHintAntiAlias(int hint) { m_renderingHint = hint >= 0 && hint <= 5 ? hint : 0; }

void CLabelUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"align")) {
    SetAlign(value);
  } else if (is(L"endellipsis")) {
    if (wcscmp(value, L"true") == 0) {
      m_textStyle |= DT_END_ELLIPSIS;
    } else {
      m_textStyle &= ~UINT(DT_END_ELLIPSIS);
    }
  } else if (is(L"font")) {
    SetFont(CUIValueParser::ReadInt(value));
  } else if (is(L"textcolor")) {
    SetTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"disabledtextcolor")) {
    SetDisabledTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"textpadding")) {
    SetTextPadding(CUIValueParser::ReadRect(value));
  } else if (is(L"showhtml")) {
    SetShowHtml(wcscmp(value, L"true") == 0);
  } else if (is(L"enabledeffect")) {
    SetEnabledEffect(wcscmp(value, L"true") == 0);
  } else if (!SetEffectAttribute(name, value)) {
    CControlUI::SetAttribute(name, value);
  }
}

// "left", "center", "right", "top", "vcenter", "bottom", "vleft", in that order.
void CLabelUI::SetAlign(LPCWSTR value) {
  if (wcsstr(value, L"left")) m_textStyle &= ~UINT(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  if (wcsstr(value, L"center")) {
    m_textStyle &= ~UINT(DT_RIGHT);
    m_textStyle |= DT_CENTER;
  }
  if (wcsstr(value, L"right")) {
    m_textStyle &= ~UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    m_textStyle |= DT_RIGHT;
  }
  if (wcsstr(value, L"top")) {
    m_textStyle &= ~UINT(DT_BOTTOM | DT_VCENTER);
    m_textStyle |= DT_SINGLELINE;
  }
  if (wcsstr(value, L"vcenter")) {
    m_textStyle &= ~UINT(DT_BOTTOM);
    m_textStyle |= DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  }
  if (wcsstr(value, L"bottom")) {
    m_textStyle &= ~UINT(DT_VCENTER);
    m_textStyle |= DT_BOTTOM | DT_SINGLELINE;
  }
  if (wcsstr(value, L"vleft")) {
    m_textStyle &= ~UINT(DT_SINGLELINE | DT_RIGHT | DT_CENTER);
    m_textStyle |= DT_VCENTER;
  }
}

// The text effects: shadow, stroke, gradient and transparency.
bool CLabelUI::SetEffectAttribute(LPCWSTR name, LPCWSTR value) {
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"rhaa")) {
    SetTextRenderingHintAntiAlias(CUIValueParser::ReadInt(value));
  } else if (is(L"transshadow")) {
    SetTransShadow(CUIValueParser::ReadInt(value));
  } else if (is(L"transtext")) {
    SetTransText(CUIValueParser::ReadInt(value));
  } else if (is(L"transshadow1")) {
    SetTransShadow1(CUIValueParser::ReadInt(value));
  } else if (is(L"transtext1")) {
    SetTransText1(CUIValueParser::ReadInt(value));
  } else if (is(L"gradientangle")) {
    SetGradientAngle(CUIValueParser::ReadInt(value));
  } else if (is(L"enabledstroke")) {
    SetEnabledStroke(wcscmp(value, L"true") == 0);
  } else if (is(L"enabledshadow")) {
    SetEnabledShadow(wcscmp(value, L"true") == 0);
  } else if (is(L"transstroke")) {
    SetTransStroke(CUIValueParser::ReadInt(value));
  } else if (is(L"gradientlength")) {
    SetGradientLength(CUIValueParser::ReadInt(value));
  } else if (is(L"shadowoffset")) {
    SIZE v = CUIValueParser::ReadSize(value);
    SetShadowOffset(v.cx, v.cy);
  } else if (is(L"textcolor1")) {
    SetTextColor1(CUIValueParser::ReadColor(value));
  } else if (is(L"textshadowcolora")) {
    SetTextShadowColorA(CUIValueParser::ReadColor(value));
  } else if (is(L"textshadowcolorb")) {
    SetTextShadowColorB(CUIValueParser::ReadColor(value));
  } else if (is(L"strokecolor")) {
    SetStrokeColor(CUIValueParser::ReadColor(value));
  } else {
    return false;
  }
  return true;
}

SIZE CLabelUI::EstimateSize(SIZE available) {
  (void)available;
  if (m_fixedHeight > 0) return SIZE{m_fixedWidth, m_fixedHeight};
  return SIZE{m_fixedWidth, GetFontHeight() + 4};
}

int CLabelUI::GetFontHeight() const {
  UIFontInfo* info = m_manager ? m_manager->GetFontInfo(m_font) : nullptr;
  return info ? info->tm.tmHeight : 0;
}

RECT CLabelUI::GetTextRect() const {
  RECT rc = m_rcItem;
  rc.left += m_rcTextPadding.left;
  rc.right -= m_rcTextPadding.right;
  rc.top += m_rcTextPadding.top;
  rc.bottom -= m_rcTextPadding.bottom;
  return rc;
}

bool CLabelUI::PassPointerEvent(UIEventRecord& event) {
  if (IsMouseEnabled() || event.type <= UIEVENT__MOUSEBEGIN || event.type >= UIEVENT__MOUSEEND) return false;
  if (m_parent) {
    m_parent->DoEvent(event);
  } else {
    CLabelUI::DoEvent(event);
  }
  return true;
}

void CLabelUI::UpdateStateBits(UINT& state) const {
  state = IsFocused() ? (state | UISTATE_FOCUSED) : (state & ~UINT(UISTATE_FOCUSED));
  state = IsEnabled() ? (state & ~UINT(UISTATE_DISABLED)) : (state | UISTATE_DISABLED);
}

bool CLabelUI::TrackHot(const UIEventRecord& event, UINT& state) {
  if (event.type != UIEVENT_MOUSEENTER && event.type != UIEVENT_MOUSELEAVE) return false;
  if (IsEnabled()) {
    state = event.type == UIEVENT_MOUSEENTER ? (state | UISTATE_HOT) : (state & ~UINT(UISTATE_HOT));
    Invalidate();
  }
  return true;
}

bool CLabelUI::OverlayEvent(UIEventRecord& event, bool windowOpen, bool* openNow) {
  *openNow = false;
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (!IsEnabled()) return false;
      ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
      return true;
    case UIEVENT_WINDOWSIZE:
      if (windowOpen && m_manager) m_manager->SetFocusNeeded(this);
      return false;
    case UIEVENT_SCROLLWHEEL:
      return windowOpen;
    case UIEVENT_SETFOCUS:
      if (!IsEnabled()) return false;
      if (windowOpen) return true;
      *openNow = true;
      return false;
    case UIEVENT_KILLFOCUS:
      if (IsEnabled()) Invalidate();
      return false;
    default:
      return false;
  }
}

void CLabelUI::DrawLabelText(HDC hdc, RECT& rc, LPCWSTR text, DWORD color, int font, UINT extra) {
  if (m_showHtml) {
    int links = 0;
    CSkinRenderer::DrawHtmlText(hdc, m_manager, rc, text, color, nullptr, nullptr, links, m_textStyle);
  } else {
    CSkinRenderer::DrawText(hdc, m_manager, rc, text, color, font, m_textStyle | extra);
  }
}

void CLabelUI::TakeDefaultColors() {
  if (!m_manager) return;
  if (m_textColor == 0) m_textColor = m_manager->GetDefaultFontColor();
  if (m_disabledTextColor == 0) m_disabledTextColor = m_manager->GetDefaultDisabledColor();
}

void CLabelUI::PaintText(HDC hdc) {
  TakeDefaultColors();
  RECT rc = GetTextRect();
  if (m_effect) {
    PaintEffectText(hdc, rc);
    return;
  }
  if (m_text.IsEmpty()) return;
  DrawLabelText(hdc, rc, m_text, IsEnabled() ? m_textColor : m_disabledTextColor, m_font, DT_SINGLELINE);
}

void CLabelUI::PaintEffectText(HDC hdc, const RECT& rc) {
  if (!m_manager) return;
  Gdiplus::Font font(hdc, m_manager->GetFont(m_font));
  Gdiplus::Graphics graphics(hdc);
  graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(m_renderingHint));
  Gdiplus::StringFormat format;
  format.SetAlignment(static_cast<Gdiplus::StringAlignment>(m_effectAlign));
  format.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(m_effectLineAlign));
  Gdiplus::RectF layout(float(rc.left), float(rc.top), float(rc.right - rc.left), float(rc.bottom - rc.top));
  Gdiplus::RectF shadow(layout.X + m_shadowOffset[0], layout.Y + m_shadowOffset[1], layout.Width, layout.Height);
  int length = m_gradientLength != 0 ? m_gradientLength : rc.bottom - rc.top;
  Gdiplus::PointF from(float(m_gradientAngle), 0.0f), to(0.0f, float(length));
  DWORD shadowB = m_shadowColorB == 0xFFFFFFFF ? m_shadowColorA : m_shadowColorB;
  Gdiplus::LinearGradientBrush shadowBrush(from, to, WithAlpha(m_shadowColorA, m_transShadow),
                                           WithAlpha(shadowB, m_transShadow1));
  DWORD text1 = m_textColor1 == 0xFFFFFFFF ? m_textColor : m_textColor1;
  Gdiplus::LinearGradientBrush textBrush(from, to, WithAlpha(m_textColor, m_transText), WithAlpha(text1, m_transText1));
  const wchar_t* text = m_effectText.GetData();
  int count = m_effectText.GetLength();
  if (m_stroke && m_strokeColor != 0) {
    Gdiplus::LinearGradientBrush strokeBrush(from, Gdiplus::PointF(0.0f, float(rc.bottom - rc.top + 2)),
                                             WithAlpha(m_strokeColor, m_transStroke),
                                             WithAlpha(m_strokeColor, m_transStroke));
    const float shifts[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& s : shifts) {
      Gdiplus::RectF moved(layout.X + s[0], layout.Y + s[1], layout.Width, layout.Height);
      graphics.DrawString(text, count, &font, moved, &format, &strokeBrush);
    }
  }
  if (m_shadow && (m_shadowColorA != 0 || m_shadowColorB != 0)) {
    graphics.DrawString(text, count, &font, shadow, &format, &shadowBrush);
  }
  graphics.DrawString(text, count, &font, layout, &format, &textBrush);
}

}  // namespace SkinUI
