// Receiver of every notification of a window manager.
#pragma once
#include "ui/base/UINotifyMsg.h"

namespace SkinUI {

class INotifyUI {
 public:
  virtual void Notify(UINotifyMsg& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

}  // namespace SkinUI
