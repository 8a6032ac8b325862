// A list without a visible header whose items are menu elements; its natural size is the
// stack of its visible items.
#pragma once
#include "ui/list/ListUI.h"

namespace SkinUI {

class CMenuUI : public CListUI {
 public:
  CMenuUI();
  ~CMenuUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;

  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;

 private:
  static bool IsMenuElement(CControlUI* control);
  // Sub-items of a menu element stay hidden inside the menu.
  static void HideSubItems(CControlUI* element);
};

}  // namespace SkinUI
