// The native window a control lays over itself (edit, date picker) refers to its owner; an
// owner going away first cuts it loose and destroys it, and the window's last message
// deletes the window object.
#pragma once
#include <windows.h>

namespace SkinUI {

template <class Window>
void DestroyDetached(Window*& window) {
  if (window == nullptr) return;
  Window* detached = window;
  window = nullptr;
  detached->Detach();
  HWND hwnd = detached->GetHWND();
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

}  // namespace SkinUI
