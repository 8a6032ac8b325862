// Asked by the skin builder for element names it does not know.
#pragma once
#include <windows.h>

namespace SkinUI {

class CControlUI;

class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(LPCWSTR className) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

}  // namespace SkinUI
