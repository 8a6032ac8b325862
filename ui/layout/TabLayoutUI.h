// A container that shows exactly one of its children, the current page, over its whole
// inner rectangle.
#pragma once
#include <windows.h>

#include "ui/base/ContainerUI.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
 public:
  CTabLayoutUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;
  void SetPos(RECT rc) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  int GetCurSel() const { return m_curSel; }
  virtual bool SelectItem(int index);

 protected:
  int m_curSel = -1;
};

}  // namespace SkinUI
