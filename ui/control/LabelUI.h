// A control that draws a text: plain through the renderer's text functions, or in effect mode
// through GDI+ with gradient text, an optional shadow and an optional one-pixel stroke.
#pragma once
#include <windows.h>

#include "ui/base/ControlUI.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  ~CLabelUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  CUIString GetText() const override;
  void SetText(LPCWSTR text) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(HDC hdc) override;

  void SetTextStyle(UINT style);
  UINT GetTextStyle() const { return m_textStyle; }
  void SetTextColor(DWORD color);
  DWORD GetTextColor() const { return m_textColor; }
  void SetDisabledTextColor(DWORD color);
  DWORD GetDisabledTextColor() const { return m_disabledTextColor; }
  void SetFont(int index);
  int GetFont() const { return m_font; }
  void SetTextPadding(RECT padding);
  RECT GetTextPadding() const { return m_rcTextPadding; }
  void SetShowHtml(bool show = true);
  bool IsShowHtml() const { return m_showHtml; }

  // Effect mode; the setters store without repainting.
  void SetEnabledEffect(bool on) { m_effect = on; }
  bool GetEnabledEffect() const { return m_effect; }
  void SetEnabledStroke(bool on) { m_stroke = on; }
  bool GetEnabledStroke() const { return m_stroke; }
  void SetEnabledShadow(bool on) { m_shadow = on; }
  bool GetEnabledShadow() const { return m_shadow; }
  void SetTransShadow(int alpha) { m_transShadow = alpha; }
  int GetTransShadow() const { return m_transShadow; }
  void SetTransShadow1(int alpha) { m_transShadow1 = alpha; }
  int GetTransShadow1() const { return m_transShadow1; }
  void SetTransText(int alpha) { m_transText = alpha; }
  int GetTransText() const { return m_transText; }
  void SetTransText1(int alpha) { m_transText1 = alpha; }
  int GetTransText1() const { return m_transText1; }
  void SetTransStroke(int alpha) { m_transStroke = alpha; }
  int GetTransStroke() const { return m_transStroke; }
  void SetGradientLength(int length) { m_gradientLength = length; }
  int GetGradientLength() const { return m_gradientLength; }
  void SetGradientAngle(int angle) { m_gradientAngle = angle; }
  int GetGradientAngle() const { return m_gradientAngle; }
  void SetTextColor1(DWORD color) { m_textColor1 = color; }
  DWORD GetTextColor1() const { return m_textColor1; }
  void SetTextShadowColorA(DWORD color) { m_shadowColorA = color; }
  DWORD GetTextShadowColorA() const { return m_shadowColorA; }
  void SetTextShadowColorB(DWORD color) { m_shadowColorB = color; }
  DWORD GetTextShadowColorB() const { return m_shadowColorB; }
  void SetStrokeColor(DWORD color) { m_strokeColor = color; }
  DWORD GetStrokeColor() const { return m_strokeColor; }
  void SetShadowOffset(int offset, int angle);
  // x and y of the shadow's shift.
  POINT GetShadowOffset() const;
  void SetTextRenderingHintAntiAlias(int hint);
  int GetTextRenderingHintAntiAlias() const { return m_renderingHint; }

 protected:
  void SetAlign(LPCWSTR value);
  bool SetEffectAttribute(LPCWSTR name, LPCWSTR value);
  // Default colours of the manager replace the colours left at 0 (and are kept).
  void TakeDefaultColors();
  // The item rectangle less the text padding.
  RECT GetTextRect() const;
  // The height of the label's font (0 without a manager).
  int GetFontHeight() const;
  // A pointer event of a control that takes no mouse goes to its parent (or to the label);
  // true when the event was handed on.
  bool PassPointerEvent(UIEventRecord& event);
  // Sets the focused and disabled bits of a state from the control.
  void UpdateStateBits(UINT& state) const;
  // Hot on pointer enter, not hot on leave, while enabled; true for those two events.
  bool TrackHot(const UIEventRecord& event, UINT& state);
  // The events shared by controls that lay a native window over themselves (edit, date
  // picker): the I-beam, the focus back after a resize, the wheel while open, opening on
  // focus. True when the event is finished; *openNow asks the caller to open its window.
  bool OverlayEvent(UIEventRecord& event, bool windowOpen, bool* openNow);
  // The text as rich text (show-HTML) or plain with the font, in the label's style plus `extra`.
  void DrawLabelText(HDC hdc, RECT& rc, LPCWSTR text, DWORD color, int font, UINT extra = 0);
  void PaintEffectText(HDC hdc, const RECT& rc);

  DWORD m_textColor = 0;
  DWORD m_disabledTextColor = 0;
  int m_font = -1;
  UINT m_textStyle = DT_VCENTER;
  RECT m_rcTextPadding = {0, 0, 0, 0};
  bool m_showHtml = false;
  int m_effectAlign = 1;
  int m_effectLineAlign = 1;
  int m_transShadow = 60;
  int m_transShadow1 = 60;
  int m_transText = 168;
  int m_transText1 = 168;
  int m_transStroke = 255;
  int m_gradientLength = 0;
  int m_gradientAngle = 0;
  bool m_effect = false;
  bool m_stroke = false;
  bool m_shadow = false;
  DWORD m_textColor1 = 0xFFFFFFFF;
  DWORD m_shadowColorA = 0xFF000000;
  DWORD m_shadowColorB = 0xFFFFFFFF;
  DWORD m_strokeColor = 0;
  float m_shadowOffset[4] = {0, 0, 0, 0};
  CUIString m_effectText;
  ULONG_PTR m_gdiplusToken = 0;
  int m_renderingHint = 0;
};

}  // namespace SkinUI
