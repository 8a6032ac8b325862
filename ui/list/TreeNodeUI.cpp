#include "ui/list/TreeNodeUI.h"

#include <cwchar>

#include "ui/control/CheckBoxUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/OptionUI.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/core/UIValueParser.h"
#include "ui/list/TreeNodeRowUI.h"
#include "ui/list/TreeViewUI.h"

namespace SkinUI {

namespace {

CTreeNodeUI* AsNode(CControlUI* control) {
  if (!control || _wcsicmp(control->GetClass(), L"TreeNodeUI") != 0) return nullptr;
  return static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode"));
}

}  // namespace

CTreeNodeUI::CTreeNodeUI(CTreeNodeUI* parent)
    : m_horiz(new CTreeNodeRowUI),
      m_folderButton(new CCheckBoxUI),
      m_dottedLine(new CLabelUI),
      m_checkBox(new CCheckBoxUI),
      m_itemButton(new COptionUI) {
  SetFixedHeight(18);
  SetFixedWidth(250);
  m_folderButton->SetFixedWidth(GetFixedHeight());
  m_dottedLine->SetFixedWidth(2);
  m_checkBox->SetFixedWidth(GetFixedHeight());
  m_itemButton->SetAttribute(L"align", L"left");
  m_dottedLine->SetVisible(false);
  m_checkBox->SetVisible(false);
  m_itemButton->SetMouseEnabled(false);
  // The node and its view hold these for the node's whole life: the row keeps them whatever
  // a handler removes.
  m_horiz->AddPart(m_dottedLine);
  m_horiz->AddPart(m_folderButton);
  m_horiz->AddPart(m_checkBox);
  m_horiz->AddPart(m_itemButton);
  // Straight into the container: this node's own AddAt takes only child nodes.
  CContainerUI::AddAt(m_horiz, 0);
  if (parent) parent->Attach(this);
}

CTreeNodeUI::~CTreeNodeUI() {
  // Child nodes outside a view belong to their node; those in a view are rows of it.
  if (m_treeView) return;
  CUIPtrArray children(m_childNodes);
  m_childNodes.Empty();
  for (int i = 0; i < children.GetSize(); ++i) {
    CTreeNodeUI* child = static_cast<CTreeNodeUI*>(children[i]);
    if (!child->GetTreeView()) delete child;
  }
}

LPCWSTR CTreeNodeUI::GetClass() const { return L"TreeNodeUI"; }

LPVOID CTreeNodeUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"TreeNode") == 0) return static_cast<CTreeNodeUI*>(this);
  return CListContainerElementUI::GetInterface(name);
}

void CTreeNodeUI::DoEvent(UIEventRecord& event) {
  if (ForwardUnmoused(event)) return;
  int type = event.type;
  // The row reports the double click itself ("itemdbclick" once per click). A handler of the
  // row's notifications may destroy the window, and this node with it.
  if (!CWindowManagerUI::Survives(m_manager, [&] { CListContainerElementUI::DoEvent(event); })) return;
  if (type == UIEVENT_MOUSEENTER) {
    if (!IsEnabled())
      m_itemButton->SetTextColor(m_itemButton->GetDisabledTextColor());
    else if (m_selected && m_selItemHotTextColor != 0)
      m_itemButton->SetTextColor(m_selItemHotTextColor);
    else
      m_itemButton->SetTextColor(m_itemHotTextColor);
  } else if (type == UIEVENT_MOUSELEAVE) {
    if (!IsEnabled())
      m_itemButton->SetTextColor(m_itemButton->GetDisabledTextColor());
    else if (!m_selected)
      m_itemButton->SetTextColor(m_itemTextColor);
    else if (m_selItemTextColor != 0)
      m_itemButton->SetTextColor(m_selItemTextColor);
  }
}

void CTreeNodeUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name || !value) return;
  if (wcscmp(name, L"text") == 0) {
    m_itemButton->SetText(value);
  } else if (wcscmp(name, L"horizattr") == 0) {
    m_horiz->ApplyAttributeList(value);
  } else if (wcscmp(name, L"dotlineattr") == 0) {
    m_dottedLine->ApplyAttributeList(value);
  } else if (wcscmp(name, L"folderattr") == 0) {
    m_folderButton->ApplyAttributeList(value);
  } else if (wcscmp(name, L"checkboxattr") == 0) {
    m_checkBox->ApplyAttributeList(value);
  } else if (wcscmp(name, L"itemattr") == 0) {
    m_itemButton->ApplyAttributeList(value);
  } else if (wcscmp(name, L"itemtextcolor") == 0) {
    SetItemTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"itemhottextcolor") == 0) {
    SetItemHotTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"selitemtextcolor") == 0) {
    SetSelItemTextColor(CUIValueParser::ReadColor(value));
  } else if (wcscmp(name, L"selitemhottextcolor") == 0) {
    SetSelItemHotTextColor(CUIValueParser::ReadColor(value));
  } else {
    CListContainerElementUI::SetAttribute(name, value);
  }
}

// ---- Child nodes ----

