// A progress bar with a draggable thumb: drag, click on the track or turn the wheel, and the
// value follows; "valuechanged" reports it.
#pragma once
#include <windows.h>

#include "ui/control/ProgressUI.h"

namespace SkinUI {

class CSliderUI : public CProgressUI {
 public:
  CSliderUI();
  ~CSliderUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintStatusImage(HDC hdc) override;

  RECT GetThumbRect() const;
  // The value a pointer at `pt` chooses.
  int ValueFromPoint(POINT pt) const;
  SIZE GetThumbSize() const { return m_thumbSize; }
  void SetThumbSize(SIZE size) { m_thumbSize = size; }
  int GetChangeStep() const { return m_step; }
  void SetChangeStep(int step) { m_step = step; }
  UINT GetButtonState() const { return m_buttonState; }

 protected:
  SIZE m_thumbSize = {10, 10};
  UINT m_buttonState = 0;
  int m_step = 1;
  int m_dragStartValue = 0;
  CUIString m_thumbImage;
  CUIString m_thumbHotImage;
  CUIString m_thumbPushedImage;
  CUIString m_thumbModify;
};

}  // namespace SkinUI
