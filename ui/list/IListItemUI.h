// What a list sees of each of its rows.
#pragma once
#include <windows.h>

namespace SkinUI {

class CControlUI;
class IListOwnerUI;

class IListItemUI {
 public:
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual IListOwnerUI* GetOwner() = 0;
  virtual void SetOwner(CControlUI* owner) = 0;
  virtual bool IsSelected() const = 0;
  virtual bool Select(bool select = true) = 0;
  virtual bool IsExpanded() const = 0;
  virtual bool Expand(bool expand = true) = 0;
  virtual void DrawItemText(HDC hdc, const RECT& rc) = 0;

 protected:
  ~IListItemUI() = default;
};

}  // namespace SkinUI
