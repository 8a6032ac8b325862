// A notification raised by a control and delivered by its window manager.
#pragma once
#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

class CControlUI;

struct UINotifyMsg {
  CUIString type;        // "click", "setfocus", ...
  CUIString virtualWnd;  // the sender's virtual window, when the manager uses them
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};  // last mouse position, client coordinates
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

}  // namespace SkinUI
