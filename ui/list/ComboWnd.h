// The drop-down of a combo: a borderless pop-up with a manager of its own, showing the
// combo's rows in a scrolling vertical layout.
#pragma once
#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CComboUI;
class CVerticalLayoutUI;

class CComboWnd : public CWindowWnd {
 public:
  CComboWnd();

  // Places and opens the window for `owner`.
  void Init(CComboUI* owner);
  // Scrolls the row at index into the visible part of the layout.
  void EnsureVisible(int index);
  // Lets go of a row that the combo removes (every row for null): out of the layout, and this
  // window's manager forgets it and all it holds (hover, press, focus, timers, names); the
  // row goes with the combo's manager.
  void ReleaseRow(CControlUI* row);

  LPCWSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

  CWindowManagerUI& GetManager() { return m_pm; }
  CVerticalLayoutUI* GetLayout() const { return m_layout; }
  int GetOldSelection() const { return m_oldSel; }

 private:
  // Hands the rows back to the combo's manager; once.
  void GiveRowsBack();

  CWindowManagerUI m_pm;
  CComboUI* m_owner = nullptr;
  CVerticalLayoutUI* m_layout = nullptr;
  int m_oldSel = -1;
  bool m_closing = false;
  bool m_rowsReturned = false;
};

}  // namespace SkinUI
