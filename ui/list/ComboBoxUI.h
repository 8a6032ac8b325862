// A combo that paints an arrow at its right edge, cut from a strip of five state frames
// (normal, hot, pushed, focused, disabled).
#pragma once
#include "ui/list/ComboUI.h"

namespace SkinUI {

class CComboBoxUI : public CComboUI {
 public:
  CComboBoxUI();
  ~CComboBoxUI() override;

  LPCWSTR GetClass() const override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

  int GetArrowWidth() const { return m_arrowWidth; }
  // The arrow image rewritten for a state frame; empty when it has no quoted "source".
  static CUIString ArrowModify(const CUIString& image, int frame, SIZE combo, int border, int* frameWidth);

 private:
  CUIString m_arrowImage;
  int m_arrowWidth = 0;
};

}  // namespace SkinUI
