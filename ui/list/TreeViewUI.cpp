#include "ui/list/TreeViewUI.h"

#include <cwchar>
#include <vector>

#include "ui/control/CheckBoxUI.h"
#include "ui/control/OptionUI.h"
#include "ui/core/Delegate.h"
#include "ui/core/UIValueParser.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/base/UINotifyMsg.h"

namespace SkinUI {

namespace {

bool IsNodeClass(CControlUI* control) { return control && _wcsicmp(control->GetClass(), L"TreeNodeUI") == 0; }

// The node that holds a button of its row (button -> row layout -> node).
CTreeNodeUI* NodeOfButton(CControlUI* button) {
  CControlUI* row = button ? button->GetParent() : nullptr;
  CControlUI* node = row ? row->GetParent() : nullptr;
  return node ? static_cast<CTreeNodeUI*>(node->GetInterface(L"TreeNode")) : nullptr;
}

}  // namespace

CTreeViewUI::CTreeViewUI() { GetHeader()->SetVisible(false); }

CTreeViewUI::~CTreeViewUI() = default;

LPCWSTR CTreeViewUI::GetClass() const { return L"TreeViewUI"; }

LPVOID CTreeViewUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"TreeView") == 0) return static_cast<CTreeViewUI*>(this);
  return CListUI::GetInterface(name);
}

template <class T>
void CTreeViewUI::ForEachNode(void (CTreeNodeUI::*fn)(T), T value) {
  for (int i = 0; i < GetCount(); ++i) {
    if (CTreeNodeUI* row = NodeAt(i)) (row->*fn)(value);
  }
}

CTreeNodeUI* CTreeViewUI::NodeAt(int index) const {
  CControlUI* row = GetItemAt(index);
  return row ? static_cast<CTreeNodeUI*>(row->GetInterface(L"TreeNode")) : nullptr;
}

void CTreeViewUI::Prepare(CTreeNodeUI* node) {
  node->OnNotify += MakeDelegate(this, &CTreeViewUI::OnDBClickItem);
  node->GetFolderButton()->OnNotify += MakeDelegate(this, &CTreeViewUI::OnFolderChanged);
  node->GetCheckBox()->OnNotify += MakeDelegate(this, &CTreeViewUI::OnCheckBoxChanged);
  node->SetVisibleFolderBtn(m_visibleFolderBtn);
  node->SetVisibleCheckBtn(m_visibleCheckBtn);
  if (m_itemMinWidth > 0) node->SetMinWidth(int(m_itemMinWidth));
}

