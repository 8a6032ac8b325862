// The column header of a list: a horizontal layout of header items.
#pragma once
#include "ui/layout/HorizontalLayoutUI.h"

namespace SkinUI {

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  SIZE EstimateSize(SIZE available) override;
  // The horizontal layout's placement, then the columns move left by the list's horizontal
  // scroll position, so that a layout of the header, alone or with its list, keeps the items
  // over their cells.
  void SetPos(RECT rc) override;
};

}  // namespace SkinUI
