// The body of a list: the vertical layout that holds the rows, as wide as the header needs,
// moving the header items with its horizontal scroll position.
#pragma once
#include "ui/layout/VerticalLayoutUI.h"

namespace SkinUI {

class CListUI;

class CListBodyUI : public CVerticalLayoutUI {
 public:
  explicit CListBodyUI(CListUI* owner);

  void SetPos(RECT rc) override;
  void SetScrollPos(SIZE pos) override;
  void DoEvent(UIEventRecord& event) override;

 private:
  CListUI* m_owner;
};

}  // namespace SkinUI
