#include "ui/list/ExpandListUI.h"

#include "ui/list/UIExpandNode.h"

namespace SkinUI {

CExpandListUI::CExpandListUI() : m_root(new UIExpandNode) {}

CExpandListUI::~CExpandListUI() { delete m_root; }

void CExpandListUI::RemoveAll() {
  CListUI::RemoveAll();
  delete m_root;
  m_root = new UIExpandNode;
}

}  // namespace SkinUI
