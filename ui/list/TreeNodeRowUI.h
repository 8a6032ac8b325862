// The row of a tree node: a horizontal layout whose spacer and buttons belong to the node for
// the node's whole life (the node and its view hold them). What the markup or a program put
// into the row besides them is the row's, and a removal takes only that.
#pragma once
#include "ui/core/UIPtrArray.h"
#include "ui/layout/HorizontalLayoutUI.h"

namespace SkinUI {

class CTreeNodeRowUI : public CHorizontalLayoutUI {
 public:
  // Appends a part that no removal takes out; it goes with the row.
  bool AddPart(CControlUI* part);
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;

 private:
  CUIPtrArray m_parts;
};

}  // namespace SkinUI
