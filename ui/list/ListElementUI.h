// The base of the plain (non-container) list rows.
#pragma once
#include "ui/base/ControlUI.h"
#include "ui/list/ListItemImpl.h"

namespace SkinUI {

class CListElementUI : public CListItemImpl<CControlUI> {
 public:
  CListElementUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;
};

}  // namespace SkinUI
