// A label for longer, wrapping text that may carry rich-text markup with clickable links.
#pragma once
#include <windows.h>

#include "ui/control/LabelUI.h"

namespace SkinUI {

class CTextUI : public CLabelUI {
 public:
  enum { kMaxLinks = 8 };

  CTextUI();
  ~CTextUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void DoEvent(UIEventRecord& event) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(HDC hdc) override;

  int GetLinkCount() const { return m_linkCount; }
  RECT GetLinkRect(int index) const;
  const CUIString* GetLinkContent(int index) const;
  int GetHoverLink() const { return m_hoverLink; }

 protected:
  int m_linkCount = 0;
  RECT m_links[kMaxLinks] = {};
  CUIString m_linkTexts[kMaxLinks];
  int m_hoverLink = -1;
};

}  // namespace SkinUI
