#include "ui/list/TreeNodeRowUI.h"

namespace SkinUI {

bool CTreeNodeRowUI::AddPart(CControlUI* part) { return Add(part) && m_parts.Add(part); }

bool CTreeNodeRowUI::Remove(CControlUI* control) {
  if (control && m_parts.Find(control) >= 0) return false;
  return CHorizontalLayoutUI::Remove(control);
}

void CTreeNodeRowUI::RemoveAll() {
  CUIPtrArray items(m_items);
  for (int i = 0; i < items.GetSize(); ++i) Remove(static_cast<CControlUI*>(items[i]));
}

}  // namespace SkinUI
