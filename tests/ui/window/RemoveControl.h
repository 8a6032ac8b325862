// Takes a control out of its place the ordinary way (for the tests and fuzz targets whose
// handlers remove the control that notified).
#pragma once
#include "ui/base/ControlUI.h"
#include "ui/base/IContainerUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"

namespace frametest {

// A tree node through its view, a list row through its list, anything else through its
// container.
inline void RemoveControl(SkinUI::CControlUI* control) {
  using namespace SkinUI;
  if (auto* node = static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode"))) {
    if (node->GetTreeView()) {
      node->GetTreeView()->RemoveNode(node);
      return;
    }
  }
  bool row = control->GetInterface(L"ListItem") != nullptr;
  for (CControlUI* up = control->GetParent(); up; up = up->GetParent()) {
    if (row && !up->GetInterface(L"List")) continue;
    if (auto* box = static_cast<IContainerUI*>(up->GetInterface(L"IContainer"))) {
      box->Remove(control);
      return;
    }
  }
}

}  // namespace frametest
