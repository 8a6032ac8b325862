// A tree shown as a flat list of tree nodes: children follow their parent, indented; the
// folder buttons expand and collapse, the check buttons check whole subtrees.
#pragma once
#include "ui/list/ListUI.h"
#include "ui/base/INotifyUI.h"

namespace SkinUI {

class CCheckBoxUI;
class CTreeNodeUI;

class CTreeViewUI : public CListUI, public INotifyUI {
 public:
  CTreeViewUI();
  ~CTreeViewUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  void Notify(UINotifyMsg&) override {}

  // A tree node given as a plain child (as the skin builder does) joins as a node.
  bool Add(CControlUI* control) override;
  using CListUI::AddAt;
  virtual bool Add(CTreeNodeUI* node);
  virtual bool AddAtNode(CTreeNodeUI* node, CTreeNodeUI* before);
  // Inserts the node and its whole subtree from index on; returns the index after the last
  // row inserted, -1 when nothing was.
  virtual int AddAt(CTreeNodeUI* node, int index);
  virtual bool RemoveNode(CTreeNodeUI* node);
  virtual bool OnCheckBoxChanged(void* param);
  virtual bool OnFolderChanged(void* param);
  virtual bool OnDBClickItem(void* param);
  virtual bool SetItemCheckBox(bool checked, CTreeNodeUI* node = nullptr);
  virtual void SetItemExpand(bool expanded, CTreeNodeUI* node = nullptr);
  virtual void SetVisibleFolderBtn(bool visible);
  virtual bool GetVisibleFolderBtn() const { return m_visibleFolderBtn; }
  virtual void SetVisibleCheckBtn(bool visible);
  virtual bool GetVisibleCheckBtn() const { return m_visibleCheckBtn; }
  virtual void SetItemMinWidth(UINT width);
  virtual UINT GetItemMinWidth() const { return m_itemMinWidth; }
  virtual void SetItemTextColor(DWORD color);
  virtual void SetItemHotTextColor(DWORD color);
  virtual void SetSelItemTextColor(DWORD color);
  virtual void SetSelItemHotTextColor(DWORD color);

 private:
  // Subscriptions, button visibility and minimum width of a node joining the view.
  void Prepare(CTreeNodeUI* node);
  CTreeNodeUI* NodeAt(int index) const;
  template <class T>
  void ForEachNode(void (CTreeNodeUI::*fn)(T), T value);

  // The box that SetItemCheckBox is setting: its own "selectchanged" leaves the subtree below
  // it to that walk.
  CCheckBoxUI* m_checking = nullptr;
  UINT m_itemMinWidth = 0;
  bool m_visibleFolderBtn = true;
  bool m_visibleCheckBtn = false;
};

}  // namespace SkinUI
