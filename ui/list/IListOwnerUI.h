// What a row sees of the control that owns it: the shared drawing record, the selection and
// the owner's event handler.
#pragma once
#include <windows.h>

namespace SkinUI {

struct UIListInfo;
struct UIEventRecord;

class IListOwnerUI {
 public:
  virtual UIListInfo* GetListInfo() = 0;
  virtual int GetCurSel() const = 0;
  virtual bool SelectItem(int index, bool takeFocus = false) = 0;
  virtual void DoEvent(UIEventRecord& event) = 0;

 protected:
  ~IListOwnerUI() = default;
};

}  // namespace SkinUI
