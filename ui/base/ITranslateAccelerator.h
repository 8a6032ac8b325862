// An accelerator translator asked by the modal loop's pre-translation; S_OK: translated.
#pragma once
#include <windows.h>

namespace SkinUI {

class ITranslateAccelerator {
 public:
  virtual HRESULT TranslateAccelerator(MSG* msg) = 0;

 protected:
  ~ITranslateAccelerator() = default;
};

}  // namespace SkinUI
