#include "list/ExpandListUI.h"

#include "list/UIExpandNode.h"

namespace SkinUI {

CExpandListUI::CExpandListUI() : m_root(new UIExpandNode) {}

CExpandListUI::~CExpandListUI() { delete m_root; }

void CExpandListUI::RemoveAll() {
  CListUI::RemoveAll();
  delete m_root;
  m_root = new UIExpandNode;
}

void CExpandListUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
    if (m_parent)
      m_parent->DoEvent(event);
    else
      CVerticalLayoutUI::DoEvent(event);
    return;
  }
  CListUI::DoEvent(event);
}

}  // namespace SkinUI
