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
};

}  // namespace SkinUI
