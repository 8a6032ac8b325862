// A container that lays its children out in a grid of equal-width columns, row by row, each
// child centred in its cell; the column count is fixed or follows from an item width.
#pragma once
#include <windows.h>

#include "ui/base/ContainerUI.h"

namespace SkinUI {

class CTileLayoutUI : public CContainerUI {
 public:
  CTileLayoutUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetPos(RECT rc) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  SIZE GetItemSize() const { return m_itemSize; }
  void SetItemSize(SIZE size);
  int GetColumns() const { return m_columns; }
  void SetColumns(int columns);

 protected:
  int RowHeight(int index, int placed, int cellWidth, const CControlUI* first);
  void PlaceInCell(CControlUI* child, const RECT& cell);
  SIZE m_itemSize = {0, 0};
  int m_columns = 1;
};

}  // namespace SkinUI
