// A list that keeps a tree of item nodes beside its rows; only its root is ever used.
// Events, keys and the wheel are the list's.
#pragma once
#include "ui/list/ListUI.h"

namespace SkinUI {

struct UIExpandNode;

class CExpandListUI : public CListUI {
 public:
  CExpandListUI();
  ~CExpandListUI() override;

  void RemoveAll() override;

  UIExpandNode* GetRoot() const { return m_root; }

 private:
  UIExpandNode* m_root;
};

}  // namespace SkinUI
