// The push button: a label with five state images, pointer and keyboard tracking, "click" on
// activation, and an optional cross-fade between its normal and hot images.
#pragma once
#include <windows.h>

#include "ui/base/IUIAnimation.h"
#include "ui/control/LabelUI.h"

namespace SkinUI {

class CButtonUI : public CLabelUI, public IUIAnimation {
 public:
  // Fade directions.
  enum { kFadeNone = 0, kFadeIn = 1, kFadeOut = 2 };

  CButtonUI();
  ~CButtonUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

  // IUIAnimation.
  void StartAnimation() override;
  void StopAnimation() override;
  void OnAnimationStep() override;
  // A frame below the frame count is shown as it is: the fade stops there.
  void SetCurrentFrame(int frame) override;
  DWORD GetAnimationInterval() const override { return 15; }

  UINT GetButtonState() const { return m_buttonState; }
  int GetFadeDirection() const { return m_fadeDirection; }
  BYTE GetFadeAlpha() const { return m_fadeAlpha; }
  const CUIString& GetFadeImage() const { return m_fadeImage; }
  bool IsFadeEffect() const { return m_fadeEffect; }

  const CUIString& GetNormalImage() const { return m_normalImage; }
  void SetNormalImage(LPCWSTR image);
  const CUIString& GetHotImage() const { return m_hotImage; }
  void SetHotImage(LPCWSTR image);
  const CUIString& GetPushedImage() const { return m_pushedImage; }
  void SetPushedImage(LPCWSTR image);
  const CUIString& GetFocusedImage() const { return m_focusedImage; }
  void SetFocusedImage(LPCWSTR image);
  const CUIString& GetDisabledImage() const { return m_disabledImage; }
  void SetDisabledImage(LPCWSTR image);
  const CUIString& GetHotForeImage() const { return m_hotForeImage; }
  void SetHotForeImage(LPCWSTR image);
  void SetHotBkColor(DWORD color) { m_hotBkColor = color; }
  DWORD GetHotBkColor() const { return m_hotBkColor; }
  void SetHotTextColor(DWORD color) { m_hotTextColor = color; }
  DWORD GetHotTextColor() const { return m_hotTextColor; }
  void SetPushedTextColor(DWORD color) { m_pushedTextColor = color; }
  DWORD GetPushedTextColor() const { return m_pushedTextColor; }
  void SetFocusedTextColor(DWORD color) { m_focusedTextColor = color; }
  DWORD GetFocusedTextColor() const { return m_focusedTextColor; }

  // The image string with its fade attribute set to `fade` (an existing one is replaced).
  static CUIString WithFade(const CUIString& image, int fade);

 protected:
  // Draws an image string; one that fails is emptied so that it is not tried again.
  bool DrawStateImage(HDC hdc, CUIString& image, LPCWSTR modify = nullptr);
  void PaintForeImage(HDC hdc, const CUIString* image = nullptr);
  void PaintNormal(HDC hdc);

  UINT m_buttonState = 0;
  int m_fadeDirection = kFadeNone;
  int m_hotFont = -1;
  int m_pushedFont = -1;
  int m_focusedFont = -1;
  DWORD m_hotBkColor = 0;
  DWORD m_hotTextColor = 0;
  DWORD m_pushedTextColor = 0;
  DWORD m_focusedTextColor = 0;
  CUIString m_normalImage;
  CUIString m_hotImage;
  CUIString m_hotForeImage;
  CUIString m_pushedImage;
  CUIString m_focusedImage;
  CUIString m_disabledImage;
  CUIString m_fadeFirst;
  CUIString m_fadeSecond;
  CUIString m_fadeImage;
  BYTE m_fadeAlpha = 0;
  bool m_fadeInStarted = false;
  bool m_fadeOutStarted = false;
  bool m_fadeEffect = false;
};

}  // namespace SkinUI
