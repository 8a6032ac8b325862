// The list box: a header of columns over a body of rows, with one selection, an expanded
// row, keyboard and wheel navigation and a smooth, delayed wheel scroll.
#pragma once
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/IListUI.h"
#include "ui/list/UIListInfo.h"

namespace SkinUI {

class CListBodyUI;
class CListHeaderUI;

class CListUI : public CVerticalLayoutUI, public IListUI {
 public:
  enum { kScrollTimerId = 10 };

  CListUI();
  ~CListUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;

  // IContainerUI, routed to the header or the body by the kind of child.
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  // Padding and scrolling are the body's.
  int GetChildPadding() const override;
  void SetChildPadding(int padding) override;
  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  void SetScrollPos(SIZE pos) override;
  void SetScrollBarSize(int horizontalHeight, int verticalWidth) override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;
  void LineLeft() override;
  void LineRight() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;
  void EnableScrollBar(bool vertical = true, bool horizontal = false) override;
  CScrollBarUI* GetVerticalScrollBar() const override;
  CScrollBarUI* GetHorizontalScrollBar() const override;

  void SetPos(RECT rc) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  // IListUI.
  UIListInfo* GetListInfo() override { return &m_listInfo; }
  int GetCurSel() const override { return m_curSel; }
  bool SelectItem(int index, bool takeFocus = false) override;
  CListHeaderUI* GetHeader() const override { return m_header; }
  CContainerUI* GetList() const override;
  IListTextCallbackUI* GetTextCallback() const override { return m_callback; }
  void SetTextCallback(IListTextCallbackUI* callback) override { m_callback = callback; }
  bool ExpandItem(int index, bool expand = true) override;
  int GetExpandedItem() const override { return m_expandedItem; }

  void EnsureVisible(int index);
  void Scroll(int dx, int dy);
  bool IsScrollSelect() const { return m_scrollSelect; }
  bool IsDelayScroll() const { return m_delayScroll; }
  // The smooth scroll: speed and steps.
  int GetScrollSpeed() const { return m_scrollSpeed; }
  UINT GetScrollSteps() const { return m_totalSteps; }
  UINT GetScrollStepsLeft() const { return m_remainingSteps; }
  // Shows or hides every header item inside a hidden header (for layout only).
  void SetHeaderItemsVisible(bool visible);
  // The header was placed by a layout of its own (a column's width changed): the columns
  // and the rows follow it.
  void OnHeaderPlaced();

 protected:
  bool OnScrollWheel(const UIEventRecord& event);
  bool OnKeyDown(const UIEventRecord& event);
  void WheelStart(WPARAM code);
  void WheelStep();
  void WheelStop();
  void UpdateColumnCount();
  // The column rectangles from the header items that are visible and not floating.
  void ReadColumns();
  void Renumber(int from, int to);
  // The row at a body index as a list item, or null.
  class IListItemUI* RowAt(int index) const;

  bool m_scrollSelect = false;
  int m_curSel = -1;
  int m_expandedItem = -1;
  IListTextCallbackUI* m_callback = nullptr;
  CListBodyUI* m_list = nullptr;
  CListHeaderUI* m_header = nullptr;
  UIListInfo m_listInfo;
  int m_scrollSpeed = 0;
  UINT m_totalSteps = 0;
  UINT m_remainingSteps = 0;
  bool m_delayScroll = true;
  // True while the list places its header itself.
  bool m_placingHeader = false;
};

}  // namespace SkinUI
