// A label that fills its fore image over its background in proportion to a value between a
// minimum and a maximum, horizontally or vertically.
#pragma once
#include <windows.h>

#include "ui/control/LabelUI.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintStatusImage(HDC hdc) override;

  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal = true);
  bool IsStretchForeImage() const { return m_stretchForeImage; }
  void SetStretchForeImage(bool stretch = true);
  int GetMinValue() const { return m_min; }
  void SetMinValue(int value);
  int GetMaxValue() const { return m_max; }
  void SetMaxValue(int value);
  int GetValue() const { return m_value; }
  void SetValue(int value);
  const CUIString& GetForeImage() const { return m_progressForeImage; }
  void SetForeImage(LPCWSTR image);
  // The modifier built by the last paint.
  const CUIString& GetImageModify() const { return m_imageModify; }
  // The filled part relative to the control's top-left corner (range and value as stored).
  RECT GetFilledRect() const;

 protected:
  bool m_horizontal = true;
  bool m_stretchForeImage = true;
  bool m_roundCorner = false;
  int m_max = 100;
  int m_min = 0;
  int m_value = 0;
  CUIString m_progressForeImage;
  CUIString m_imageModify;
};

}  // namespace SkinUI
