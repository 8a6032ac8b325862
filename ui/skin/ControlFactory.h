// Maps skin element names to the control classes they create (exact, case-sensitive).
#pragma once

#include <windows.h>

namespace SkinUI {

class CControlUI;

class CControlFactory {
 public:
  // A new control of the class named by the element, or null for a name no class answers.
  static CControlUI* Create(LPCWSTR elementName);
  // The element names it knows, in table order.
  static int GetCount();
  static LPCWSTR GetElementName(int index);
};

}  // namespace SkinUI
