// One column of a list header: caption, state images, "headerclick", and a separator strip
// at one edge that resizes the column when dragged.
#pragma once
#include "ui/base/ControlUI.h"

namespace SkinUI {

class CListHeaderItemUI : public CControlUI {
 public:
  enum : UINT { kDragging = 0x40 };

  CListHeaderItemUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

  void SetTextPadding(RECT padding);
  RECT GetTextPadding() const { return m_textPadding; }
  void SetDragable(bool dragable);
  bool IsDragable() const { return m_dragable; }
  void SetSepWidth(int width) { m_sepWidth = width; }
  int GetSepWidth() const { return m_sepWidth; }
  UINT GetTextStyle() const { return m_textStyle; }
  DWORD GetTextColor() const { return m_textColor; }
  UINT GetButtonState() const { return m_buttonState; }
  // The separator strip, and the wider strip that takes the mouse.
  RECT GetThumbRect() const;
  RECT GetHitRect() const;

 private:
  void MarkListForLayout();

  POINT m_lastMouse = {0, 0};
  // The width at the last accepted drag step: several steps may come before a layout moves
  // the item's rectangle.
  int m_dragWidth = 0;
  bool m_dragable = true;
  UINT m_buttonState = 0;
  int m_sepWidth = 4;
  DWORD m_textColor = 0;
  int m_font = -1;
  UINT m_textStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  bool m_showHtml = false;
  RECT m_textPadding = {2, 0, 2, 0};
  CUIString m_normalImage;
  CUIString m_hotImage;
  CUIString m_pushedImage;
  CUIString m_focusedImage;
  CUIString m_sepImage;
  CUIString m_sepImageModify;
};

}  // namespace SkinUI
