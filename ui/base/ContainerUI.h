// A control that owns child controls: keeps them in order, places, paints and hit-tests
// them inside its inset, and scrolls them with optional scroll bars.
#pragma once
#include "ui/base/ControlUI.h"
#include "ui/core/UIPtrArray.h"
#include "ui/base/IContainerUI.h"

namespace SkinUI {

class CScrollBarUI;

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;

  // IContainerUI.
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetMouseEnabled(bool enabled = true) override;
  CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;

  // Operations added by containers, in slot order.
  virtual RECT GetInset() const;
  virtual void SetInset(RECT inset);
  virtual int GetChildPadding() const;
  virtual void SetChildPadding(int padding);
  virtual bool IsAutoDestroy() const;
  virtual void SetAutoDestroy(bool on);
  virtual bool IsDelayedDestroy() const;
  virtual void SetDelayedDestroy(bool on);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool on = true);
  virtual int FindSelectable(int index, bool forward = true) const;
  virtual SIZE GetScrollPos() const;
  virtual SIZE GetScrollRange() const;
  virtual void SetScrollPos(SIZE pos);
  virtual void SetScrollBarSize(int horizontalHeight, int verticalWidth);
  virtual void LineUp();
  virtual void LineDown();
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown();
  virtual void LineLeft();
  virtual void LineRight();
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  virtual void EnableScrollBar(bool vertical = true, bool horizontal = false);
  virtual CScrollBarUI* GetVerticalScrollBar() const;
  virtual CScrollBarUI* GetHorizontalScrollBar() const;
  virtual void SetFloatPos(int index);
  virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

  // This container's own children, bars and padding, whatever a derived class's IContainerUI
  // and scrolling operations answer (a list answers with the rows and bars of its body).
  CControlUI* ItemAt(int index) const { return static_cast<CControlUI*>(m_items.GetAt(index)); }
  int ItemCount() const { return m_items.GetSize(); }
  CScrollBarUI* OwnVerticalScrollBar() const { return m_verticalScrollBar; }
  CScrollBarUI* OwnHorizontalScrollBar() const { return m_horizontalScrollBar; }
  int OwnChildPadding() const { return m_childPadding; }

 protected:
  // Gives each child this container's visibility; stops when the window goes meanwhile.
  void SetChildrenInternVisible();
  // Hands a removed child to the manager's delayed cleanup, or deletes it once the frames
  // that may still use it have returned.
  void DestroyChild(CControlUI* control);
  // Scrolling steps: by a line (the default font's height + 8), by a page of the inner area.
  void ScrollBy(int dx, int dy);
  int LineStep() const;
  int PageHeight() const;
  int PageWidth() const;

  CUIPtrArray m_items;
  RECT m_rcInset = {0, 0, 0, 0};
  int m_childPadding = 0;
  bool m_autoDestroy = true;
  bool m_delayedDestroy = true;
  bool m_mouseChildEnabled = true;
  bool m_scrollProcess = false;
  int m_horizontalBarHeight = -1;
  int m_verticalBarWidth = -1;
  CScrollBarUI* m_verticalScrollBar = nullptr;
  CScrollBarUI* m_horizontalScrollBar = nullptr;
};

}  // namespace SkinUI
