// The check box: an option that never looks pushed, with images of its own for the disabled
// selected and unselected states.
#pragma once
#include <windows.h>

#include "ui/control/OptionUI.h"

namespace SkinUI {

class CCheckBoxUI : public COptionUI {
 public:
  CCheckBoxUI();
  ~CCheckBoxUI() override;

  LPCWSTR GetClass() const override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintStatusImage(HDC hdc) override;

 protected:
  CUIString m_unselectedDisabledImage;
  CUIString m_selectedDisabledImage;
};

}  // namespace SkinUI
