// One node of a tree view: a list container row holding an indentation spacer, a folder
// button (selected = collapsed), a check button and the button that shows the text.
#pragma once
#include "ui/core/UIPtrArray.h"
#include "ui/list/ListContainerElementUI.h"
#include "ui/list/TreeNodeRowUI.h"

namespace SkinUI {

class CCheckBoxUI;
class CLabelUI;
class COptionUI;
class CTreeViewUI;

class CTreeNodeUI : public CListContainerElementUI {
 public:
  explicit CTreeNodeUI(CTreeNodeUI* parent = nullptr);
  ~CTreeNodeUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  // Removes every child node; the row stays, as with Remove.
  void RemoveAll() override;
  bool Select(bool select = true) override;

  bool AddChildNode(CTreeNodeUI* node);
  // Takes a child node out of this node's children without touching its row.
  void DetachChildNode(CTreeNodeUI* node);
  CUIPtrArray GetChildNodes() const { return m_childNodes; }
  CTreeNodeUI* GetChildNode(int index) const;
  int GetCountChild() const { return m_childNodes.GetSize(); }
  bool IsHasChild() const { return !m_childNodes.IsEmpty(); }
  CTreeNodeUI* GetParentNode() const { return m_parentNode; }
  CTreeViewUI* GetTreeView() const { return m_treeView; }
  void SetTreeView(CTreeViewUI* view) { m_treeView = view; }
  // This node's row index in its view, -1 without one.
  int GetTreeIndex() const;
  // The last node of this node's subtree (itself when it has no children).
  CTreeNodeUI* GetLastNode();

  CUIString GetItemText() const;
  void SetItemText(LPCWSTR text);
  void SetVisibleFolderBtn(bool visible);
  void SetVisibleCheckBtn(bool visible);
  void SetItemTextColor(DWORD color);
  DWORD GetItemTextColor() const { return m_itemTextColor; }
  void SetItemHotTextColor(DWORD color);
  DWORD GetItemHotTextColor() const { return m_itemHotTextColor; }
  void SetSelItemTextColor(DWORD color);
  DWORD GetSelItemTextColor() const { return m_selItemTextColor; }
  void SetSelItemHotTextColor(DWORD color);
  DWORD GetSelItemHotTextColor() const { return m_selItemHotTextColor; }

  CHorizontalLayoutUI* GetTreeNodeHoriznotal() const { return m_horiz; }
  CCheckBoxUI* GetFolderButton() const { return m_folderButton; }
  CLabelUI* GetDottedLine() const { return m_dottedLine; }
  CCheckBoxUI* GetCheckBox() const { return m_checkBox; }
  COptionUI* GetItemButton() const { return m_itemButton; }

 private:
  // Makes `node` a child of this node: indentation, parent, option group and view.
  void Attach(CTreeNodeUI* node);

  DWORD m_itemTextColor = 0;
  DWORD m_itemHotTextColor = 0;
  DWORD m_selItemTextColor = 0;
  DWORD m_selItemHotTextColor = 0;
  CTreeViewUI* m_treeView = nullptr;
  CTreeNodeRowUI* m_horiz;
  CCheckBoxUI* m_folderButton;
  CLabelUI* m_dottedLine;
  CCheckBoxUI* m_checkBox;
  COptionUI* m_itemButton;
  CTreeNodeUI* m_parentNode = nullptr;
  CUIPtrArray m_childNodes;
};

}  // namespace SkinUI
