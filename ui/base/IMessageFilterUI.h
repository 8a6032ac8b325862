// A filter that sees window messages before the manager handles them; it consumes a
// message by leaving `handled` set.
#pragma once
#include <windows.h>

namespace SkinUI {

class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

}  // namespace SkinUI
