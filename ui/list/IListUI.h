// A full list as its rows see it: the owner interface plus header, body, text callback and
// expansion.
#pragma once
#include "ui/list/IListOwnerUI.h"

namespace SkinUI {

class CListHeaderUI;
class CContainerUI;
class IListTextCallbackUI;

class IListUI : public IListOwnerUI {
 public:
  virtual CListHeaderUI* GetHeader() const = 0;
  virtual CContainerUI* GetList() const = 0;
  virtual IListTextCallbackUI* GetTextCallback() const = 0;
  virtual void SetTextCallback(IListTextCallbackUI* callback) = 0;
  virtual bool ExpandItem(int index, bool expand = true) = 0;
  virtual int GetExpandedItem() const = 0;

 protected:
  ~IListUI() = default;
};

}  // namespace SkinUI
