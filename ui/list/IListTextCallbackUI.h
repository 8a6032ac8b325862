// Supplies the cell texts of text rows instead of their own column texts.
#pragma once
#include <windows.h>

namespace SkinUI {

class CControlUI;

class IListTextCallbackUI {
 public:
  virtual LPCWSTR GetItemText(CControlUI* row, int rowIndex, int column) = 0;

 protected:
  ~IListTextCallbackUI() = default;
};

}  // namespace SkinUI
