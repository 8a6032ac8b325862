// Where the display half plugs into the window and message code. Every hook is optional;
// without a display none is set and windows live purely as records and message targets.
#pragma once
#include <windows.h>

#include "platform/src/user/MsgFilter.h"

namespace jf {

struct WindowDisplayHooks {
  // DefWindowProcW offers every message here first; a hook that handles it returns true and
  // stores the result.
  bool (*defWindowProc)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) = nullptr;
  // After WM_CREATE succeeded (the window is in the table and may be shown).
  void (*windowCreated)(HWND hwnd) = nullptr;
  // Before WM_DESTROY is sent: hide, release capture and focus.
  void (*windowDestroying)(HWND hwnd) = nullptr;
  // After WM_NCDESTROY, while the record still exists: free surfaces.
  void (*windowDestroyed)(HWND hwnd) = nullptr;
  // Next input message of the thread (mouse, keyboard) matching the filter.
  bool (*nextInput)(DWORD threadId, const MsgFilter& filter, bool remove, MSG* out) = nullptr;
  // A window of the thread with a pending update region (for WM_PAINT), or null.
  HWND (*paintWindow)(DWORD threadId, const MsgFilter& filter) = nullptr;
  // Called after WM_PAINT was dispatched: a procedure that did not paint is validated.
  void (*paintDispatched)(HWND hwnd) = nullptr;
  // TranslateMessage: WM_CHAR from WM_KEYDOWN and friends. Returns TRUE when it posted one.
  BOOL (*translate)(const MSG* msg) = nullptr;
  // The cursor position for GetMessagePos, in screen coordinates.
  POINT (*cursorPos)() = nullptr;
  // Window styles changed through SetWindowLongPtrW.
  void (*styleChanged)(HWND hwnd, int index, DWORD oldValue, DWORD newValue) = nullptr;
  // Children re-linked through SetParent.
  void (*parentChanged)(HWND hwnd, HWND oldParent, HWND newParent) = nullptr;
  // A rectangle of the client area needs painting (the caret turned or moved).
  void (*invalidate)(HWND hwnd, const RECT* rect) = nullptr;

  static WindowDisplayHooks& Get();
  // The display half, which lies above this code, fills the hooks while the program starts.
  static bool Install(void (*installer)(WindowDisplayHooks& hooks));
};

}  // namespace jf
