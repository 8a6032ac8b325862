#include "ui/list/UIExpandNode.h"

namespace SkinUI {

UIExpandNode::~UIExpandNode() {
  // Taken out of the array before deleting, so that no node is reached twice.
  CUIPtrArray nodes(children);
  children.Empty();
  for (int i = 0; i < nodes.GetSize(); ++i) delete static_cast<UIExpandNode*>(nodes[i]);
}

}  // namespace SkinUI
