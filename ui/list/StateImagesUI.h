// The state images of the list family's buttons-like controls: set by attribute name, drawn
// with the control's rectangle, and emptied when they fail so that they are not tried again.
#pragma once
#include <cwchar>

#include "ui/base/ControlUI.h"

namespace SkinUI {

class CStateImagesUI {
 public:
  template <class T>
  struct Slot {
    const wchar_t* name;
    CUIString T::*field;
  };

  // Sets the image that `name` names and repaints; false for any other name.
  template <class T, size_t N>
  static bool Set(T* control, const Slot<T> (&slots)[N], LPCWSTR name, LPCWSTR value) {
    for (const Slot<T>& slot : slots) {
      if (wcscmp(name, slot.name) != 0) continue;
      control->*slot.field = value;
      control->Invalidate();
      return true;
    }
    return false;
  }

  static bool Draw(CControlUI* control, HDC hdc, CUIString& image, LPCWSTR modify = nullptr) {
    if (image.IsEmpty()) return false;
    if (control->DrawImage(hdc, image, modify)) return true;
    image.Empty();
    return false;
  }
};

}  // namespace SkinUI
