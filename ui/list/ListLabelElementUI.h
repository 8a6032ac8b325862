// A one-line text row.
#pragma once
#include "ui/list/ListElementUI.h"

namespace SkinUI {

class CListLabelElementUI : public CListElementUI {
 public:
  CListLabelElementUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;
  SIZE EstimateSize(SIZE available) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;
  void DrawItemText(HDC hdc, const RECT& rc) override;
};

}  // namespace SkinUI
