// What the context-menu observer passes to its receivers; the observer does not look inside.
#pragma once
#include <windows.h>

namespace SkinUI {

struct ContextMenuParam {
  DWORD wParam = 0;
  DWORD lParam = 0;
};

}  // namespace SkinUI