bool CTreeViewUI::Add(CControlUI* control) {
  if (IsNodeClass(control)) return Add(static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")));
  return CListUI::Add(control);
}

bool CTreeViewUI::Add(CTreeNodeUI* node) {
  if (!IsNodeClass(node)) return false;
  Prepare(node);
  CListUI::Add(node);
  CUIPtrArray children = node->GetChildNodes();
  for (int i = 0; i < children.GetSize(); ++i) Add(static_cast<CTreeNodeUI*>(children[i]));
  node->SetTreeView(this);
  return true;
}

int CTreeViewUI::AddAt(CTreeNodeUI* node, int index) {
  // Appending at the row count is allowed: the last node of a view can get children.
  if (!IsNodeClass(node) || index < 0 || index > GetCount()) return -1;
  Prepare(node);
  if (!CListUI::AddAt(node, index)) return -1;
  node->SetTreeView(this);
  int next = index + 1;
  CUIPtrArray children = node->GetChildNodes();
  for (int i = 0; i < children.GetSize(); ++i) {
    int after = AddAt(static_cast<CTreeNodeUI*>(children[i]), next);
    if (after >= 0) next = after;
  }
  return next;
}

bool CTreeViewUI::AddAtNode(CTreeNodeUI* node, CTreeNodeUI* before) {
  int index = GetItemIndex(before);
  if (index < 0) return false;
  return AddAt(node, index) >= 0;
}

bool CTreeViewUI::RemoveNode(CTreeNodeUI* node) {
  if (!node) return false;
  // Out of its parent's children first, so that nothing points at it once it is gone.
  if (CTreeNodeUI* parent = node->GetParentNode()) parent->DetachChildNode(node);
  CUIPtrArray children = node->GetChildNodes();
  for (int i = 0; i < children.GetSize(); ++i) node->Remove(static_cast<CTreeNodeUI*>(children[i]));
  CListUI::Remove(node);
  return true;
}

bool CTreeViewUI::RemoveAt(int index) {
  CTreeNodeUI* node = NodeAt(index);
  if (node) return RemoveNode(node);
  return CListUI::RemoveAt(index);
}

void CTreeViewUI::RemoveAll() { CListUI::RemoveAll(); }

bool CTreeViewUI::OnCheckBoxChanged(void* param) {
  UINotifyMsg* msg = static_cast<UINotifyMsg*>(param);
  if (msg->type == L"selectchanged" && msg->sender != m_checking) {
    CCheckBoxUI* box = static_cast<CCheckBoxUI*>(msg->sender);
    if (CTreeNodeUI* node = NodeOfButton(box)) SetItemCheckBox(box->IsSelected(), node);
  }
  return true;
}

bool CTreeViewUI::OnFolderChanged(void* param) {
  UINotifyMsg* msg = static_cast<UINotifyMsg*>(param);
  if (msg->type == L"selectchanged") {
    CCheckBoxUI* folder = static_cast<CCheckBoxUI*>(msg->sender);
    if (CTreeNodeUI* node = NodeOfButton(folder)) SetItemExpand(!folder->IsSelected(), node);
  }
  return true;
}

bool CTreeViewUI::OnDBClickItem(void* param) {
  UINotifyMsg* msg = static_cast<UINotifyMsg*>(param);
  if (msg->type != L"itemdbclick") return false;
  CTreeNodeUI* node = static_cast<CTreeNodeUI*>(msg->sender->GetInterface(L"TreeNode"));
  if (!node) return false;
  CCheckBoxUI* folder = node->GetFolderButton();
  // The folder's "selectchanged" handler may destroy the window, and this view with it.
  if (!CWindowManagerUI::Survives(m_manager, [folder] { folder->SetSelected(!folder->IsSelected()); })) return true;
  SetItemExpand(!folder->IsSelected(), node);
  return true;
}

bool CTreeViewUI::SetItemCheckBox(bool checked, CTreeNodeUI* node) {
  // Downwards only: a node's own box and its parents are left alone. One walk, each node's
  // children before its later siblings, sets every box below: the boxes it sets still notify,
  // but this view's own handler leaves their subtrees to the walk, so a tree of any depth
  // costs one visit a node and no stack. Without a node the rows are every node there is.
  std::vector<CTreeNodeUI*> pending;
  auto push = [&pending](const CUIPtrArray& nodes) {
    for (int i = nodes.GetSize() - 1; i >= 0; --i) pending.push_back(static_cast<CTreeNodeUI*>(nodes[i]));
  };
  if (node) push(node->GetChildNodes());
  CCheckBoxUI* outer = m_checking;
  // False once a handler has closed the window: the walk ends there.
  auto check = [&](CTreeNodeUI* next) {
    m_checking = next->GetCheckBox();
    m_checking->SetSelected(checked);
    return !m_manager || !m_manager->IsWindowGone();
  };
  // The frame keeps this view until the walk is done, whatever a handler closes.
  CWindowManagerUI::Survives(m_manager, [&] {
    if (node) {
      while (!pending.empty()) {
        CTreeNodeUI* next = pending.back();
        pending.pop_back();
        if (!check(next)) break;
        push(next->GetChildNodes());
      }
    } else {
      for (int i = 0; i < GetCount(); ++i) {
        CTreeNodeUI* row = NodeAt(i);
        if (row && !check(row)) break;
      }
    }
    m_checking = outer;
  });
  return true;
}

void CTreeViewUI::SetItemExpand(bool expanded, CTreeNodeUI* node) {
  if (node) {
    CUIPtrArray children = node->GetChildNodes();
    for (int i = 0; i < children.GetSize(); ++i) {
      CTreeNodeUI* child = static_cast<CTreeNodeUI*>(children[i]);
      child->SetVisible(expanded);
      // A collapsed child's subtree keeps its state.
      if (child->IsHasChild() && !child->GetFolderButton()->IsSelected()) SetItemExpand(expanded, child);
    }
    return;
  }
  for (int i = 0; i < GetCount(); ++i) {
    if (CControlUI* row = GetItemAt(i)) row->SetVisible(expanded);
  }
}

void CTreeViewUI::SetVisibleFolderBtn(bool visible) {
  m_visibleFolderBtn = visible;
  ForEachNode(&CTreeNodeUI::SetVisibleFolderBtn, visible);
}

void CTreeViewUI::SetVisibleCheckBtn(bool visible) {
  m_visibleCheckBtn = visible;
  ForEachNode(&CTreeNodeUI::SetVisibleCheckBtn, visible);
}

void CTreeViewUI::SetItemMinWidth(UINT width) {
  m_itemMinWidth = width;
  for (int i = 0; i < GetCount(); ++i) {
    if (CControlUI* row = GetItemAt(i)) row->SetMinWidth(int(width));
  }
  Invalidate();
}

void CTreeViewUI::SetItemTextColor(DWORD color) { ForEachNode(&CTreeNodeUI::SetItemTextColor, color); }

void CTreeViewUI::SetItemHotTextColor(DWORD color) { ForEachNode(&CTreeNodeUI::SetItemHotTextColor, color); }

void CTreeViewUI::SetSelItemTextColor(DWORD color) { ForEachNode(&CTreeNodeUI::SetSelItemTextColor, color); }

void CTreeViewUI::SetSelItemHotTextColor(DWORD color) { ForEachNode(&CTreeNodeUI::SetSelItemHotTextColor, color); }

void CTreeViewUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name || !value) return;
  if (wcscmp(name, L"visiblefolderbtn") == 0) {
    SetVisibleFolderBtn(CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"visiblecheckbtn") == 0) {
    SetVisibleCheckBtn(CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"itemminwidth") == 0) {
    SetItemMinWidth(UINT(CUIValueParser::ReadInt(value)));
  } else if (wcscmp(name, L"itemtextcolor") == 0) {
    SetItemTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"itemhottextcolor") == 0) {
    SetItemHotTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"selitemtextcolor") == 0) {
    SetSelItemTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"selitemhottextcolor") == 0) {
    SetSelItemHotTextColor(CUIValueParser::ReadColor(value));
  } else {
    CListUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
