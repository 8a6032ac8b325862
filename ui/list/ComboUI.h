// The drop-down selector: a field that shows the selected row, and owns rows that it lays
// out in a pop-up window of their own while it is dropped down.
#pragma once
#include "ui/base/ContainerUI.h"
#include "ui/list/IListOwnerUI.h"
#include "ui/list/UIListInfo.h"

namespace SkinUI {

class CComboWnd;

class CComboUI : public CContainerUI, public IListOwnerUI {
 public:
  CComboUI();
  ~CComboUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  bool Activate() override;
  CUIString GetText() const override;
  void SetPos(RECT rc) override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

  // IContainerUI: rows keep their indices and the selection follows them.
  bool SetItemIndex(CControlUI* control, int index) override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  // IListOwnerUI.
  UIListInfo* GetListInfo() override { return &m_listInfo; }
  int GetCurSel() const override { return m_curSel; }
  bool SelectItem(int index, bool takeFocus = false) override;

  CComboWnd* GetDropDown() const { return m_window; }
  const CUIString& GetDropBoxAttributeList() const { return m_dropBoxAttributes; }
  SIZE GetDropBoxSize() const { return m_dropBoxSize; }
  RECT GetTextPadding() const { return m_textPadding; }
  UINT GetButtonState() const { return m_buttonState; }
  // Called by the drop-down as it ends.
  void OnDropDownEnded(CComboWnd* window);

 protected:
  void Renumber(int from, int to);
  // The text rectangle less the padding.
  RECT TextRect() const;
  // Focused and disabled bits from the control's state.
  void UpdateStateBits();
  // Draws the selected row into rc; false when nothing is selected.
  bool PaintSelection(HDC hdc, const RECT& rc);

  CComboWnd* m_window = nullptr;
  int m_curSel = -1;
  RECT m_textPadding = {0, 0, 0, 0};
  CUIString m_dropBoxAttributes;
  SIZE m_dropBoxSize = {0, 150};
  UINT m_buttonState = 0;
  CUIString m_defaultText;
  CUIString m_normalImage;
  CUIString m_hotImage;
  CUIString m_pushedImage;
  CUIString m_focusedImage;
  CUIString m_disabledImage;
  UIListInfo m_listInfo;
};

}  // namespace SkinUI
