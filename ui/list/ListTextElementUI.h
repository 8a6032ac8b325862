// A row with one text per header column, from its own texts or the list's text callback;
// with markup on, the links in its cells can be clicked.
#pragma once
#include "ui/core/UIPtrArray.h"
#include "ui/list/ListLabelElementUI.h"

namespace SkinUI {

class IListUI;

class CListTextElementUI : public CListLabelElementUI {
 public:
  enum { kMaxLinks = 8 };

  CListTextElementUI();
  ~CListTextElementUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void SetOwner(CControlUI* owner) override;
  void DoEvent(UIEventRecord& event) override;
  SIZE EstimateSize(SIZE available) override;
  void DrawItemText(HDC hdc, const RECT& rc) override;

  // The row's own text of a column (empty when none was set).
  LPCWSTR GetText(int column) const;
  void SetText(int column, LPCWSTR text);
  int GetLinkCount() const { return m_linkCount; }
  RECT GetLinkRect(int index) const;
  using CListLabelElementUI::GetText;
  using CListLabelElementUI::SetText;

 private:
  int LinkAt(POINT pt) const;

  int m_linkCount = 0;
  RECT m_links[kMaxLinks] = {};
  CUIString m_linkTexts[kMaxLinks];
  int m_hoverLink = -1;
  IListUI* m_list = nullptr;
  CUIPtrArray m_texts;
};

}  // namespace SkinUI
