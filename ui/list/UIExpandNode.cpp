#include "list/UIExpandNode.h"

namespace SkinUI {

UIExpandNode::~UIExpandNode() {
  // Taken out of the array before deleting, so that no node is reached twice.
  CUIPtrArray children_(children);
  children.Empty();
  for (int i = 0; i < children_.GetSize(); ++i) delete static_cast<UIExpandNode*>(children_[i]);
}

}  // namespace SkinUI
