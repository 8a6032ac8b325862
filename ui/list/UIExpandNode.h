// One node of an expandable list's item tree; a node owns its child nodes.
#pragma once
#include <windows.h>

#include "ui/core/UIPtrArray.h"

namespace SkinUI {

struct UIExpandNode {
  UIExpandNode() = default;
  UIExpandNode(const UIExpandNode&) = delete;
  UIExpandNode& operator=(const UIExpandNode&) = delete;
  // Frees the whole subtree, each node exactly once.
  ~UIExpandNode();

  CUIPtrArray children;
  DWORD data = 0;
  int index = -1;
  bool first = true;
  bool second = true;
  int level = 0;
};

}  // namespace SkinUI
