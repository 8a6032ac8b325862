// Children one below the other, top to bottom; optionally its own edge is a drag separator.
#pragma once
#include "ui/base/ContainerUI.h"
#include "ui/layout/LayoutSeparator.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  CVerticalLayoutUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void SetPos(RECT rc) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void DoPostPaint(HDC hdc, const RECT& rcPaint) override;

  void SetSepHeight(int height);
  int GetSepHeight() const { return m_separator.GetSize(); }
  void SetSepImmMode(bool immediately);
  bool IsSepImmMode() const { return m_separator.IsImmMode(); }
  RECT GetThumbRect(bool useNew = false) const;

 protected:
  CLayoutSeparator m_separator{true};
};

}  // namespace SkinUI
