// A row that is a container: its children are laid out one per header column.
#pragma once
#include "ui/base/ContainerUI.h"
#include "ui/list/ListItemImpl.h"

namespace SkinUI {

class CListContainerElementUI : public CListItemImpl<CContainerUI> {
 public:
  CListContainerElementUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;
  void SetPos(RECT rc) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;
};

}  // namespace SkinUI