void CTreeNodeUI::Attach(CTreeNodeUI* node) {
  node->m_dottedLine->SetVisible(true);
  node->m_dottedLine->SetFixedWidth(m_dottedLine->GetFixedWidth() + 16);
  node->m_parentNode = this;
  node->m_itemButton->SetGroup(m_itemButton->GetGroup());
  node->m_treeView = m_treeView;
}

bool CTreeNodeUI::Add(CControlUI* control) {
  if (CTreeNodeUI* node = AsNode(control)) return AddChildNode(node);
  return CContainerUI::AddAt(control, m_items.GetSize());
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* node) {
  if (!node || _wcsicmp(node->GetClass(), L"TreeNodeUI") != 0) return false;
  CTreeNodeUI* last = GetLastNode();
  Attach(node);
  if (m_treeView) {
    int at = m_treeView->GetItemIndex(last);
    if (at < 0 || m_treeView->AddAt(node, at + 1) < 0) {
      node->m_parentNode = nullptr;
      return false;
    }
  }
  m_childNodes.Add(node);
  return true;
}

bool CTreeNodeUI::AddAt(CControlUI* control, int index) {
  CTreeNodeUI* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
  if (!node) return false;
  CTreeNodeUI* before = GetChildNode(index);
  // Without a child at index the node goes after this node's whole subtree.
  int row = -1;
  if (m_treeView) row = before ? m_treeView->GetItemIndex(before) : m_treeView->GetItemIndex(GetLastNode()) + 1;
  if (before)
    m_childNodes.InsertAt(index, node);
  else
    m_childNodes.Add(node);
  Attach(node);
  if (m_treeView) {
    if (row >= 0 && row < m_treeView->GetCount())
      m_treeView->AddAt(node, row);
    else
      m_treeView->Add(node);
  }
  return true;
}

void CTreeNodeUI::DetachChildNode(CTreeNodeUI* node) {
  int at = m_childNodes.Find(node);
  if (at < 0) return;
  m_childNodes.Remove(at);
  node->m_parentNode = nullptr;
}

bool CTreeNodeUI::Remove(CControlUI* control) {
  CTreeNodeUI* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
  // Only child nodes: the row layout and its buttons are this node's own for its whole life.
  if (!node || m_childNodes.Find(node) < 0) return false;
  // Its subtree first, walking a copy: each removal changes the child arrays.
  CUIPtrArray grandChildren(node->m_childNodes);
  for (int i = 0; i < grandChildren.GetSize(); ++i) node->Remove(static_cast<CTreeNodeUI*>(grandChildren[i]));
  DetachChildNode(node);
  if (m_treeView)
    m_treeView->RemoveNode(node);
  else
    CWindowManagerUI::DeleteUnwound(node->GetManager(), node);
  return true;
}

void CTreeNodeUI::RemoveAll() {
  CUIPtrArray children(m_childNodes);
  for (int i = 0; i < children.GetSize(); ++i) Remove(static_cast<CTreeNodeUI*>(children[i]));
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int index) const {
  return static_cast<CTreeNodeUI*>(m_childNodes.GetAt(index));
}

int CTreeNodeUI::GetTreeIndex() const {
  return m_treeView ? m_treeView->GetItemIndex(const_cast<CTreeNodeUI*>(this)) : -1;
}

CTreeNodeUI* CTreeNodeUI::GetLastNode() {
  // A loop: trees may be deeper than the stack.
  CTreeNodeUI* last = this;
  while (!last->m_childNodes.IsEmpty()) last = last->GetChildNode(last->m_childNodes.GetSize() - 1);
  return last;
}

bool CTreeNodeUI::Select(bool select) {
  bool result = false;
  // An "itemselect" handler may destroy the window, and this node with it.
  if (!CWindowManagerUI::Survives(m_manager, [&] { result = CListContainerElementUI::Select(select); }))
    return result;
  m_itemButton->SetTextColor(m_selected ? m_selItemTextColor : m_itemTextColor);
  return result;
}

// ---- Parts ----

CUIString CTreeNodeUI::GetItemText() const { return m_itemButton->GetText(); }

void CTreeNodeUI::SetItemText(LPCWSTR text) { m_itemButton->SetText(text); }

void CTreeNodeUI::SetVisibleFolderBtn(bool visible) { m_folderButton->SetVisible(visible); }

void CTreeNodeUI::SetVisibleCheckBtn(bool visible) { m_checkBox->SetVisible(visible); }

void CTreeNodeUI::SetItemTextColor(DWORD color) {
  m_itemTextColor = color;
  m_itemButton->SetTextColor(color);
}

void CTreeNodeUI::SetItemHotTextColor(DWORD color) {
  m_itemHotTextColor = color;
  Invalidate();
}

void CTreeNodeUI::SetSelItemTextColor(DWORD color) {
  m_selItemTextColor = color;
  Invalidate();
}

void CTreeNodeUI::SetSelItemHotTextColor(DWORD color) {
  m_selItemHotTextColor = color;
  Invalidate();
}

}  // namespace SkinUI
